// Value texts of every kind, the Compare rules and the command line listing.

#include "model/ParameterEnumeration.h"
#include "model/RegisterImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

// Model codes: option set 0 of each family unless said otherwise.
constexpr int kDcVoltage = 0;
constexpr int kDcVoltageFourAlarms = 1;
constexpr int kDcVoltageModbus = 4;
constexpr int kDcVoltageAnalog = 11;
constexpr int kDcCurrent = 22;
constexpr int kTc = 44;
constexpr int kRtd = 66;
constexpr int kPtm = 88;
constexpr int kAcCurrent = 132;

constexpr int kInputType = 0;
constexpr int kInputScalingZero = 2;
constexpr int kDecimalPoint = 10;
constexpr int kBurnout = 11;
constexpr int kInputAdjustYA = 17;
constexpr int kForcedZero = 23;
constexpr int kAutoReturn = 36;
constexpr int kRefreshRate = 40;
constexpr int kAnalog100Adjust = 68;
constexpr int kDeviceAddress = 70;
constexpr int kBank1HEnable = 93;
constexpr int kBank1HSetpoint = 94;
constexpr int kLLDeadband = 184;

CRegisterImage ImageOf(int code)
{
    CRegisterImage image;
    image.SetIdentity(CDeviceType::FromCode(code));
    return image;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

const CParameterEnumerationInterface params;

} // namespace

TEST(ParameterDescriptorValueText, PlainNumbersUseTheDecimalsOfTheirDivisor)
{
    CRegisterImage image = ImageOf(kDcVoltageModbus);
    image.SetWord(kRefreshRate, 25);
    EXPECT_EQ(params.ValueText(image, kRefreshRate), "2.5");
    image.SetWord(kDeviceAddress, 247);
    EXPECT_EQ(params.ValueText(image, kDeviceAddress), "247");
    image.SetWord(kAutoReturn, 0xFFFF); // 16-bit words read signed
    EXPECT_EQ(params.ValueText(image, kAutoReturn), "-1");

    CRegisterImage tc = ImageOf(kTc);
    tc.SetLong(kInputAdjustYA, -150);
    EXPECT_EQ(params.ValueText(tc, kInputAdjustYA), "-1.50");

    CRegisterImage analog = ImageOf(kDcVoltageAnalog);
    analog.SetLong(kAnalog100Adjust, 100000);
    EXPECT_EQ(params.ValueText(analog, kAnalog100Adjust), "100.000");
}

TEST(ParameterDescriptorValueText, DisplayUnitsFollowDecimalPointOrTemperatureScale)
{
    CRegisterImage dc = ImageOf(kDcVoltage);
    dc.SetWord(kDecimalPoint, 4);
    dc.SetLong(kBank1HSetpoint, 38000);
    EXPECT_EQ(params.ValueText(dc, kBank1HSetpoint), "3.8000");
    dc.SetWord(kDecimalPoint, 0);
    EXPECT_EQ(params.ValueText(dc, kBank1HSetpoint), "38000");

    CRegisterImage tc = ImageOf(kTc);
    tc.SetWord(kDecimalPoint, 4); // ignored by temperature models
    tc.SetLong(kBank1HSetpoint, 7000);
    EXPECT_EQ(params.ValueText(tc, kBank1HSetpoint), "70.00");

    // The 16-bit display kind reads its word unsigned.
    dc.SetWord(kDecimalPoint, 2);
    dc.SetWord(kLLDeadband, 0xFFFF);
    EXPECT_EQ(params.ValueText(dc, kLLDeadband), "655.35");
}

TEST(ParameterDescriptorValueText, InputUnitsFollowTheInputType)
{
    CRegisterImage dc = ImageOf(kDcVoltage);
    dc.SetWord(kInputType, 0);
    dc.SetLong(kInputScalingZero, 10000);
    EXPECT_EQ(params.ValueText(dc, kInputScalingZero), "1.0000");
    dc.SetWord(kInputType, 3); // -200.00 to 200.00 Vdc
    EXPECT_EQ(params.ValueText(dc, kInputScalingZero), "100.00");
}

TEST(ParameterDescriptorValueText, OptionTextsAndTheModelDependentInputTypeList)
{
    CRegisterImage tc = ImageOf(kTc);
    const char* burnout[] = {"Downscale", "Upscale", ""};
    for (int v = 0; v < 3; ++v) {
        tc.SetWord(kBurnout, static_cast<std::uint16_t>(v));
        EXPECT_EQ(params.ValueText(tc, kBurnout), burnout[v]);
    }
    // A value past its list must not borrow the next list's texts: 3000 + 50
    // is the first decimal point text, 3265 + 35 the first averaging mode.
    tc.SetWord(1, 50);
    EXPECT_EQ(params.ValueText(tc, 1), "");
    tc.SetWord(kBank1HEnable, 35);
    EXPECT_EQ(params.ValueText(tc, kBank1HEnable), "");
    tc.SetWord(kBank1HEnable, 1);
    EXPECT_EQ(params.ValueText(tc, kBank1HEnable), "Yes");

    struct Case
    {
        int code;
        const char* text;
    };
    const Case inputTypeOne[] = {{kDcVoltage, "-5.000 to 5.000 Vdc"},
                                 {kDcCurrent, "0.000 to 20.000 mAdc"},
                                 {kTc, "K(CA) 1"},
                                 {kRtd, "Pt100 (JIS'89)"},
                                 {110, "0.000 to 2.000 Vac"},
                                 {kAcCurrent, "0.000 to 2.000 mAac"},
                                 {kPtm, ""}};
    for (const Case& c : inputTypeOne) {
        CRegisterImage image = ImageOf(c.code);
        image.SetWord(kInputType, 1);
        EXPECT_EQ(params.ValueText(image, kInputType), c.text) << "model " << c.code;
    }
}

