// Integrity of the device table: catches a mistyped family or option row.
#include "app/StringTable.h"
#include "model/DeviceTable.h"
#include "model/DeviceType.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

TEST(DeviceTypeTable, IdentityPairsAreDistinctAndRoundTrip)
{
    std::set<std::pair<int, int>> pairs;
    for (int code = 0; code < kDeviceModelCount; ++code) {
        CDeviceType type = CDeviceType::FromCode(code);
        pairs.insert({type.DeviceId(), type.ExtensionId()});
        EXPECT_EQ(type.Code(), code);
    }
    EXPECT_EQ(pairs.size(), 154u);
}

TEST(DeviceTypeTable, FlagsAndTextsAgreeWithDeviceAndExtensionIds)
{
    const std::uint32_t kindBit[] = {CAP_DC_INPUT, CAP_TC_INPUT, CAP_RTD_INPUT, CAP_PTM_INPUT, CAP_AC_INPUT};
    for (const SDeviceRow& r : kDeviceTable) {
        SCOPED_TRACE(r.code);
        ASSERT_TRUE(r.deviceId >= 2001 && r.deviceId <= 2005);
        const std::uint32_t f = r.flags, kind = kindBit[r.deviceId - 2001];
        const unsigned ext = r.extensionId;
        const bool temperature = kind == CAP_TC_INPUT || kind == CAP_RTD_INPUT;
        EXPECT_EQ(f & 0x1Fu, kind);
        EXPECT_EQ(f & 0x00E0FFE0u, 0u); // no undefined bit
        EXPECT_TRUE(f & CAP_ALL);
        EXPECT_EQ(bool(f & CAP_ANALOG_OUTPUT), bool(ext & 1));
        EXPECT_EQ(bool(f & CAP_MODBUS), bool(ext & 2));
        EXPECT_EQ(bool(f & CAP_FOUR_ALARMS), bool(ext & 4));
        EXPECT_EQ(bool(f & CAP_ALARMS), bool(ext & (4 | 8)));
        EXPECT_EQ(bool(f & CAP_CURRENT_INPUT), bool(ext & 16));
        EXPECT_EQ(bool(f & CAP_BCD_OUTPUT), bool(ext & 32));
        EXPECT_EQ(bool(f & CAP_EVENT_INPUT), bool(ext & 64));
        EXPECT_TRUE(!(ext & 128) || (ext & 4)); // photo-MOS only with four relays
        EXPECT_EQ(bool(f & CAP_INPUT_TYPE), kind != CAP_PTM_INPUT);
        EXPECT_EQ(bool(f & CAP_TEMPERATURE), temperature);
        EXPECT_EQ(bool(f & CAP_SCALING), !temperature);
        EXPECT_EQ(bool(f & 0x08000000), temperature || kind == CAP_PTM_INPUT);
        EXPECT_EQ(bool(f & 0x10000000), (ext & 1) && !temperature);
        EXPECT_EQ(r.outputId, (ext & 1) ? 4201u : 4200u);
        EXPECT_EQ(r.optionId, 4180u + unsigned(r.code % 11));
    }
}

TEST(DeviceTypeTable, EveryTextIdResolves)
{
    std::set<unsigned> kinds, names;
    for (const SDeviceRow& r : kDeviceTable) {
        SCOPED_TRACE(r.code);
        for (unsigned id : {r.modelNameId, r.outputId, r.optionId})
            EXPECT_NE(CStringTable::Get(id), "") << id;
        kinds.insert(r.inputKindId);
        names.insert(CStringTable::Get(r.modelNameId).size() ? r.modelNameId : 0);
        // The AC kinds are meant to have no text.
        EXPECT_EQ(CStringTable::Get(r.inputKindId).empty(), r.inputKindId >= 4225) << r.inputKindId;
    }
    EXPECT_EQ(kinds, (std::set<unsigned>{4220, 4221, 4222, 4223, 4224, 4225, 4226}));
    EXPECT_EQ(names.size(), 14u);
    EXPECT_NE(CStringTable::Get(model_ids::kDeviceNotSupported), "");
}
