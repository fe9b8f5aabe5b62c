#include "CliJson.h"

#include "model/DeviceType.h"

#include <cstdio>

namespace cli {

void PrintJson(const Json& document, bool oneLine)
{
    const std::string text = document.dump(oneLine ? -1 : 2, ' ', false, Json::error_handler_t::replace);
    std::fputs(text.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

void AddIdentity(Json& object, const CDeviceType& identity)
{
    if (identity.IsKnown())
        object["model"] = identity.Code();
    object["device_id"] = static_cast<std::uint16_t>(identity.DeviceId());
    object["extension_id"] = static_cast<std::uint16_t>(identity.ExtensionId());
    if (identity.IsKnown()) {
        object["name"] = identity.ModelName();
        object["description"] = identity.ModelDescription();
    }
}

} // namespace cli
