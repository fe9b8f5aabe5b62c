// The named registers and words against the block table they name, and the
// one integer rule every reader of a typed or stored number follows.
#include "app/DecimalInteger.h"
#include "comm/ComSettings.h"
#include "model/BlockTable.h"
#include "model/RegisterMap.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The table row that holds register `reg`, or nothing.
std::optional<SRegisterBlock> RowOf(unsigned reg)
{
    for (const SRegisterBlock& b : kBlockTable)
        if (reg >= static_cast<unsigned>(b.reg) && reg < static_cast<unsigned>(b.reg + RegisterCount(b)))
            return b;
    return std::nullopt;
}

// The image word that register `reg` lands in, by the block table.
int WordOf(unsigned reg)
{
    const auto row = RowOf(reg);
    return row ? row->firstWord + static_cast<int>(reg - static_cast<unsigned>(row->reg)) : -1;
}

} // namespace

TEST(RegisterMap, SettingRegistersLandInTheWordsOfTheSameName)
{
    EXPECT_EQ(WordOf(meter_registers::kInputType), image_words::kInputType);
    EXPECT_EQ(WordOf(meter_registers::kDecimalPoint), image_words::kDecimalPoint);
    EXPECT_EQ(WordOf(meter_registers::kAnalogOutputType), image_words::kAnalogOutputType);
    EXPECT_EQ(WordOf(meter_registers::kDeviceAddress), image_words::kDeviceAddress);
    EXPECT_EQ(WordOf(meter_registers::kLongRegister), image_words::kLongRegister);
    // Registers outside the settings are in no row: a download never writes them.
    for (unsigned reg : {meter_registers::kWriteEnable, meter_registers::kMaxMinReset, meter_registers::kDeviceId,
                         meter_registers::kSerialNumber, meter_registers::kTag, meter_registers::kLongRegisterLive})
        EXPECT_FALSE(RowOf(reg)) << reg;
}

TEST(RegisterMap, WordsNameTheRowsTheirRegistersStartOrTheBankLayout)
{
    // A 32-bit parameter is named by its low-order word: the first of a pair.
    for (int word : {image_words::kInputScalingZero, image_words::kDisplayScalingSpan, image_words::kBargraphLower,
                     image_words::kAnalogOutput0, image_words::kForcedZeroValue, image_words::kInputAdjustYB}) {
        bool found = false;
        for (const SRegisterBlock& b : kBlockTable)
            if (b.width == kW32 && word >= b.firstWord && word < b.firstWord + RegisterCount(b))
                found = found || (word - b.firstWord) % 2 == 0;
        EXPECT_TRUE(found) << word;
    }
    EXPECT_EQ(image_words::kFirstBankWord, kBlockTable[21].firstWord);
    EXPECT_EQ(image_words::kFirstDetailWord, kBlockTable[85].firstWord);
    EXPECT_EQ(image_words::kBankNo, kBlockTable[20].firstWord);
}

TEST(RegisterMap, BaudRateIndexAndTableAgree)
{
    for (std::size_t i = 0; i < kBaudRates.size(); ++i)
        EXPECT_EQ(ComSettings::BaudRateOf(static_cast<int>(i)), kBaudRates[i]);
    EXPECT_EQ(ComSettings::BaudRateOf(-1), 1200u);
    EXPECT_EQ(ComSettings::BaudRateOf(static_cast<int>(kBaudRates.size())), 1200u);
}

TEST(DecimalInteger, ReadsSignedDecimalDigitsOnly)
{
    EXPECT_EQ(ParseDecimalInteger("0"), 0);
    EXPECT_EQ(ParseDecimalInteger("010"), 10);
    EXPECT_EQ(ParseDecimalInteger("+247"), 247);
    EXPECT_EQ(ParseDecimalInteger("-32768"), -32768);
    EXPECT_EQ(ParseDecimalInteger("999999999999999999"), 999999999999999999);
    for (const char* text : {"", "-", "+", "0x10", "0X1F", "1e3", "12a", " 5", "5 ", "--1", "+-1", "1.0",
                             "1000000000000000000", "-1000000000000000000"})
        EXPECT_FALSE(ParseDecimalInteger(text)) << '"' << text << '"';
}
