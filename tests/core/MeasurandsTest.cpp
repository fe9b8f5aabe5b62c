// CMeasurands against a scripted meter on a real pseudo-terminal: the reads
// and their order, the word order, and the eleven texts.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "jobs/TrendRecord.h"
#include "model/Measurands.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Measurands : public ::testing::Test
{
protected:
    PtyPair pty;
    FakeMeter meter{pty.Master()};
    CMeasurands m;

    void SetUp() override { SetModel(2001, 0); }
    void SetModel(std::uint16_t deviceId, std::uint16_t extensionId)
    {
        meter.Register(9600) = deviceId;
        meter.Register(9601) = extensionId;
    }
    // A 32-bit value at `reg` in the meter's word order.
    void SetLong(unsigned reg, std::int32_t value, bool highFirst = false)
    {
        const auto u = static_cast<std::uint32_t>(value);
        meter.Register(reg + (highFirst ? 1 : 0)) = static_cast<std::uint16_t>(u & 0xFFFF);
        meter.Register(reg + (highFirst ? 0 : 1)) = static_cast<std::uint16_t>(u >> 16);
    }
    // One poll; the failure text or "".
    std::string Poll(const ComSettings& settings)
    {
        try {
            CModbusInterface link(settings);
            link.Open();
            m.ReadAll(link);
        } catch (const CPrivateException& e) {
            return e.Text();
        }
        return "";
    }
    std::string Poll() { return Poll(Rs485Settings(pty.SlavePath())); }
    std::string Text(int number) const { return m.MeasurandText(number); }
};

} // namespace

TEST_F(Measurands, ReadsEveryFieldOnceInItsOrder)
{
    ASSERT_EQ(Poll(), "");
    std::vector<std::pair<unsigned, unsigned>> reads;
    for (const Bytes& r : meter.Requests())
        reads.emplace_back(r[2] << 8 | r[3], r[4] << 8 | r[5]);
    const std::vector<std::pair<unsigned, unsigned>> expected = {
        {7007, 1},  {9600, 1}, {9601, 1}, {9603, 1}, {9604, 1}, {9613, 16}, {9605, 8},
        {9631, 16}, {0, 2},    {2, 6},    {22, 2},   {1050, 1}, {1060, 1}};
    EXPECT_EQ(reads, expected); // 3000 only on a model with the analog output
}

TEST_F(Measurands, Register7007DecidesTheWordOrderOfThePairs)
{
    meter.Register(7006) = 1; // the parameter transfers' switch does not count here
    for (bool highFirst : {false, true}) {
        meter.Register(7007) = highFirst ? 1 : 0;
        SetLong(2, 70000, highFirst);
        SetLong(4, -70000, highFirst);
        SetLong(6, 65536, highFirst);
        SetLong(22, 123456, highFirst);
        ASSERT_EQ(Poll(), "");
        EXPECT_EQ(m.DisplayValue(), 70000) << highFirst;
        EXPECT_EQ(m.MaximumValue(), -70000) << highFirst;
        EXPECT_EQ(m.MinimumValue(), 65536) << highFirst;
        EXPECT_EQ(m.AnalogOutput(), 123456) << highFirst;
    }
}

TEST_F(Measurands, ValuesFollowTheLiveDecimalPointModelStatusAndLink)
{
    meter.Register(1060) = 3;
    SetLong(2, 20000);
    SetLong(4, 20500);
    SetLong(6, -5);
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kDisplayValue), "20.000");
    EXPECT_EQ(Text(CMeasurands::kMaximumValue), "20.500");
    EXPECT_EQ(Text(CMeasurands::kMinimumValue), "-0.005");

    SetModel(2002, 0); // thermocouple and RTD meters always show two decimals
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kDisplayValue), "200.00");

    meter.Register(1) = 0x1000; // loop test
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kStatus), "Loop Test, Disable AO");
    for (int n : {CMeasurands::kDisplayValue, CMeasurands::kMaximumValue, CMeasurands::kMinimumValue})
        EXPECT_EQ(Text(n), "") << n;

    // On the infrared port no live value is shown, analog output included.
    SetModel(2001, 1);
    meter.Register(1) = 0x2000;
    SetLong(22, 20000);
    ASSERT_EQ(Poll(InfraredSettings(pty.SlavePath())), "");
    for (int n : {CMeasurands::kDisplayValue, CMeasurands::kMaximumValue, CMeasurands::kAnalogOutput})
        EXPECT_EQ(Text(n), "") << n;
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kDisplayValue), "20.000");
    EXPECT_EQ(Text(CMeasurands::kAnalogOutput), "20.000");
}

TEST_F(Measurands, AnalogOutputOnlyWhenTheModelHasOneAndItIsValid)
{
    SetModel(2001, 1);
    meter.Register(3000) = 3; // three decimals whatever the output type
    SetLong(22, -1500);
    meter.Register(1) = 0x2000;
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kAnalogOutput), "-1.500");
    meter.Register(1) = 0;
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kAnalogOutput), "");
    EXPECT_EQ(Text(CMeasurands::kStatus), "Disable AO");
    meter.Register(1) = 0x2000;
    SetModel(2001, 0); // no analog output
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kAnalogOutput), "");
}

