#include "CliSupport.h"

#include "app/AppSettings.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/Trace.h"
#include "comm/AddressList.h"
#include "model/DeviceType.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace cli {

namespace {

const std::set<std::string> kValueOptions = {
    "--link", "--port",  "--baud", "--parity", "--stop",    "--address", "--host", "--service",    "--compare",
    "--csv",  "--count", "--from", "--to",     "--timeout", "--serial",  "--pdf",  "--technician", "--language"};
const std::set<std::string> kFlagOptions = {
    "--help",         "--version", "--trace",     "--compare-device", "--yes",   "--json",  "--keep-link",
    "--no-keep-link", "--dry-run", "--no-backup", "--no-verify",      "--force", "--sweep", "--all"};
// apply's own.
const std::set<std::string> kPlantValueOptions = {"--jobs"};
const std::set<std::string> kPlantFlagOptions = {"--check", "--diff"};
// The report's CSV choices and the monitor's record, by kind as above.
const std::set<std::string> kCsvValueOptions = {"--interval"};
const std::set<std::string> kCsvFlagOptions = {"--csv-header", "--csv-bom"};
// Options every command takes.
const std::set<std::string> kCommonOptions = {"--link", "--port",    "--baud", "--parity",  "--stop", "--address",
                                              "--host", "--service", "--help", "--version", "--trace"};
// What each command takes besides; a scan asks a range, not --address.
const std::map<std::string, std::set<std::string>> kCommandOptions = {
    {"upload", {"--json"}},
    {"download", {"--json", "--keep-link", "--no-keep-link", "--dry-run", "--no-backup", "--no-verify", "--force"}},
    {"report",
     {"--compare", "--compare-device", "--csv", "--csv-header", "--csv-bom", "--json", "--keep-link", "--no-keep-link",
      "--pdf", "--technician", "--language"}},
    {"monitor", {"--count", "--json", "--csv", "--interval"}},
    {"reset-maxmin", {"--yes"}},
    {"identify", {"--json"}},
    {"models", {"--json"}},
    {"scan", {"--from", "--to", "--timeout", "--json", "--sweep", "--all"}},
    {"history", {"--serial", "--json"}},
    {"apply", {"--check", "--diff", "--jobs", "--json", "--no-backup", "--no-verify"}},
};

int IndexOf(const std::string& option, const std::string& value, const std::vector<std::string>& choices)
{
    auto it = std::find(choices.begin(), choices.end(), value);
    if (it == choices.end())
        Usage(text::kInvalidOptionValue, {option, value});
    return static_cast<int>(it - choices.begin());
}

std::vector<std::string> BaudRateTexts()
{
    std::vector<std::string> texts;
    for (unsigned rate : kBaudRates)
        texts.push_back(std::to_string(rate));
    return texts;
}

} // namespace

const std::string* Invocation::Option(const std::string& name) const
{
    auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
}

Invocation ParseCommandLine(int argc, char** argv)
{
    Invocation inv;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        // After "--" everything is the command or its arguments, as written:
        // a tag such as "--LINE-A--" or a file named "-h".
        const bool looksLikeOption = !optionsEnded && a.size() > 2 && a.rfind("--", 0) == 0;
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a == "-h") {
            inv.flags.insert("--help");
        } else if (looksLikeOption) {
            std::string name = a, value;
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
            }
            if ((kFlagOptions.count(name) || kPlantFlagOptions.count(name) || kCsvFlagOptions.count(name)) &&
                eq == std::string::npos) {
                inv.flags.insert(name);
                continue;
            }
            if (!kValueOptions.count(name) && !kPlantValueOptions.count(name) && !kCsvValueOptions.count(name))
                Usage(text::kUnknownOption, {name});
            if (eq == std::string::npos) {
                if (i + 1 >= argc)
                    Usage(text::kNeedsValue, {name});
                value = argv[++i];
            }
            inv.options[name] = value;
        } else if (inv.command.empty()) {
            inv.command = a;
        } else {
            inv.args.push_back(a); // negative numbers too
        }
    }
    if (inv.Flag("--trace"))
        CTrace::SetEnabled(true);
    return inv;
}

void CheckOptions(const Invocation& inv)
{
    auto it = kCommandOptions.find(inv.command);
    auto check = [&](const std::string& name) {
        const bool own = it != kCommandOptions.end() && it->second.count(name);
        if ((!kCommonOptions.count(name) && !own) || (name == "--address" && inv.command == "scan"))
            Usage(text::kOptionNotForCommand, {name, inv.command});
    };
    for (const auto& [name, value] : inv.options)
        check(name);
    for (const std::string& name : inv.flags)
        check(name);
    if (inv.Flag("--keep-link") && inv.Flag("--no-keep-link"))
        Usage(text::kOptionsExclusive, {"--keep-link", "--no-keep-link"});
    for (const char* name : {"--csv-header", "--csv-bom"})
        if (inv.Flag(name) && !inv.Option("--csv"))
            Usage(text::kOptionNeeds, {name, "--csv"});
    for (const char* name : {"--technician", "--language"})
        if (inv.Option(name) && !inv.Option("--pdf"))
            Usage(text::kOptionNeeds, {name, "--pdf"});
    if (inv.command == "report" && !inv.Flag("--compare-device")) {
        for (const char* name : {"--keep-link", "--no-keep-link"})
            if (inv.Flag(name))
                Usage(text::kOptionNeeds, {name, "--compare-device"});
        if (Addresses(inv).list)
            Usage(text::kOptionNeeds, {"--address " + *inv.Option("--address"), "--compare-device"});
    }
}

