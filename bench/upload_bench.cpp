// Times a whole-meter upload from q6k-sim: ours over Modbus TCP against a
// plain libmodbus client reading the same registers, and ours over RTU with
// the simulator's wire timing against the floor the line allows.
//
//   upload_bench tcp PORT ROUNDS
//   upload_bench rtu PATH ROUNDS
//   upload_bench rtu-late CLEAN_PATH LATE_PATH EVERY LATE_MS ROUNDS
//
// rtu-late times uploads from a meter that answers every EVERY-th request
// LATE_MS late while it answers the retry at once (q6k-sim --late-first
// LATE_MS --fault-every EVERY), alternately with uploads from a clean one.
#include "UploadRequests.h"

#include "comm/ModbusInterface.h"
#include "comm/RtuTransport.h"
#include "jobs/TransferJobs.h"

#include <algorithm>
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

void SetRtu(ComSettings& s, const char* path)
{
    s.Mode = kModeRs485;
    s.COMPortName = path;
    s.Baudrate = 5; // 38400
    s.Parity = 1;   // odd
}

int LateLink(ComSettings s, const char* cleanPath, const char* latePath, int every, int lateMs, int rounds)
{
    std::uint32_t flags = 0;
    SetRtu(s, cleanPath);
    OursOnce(s, flags);
    const std::size_t requests = UploadRequests(flags).size();
    std::vector<double> clean, late;
    int failed = 0;
    for (int i = 0; i < rounds; ++i) {
        SetRtu(s, cleanPath);
        clean.push_back(OursOnce(s, flags) * 1000);
        SetRtu(s, latePath);
        const auto start = Clock::now();
        try {
            OursOnce(s, flags);
        } catch (const std::exception&) {
            ++failed; // timed all the same
        }
        late.push_back(Seconds(Clock::now() - start) * 1000);
    }
    std::sort(clean.begin(), clean.end());
    std::sort(late.begin(), late.end());
    const double cleanMs = clean[clean.size() / 2], lateLinkMs = late[late.size() / 2];
    // What waiting out every late answer would cost; only those that could
    // pass for a later request's answer are waited out.
    const double lateAnswers = static_cast<double>(requests) / (every - 1);
    const double waitingAll = cleanMs + lateAnswers * lateMs;
    std::printf("RTU upload at 38400 8O1, %zu requests, medians of %d rounds: clean link %.0f ms; every %d-th request "
                "answered %d ms late (about %.1f per upload): %.0f ms (%.1f x the clean link); clean + every late "
                "answer waited out: %.0f ms (ratio %.2f); failed uploads: %d\n",
                requests, rounds, cleanMs, every, lateMs, lateAnswers, lateLinkMs, lateLinkMs / cleanMs, waitingAll,
                lateLinkMs / waitingAll, failed);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 7) {
        std::fprintf(stderr, "usage: %s tcp PORT ROUNDS | rtu PATH ROUNDS | rtu-late CLEAN LATE EVERY LATE_MS ROUNDS\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    ComSettings s{ComSettings::NoLoad{}};
    s.Address = 1;
    std::uint32_t flags = 0;
    if (mode == "rtu-late" && argc == 7)
        return LateLink(s, argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    const int rounds = std::atoi(argv[3]);
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
    SetRtu(s, argv[2]);
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