TEST(ParameterDescriptorValueText, ParameterTheModelLacksIsEmptyWhateverItsWord)
{
    CRegisterImage tc = ImageOf(kTc);
    tc.SetWord(kForcedZero, 1);
    EXPECT_EQ(params.ValueText(tc, kForcedZero), "");
    EXPECT_EQ(params.ValueText(ImageOf(kDcVoltage), kDeviceAddress), "");

    CRegisterImage unknown;
    unknown.SetIdentity(CDeviceType(2001, 12));
    for (int n = 0; CParameterEnumerationInterface::IsParameter(n); n = params.NextParameter(n)) {
        EXPECT_EQ(params.ValueText(unknown, n), "") << "word " << n;
        EXPECT_EQ(params.Compare(n, unknown, ImageOf(kDcVoltage)),
                  CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE);
    }
}

TEST(ParameterDescriptorCompare, NotApplicableWhenEitherModelLacksTheParameter)
{
    EXPECT_EQ(params.Compare(kForcedZero, ImageOf(kTc), ImageOf(kDcVoltage)),
              CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE);
    EXPECT_EQ(params.Compare(kForcedZero, ImageOf(kDcVoltage), ImageOf(kTc)),
              CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE);
    // Applicable to both: the words decide, even when they differ in a
    // parameter one of them lacks.
    CRegisterImage a = ImageOf(kDcVoltage), b = ImageOf(kDcVoltageModbus);
    b.SetWord(kDeviceAddress, 9);
    EXPECT_EQ(params.Compare(kDeviceAddress, a, b), CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE);
    EXPECT_EQ(params.Compare(kForcedZero, a, b), CParameterEnumerationInterface::COMPARE_EQUAL);
}

TEST(ParameterDescriptorCompare, WideParametersCompareBothWordsNotTheirTexts)
{
    CRegisterImage a = ImageOf(kDcVoltage), b = ImageOf(kDcVoltage);
    b.SetWord(kBank1HSetpoint + 1, 1); // high word only
    EXPECT_EQ(params.Compare(kBank1HSetpoint, a, b), CParameterEnumerationInterface::COMPARE_DIFFERENT);
    b.Assign(a);
    b.SetWord(kDecimalPoint, a.GetWord(kDecimalPoint) + 1); // same stored setpoint, another text
    EXPECT_EQ(params.Compare(kBank1HSetpoint, a, b), CParameterEnumerationInterface::COMPARE_EQUAL);
    EXPECT_EQ(params.Compare(kDecimalPoint, a, b), CParameterEnumerationInterface::COMPARE_DIFFERENT);
    b.Assign(a);
    b.SetWord(kBank1HEnable, 1);
    EXPECT_EQ(params.Compare(kBank1HEnable, a, b), CParameterEnumerationInterface::COMPARE_DIFFERENT);
}

TEST(ParameterDescriptorCompare, InputTypeAlsoComparesTheInputKind)
{
    CRegisterImage voltage = ImageOf(kDcVoltage), current = ImageOf(kDcCurrent);
    voltage.SetWord(kInputType, 0);
    current.SetWord(kInputType, 0);
    EXPECT_EQ(params.Compare(kInputType, voltage, current), CParameterEnumerationInterface::COMPARE_DIFFERENT);
    // AC voltage and AC current have no kind text, yet different kind ids.
    EXPECT_EQ(params.Compare(kInputType, ImageOf(110), ImageOf(kAcCurrent)),
              CParameterEnumerationInterface::COMPARE_DIFFERENT);
    EXPECT_EQ(params.Compare(kInputType, ImageOf(kDcVoltage), ImageOf(kDcVoltageModbus)),
              CParameterEnumerationInterface::COMPARE_EQUAL);
    current.SetIdentity(CDeviceType::FromCode(kDcVoltageModbus));
    current.SetWord(kInputType, 2);
    EXPECT_EQ(params.Compare(kInputType, voltage, current), CParameterEnumerationInterface::COMPARE_DIFFERENT);
}

TEST(ParameterDescriptorListing, OneLinePerParameterWithTheModelDefaults)
{
    const std::vector<std::string> lines = Lines(ParameterListingForModel(kDcVoltageFourAlarms));
    ASSERT_EQ(lines.size(), 163u);
    EXPECT_EQ(lines.front(), "Input\tInput type\t1.0000 to 5.0000 Vdc");
    EXPECT_EQ(lines.back(), "Alarm\tP coil at alarm\tEnergize");
    auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    // Voltage defaults: pairs 10000 / 50000 at four decimals, alarms set in bank 1.
    EXPECT_TRUE(has("Input\tDisplay scaling value span\t5.0000"));
    EXPECT_TRUE(has("Input\tDecimal point position\t0.0000"));
    EXPECT_TRUE(has("Alarm\tBank1 H\tYes"));
    EXPECT_TRUE(has("Alarm\tBank1 H setpoint\t3.8000"));
    // Missing parameters keep their line, ending with the tab.
    EXPECT_TRUE(has("Lockout\tModbus setting lockout\t"));
    EXPECT_TRUE(has("Modbus\tDevice address\t"));

    // A new image is already of model 0's kind; only the forced reset brings
    // the voltage defaults to another voltage model.
    const std::vector<std::string> modbus = Lines(ParameterListingForModel(kDcVoltageModbus));
    EXPECT_NE(std::find(modbus.begin(), modbus.end(), "Modbus\tDevice address\t1"), modbus.end());
    EXPECT_NE(std::find(modbus.begin(), modbus.end(), "Input\tDecimal point position\t0.0000"), modbus.end());
    EXPECT_EQ(ParameterListingForModel(154), "");
}
