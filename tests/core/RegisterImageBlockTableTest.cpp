// Integrity of the register map: catches a mistyped block row.
#include "model/BlockTable.h"
#include "model/DeviceTable.h"
#include "model/ParameterDescriptorTable.h"
#include "model/RegisterImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(RegisterImageBlockTable, RowsCoverEveryWordOnceWithoutOverlap)
{
    std::vector<int> wordUse(CRegisterImage::kWordCount, 0);
    std::vector<std::pair<int, int>> ranges;
    for (const SRegisterBlock& b : kBlockTable) {
        SCOPED_TRACE(b.reg);
        EXPECT_TRUE(b.width == kW16 || b.width == kW32);
        EXPECT_EQ(b.flush, 1);
        ASSERT_TRUE(b.count > 0 && b.firstWord >= 0 && b.firstWord + RegisterCount(b) <= CRegisterImage::kWordCount);
        for (int w = b.firstWord; w < b.firstWord + RegisterCount(b); ++w)
            ++wordUse[w];
        ranges.push_back({b.reg, b.reg + RegisterCount(b)});
    }
    for (int w = 0; w < CRegisterImage::kWordCount; ++w)
        EXPECT_EQ(wordUse[w], 1) << "word " << w;
    std::sort(ranges.begin(), ranges.end());
    for (std::size_t i = 1; i < ranges.size(); ++i)
        EXPECT_LE(ranges[i - 1].second, ranges[i].first) << "register " << ranges[i].first;
    EXPECT_GT(ranges.front().first, 900); // 900 is the download marker
    // "Long register" (7006, word 76) is written after every 32-bit row.
    EXPECT_EQ(kBlockTable[94].reg + kBlockTable[94].count - 1, 7006);
    EXPECT_EQ(kBlockTable[94].firstWord + kBlockTable[94].count - 1, 76);
    EXPECT_TRUE(std::none_of(kBlockTable.begin() + 94, kBlockTable.end(), [](auto& b) { return b.width == kW32; }));
}

TEST(RegisterImageBlockTable, BankRowsFollowTheBankLayout)
{
    for (int k = 1, row = 21; k <= 8; ++k)
        for (int j = 0; j < 4; ++j, row += 2) {
            const int offset = 12 * (k - 1) + 3 * j;
            const SRegisterBlock &enable = kBlockTable[row], &setpoint = kBlockTable[row + 1];
            SCOPED_TRACE(row);
            EXPECT_EQ(enable.reg, 4101 + offset);
            EXPECT_EQ(enable.firstWord, 87 + offset);
            EXPECT_EQ(setpoint.reg, 4102 + offset);
            EXPECT_EQ(setpoint.firstWord, 88 + offset);
            EXPECT_EQ(enable.width * 10 + setpoint.width, kW16 * 10 + kW32);
        }
}

// The register map and the parameter descriptors select the same models for
// every word, except the input scaling values (never transferred for PTM)
// and "Modbus setting lockout" (always transferred, reported with Modbus).
// A mistyped mask or width in either table shows up here.
TEST(RegisterImageBlockTable, AgreesWithParameterDescriptors)
{
    std::vector<const SRegisterBlock*> blockOf(CRegisterImage::kWordCount, nullptr);
    for (const SRegisterBlock& b : kBlockTable)
        for (int w = b.firstWord; w < b.firstWord + RegisterCount(b); ++w)
            blockOf[w] = &b;
    for (int w = 0; w < CRegisterImage::kWordCount; ++w) {
        SCOPED_TRACE(w);
        ASSERT_NE(blockOf[w], nullptr);
        const SRegisterBlock& b = *blockOf[w];
        const CParameterDescriptor& d = kParameterDescriptors[w];
        EXPECT_EQ(b.width == kW32, IsWideKind(d.kind));
        if (b.width == kW32 && (w - b.firstWord) % 2 == 0) {
            EXPECT_EQ(kParameterDescriptors[w + 1].nameId, d.nameId); // a pair starts here
        }
        for (const SDeviceRow& model : kDeviceTable) {
            const bool transferred = BlockApplies(b, model.flags);
            const bool reported = (d.mask & model.flags) != 0;
            if (w >= 2 && w <= 5)
                EXPECT_EQ(transferred, reported && !(model.flags & CAP_PTM_INPUT)) << model.code;
            else if (w == 48)
                EXPECT_TRUE(transferred) << model.code;
            else
                EXPECT_EQ(transferred, reported) << model.code;
        }
    }
    for (const SRegisterBlock& b : kBlockTable) // an unknown identity transfers nothing
        EXPECT_FALSE(BlockApplies(b, CDeviceType(2001, 12).CapabilityFlags()));
}
