// Scales and limits by model, and the two text conversions of numeric fields.

#include "app/PrivateException.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceType.h"
#include "model/ParameterStringIds.h"
#include "model/RegisterImage.h"
#include "model/ScalingParameterResolver.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using R = CScalingParameterResolver;

constexpr std::uint32_t kDcVoltage = CAP_DC_INPUT;
constexpr std::uint32_t kDcCurrent = CAP_DC_INPUT | CAP_CURRENT_INPUT;
constexpr std::uint32_t kAcVoltage = CAP_AC_INPUT;
constexpr std::uint32_t kAcCurrent = CAP_AC_INPUT | CAP_CURRENT_INPUT;

// The message ParseScaled raised, or "" when it accepted the text.
std::string Refusal(std::string_view text, std::int32_t min, std::int32_t max, std::int32_t divisor,
                    unsigned nameId = ids::kNameSetpoint)
{
    try {
        R::ParseScaled(text, min, max, divisor, nameId);
    } catch (const CPrivateException& e) {
        return e.Text();
    }
    return "";
}

} // namespace

TEST(ScalingScales, TemperatureModelsUseScale100WhateverTheDecimalPoint)
{
    for (std::uint16_t dp : {0, 2, 4, 9}) {
        EXPECT_EQ(R(CAP_TC_INPUT, 0, dp).DisplayScale(), 100);
        EXPECT_EQ(R(CAP_RTD_INPUT, 0, dp).DisplayScale(), 100);
        EXPECT_EQ(R(CAP_TC_INPUT, 5, dp).InputScale(), 100);
    }
    EXPECT_EQ(R(CAP_TC_INPUT, 0, 0).DisplayValueMinimum(), -99999);
    EXPECT_EQ(R(CAP_RTD_INPUT, 0, 0).DisplayValueMaximum(), 999999);
    EXPECT_EQ(R(CAP_PTM_INPUT, 0, 0).DisplayValueMinimum(), -20000);
    EXPECT_EQ(R(kDcVoltage, 0, 0).DisplayValueMaximum(), 100000);
}

TEST(ScalingScales, DecimalPointAboveFourCountsAsFour)
{
    const std::int32_t expected[] = {1, 10, 100, 1000, 10000};
    for (std::uint16_t dp = 0; dp < 5; ++dp)
        EXPECT_EQ(R(kDcVoltage, 0, dp).DisplayScale(), expected[dp]);
    EXPECT_EQ(R(kDcVoltage, 0, 5).DisplayScale(), 10000);
    EXPECT_EQ(R(CAP_PTM_INPUT, 0, 0xFFFF).DisplayScale(), 10000);
}

TEST(ScalingScales, InputScaleAndRangeFollowFamilyAndInputType)
{
    struct Case
    {
        std::uint32_t flags;
        std::uint16_t type;
        std::int32_t scale, min, max;
    };
    const Case cases[] = {
        {kDcVoltage, 0, 10000, 10000, 50000},
        {kDcVoltage, 1, 1000, -5000, 5000},
        {kDcVoltage, 7, 100, -20000, 20000}, // past the end: the last row
        {kDcCurrent, 0, 1000, 4000, 20000},
        {kDcCurrent, 1, 1000, 0, 20000},
        {kAcVoltage, 0, 10000, 0, 2000},
        {kAcCurrent, 3, 100, 0, 20000},
        {CAP_RTD_INPUT, 3, 100, -20000, 64900},
        {CAP_RTD_INPUT, 9, 100, -20000, 85000},
        {CAP_TC_INPUT, 7, 100, 10000, 180000},
        {CAP_TC_INPUT, 10, 100, 0, 230000},
        {CAP_TC_INPUT, 40, 100, -10000, 85000},
        {CAP_PTM_INPUT, 3, 10, -20000, 100000},
        {0, 1, 1000, 0, 2000}, // no input kind bit: the AC branch
    };
    for (const Case& c : cases) {
        const R r(c.flags, c.type, 0);
        EXPECT_EQ(r.InputScale(), c.scale) << std::hex << c.flags << " type " << std::dec << c.type;
        EXPECT_EQ(r.InputRangeMinimum(), c.min) << std::hex << c.flags << " type " << std::dec << c.type;
        EXPECT_EQ(r.InputRangeMaximum(), c.max) << std::hex << c.flags << " type " << std::dec << c.type;
    }
}

TEST(ScalingScales, ImageSuppliesModelInputTypeAndDecimalPoint)
{
    CRegisterImage image;
    image.SetIdentity(CDeviceType::FromCode(22)); // DC current
    image.SetWord(0, 3);
    image.SetWord(10, 1);
    const R r(image);
    EXPECT_EQ(r.InputScale(), 100);
    EXPECT_EQ(r.DisplayScale(), 10);
}

