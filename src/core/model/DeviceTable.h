#pragma once
// The device table: 14 families x 11 option sets, family by family, option
// code 0 ... A within a family. Model code = row number.

#include "model/CapabilityFlags.h"
#include "model/DeviceFamilies.h"
#include "model/DeviceOptions.h"
#include "model/ModelStringIds.h"

#include <array>
#include <cstddef>
#include <cstdint>

struct SDeviceRow
{
    int code;
    std::uint16_t deviceId;
    std::uint16_t extensionId;
    std::uint32_t flags;
    unsigned modelNameId;
    unsigned inputKindId;
    unsigned outputId;
    unsigned optionId;
};

inline constexpr int kDeviceModelCount = static_cast<int>(kDeviceFamilies.size() * kDeviceOptions.size());

constexpr std::array<SDeviceRow, kDeviceModelCount> BuildDeviceTable()
{
    std::array<SDeviceRow, kDeviceModelCount> rows{};
    int code = 0;
    for (const SDeviceFamily& f : kDeviceFamilies)
        for (const SDeviceOption& o : kDeviceOptions) {
            rows[code] = SDeviceRow{code,
                                    f.deviceId,
                                    static_cast<std::uint16_t>(f.extensionBase + o.extensionBits),
                                    f.flags | o.flags,
                                    f.modelNameId,
                                    f.inputKindId,
                                    f.outputId,
                                    o.optionTextId};
            ++code;
        }
    return rows;
}

inline constexpr std::array<SDeviceRow, kDeviceModelCount> kDeviceTable = BuildDeviceTable();

// First row with both ids equal, searched from code 0; nullptr when none.
constexpr const SDeviceRow* FindDeviceRow(std::uint16_t deviceId, std::uint16_t extensionId)
{
    for (const SDeviceRow& row : kDeviceTable)
        if (row.deviceId == deviceId && row.extensionId == extensionId)
            return &row;
    return nullptr;
}

// The row of `code`; nullptr when the code is not in the table.
constexpr const SDeviceRow* DeviceRowByCode(int code)
{
    return code >= 0 && code < kDeviceModelCount ? &kDeviceTable[static_cast<std::size_t>(code)] : nullptr;
}

// The rows the families and option sets must agree with.
static_assert(kDeviceModelCount == 154);
static_assert(kDeviceTable[0].deviceId == 2001 && kDeviceTable[0].extensionId == 0 &&
              kDeviceTable[0].flags == 0x85000001);
static_assert(kDeviceTable[12].deviceId == 2001 && kDeviceTable[12].extensionId == 5 &&
              kDeviceTable[12].flags == 0x950D0001);
static_assert(kDeviceTable[53].deviceId == 2002 && kDeviceTable[53].extensionId == 164 &&
              kDeviceTable[53].flags == 0xCB0C0002);
static_assert(kDeviceTable[153].deviceId == 2005 && kDeviceTable[153].extensionId == 113 &&
              kDeviceTable[153].flags == 0xF5110010);
