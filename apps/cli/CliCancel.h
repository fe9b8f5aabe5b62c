#pragma once
// Ctrl-C for the commands that talk to a meter.

#include <atomic>
#include <csignal>

class CModbusInterface;

namespace cli {

// Ctrl-C (or SIGTERM) while it lives ends the link's calls as the Cancel
// button of the progress window does. The signals go to a signalfd that
// every wait of the link watches, so no thread has to carry them over and
// nothing is left to end when the command is done.
class CancelWatch
{
public:
    explicit CancelWatch(CModbusInterface* link);
    ~CancelWatch();
    CancelWatch(const CancelWatch&) = delete;
    CancelWatch& operator=(const CancelWatch&) = delete;

    // Readable once Ctrl-C came, for links the watch was not made with.
    int Descriptor() const { return m_signalFd; }
    // Set once Cancelled() has seen Ctrl-C.
    const std::atomic<bool>& Flag() const { return m_cancel; }
    bool Cancelled() const;
    // Waits up to `ms` milliseconds; false when Ctrl-C came first.
    bool Sleep(int ms) const;
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
    CModbusInterface* m_link;
    sigset_t m_set{}, m_old{};
    int m_signalFd = -1;
    mutable std::atomic<bool> m_cancel{false};
};

} // namespace cli
