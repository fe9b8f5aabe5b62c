// v6uvuv-cli: the configuration tool's command line.
#include "CliSupport.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "app/Trace.h"
#include "comm/ModbusInterface.h"
#include "model/DeviceType.h"
#include "model/ModelList.h"
#include "model/ParameterEnumeration.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace cli;

namespace {

constexpr unsigned kHelpText = 13000;
constexpr unsigned kUsageUnknownOption = 13001;
constexpr unsigned kUsageNeedsValue = 13002;
constexpr unsigned kUsageInvalidOptionValue = 13003;
constexpr unsigned kUsageUnknownCommand = 13004;
constexpr unsigned kUsageMissingArguments = 13005;
constexpr unsigned kUsageHint = 13008;
constexpr unsigned kUsageInvalidCount = 13009;
constexpr unsigned kUsageTooManyArguments = 13011;
constexpr unsigned kCancelled = 13012;
constexpr unsigned kUsageUnknownModel = 13010;

// Registers per request: the most a Modbus read or write may carry.
constexpr unsigned kReadChunk = 125;
constexpr unsigned kWriteChunk = 123;

struct Invocation
{
    std::map<std::string, std::string> options; // option name -> value
    bool help = false;
    std::string command;
    std::vector<std::string> args;
};

const std::vector<std::string> kValueOptions = {"--link",   "--port",    "--baud", "--parity",
                                                "--stop",   "--address", "--host", "--service"};

Invocation ParseCommandLine(int argc, char** argv)
{
    Invocation inv;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!inv.command.empty() && (a.size() < 3 || a.rfind("--", 0) != 0)) {
            inv.args.push_back(a); // negative values are arguments, not options
            continue;
        }
        if (a == "--help" || a == "-h") {
            inv.help = true;
        } else if (a == "--trace") {
            CTrace::SetEnabled(true);
        } else if (a.rfind("--", 0) == 0) {
            std::string name = a, value;
            bool hasValue = false;
            if (auto eq = a.find('='); eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                hasValue = true;
            }
            if (std::find(kValueOptions.begin(), kValueOptions.end(), name) == kValueOptions.end())
                Usage(kUsageUnknownOption, {name});
            if (!hasValue) {
                if (i + 1 >= argc)
                    Usage(kUsageNeedsValue, {name});
                value = argv[++i];
            }
            inv.options[name] = value;
        } else if (inv.command.empty()) {
            inv.command = a;
        }
    }
    return inv;
}

int IndexOf(const std::string& option, const std::string& value, const std::vector<std::string>& choices)
{
    auto it = std::find(choices.begin(), choices.end(), value);
    if (it == choices.end())
        Usage(kUsageInvalidOptionValue, {option, value});
    return static_cast<int>(it - choices.begin());
}

// The stored connection settings with the options given laid over them.
ComSettings LinkSettings(const Invocation& inv)
{
    ComSettings s; // loads the stored settings
    auto opt = [&](const char* name) -> const std::string* {
        auto it = inv.options.find(name);
        return it == inv.options.end() ? nullptr : &it->second;
    };
    if (auto* v = opt("--link"))
        s.Mode = std::vector<int>{kModeRs485, kModeInfrared, kModeTcp}[IndexOf("--link", *v, {"rtu", "ir", "tcp"})];
    if (auto* v = opt("--port")) {
        (s.Mode == kModeInfrared ? s.IRCOMPortName : s.COMPortName) = *v;
        (s.Mode == kModeInfrared ? s.IRCOMPortDisplayName : s.COMPortDisplayName) = *v;
    }
    if (auto* v = opt("--host"))
        s.ServerAddress = *v;
    if (auto* v = opt("--service"))
        s.ServicePort = *v;
    if (auto* v = opt("--baud"))
        s.Baudrate = IndexOf("--baud", *v, {"1200", "2400", "4800", "9600", "19200", "38400"});
    if (auto* v = opt("--parity"))
        s.Parity = IndexOf("--parity", *v, {"none", "odd", "even"});
    if (auto* v = opt("--stop"))
        s.Stop = IndexOf("--stop", *v, {"1", "2"});
    if (auto* v = opt("--address")) {
        auto n = ParseInteger(*v);
        if (!n || *n < 1 || *n > 247)
            Usage(kUsageInvalidOptionValue, {"--address", *v});
        s.Address = static_cast<int>(*n);
    }
    return s;
}

