// Times one monitor cycle against q6k-sim over Modbus TCP: ours (the
// poller's open, 100 ms pause, the measurand reads and close, from the
// window's post to the notification it gets) against a plain libmodbus
// client doing the same: connect, 100 ms pause, the same reads (function 4,
// as ours sends them), close.
//
//   monitor_bench PORT ROUNDS
#include "comm/ModbusInterface.h"
#include "jobs/BackThread.h"
#include "model/Measurands.h"
#include "model/Observer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <modbus.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The window's side of the poller: waits for each cycle's notification.
class CCycleWaiter : public CObserver
{
public:
    void Update(CObservable*) override
    {
        std::lock_guard guard(m_lock);
        ++m_count;
        m_changed.notify_all();
    }
    void WaitFor(int count)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_count >= count; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
};

// The reads of CMeasurands::ReadAll, in its order.
struct SRead
{
    int reg, count;
};
constexpr SRead kReads[] = {{7007, 1},  {9600, 1}, {9601, 1}, {9603, 1}, {9604, 1}, {9613, 16}, {9605, 8},
                            {9631, 16}, {0, 2},    {2, 6},    {22, 2},   {1050, 1}, {1060, 1},  {3000, 1}};

double LibmodbusCycle(int port)
{
    const auto start = Clock::now();
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "monitor_bench: libmodbus: %s\n", modbus_strerror(errno));
        std::exit(1);
    }
    std::this_thread::sleep_for(CBackThread::kPollPause);
    std::uint16_t regs[16];
    for (const SRead& r : kReads)
        if (modbus_read_input_registers(ctx, r.reg, r.count, regs) != r.count) {
            std::fprintf(stderr, "monitor_bench: libmodbus read %d: %s\n", r.reg, modbus_strerror(errno));
            std::exit(1);
        }
    modbus_close(ctx);
    modbus_free(ctx);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PORT ROUNDS\n", argv[0]);
        return 2;
    }
    const int rounds = std::max(std::atoi(argv[2]), 1);
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeTcp;
    s.Address = 1;
    s.ServerAddress = "127.0.0.1";
    s.ServicePort = argv[1];
    CModbusInterface link(s);
    CMeasurands measurands;
    CCycleWaiter waiter;
    measurands.Attach(&waiter);
    CBackThread worker(link, measurands);
    worker.Start();

    std::vector<double> ours, theirs;
    for (int i = 0; i <= rounds; ++i) { // the first round warms up
        const auto start = Clock::now();
        worker.PostCommand(CBackThread::kPoll);
        waiter.WaitFor(i + 1);
        const double t = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (worker.Error()) {
            std::fprintf(stderr, "monitor_bench: poll failed: %s\n", worker.ErrorText().c_str());
            return 1;
        }
        const double l = LibmodbusCycle(std::atoi(argv[1]));
        if (i == 0)
            continue;
        ours.push_back(t);
        theirs.push_back(l);
    }
    worker.Stop();
    const double pause = std::chrono::duration<double, std::milli>(CBackThread::kPollPause).count();
    std::printf("Monitor cycle over TCP, %zu reads, %d rounds: ours median %.2f ms, libmodbus %.2f ms; "
                "on top of the %.0f ms pause ours %.2f ms, libmodbus %.2f ms (goal: ours <= 5 ms)\n",
                std::size(kReads), rounds, Median(ours), Median(theirs), pause, Median(ours) - pause,
                Median(theirs) - pause);
    return 0;
}
