#pragma once
// The one rule by which this program reads a whole number, wherever it comes
// from (a typed value, a command-line argument, a settings or .cfg file): an
// optional sign and 1 ... 18 decimal digits, nothing else. No other base: a
// leading 0 is a decimal digit, "0x" is not a number. Callers that allow
// blanks around a value strip them first.

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int64_t> ParseDecimalInteger(std::string_view text);
