#include "model/ModelList.h"

#include "model/DeviceTable.h"
#include "model/DeviceType.h"

#include <cstdio>

std::string FormatModelList()
{
    std::string out;
    for (const SDeviceRow& row : kDeviceTable) {
        CDeviceType type = CDeviceType::FromCode(row.code);
        char head[64];
        std::snprintf(head, sizeof head, "%d\t%u\t%u\t0x%08X\t", row.code, unsigned{row.deviceId},
                      unsigned{row.extensionId}, static_cast<unsigned>(type.CapabilityFlags()));
        out += head;
        out += type.ModelDescription();
        out += '\n';
    }
    return out;
}
