#pragma once
// What the command-line commands share: the parsed command line, the link
// settings it gives, argument parsing and error reporting.

#include "app/MessageFormat.h"
#include "comm/ComSettings.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace cli {

// Numbers of the command line's texts in the string table.
namespace text {
inline constexpr unsigned kHelp = 13000;
inline constexpr unsigned kUnknownOption = 13001;
inline constexpr unsigned kNeedsValue = 13002;
inline constexpr unsigned kInvalidOptionValue = 13003;
inline constexpr unsigned kUnknownCommand = 13004;
inline constexpr unsigned kMissingArguments = 13005;
inline constexpr unsigned kInvalidRegister = 13006;
inline constexpr unsigned kInvalidValue = 13007;
inline constexpr unsigned kHint = 13008;
inline constexpr unsigned kInvalidCount = 13009;
inline constexpr unsigned kUnknownModel = 13010;
inline constexpr unsigned kTooManyArguments = 13011;
inline constexpr unsigned kCancelled = 13012;
inline constexpr unsigned kConfirmReset = 13013;
inline constexpr unsigned kCompareBoth = 13014;
inline constexpr unsigned kMonitorLabels = 13020; // 11 labels follow in monitor order
} // namespace text

// A usage error: reported with the hint to --help and exit status 2.
struct UsageError
{
    std::string text;
};

// The user stopped the command (Ctrl-C): exit status 130.
struct Cancelled
{
};

[[noreturn]] inline void Usage(unsigned id, std::initializer_list<CMsgArg> args)
{
    throw UsageError{LoadPrintfMessage(id, args)};
}

struct Invocation
{
    std::map<std::string, std::string> options; // valued options, name -> value
    std::set<std::string> flags;                // options without a value
    std::string command;
    std::vector<std::string> args;

    const std::string* Option(const std::string& name) const;
    bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};

Invocation ParseCommandLine(int argc, char** argv);
// The stored connection settings with the link options laid over them.
ComSettings LinkSettings(const Invocation& inv);
void NeedArgs(const Invocation& inv, std::size_t min, std::size_t max);

std::optional<long long> ParseInteger(const std::string& text);
unsigned ParseRegister(const std::string& text);
std::uint16_t ParseValue(const std::string& text);
int ParseModelCode(const std::string& text);

// Messages keep their "\r" line breaks; a terminal wants "\n".
void PrintError(const std::string& text);

} // namespace cli
