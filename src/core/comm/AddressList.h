#pragma once
// Device addresses of the meters on one line, as a user writes them: items
// separated by commas, each an address or a range "FIRST-LAST", such as
// "1-8,12,15".

#include "model/RegisterMap.h"

#include <optional>
#include <string_view>
#include <vector>

// The addresses in the order written, each once; nothing when the text is
// not such a list (an empty item, a range running backwards, an address
// outside 1 ... 247, anything but decimal digits).
std::optional<std::vector<int>> ParseAddressList(std::string_view text);