TEST(ScalingFormat, FormatScaledWithTheDivisorsDecimals)
{
    EXPECT_EQ(R::DecimalsOf(10000), 4);
    EXPECT_EQ(R::DecimalsOf(9), 0);
    EXPECT_EQ(R::FormatScaled(-5, 1000), "-0.005");
    EXPECT_EQ(R::FormatScaled(5, 1), "5");
    EXPECT_EQ(R::FormatScaled(20000, 100), "200.00");
    EXPECT_EQ(R::FormatScaled(0, 10000), "0.0000");
    EXPECT_EQ(R::FormatScaled(INT_MIN, 1), "-2147483648");
    EXPECT_EQ(R::FormatScaled(INT_MAX, 10000), "214748.3647");
    // A divisor below 1 would give an endless or negated quotient.
    EXPECT_EQ(R::FormatScaled(1234, 0), "1234");
    EXPECT_EQ(R::FormatScaled(1234, -10), "1234");
}

TEST(ScalingFormat, ShortTextCutsAtTheFirstInnerBlank)
{
    EXPECT_EQ(R::ShortText("No P output"), "No");
    EXPECT_EQ(R::ShortText("Energize"), "Energize");
    EXPECT_EQ(R::ShortText(" leading blank"), " leading blank");
}

TEST(ScalingParse, DecimalTextRoundsHalfAwayFromZero)
{
    EXPECT_EQ(R::ParseScaled("0.125", -20000, 100000, 100, 0), 13);
    EXPECT_EQ(R::ParseScaled("-0.125", -20000, 100000, 100, 0), -13);
    EXPECT_EQ(R::ParseScaled("12.34", -20000, 100000, 100, 0), 1234);
    EXPECT_EQ(R::ParseScaled("0.24", -100, 100, 10, 0), 2);
    EXPECT_EQ(R::ParseScaled("-0.26", -100, 100, 10, 0), -3);
    EXPECT_EQ(R::ParseScaled("  +1.5e1", -1000, 1000, 10, 0), 150);
    EXPECT_EQ(R::ParseScaled(".5", -100, 100, 10, 0), 5);
    EXPECT_EQ(R::ParseScaled("7.", -100, 100, 10, 0), 70);
}

TEST(ScalingParse, IntegerTextIsDecimalWhateverItsLeadingZeros)
{
    EXPECT_EQ(R::ParseScaled("010", -100, 100, 1, 0), 10);
    EXPECT_EQ(R::ParseScaled("08", -100, 100, 1, 0), 8);
    EXPECT_EQ(R::ParseScaled("+7", -100, 100, 1, 0), 7);
    EXPECT_EQ(R::ParseScaled("\t-16", -100, 100, 1, 0), -16);
    EXPECT_EQ(R::ParseScaled("2147483647", INT_MIN, INT_MAX, 1, 0), INT_MAX);
    EXPECT_EQ(R::ParseScaled("-2147483648", INT_MIN, INT_MAX, 1, 0), INT_MIN);
}

TEST(ScalingParse, RefusesTextThatIsNotWhollyANumber)
{
    for (const char* text : {"", "   ", "12 ", "12a", "-", "0x", "0x10", "0X1f", "1.5", "0x-5", "--1", "+-1"})
        EXPECT_NE(Refusal(text, -100, 100, 1), "") << '"' << text << '"';
    for (const char* text : {"", " ", ".", "1e", "1e+", "0x10", "inf", "nan", "1,5", "1.2.3", "1.0 "})
        EXPECT_NE(Refusal(text, -100, 100, 10), "") << '"' << text << '"';
}

TEST(ScalingParse, NumbersBeyond32BitsEndInTheRangeMessage)
{
    // Wrapping 4294967296 to 0 would accept it.
    for (const char* text : {"4294967296", "2147483648", "-2147483649", "99999999999999999999999", "0x100000000"})
        EXPECT_NE(Refusal(text, INT_MIN, INT_MAX, 1), "") << text;
    for (const char* text : {"21474836.48", "-21474836.49", "1e300", "1e999"})
        EXPECT_NE(Refusal(text, INT_MIN, INT_MAX, 100), "") << text;
    EXPECT_EQ(R::ParseScaled("21474836.47", INT_MIN, INT_MAX, 100, 0), INT_MAX);
}

TEST(ScalingParse, RangeMessageNamesTheFieldAndItsScaledLimits)
{
    EXPECT_EQ(Refusal("1000.5", -20000, 100000, 100), "You should input Setpoint within the range of -200 - 1000.");
    EXPECT_EQ(Refusal("1000", 0, 9999, 10, ids::kNameOnDelay),
              "You should input ON delay within the range of 0 - 999.9.");
    EXPECT_EQ(Refusal("248", 1, 247, 1, 15700), "You should input Device address within the range of 1 - 247.");
    // Limits themselves are accepted.
    EXPECT_EQ(R::ParseScaled("-200", -20000, 100000, 100, 0), -20000);
    EXPECT_EQ(R::ParseScaled("999.9", 0, 9999, 10, 0), 9999);
    EXPECT_EQ(R::ParseScaled("1", 1, 247, 1, 0), 1);
}
