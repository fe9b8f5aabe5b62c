// q6k-sim: a simulated Q6K meter, or a line of them, for tests,
// demonstrations and training.
#include "SimMeter.h"
#include "SimServer.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/AddressList.h"
#include "files/ConfigFile.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceType.h"
#include "model/RegisterMap.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned kHelp = 13100;
constexpr unsigned kError = 13101;
constexpr unsigned kInvalidValue = 13102;
constexpr unsigned kUnknownOption = 13103;
constexpr unsigned kNothingToServe = 13104;
constexpr unsigned kSaveNeedsUnit = 13105;
constexpr unsigned kInfraredIsOneMeter = 13106;
constexpr unsigned kUnitNotOnTheBus = 13107;
constexpr unsigned kBusHelp = 13108;
constexpr unsigned kRtuTcpHelp = 13601;

struct Failure
{
    std::string text;
};

double Number(const std::string& option, const std::string& value, double min, double max)
{
    char* end = nullptr;
    double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || v < min || v > max)
        throw Failure{LoadPrintfMessage(kInvalidValue, {option, value})};
    return v;
}

// What one meter is and how it misbehaves: every unit of a bus starts with
// the options given before any --unit, then takes those after its --unit.
struct MeterSetup
{
    int model = 15;
    bool swap = false;
    std::string loadFile, saveFile;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> identity;
    std::optional<std::string> serial;
    std::vector<unsigned> ignoredWrites, refused;
    SimFaults faults;
};

const std::set<std::string> kMeterValueOptions = {
    "--model",     "--load",         "--save",        "--drop",           "--corrupt-crc",
    "--delay",     "--wrong-tid",    "--exception",   "--exception-rate", "--late",
    "--late-rate", "--late-first",   "--fault-every", "--unplug-after",   "--identity",
    "--serial",    "--ignore-write", "--refuse",      "--protocol-id",    "--protocol-id-rate"};
const std::set<std::string> kMeterFlagOptions = {"--swap"};

void ApplyMeterOption(MeterSetup& m, const std::string& a, const std::string& v)
{
    if (a == "--model") {
        m.model = static_cast<int>(Number(a, v, 0, 153));
        if (!CDeviceType::FromCode(m.model).IsKnown() || std::to_string(m.model) != v)
            throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
    } else if (a == "--load") {
        m.loadFile = v;
    } else if (a == "--save") {
        m.saveFile = v;
    } else if (a == "--swap") {
        m.swap = true;
    } else if (a == "--identity") {
        const std::size_t colon = v.find(':');
        if (colon == std::string::npos)
            throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
        m.identity = {static_cast<std::uint16_t>(Number(a, v.substr(0, colon), 0, 65535)),
                      static_cast<std::uint16_t>(Number(a, v.substr(colon + 1), 0, 65535))};
    } else if (a == "--serial") {
        // Eight registers of two characters.
        if (v.size() > 16)
            throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
        m.serial = v;
    } else if (a == "--ignore-write") {
        m.ignoredWrites.push_back(static_cast<unsigned>(Number(a, v, 0, 65535)));
    } else if (a == "--refuse") {
        m.refused.push_back(static_cast<unsigned>(Number(a, v, 0, 65535)));
    } else if (a == "--drop") {
        m.faults.dropRate = Number(a, v, 0, 1);
    } else if (a == "--corrupt-crc") {
        m.faults.crcRate = Number(a, v, 0, 1);
    } else if (a == "--delay") {
        m.faults.delayMs = static_cast<int>(Number(a, v, 0, 600000));
    } else if (a == "--wrong-tid") {
        m.faults.wrongTidRate = Number(a, v, 0, 1);
    } else if (a == "--exception") {
        m.faults.exceptionCode = static_cast<int>(Number(a, v, 1, 255));
    } else if (a == "--exception-rate") {
        m.faults.exceptionRate = Number(a, v, 0, 1);
    } else if (a == "--late") {
        m.faults.lateMs = static_cast<int>(Number(a, v, 0, 600000));
    } else if (a == "--late-rate") {
        m.faults.lateRate = Number(a, v, 0, 1);
    } else if (a == "--late-first") {
        m.faults.lateFirstMs = static_cast<int>(Number(a, v, 0, 600000));
    } else if (a == "--protocol-id") {
        m.faults.protocolId = static_cast<int>(Number(a, v, 0, 65535));
    } else if (a == "--protocol-id-rate") {
        m.faults.protocolIdRate = Number(a, v, 0, 1);
    } else if (a == "--fault-every") {
        m.faults.every = static_cast<int>(Number(a, v, 1, 1e9));
    } else if (a == "--unplug-after") {
        m.faults.unplugAfter = static_cast<long long>(Number(a, v, 1, 1e15));
    }
}

