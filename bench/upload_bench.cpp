// Times a whole-meter upload from q6k-sim: ours over Modbus TCP against a
// plain libmodbus client reading the same registers, and ours over RTU with
// the simulator's wire timing against the floor the line allows.
//
//   upload_bench tcp PORT ROUNDS
//   upload_bench rtu PATH ROUNDS
#include "UploadRequests.h"

#include "comm/ModbusInterface.h"
#include "comm/RtuTransport.h"
#include "jobs/TransferJobs.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <modbus.h>
#include <string>
#include <vector>

namespace {

using bench::Request;
using bench::UploadRequests;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double OursOnce(const ComSettings& s, std::uint32_t& flags)
{
    CModbusInterface link(s);
    CRegisterImage image;
    const auto start = Clock::now();
    if (!RunUpload(link, image, nullptr))
        std::exit(1);
    const double t = Seconds(Clock::now() - start);
    flags = image.CapabilityFlags();
    return t;
}

double LibmodbusOnce(int port, const std::vector<Request>& requests)
{
    const auto start = Clock::now();
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0)
        std::exit(1);
    std::uint16_t regs[128];
    for (const Request& r : requests)
        if (modbus_read_input_registers(ctx, r.reg, r.count, regs) != r.count)
            std::exit(1);
    modbus_close(ctx);
    modbus_free(ctx);
    return Seconds(Clock::now() - start);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s tcp PORT ROUNDS | rtu PATH ROUNDS\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const int rounds = std::atoi(argv[3]);
    ComSettings s{ComSettings::NoLoad{}};
    s.Address = 1;
    std::uint32_t flags = 0;
    if (mode == "tcp") {
        s.Mode = kModeTcp;
        s.ServerAddress = "127.0.0.1";
        s.ServicePort = argv[2];
        OursOnce(s, flags); // warm-up, and the model's flags
        const auto requests = UploadRequests(flags);
        double ours = 0, theirs = 0;
        for (int i = 0; i < rounds; ++i) {
            ours += OursOnce(s, flags);
            theirs += LibmodbusOnce(std::atoi(argv[2]), requests);
        }
        std::printf("TCP upload, %zu requests, %d rounds: ours %.3f ms, libmodbus %.3f ms, ratio %.3f\n",
                    requests.size(), rounds, ours / rounds * 1000, theirs / rounds * 1000, ours / theirs);
        return 0;
    }
    s.Mode = kModeRs485;
    s.COMPortName = argv[2];
    s.Baudrate = 5; // 38400
    s.Parity = 1;   // odd
    OursOnce(s, flags);
    // The floor: every frame's bytes at 11 bits each (8O1), the 3.5-character
    // silence that ends a request before the meter answers, and the pause
    // kept after every answer (which covers the silence before the next
    // request).
    const double charMs = 11.0 * 1000.0 / 38400.0;
    double floorMs = 0;
    const auto requests = UploadRequests(flags);
    for (const Request& r : requests) {
        const double requestBytes = 8, answerBytes = 5 + 2.0 * r.count;
        floorMs += (requestBytes + 3.5 + answerBytes) * charMs + CRtuTransport::PauseAfterAnswer(s);
    }
    double ours = 0;
    for (int i = 0; i < rounds; ++i)
        ours += OursOnce(s, flags);
    ours = ours / rounds * 1000;
    std::printf("RTU upload at 38400 8O1, %zu requests, %d rounds: ours %.1f ms, floor %.1f ms, ratio %.3f\n",
                requests.size(), rounds, ours, floorMs, ours / floorMs);
    return 0;
}
