// Times the whole process of an upload: `v6uvuv-cli ... upload OUT.cfg`
// against a plain libmodbus client program doing the same reads, each run
// from start to exit, alternately, against one simulator.
//
//   process_bench CLI CLIENT PORT MODEL ROUNDS DIR
#include "UploadRequests.h"

#include "model/RegisterImage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Times
{
    double wallMs;
    double cpuMs; // user and system time of the process
};

// Runs the program to its end.
Times RunOnce(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    auto msOf = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return {ms, msOf(usage.ru_utime) + msOf(usage.ru_stime)};
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s CLI CLIENT PORT MODEL ROUNDS DIR\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1], client = argv[2], port = argv[3], dir = argv[6];
    const int model = std::atoi(argv[4]), rounds = std::atoi(argv[5]);

    CRegisterImage image;
    image.ResetForModel(model, true);
    const auto requests = bench::UploadRequests(image.CapabilityFlags());

    const std::vector<std::string> ours{cli,         "--link", "tcp",    "--host",        "127.0.0.1",
                                        "--service", port,     "upload", dir + "/OUT.cfg"};
    std::vector<std::string> theirs{client, "127.0.0.1", port, dir + "/OUT.txt"};
    for (const bench::Request& r : requests)
        theirs.push_back(std::to_string(r.reg) + ":" + std::to_string(r.count));

    RunOnce(ours); // warm-up: page cache, the simulator's first connection
    RunOnce(theirs);
    std::vector<double> oursMs, theirsMs, oursCpu, theirsCpu;
    for (int i = 0; i < rounds; ++i) {
        const Times a = RunOnce(ours), b = RunOnce(theirs);
        oursMs.push_back(a.wallMs);
        oursCpu.push_back(a.cpuMs);
        theirsMs.push_back(b.wallMs);
        theirsCpu.push_back(b.cpuMs);
    }
    const double a = Median(oursMs), b = Median(theirsMs);
    std::printf("Whole process, TCP upload of model %d, %zu requests, %d rounds (medians): v6uvuv-cli %.2f ms, "
                "libmodbus client %.2f ms, ratio %.3f; CPU time %.2f ms against %.2f ms\n",
                model, requests.size(), rounds, a, b, a / b, Median(oursCpu), Median(theirsCpu));
    return 0;
}