int BaudIndex(unsigned baud)
{
    const auto it = std::find(kBaudRates.begin(), kBaudRates.end(), baud);
    return it == kBaudRates.end() ? static_cast<int>(kBaudRates.size()) - 1 : static_cast<int>(it - kBaudRates.begin());
}

std::unique_ptr<CSimMeter> MakeMeter(const MeterSetup& setup)
{
    std::optional<CRegisterImage> settings;
    if (!setup.loadFile.empty())
        settings = CConfigFile::Read(setup.loadFile); // its model wins over --model
    return settings ? std::make_unique<CSimMeter>(*settings) : std::make_unique<CSimMeter>(setup.model);
}

// A meter on a line holds the address and line settings it answers with
// (device address, baud rate, parity, stop bit),
// written through its own write path as a client would.
void SetLinkWords(CSimMeter& meter, int unit, const SerialLine& line)
{
    if (!(meter.Image().CapabilityFlags() & CAP_MODBUS))
        return;
    const auto parity = static_cast<std::uint8_t>(line.Parity);
    const auto stop = static_cast<std::uint8_t>(line.StopBits == 2 ? 1 : 0);
    constexpr unsigned first = meter_registers::kDeviceAddress;
    meter.Handle({static_cast<std::uint8_t>(unit), 0x10, first >> 8, first & 0xFF, 0x00, 0x04, 0x08, 0x00,
                  static_cast<std::uint8_t>(unit), 0x00, static_cast<std::uint8_t>(BaudIndex(line.BaudRate)), 0x00,
                  parity, 0x00, stop});
}

std::string UnitFileName(int unit)
{
    char name[32];
    std::snprintf(name, sizeof name, "addr-%03d.cfg", unit);
    return name;
}

// Everything the command line says.
struct SimOptions
{
    bool rtu = false, infrared = false;
    std::optional<unsigned short> tcpPort, rtuTcpPort;
    std::string link, device, saveDir;
    int address = 1;
    std::optional<std::vector<int>> units;
    SerialLine line{38400, 8, 1, 1};
    SimLinkFaults linkFaults;
    unsigned seed = 1;
    MeterSetup general;
    // --unit N and the meter options after it, in the order given.
    std::map<int, std::vector<std::pair<std::string, std::string>>> sections;
    int section = -1;
};

