#pragma once
// What the command-line commands share: the parsed command line, the link
// settings it gives, argument parsing and error reporting.

#include "app/DecimalInteger.h"
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
inline constexpr unsigned kHelpBus = 13040;       // appended to kHelp
inline constexpr unsigned kHelpRtuTcp = 13600;    // between kHelp and kHelpBus
inline constexpr unsigned kOptionNotForCommand = 13041;
inline constexpr unsigned kOptionNeeds = 13042;
inline constexpr unsigned kOneMeterOnly = 13043;
inline constexpr unsigned kNoBusOnInfrared = 13044;
inline constexpr unsigned kOptionsExclusive = 13045;
inline constexpr unsigned kInvalidRange = 13046;
inline constexpr unsigned kResultWords = 13050; // done, refused, failed, cancelled
inline constexpr unsigned kFleetSummary = 13054;
inline constexpr unsigned kReportFleetSummary = 13055;
inline constexpr unsigned kOtherModel = 13056;
inline constexpr unsigned kTheMeterIs = 13057;
inline constexpr unsigned kProgressMeter = 13058;
inline constexpr unsigned kProgressAddress = 13059;
inline constexpr unsigned kNothingAnswered = 13060;
inline constexpr unsigned kCannotCreateFolder = 13061;
// scan --sweep: every line setting and address.
inline constexpr unsigned kHelpSweep = 13620; // appended to kHelpBus
inline constexpr unsigned kProgressSweep = 13621;
inline constexpr unsigned kNoMeterAtAnySetting = 13622;
inline constexpr unsigned kSweepCancelled = 13623;
// The safe download, the upload's line, the history, the log's warning.
inline constexpr unsigned kAlreadyHeld = 13300;
inline constexpr unsigned kChangesHeader = 13301;
inline constexpr unsigned kDownloadedVerified = 13302;
inline constexpr unsigned kDownloadedNotVerified = 13303;
inline constexpr unsigned kBackupKept = 13304;
inline constexpr unsigned kNoBackup = 13305;
inline constexpr unsigned kVerifyFailed = 13306;
inline constexpr unsigned kDryRun = 13307;
inline constexpr unsigned kUploaded = 13308;
inline constexpr unsigned kWarning = 13309;
inline constexpr unsigned kHistoryMeter = 13310;
inline constexpr unsigned kHistoryNoBackup = 13311;
inline constexpr unsigned kHistoryLog = 13312;
inline constexpr unsigned kHistoryEmpty = 13313;
inline constexpr unsigned kHistoryEntry = 13314;
inline constexpr unsigned kHistoryFile = 13315;
inline constexpr unsigned kHistoryBackup = 13316;
inline constexpr unsigned kHistoryVerified = 13317;
inline constexpr unsigned kHistoryNotVerified = 13318;
inline constexpr unsigned kHistoryNotHeld = 13319;
inline constexpr unsigned kHistoryFailed = 13320;
// A file with values a meter would not take: downloaded with --force only.
inline constexpr unsigned kForceWarning = 13500; // %1 count, %2 file
inline constexpr unsigned kForceHint = 13501;
// apply: a plant of meters.
inline constexpr unsigned kPlantStatusWords = 13800; // held, written, differs, failed, refused, stopped, not tried
inline constexpr unsigned kApplySummary = 13810;
inline constexpr unsigned kCheckSummary = 13811;
inline constexpr unsigned kHelpPlant = 13820; // appended to kHelpSweep
// The report's CSV choices and the monitor's record.
inline constexpr unsigned kHelpCsv = 13750; // appended after kHelpSweep
} // namespace text

// A usage error: reported with the hint to --help and exit status 2.
struct UsageError
{
    std::string text;
};

// The user stopped the command (Ctrl-C): exit status 130.
struct Cancelled
{};

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
// Refuses options that the command does not take, and pairs that exclude
// each other.
void CheckOptions(const Invocation& inv);
// The stored connection settings with the link options laid over them (for
// an address list, its first address).
ComSettings LinkSettings(const Invocation& inv);

// The meters --address names: one address (or the stored one when it is not
// given), or a list (written with a comma or a range: one run per meter,
// even when it holds a single address).
struct MeterAddresses
{
    std::vector<int> addresses;
    bool list = false;
};
MeterAddresses Addresses(const Invocation& inv);
// For a command that works on one meter: refuses a list of several.
void NeedOneMeter(const Invocation& inv);
// Refuses the infrared port for a run over several addresses.
void NeedBusLink(const ComSettings& settings);
// The decimal integer of option `name`, `byDefault` when it is not given; a
// usage error when it is no integer from `lowest` to `highest`.
long long IntegerOption(const Invocation& inv, const char* name, long long byDefault, long long lowest,
                        long long highest);
// --keep-link / --no-keep-link, else the default.
bool KeepLink(const Invocation& inv, bool byDefault);
void NeedArgs(const Invocation& inv, std::size_t min, std::size_t max);

unsigned ParseRegister(const std::string& text);
std::uint16_t ParseValue(const std::string& text);
int ParseModelCode(const std::string& text);

// Messages keep their "\r" line breaks; a terminal wants "\n".
void PrintError(const std::string& text);

} // namespace cli