TEST_F(Measurands, StatusAndIdentityTexts)
{
    EXPECT_EQ(CMeasurands::StatusText(0x0009), "LL, H, Disable AO");
    EXPECT_EQ(CMeasurands::StatusText(0x2000 | 0xC8E0), ""); // bits without a text
    EXPECT_EQ(CMeasurands::StatusText(0x371F), "LL, L, P, H, HH, S.over, S.under, Burnout, Loop Test");

    meter.Register(0) = 0x00AB;
    meter.Register(9603) = 105;
    meter.Register(9604) = 2;
    // Two 8-bit characters a register, the first in the low byte.
    meter.Register(9613) = '6' << 8 | 'V';
    meter.Register(9614) = 0x0080; // cp1252 euro sign, then the end
    meter.Register(9615) = 'X';
    for (unsigned i = 0; i < 8; ++i) // a full serial number has no end mark
        meter.Register(9605 + i) = static_cast<std::uint16_t>(('A' + i) << 8 | ('0' + i));
    // The tag: one UTF-16 code unit a register.
    const std::uint16_t tag[] = {'P', 0x00E9, 0xD83D, 0xDE00, 0, 'Z'};
    for (unsigned i = 0; i < std::size(tag); ++i)
        meter.Register(9631 + i) = tag[i];
    ASSERT_EQ(Poll(), "");
    EXPECT_EQ(Text(CMeasurands::kErrorCode), "00ab");
    EXPECT_EQ(Text(CMeasurands::kHardwareVersion), "1.05");
    EXPECT_EQ(Text(CMeasurands::kFirmwareVersion), "0.02");
    EXPECT_EQ(Text(CMeasurands::kModel), "V6\xE2\x82\xAC");
    EXPECT_EQ(Text(CMeasurands::kSerialNumber), "0A1B2C3D4E5F6G7H");
    EXPECT_EQ(Text(CMeasurands::kTag), "P\xC3\xA9\xF0\x9F\x98\x80");
}

TEST_F(Measurands, FailedReadKeepsTheFieldsItDidNotReach)
{
    meter.Register(1060) = 0;
    SetLong(2, 111);
    meter.Register(9603) = 105;
    ASSERT_EQ(Poll(), "");

    // An unsupported meter ends the read after its identity.
    const std::size_t before = meter.Requests().size();
    SetModel(2999, 0);
    meter.Register(9603) = 200;
    EXPECT_EQ(Poll(), "This device is not supported. (device id=2999, extension id=0)");
    EXPECT_EQ(meter.Requests().size(), before + 3);
    EXPECT_EQ(m.Identity(), CDeviceType(2999, 0));
    EXPECT_EQ(Text(CMeasurands::kHardwareVersion), "1.05");

    // A meter that stops answering at the values.
    SetModel(2001, 0);
    meter.Register(0) = 0x0042;
    SetLong(2, 222);
    meter.SetResponder(
        [this](const Bytes& req, int) { return (req[2] << 8 | req[3]) == 2 ? Bytes{} : meter.Answer(req); });
    EXPECT_NE(Poll().find("command=ReadHoldingRegister address=3 size=6"), std::string::npos);
    EXPECT_EQ(Text(CMeasurands::kErrorCode), "0042");
    EXPECT_EQ(Text(CMeasurands::kDisplayValue), "111");
}

TEST_F(Measurands, TheTrendTakesValuesInDisplayUnitsAndBreaksWhereNoneAreShown)
{
    CTrendRecord trend;
    meter.Register(1060) = 3;
    SetLong(2, 20000);
    SetLong(4, 20500);
    SetLong(6, -5);
    ASSERT_EQ(Poll(), "");
    trend.AddReading(1.0, m);
    ASSERT_EQ(trend.Samples().size(), 1u);
    EXPECT_DOUBLE_EQ(trend.Samples()[0].value, 20.0);
    EXPECT_DOUBLE_EQ(trend.Samples()[0].maximum, 20.5);
    EXPECT_DOUBLE_EQ(trend.Samples()[0].minimum, -0.005);
    trend.AddReading(2.0, m);

    meter.Register(1) = 0x1000; // loop test: the values are not measurements
    ASSERT_EQ(Poll(), "");
    trend.AddReading(3.0, m);
    EXPECT_EQ(trend.Samples().size(), 2u);
    EXPECT_FALSE(trend.Paused()) << "the link is fine";
    meter.Register(1) = 0;
    ASSERT_EQ(Poll(), "");
    trend.AddReading(4.0, m);
    ASSERT_EQ(trend.Samples().size(), 3u);
    EXPECT_TRUE(trend.Samples()[2].startsStretch) << "no line across the loop test";

    ASSERT_EQ(Poll(InfraredSettings(pty.SlavePath())), "");
    trend.AddReading(5.0, m);
    EXPECT_EQ(trend.Samples().size(), 3u) << "the infrared link shows no values";
}
