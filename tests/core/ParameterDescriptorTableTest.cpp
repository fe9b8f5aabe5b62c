// Integrity of the descriptor table against the other fixed data: the
// enumeration walk, the block table, the option lists and the string table.

#include "app/StringTable.h"
#include "model/BlockTable.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/OptionListTable.h"
#include "model/ParameterDescriptorTable.h"
#include "model/ParameterEnumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {

std::vector<int> Walk()
{
    const CParameterEnumerationInterface params;
    std::vector<int> rows;
    for (int n = CParameterEnumerationInterface::kFirstParameter; CParameterEnumerationInterface::IsParameter(n);
         n = params.NextParameter(n))
        rows.push_back(n);
    return rows;
}

bool BlockSelects(int word, std::uint32_t flags)
{
    for (const SRegisterBlock& block : kBlockTable)
        if (word >= block.firstWord && word < block.firstWord + RegisterCount(block) && BlockApplies(block, flags))
            return true;
    return false;
}

} // namespace

TEST(ParameterDescriptorTable, EnumerationVisits163ParametersInWordOrder)
{
    const std::vector<int> rows = Walk();
    ASSERT_EQ(rows.size(), 163u);
    const std::vector<int> head{0, 1, 2, 4, 6, 8, 10, 11, 12, 13, 15, 17, 19, 21, 22, 23, 24, 26, 28};
    EXPECT_EQ(std::vector<int>(rows.begin(), rows.begin() + head.size()), head);
    // Bank rows: an enable word, then a two-word setpoint, twelve words a bank.
    auto at87 = std::find(rows.begin(), rows.end(), 87);
    ASSERT_NE(at87, rows.end());
    EXPECT_EQ(std::vector<int>(at87, at87 + 5), (std::vector<int>{87, 88, 90, 91, 93}));
    EXPECT_EQ(std::find(rows.begin(), rows.end(), 182), rows.end());
    EXPECT_EQ(rows[rows.size() - 29], 181);
    EXPECT_EQ(rows[rows.size() - 28], 183);
    EXPECT_EQ(rows.back(), 210);
}

TEST(ParameterDescriptorTable, SecondRowOfEveryWideParameterRepeatsTheFirst)
{
    for (int n : Walk()) {
        const CParameterDescriptor& a = kParameterDescriptors[n];
        if (!IsWideKind(a.kind))
            continue;
        ASSERT_LT(n + 1, kParameterRows);
        const CParameterDescriptor& b = kParameterDescriptors[n + 1];
        EXPECT_TRUE(a.groupId == b.groupId && a.nameId == b.nameId && a.kind == b.kind && a.argument == b.argument &&
                    a.mask == b.mask)
            << "word " << n;
    }
}

TEST(ParameterDescriptorTable, BlockTableAndMasksSelectTheSameModelsSaveTwoKnownWords)
{
    std::set<std::pair<int, int>> mismatches, expected;
    for (const SDeviceRow& model : kDeviceTable) {
        for (int w = 0; w < kParameterRows; ++w) {
            const bool byDescriptor = (kParameterDescriptors[w].mask & model.flags) != 0;
            if (byDescriptor != BlockSelects(w, model.flags))
                mismatches.insert({model.code, w});
        }
        // PTM models list the input scaling values but never transfer them;
        // every model transfers "Modbus setting lockout", few list it.
        if (model.flags & CAP_PTM_INPUT)
            for (int w = 2; w <= 5; ++w)
                expected.insert({model.code, w});
        if (!(model.flags & CAP_MODBUS))
            expected.insert({model.code, 48});
    }
    EXPECT_EQ(mismatches, expected);
}

TEST(ParameterDescriptorTable, OptionListsResolveToTextsAndEndWhereTheyShould)
{
    for (const SOptionList& list : kOptionLists) {
        for (unsigned i = 0; i < list.count; ++i)
            EXPECT_FALSE(CStringTable::Get(list.base + i).empty()) << "string " << list.base + i;
        // A count one too short or too long shows up here or above.
        EXPECT_TRUE(CStringTable::Get(list.base + list.count).empty()) << "string " << list.base + list.count;
    }
}

TEST(ParameterDescriptorTable, EveryOptionRowPointsAtTheStartOfAList)
{
    std::set<unsigned> used;
    for (int n : Walk()) {
        const CParameterDescriptor& row = kParameterDescriptors[n];
        if (row.kind != VK_OPTION)
            continue;
        // Row 0 picks its list by model: check the list of every model.
        for (const SDeviceRow& model : kDeviceTable) {
            if ((row.mask & model.flags) == 0)
                continue;
            const unsigned base = CParameterEnumerationInterface::OptionBase(n, model.flags);
            EXPECT_NE(FindOptionList(base), nullptr) << "word " << n << " base " << base;
            used.insert(base);
        }
    }
    // A list no row reaches means a row points at the wrong base.
    EXPECT_EQ(used.size(), kOptionLists.size());
}

TEST(ParameterDescriptorTable, GroupAndNameTextsExistAndNamesAreDistinct)
{
    const CParameterEnumerationInterface params;
    std::set<unsigned> names;
    for (int n : Walk()) {
        EXPECT_FALSE(params.GroupText(n).empty()) << "word " << n;
        EXPECT_FALSE(params.NameText(n).empty()) << "word " << n;
        EXPECT_TRUE(names.insert(kParameterDescriptors[n].nameId).second) << "word " << n;
    }
    EXPECT_EQ(params.NameText(87), "Bank1 LL");
    EXPECT_EQ(params.NameText(181), "Bank8 HH setpoint");
    EXPECT_EQ(params.GroupText(52), "BCD Output");
}