MeterAddresses Addresses(const Invocation& inv)
{
    MeterAddresses m;
    const std::string* v = inv.Option("--address");
    if (!v) {
        m.addresses.push_back(ComSettings().Address);
        return m;
    }
    if (auto n = ParseDecimalInteger(*v)) {
        if (*n < kFirstDeviceAddress || *n > kLastDeviceAddress)
            Usage(text::kInvalidOptionValue, {"--address", *v});
        m.addresses.push_back(static_cast<int>(*n));
        return m;
    }
    auto list = ParseAddressList(*v);
    if (!list)
        Usage(text::kInvalidOptionValue, {"--address", *v});
    m.addresses = *list;
    m.list = true;
    return m;
}

void NeedOneMeter(const Invocation& inv)
{
    if (Addresses(inv).addresses.size() > 1)
        Usage(text::kOneMeterOnly, {inv.command});
}

void NeedBusLink(const ComSettings& settings)
{
    if (settings.Mode == kModeInfrared)
        Usage(text::kNoBusOnInfrared, {});
}

long long IntegerOption(const Invocation& inv, const char* name, long long byDefault, long long lowest,
                        long long highest)
{
    const std::string* v = inv.Option(name);
    if (!v)
        return byDefault;
    auto n = ParseDecimalInteger(*v);
    if (!n || *n < lowest || *n > highest)
        Usage(text::kInvalidOptionValue, {name, *v});
    return *n;
}

bool KeepLink(const Invocation& inv, bool byDefault)
{
    if (inv.Flag("--keep-link"))
        return true;
    if (inv.Flag("--no-keep-link"))
        return false;
    return byDefault;
}

ComSettings LinkSettings(const Invocation& inv)
{
    ComSettings s; // the stored settings
    if (auto* v = inv.Option("--link"))
        s.Mode = std::vector<int>{kModeRs485, kModeInfrared, kModeTcp,
                                  kModeRtuTcp}[IndexOf("--link", *v, {"rtu", "ir", "tcp", "rtu-tcp"})];
    if (auto* v = inv.Option("--port")) {
        (s.Mode == kModeInfrared ? s.IRCOMPortName : s.COMPortName) = *v;
        (s.Mode == kModeInfrared ? s.IRCOMPortDisplayName : s.COMPortDisplayName) = *v;
    }
    if (auto* v = inv.Option("--host"))
        s.ServerAddress = *v;
    if (auto* v = inv.Option("--service")) {
        if (!ComSettings::IsValidServicePort(*v))
            Usage(text::kInvalidOptionValue, {"--service", *v});
        (s.Mode == kModeRtuTcp ? s.RtuTcpServicePort : s.ServicePort) = *v;
    }
    if (auto* v = inv.Option("--baud"))
        s.Baudrate = IndexOf("--baud", *v, BaudRateTexts());
    if (auto* v = inv.Option("--parity"))
        s.Parity = IndexOf("--parity", *v, {"none", "odd", "even"});
    if (auto* v = inv.Option("--stop"))
        s.Stop = IndexOf("--stop", *v, {"1", "2"});
    if (inv.Option("--address") && inv.command != "scan")
        s.Address = Addresses(inv).addresses.front();
    // Said here rather than as a port "" that cannot be opened: the user
    // learns where the setting lives. A usage error comes first.
    // A sweep says itself why it needs an RS-485 line.
    if ((inv.command == "scan" && !inv.Flag("--sweep")) || (inv.Option("--address") && Addresses(inv).list))
        NeedBusLink(s);
    if (!s.IsNetworkLink() && (s.Mode == kModeInfrared ? s.IRCOMPortName : s.COMPortName).empty())
        throw CPrivateException(LoadMessage(ids::kNoPortChosen, {CSettingsStore::FilePath()}));
    return s;
}

void NeedArgs(const Invocation& inv, std::size_t min, std::size_t max)
{
    if (inv.args.size() < min)
        Usage(text::kMissingArguments, {inv.command});
    if (inv.args.size() > max)
        Usage(text::kTooManyArguments, {inv.command});
}

unsigned ParseRegister(const std::string& text)
{
    auto v = ParseDecimalInteger(text);
    if (!v || *v < 0 || *v > 0xFFFF)
        Usage(text::kInvalidRegister, {text});
    return static_cast<unsigned>(*v);
}

std::uint16_t ParseValue(const std::string& text)
{
    auto v = ParseDecimalInteger(text);
    if (!v || *v < -32768 || *v > 0xFFFF)
        Usage(text::kInvalidValue, {text});
    return static_cast<std::uint16_t>(*v);
}

int ParseModelCode(const std::string& text)
{
    auto code = ParseDecimalInteger(text);
    if (!code || *code < 0 || *code > 0x7FFFFFFF || !CDeviceType::FromCode(static_cast<int>(*code)).IsKnown())
        Usage(text::kUnknownModel, {text});
    return static_cast<int>(*code);
}

void PrintError(const std::string& text)
{
    std::string out = text;
    std::replace(out.begin(), out.end(), '\r', '\n');
    std::fprintf(stderr, "%s\n", out.c_str());
}

} // namespace cli