// An option of the line, the links or the bus; false for one it does not know.
bool ApplyServerOption(SimOptions& o, const std::string& a, const std::function<std::string()>& value)
{
    if (a == "--unit") {
        o.section = static_cast<int>(Number(a, value(), kFirstDeviceAddress, kLastDeviceAddress));
        o.sections[o.section];
    } else if (a == "--units") {
        const std::string v = value();
        o.units = ParseAddressList(v);
        if (!o.units)
            throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
    } else if (a == "--save-dir") {
        o.saveDir = value();
    } else if (a == "--tcp") {
        o.tcpPort = static_cast<unsigned short>(Number(a, value(), 0, 65535));
    } else if (a == "--rtu-tcp") {
        o.rtuTcpPort = static_cast<unsigned short>(Number(a, value(), 0, 65535));
    } else if (a == "--rtu") {
        o.rtu = true;
    } else if (a == "--link") {
        o.link = value();
    } else if (a == "--rtu-device") {
        o.device = value();
    } else if (a == "--baud") {
        std::string v = value();
        o.line.BaudRate = static_cast<unsigned>(Number(a, v, kBaudRates.front(), kBaudRates.back()));
        if (std::find(kBaudRates.begin(), kBaudRates.end(), o.line.BaudRate) == kBaudRates.end() ||
            std::to_string(o.line.BaudRate) != v)
            throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
    } else if (a == "--parity") {
        std::string v = value();
        if (v == "none" || v == "odd" || v == "even")
            o.line.Parity = v == "none" ? 0 : v == "odd" ? 1 : 2;
        else
            throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
    } else if (a == "--stop") {
        o.line.StopBits = static_cast<int>(Number(a, value(), 1, 2));
    } else if (a == "--address") {
        o.address = static_cast<int>(Number(a, value(), kFirstDeviceAddress, kLastDeviceAddress));
    } else if (a == "--infrared") {
        o.infrared = true;
    } else if (a == "--split-tcp") {
        o.linkFaults.splitTcp = true;
    } else if (a == "--close-unanswered") {
        o.linkFaults.closeUnanswered = true;
    } else if (a == "--close-after") {
        o.linkFaults.closeAfter = static_cast<int>(Number(a, value(), 1, 1e9));
    } else if (a == "--wire-timing") {
        o.linkFaults.wireTiming = true;
    } else if (a == "--seed") {
        o.seed = static_cast<unsigned>(Number(a, value(), 0, 4294967295.0));
    } else {
        return false;
    }
    return true;
}

// Fills `o` from the command line; false when it was --version or --help,
// answered already.
bool ParseOptions(int argc, char** argv, SimOptions& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw Failure{LoadPrintfMessage(kInvalidValue, {a, ""})};
            return argv[++i];
        };
        if (a == "--version") {
            std::printf("q6k-sim %s\n", Q6K_PRODUCT_VERSION);
            return false;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(CStringTable::Get(kHelp).c_str(), stdout);
            std::fputs(CStringTable::Get(kBusHelp).c_str(), stdout);
            std::fputs(CStringTable::Get(kRtuTcpHelp).c_str(), stdout);
            return false;
        } else if (kMeterValueOptions.count(a) || kMeterFlagOptions.count(a)) {
            const std::string v = kMeterFlagOptions.count(a) ? std::string() : value();
            if (o.section < 0) {
                ApplyMeterOption(o.general, a, v);
            } else {
                MeterSetup check; // a bad value is reported where it stands
                ApplyMeterOption(check, a, v);
                o.sections[o.section].emplace_back(a, v);
            }
        } else if (!ApplyServerOption(o, a, value)) {
            throw Failure{LoadPrintfMessage(kUnknownOption, {a})};
        }
    }
    return true;
}

// The addresses served, once the options are known to fit together.
std::vector<int> ServedAddresses(SimOptions& o)
{
    if (!o.tcpPort && !o.rtuTcpPort && !o.rtu && o.device.empty())
        throw Failure{CStringTable::Get(kNothingToServe)};
    const bool bus = o.units.has_value();
    if (bus && o.infrared)
        throw Failure{CStringTable::Get(kInfraredIsOneMeter)};
    if (bus && !o.general.saveFile.empty())
        throw Failure{CStringTable::Get(kSaveNeedsUnit)};
    if (o.infrared) {
        o.address = 1;
        o.line = SerialLine{1200, 8, 1, 1};
    }
    const std::vector<int> addresses = bus ? *o.units : std::vector<int>{o.address};
    for (const auto& [unit, options] : o.sections)
        if (std::find(addresses.begin(), addresses.end(), unit) == addresses.end())
            throw Failure{LoadPrintfMessage(kUnitNotOnTheBus, {unit})};
    return addresses;
}

struct SimUnit
{
    int address;
    MeterSetup setup;
    std::unique_ptr<CSimMeter> meter;
};

