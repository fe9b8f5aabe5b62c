#pragma once
// Ctrl-C for the commands that talk to a meter.

#include <atomic>
#include <csignal>
#include <thread>

class CModbusInterface;

namespace cli {

// Ctrl-C (or SIGTERM) while it lives: sets the cancel flag and aborts the
// link, as the Cancel button of the progress window does. Signals are taken
// by a thread of their own, so the handling may lock and call freely; the
// thread sleeps in one poll() on a signalfd and a wake-up eventfd, so the
// destructor ends it at once.
class CancelWatch
{
public:
    explicit CancelWatch(CModbusInterface* link);
    ~CancelWatch();
    CancelWatch(const CancelWatch&) = delete;
    CancelWatch& operator=(const CancelWatch&) = delete;

    const std::atomic<bool>& Flag() const { return m_cancel; }
    bool Cancelled() const { return m_cancel; }
    // Ends the command as cancelled (exit status 130) once Ctrl-C was seen.
    void ThrowIfCancelled() const;

    // Runs `action`; a failure after Ctrl-C is the cancel, not an error.
    template <class Action>
    void Run(Action&& action) const
    {
        try {
            action();
        } catch (...) {
            ThrowIfCancelled();
            throw;
        }
    }

private:
    void Watch();

    CModbusInterface* m_link;
    sigset_t m_set{}, m_old{};
    int m_signalFd = -1, m_wakeFd = -1;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

} // namespace cli
