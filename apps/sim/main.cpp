// q6k-sim: a simulated Q6K meter for tests, demonstrations and training.
#include "SimMeter.h"
#include "SimServer.h"

#include "app/MessageFormat.h"
#include "app/StringTable.h"
#include "app/PrivateException.h"
#include "files/ConfigFile.h"
#include "model/DeviceType.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned kHelp = 13100;
constexpr unsigned kError = 13101;
constexpr unsigned kInvalidValue = 13102;
constexpr unsigned kUnknownOption = 13103;
constexpr unsigned kNothingToServe = 13104;

CSimServer* g_server = nullptr;

void OnSignal(int)
{
    if (g_server)
        g_server->Stop();
}

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

} // namespace

int main(int argc, char** argv)
{
    int model = 15;
    bool swap = false, rtu = false, infrared = false;
    std::optional<unsigned short> tcpPort;
    std::string link, device, loadFile, saveFile;
    int unit = 1;
    SerialLine line{38400, 8, 1, 1};
    SimFaults faults;
    unsigned seed = 1;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc)
                    throw Failure{LoadPrintfMessage(kInvalidValue, {a, ""})};
                return argv[++i];
            };
            if (a == "--help" || a == "-h") {
                std::fputs(CStringTable::Get(kHelp).c_str(), stdout);
                return 0;
            } else if (a == "--model") {
                std::string v = value();
                model = static_cast<int>(Number(a, v, 0, 153));
                if (!CDeviceType::FromCode(model).IsKnown() || std::to_string(model) != v)
                    throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
            } else if (a == "--load") {
                loadFile = value();
            } else if (a == "--save") {
                saveFile = value();
            } else if (a == "--swap") {
                swap = true;
            } else if (a == "--tcp") {
                tcpPort = static_cast<unsigned short>(Number(a, value(), 0, 65535));
            } else if (a == "--rtu") {
                rtu = true;
            } else if (a == "--link") {
                link = value();
            } else if (a == "--rtu-device") {
                device = value();
            } else if (a == "--baud") {
                std::string v = value();
                line.BaudRate = static_cast<unsigned>(Number(a, v, 1200, 38400));
                if (v != "1200" && v != "2400" && v != "4800" && v != "9600" && v != "19200" && v != "38400")
                    throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
            } else if (a == "--parity") {
                std::string v = value();
                if (v == "none" || v == "odd" || v == "even")
                    line.Parity = v == "none" ? 0 : v == "odd" ? 1 : 2;
                else
                    throw Failure{LoadPrintfMessage(kInvalidValue, {a, v})};
            } else if (a == "--stop") {
                line.StopBits = static_cast<int>(Number(a, value(), 1, 2));
            } else if (a == "--address") {
                unit = static_cast<int>(Number(a, value(), 1, 247));
            } else if (a == "--infrared") {
                infrared = true;
            } else if (a == "--drop") {
                faults.dropRate = Number(a, value(), 0, 1);
            } else if (a == "--corrupt-crc") {
                faults.crcRate = Number(a, value(), 0, 1);
            } else if (a == "--delay") {
                faults.delayMs = static_cast<int>(Number(a, value(), 0, 600000));
            } else if (a == "--split-tcp") {
                faults.splitTcp = true;
            } else if (a == "--wrong-tid") {
                faults.wrongTidRate = Number(a, value(), 0, 1);
            } else if (a == "--exception") {
                faults.exceptionCode = static_cast<int>(Number(a, value(), 1, 255));
            } else if (a == "--exception-rate") {
                faults.exceptionRate = Number(a, value(), 0, 1);
            } else if (a == "--late") {
                faults.lateMs = static_cast<int>(Number(a, value(), 0, 600000));
            } else if (a == "--late-rate") {
                faults.lateRate = Number(a, value(), 0, 1);
            } else if (a == "--fault-every") {
                faults.every = static_cast<int>(Number(a, value(), 1, 1e9));
            } else if (a == "--close-unanswered") {
                faults.closeUnanswered = true;
            } else if (a == "--close-after") {
                faults.closeAfter = static_cast<int>(Number(a, value(), 1, 1e9));
            } else if (a == "--wire-timing") {
                faults.wireTiming = true;
            } else if (a == "--seed") {
                seed = static_cast<unsigned>(Number(a, value(), 0, 4294967295.0));
            } else {
                throw Failure{LoadPrintfMessage(kUnknownOption, {a})};
            }
        }
        if (!tcpPort && !rtu && device.empty())
            throw Failure{CStringTable::Get(kNothingToServe)};
        if (infrared) {
            unit = 1;
            line = SerialLine{1200, 8, 1, 1};
        }

        std::optional<CRegisterImage> settings;
        if (!loadFile.empty())
            settings = CConfigFile::Read(loadFile); // its model wins over --model
        CSimMeter meter = settings ? CSimMeter(*settings) : CSimMeter(model);
        if (swap) {
            // Through the meter's own write path, as a client would set it.
            meter.Handle({static_cast<std::uint8_t>(unit), 0x10, 0x1B, 0x5E, 0x00, 0x01, 0x02, 0x00, 0x01});
        }
        CSimServer server(meter, faults, seed);
        server.SetRtu(unit, line);
        if (tcpPort)
            std::printf("TCP 127.0.0.1:%u\n", server.ListenTcp(*tcpPort));
        if (!device.empty()) {
            server.OpenSerialDevice(device);
            std::printf("RTU %s\n", device.c_str());
        } else if (rtu) {
            std::string path = server.OpenPty();
            if (!link.empty()) {
                unlink(link.c_str());
                if (symlink(path.c_str(), link.c_str()) != 0)
                    throw Failure{LoadPrintfMessage(kError, {link + ": " + strerror(errno)})};
            }
            std::printf("RTU %s\n", path.c_str());
        }
        std::printf("ready\n");
        std::fflush(stdout);

        g_server = &server;
        struct sigaction sa{};
        sa.sa_handler = OnSignal;
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
        signal(SIGPIPE, SIG_IGN);
        server.Run();
        g_server = nullptr;
        if (!saveFile.empty())
            CConfigFile::Save(meter.Image(), saveFile);
        if (!link.empty())
            unlink(link.c_str());
        return 0;
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s\n", f.text.c_str());
        return 2;
    } catch (const CPrivateException& e) {
        std::fprintf(stderr, "%s\n", LoadPrintfMessage(kError, {e.Text()}).c_str());
        if (!link.empty())
            unlink(link.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", LoadPrintfMessage(kError, {e.what()}).c_str());
        if (!link.empty())
            unlink(link.c_str());
        return 1;
    }
}