// The meters at `addresses`, each as its options make it.
std::vector<SimUnit> MakeUnits(SimOptions& o, const std::vector<int>& addresses)
{
    const bool bus = o.units.has_value();
    std::vector<SimUnit> units;
    for (int unit : addresses) {
        MeterSetup setup = o.general;
        for (const auto& [option, v] : o.sections[unit])
            ApplyMeterOption(setup, option, v);
        auto meter = MakeMeter(setup);
        if (setup.swap) {
            // Through the meter's own write path, as a client would set it.
            constexpr unsigned reg = meter_registers::kLongRegister;
            meter->Handle({static_cast<std::uint8_t>(unit), 0x10, reg >> 8, reg & 0xFF, 0x00, 0x01, 0x02, 0x00, 0x01});
        }
        if (setup.identity)
            meter->SetReportedIdentity(setup.identity->first, setup.identity->second);
        if (setup.serial)
            meter->SetSerial(*setup.serial);
        for (unsigned reg : setup.ignoredWrites)
            meter->IgnoreWrite(reg);
        for (unsigned reg : setup.refused)
            meter->Refuse(reg);
        if (bus)
            SetLinkWords(*meter, unit, o.line);
        units.push_back({unit, setup, std::move(meter)});
    }
    return units;
}

// Serves the units until a signal stops the server, then saves what was asked.
void Serve(const SimOptions& o, std::vector<SimUnit>& units)
{
    CSimServer server(o.linkFaults, o.seed);
    server.SetLine(o.line);
    server.SetBus(o.units.has_value());
    server.SetAddressesFollowMeters(!o.infrared);
    for (SimUnit& unit : units)
        server.AddUnit(unit.address, *unit.meter, unit.setup.faults);
    // SIGINT and SIGTERM stop the server through a signalfd, taken before
    // "ready" is said: a caller that stops the simulator as soon as it is
    // ready must not kill it unsaved, and no stop may be lost between two
    // looks (as a handler's could be under a sanitizer's deferred delivery).
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    const int stopFd = signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC);
    if (stopFd < 0)
        throw Failure{LoadPrintfMessage(kError, {std::string("signalfd: ") + strerror(errno)})};
    server.StopOn(stopFd);
    signal(SIGPIPE, SIG_IGN);
    if (o.tcpPort)
        std::printf("TCP 127.0.0.1:%u\n", server.ListenTcp(*o.tcpPort));
    if (o.rtuTcpPort)
        std::printf("RTU-TCP 127.0.0.1:%u\n", server.ListenRtuTcp(*o.rtuTcpPort));
    if (!o.device.empty()) {
        server.OpenSerialDevice(o.device);
        std::printf("RTU %s\n", o.device.c_str());
    } else if (o.rtu) {
        std::string path = server.OpenPty();
        if (!o.link.empty()) {
            unlink(o.link.c_str());
            if (symlink(path.c_str(), o.link.c_str()) != 0)
                throw Failure{LoadPrintfMessage(kError, {o.link + ": " + strerror(errno)})};
        }
        std::printf("RTU %s\n", path.c_str());
    }
    std::printf("ready\n");
    std::fflush(stdout);

    server.Run();
    if (!o.saveDir.empty())
        std::filesystem::create_directories(o.saveDir);
    for (const SimUnit& unit : units) {
        if (!unit.setup.saveFile.empty())
            CConfigFile::Save(unit.meter->Image(), unit.setup.saveFile);
        if (!o.saveDir.empty())
            CConfigFile::Save(unit.meter->Image(), o.saveDir + "/" + UnitFileName(unit.address));
    }
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    try {
        if (!ParseOptions(argc, argv, options))
            return 0;
        const std::vector<int> addresses = ServedAddresses(options);
        std::vector<SimUnit> units = MakeUnits(options, addresses);
        Serve(options, units);
        if (!options.link.empty())
            unlink(options.link.c_str());
        return 0;
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s\n", f.text.c_str());
        return 2;
    } catch (const CPrivateException& e) {
        std::fprintf(stderr, "%s\n", LoadPrintfMessage(kError, {e.Text()}).c_str());
        if (!options.link.empty())
            unlink(options.link.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", LoadPrintfMessage(kError, {e.what()}).c_str());
        if (!options.link.empty())
            unlink(options.link.c_str());
        return 1;
    }
}
