#pragma once
// The command line's "models" listing.

#include <string>

// One line per model code 0 ... 153:
// "code<TAB>device id<TAB>extension id<TAB>0xFLAGS<TAB>description\n",
// FLAGS as 8 upper-case hex digits.
std::string FormatModelList();