void NeedArgs(const Invocation& inv, std::size_t min, std::size_t max)
{
    if (inv.args.size() < min)
        Usage(kUsageMissingArguments, {inv.command});
    if (inv.args.size() > max)
        Usage(kUsageTooManyArguments, {inv.command});
}

int CmdRead(const Invocation& inv)
{
    NeedArgs(inv, 1, 2);
    const unsigned reg = ParseRegister(inv.args[0]);
    unsigned count = 1;
    if (inv.args.size() > 1) {
        auto n = ParseInteger(inv.args[1]);
        if (!n || *n < 1 || *n > 0x10000 - static_cast<long long>(reg))
            Usage(kUsageInvalidCount, {inv.args[1]});
        count = static_cast<unsigned>(*n);
    }
    CModbusInterface client(LinkSettings(inv));
    client.Open();
    std::vector<std::uint16_t> values(count);
    for (unsigned done = 0; done < count; done += kReadChunk)
        client.ReadHoldingRegisters(reg + done, std::min(kReadChunk, count - done), values.data() + done);
    client.Close();
    for (unsigned i = 0; i < count; ++i)
        std::printf("%u %u\n", reg + i, values[i]);
    return 0;
}

int CmdWrite(const Invocation& inv)
{
    NeedArgs(inv, 2, 1 + 0x10000);
    const unsigned reg = ParseRegister(inv.args[0]);
    std::vector<std::uint16_t> values;
    for (std::size_t i = 1; i < inv.args.size(); ++i)
        values.push_back(ParseValue(inv.args[i]));
    const auto count = static_cast<unsigned>(values.size());
    if (reg + count > 0x10000)
        Usage(kUsageInvalidCount, {std::to_string(count)});
    CModbusInterface client(LinkSettings(inv));
    client.Open();
    for (unsigned done = 0; done < count; done += kWriteChunk)
        client.WriteMultipleRegisters(reg + done, std::min(kWriteChunk, count - done), values.data() + done);
    client.Close();
    return 0;
}

int CmdModels(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    std::fputs(FormatModelList().c_str(), stdout);
    return 0;
}

int CmdParams(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    auto code = ParseInteger(inv.args[0]);
    if (!code || *code < 0 || *code > 0x7FFFFFFF || !CDeviceType::FromCode(static_cast<int>(*code)).IsKnown())
        Usage(kUsageUnknownModel, {inv.args[0]});
    std::fputs(ParameterListingForModel(static_cast<int>(*code)).c_str(), stdout);
    return 0;
}

int CmdIdentify(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    CModbusInterface client(LinkSettings(inv));
    client.Open();
    CDeviceType identity;
    identity.Identify(client);
    client.Close();
    std::printf("%d\t%s\n", identity.Code(), identity.ModelDescription().c_str());
    return 0;
}

const std::map<std::string, std::function<int(const Invocation&)>> kCommands = {
    {"read", CmdRead},         {"write", CmdWrite},   {"models", CmdModels},
    {"params", CmdParams},     {"identify", CmdIdentify},
};

void PrintError(const std::string& text)
{
    // Messages keep the meter-era "\r" line breaks; a terminal wants "\n".
    std::string out = text;
    std::replace(out.begin(), out.end(), '\r', '\n');
    std::fprintf(stderr, "%s\n", out.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    try {
        Invocation inv = ParseCommandLine(argc, argv);
        if (inv.help || inv.command.empty()) {
            std::fputs(CStringTable::Get(kHelpText).c_str(), inv.help ? stdout : stderr);
            return inv.help ? 0 : 2;
        }
        auto it = kCommands.find(inv.command);
        if (it == kCommands.end())
            Usage(kUsageUnknownCommand, {inv.command});
        return it->second(inv);
    } catch (const UsageError& e) {
        PrintError(e.text);
        PrintError(CStringTable::Get(kUsageHint));
        return 2;
    } catch (const CPrivateException& e) {
        PrintError(e.Text().empty() ? CStringTable::Get(kCancelled) : e.Text());
        return 1;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return 1;
    }
}
