#pragma once
// The --json output: documents built with nlohmann::json, their fields in the
// order written (as the help and the README list them).

#include <nlohmann/json.hpp>

class CDeviceType;

namespace cli {

using Json = nlohmann::ordered_json;

// The document on standard output: indented, or on one line (the monitor's
// objects, one per poll). Bytes that are not UTF-8, as a meter's tag may
// hold, become U+FFFD rather than an invalid document.
void PrintJson(const Json& document, bool oneLine = false);

// "model", "device_id", "extension_id", then "name" and "description" when
// the identity names a model.
void AddIdentity(Json& object, const CDeviceType& identity);

} // namespace cli
