#pragma once
// Small pieces shared by the command-line commands.

#include "app/MessageFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// A usage error: reported with the hint to --help and exit status 2.
struct UsageError
{
    std::string text;
};

[[noreturn]] inline void Usage(unsigned id, std::initializer_list<CMsgArg> args)
{
    throw UsageError{LoadPrintfMessage(id, args)};
}

std::optional<long long> ParseInteger(const std::string& text);
unsigned ParseRegister(const std::string& text);
std::uint16_t ParseValue(const std::string& text);

} // namespace cli
