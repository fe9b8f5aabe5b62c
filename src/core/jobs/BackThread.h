#pragma once
// The monitor's poller: a thread that serves poll commands one at a time.
// Each poll is one open of the link, a 100 ms pause, the reads of the
// measurands and one close, all under the link lock that the monitor's Tag
// and Max/Min actions take as well. The window posts the next poll only once
// it has shown the last result, so polls run back to back and a poll never
// fills the measurands while the window reads them.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class CMeasurands;
class CModbusInterface;

class CBackThread
{
public:
    enum ECommand { kEnd = 0, kPoll = 1 };
    static constexpr std::chrono::milliseconds kPollPause{100};

    // `link` and `measurands` are not owned and must outlive the worker; the
    // measurands' observers hear of every poll, on the worker's thread.
    CBackThread(CModbusInterface& link, CMeasurands& measurands);
    ~CBackThread(); // stops the thread
    CBackThread(const CBackThread&) = delete;
    CBackThread& operator=(const CBackThread&) = delete;

    void Start();
    // Queues a command; commands are served in order.
    void PostCommand(int command);
    // Ends the thread: no notification follows, an exchange in progress or
    // the pause gives up at once, and the thread has ended on return.
    void Stop();

    bool Running() const { return m_running.load(); }
    // The result of the last poll; read it after its notification.
    bool Error() const { return m_error.load(); }
    // The failure text of the last poll (empty on success), likewise.
    std::string ErrorText() const;
    int LastCommand() const { return m_lastCommand.load(); }

    // The link lock for an action of the window's: waits for a poll in
    // progress, and the next poll waits for the action. The device address
    // chosen last is applied to the link first.
    std::unique_lock<std::mutex> LockLink();
    // The device address of the next open, poll or action; not stored.
    void SetDeviceAddress(int address) { m_pendingAddress.store(address); }

private:
    void Run();
    void Poll();
    void ApplyPendingAddress();
    // False when the pause was cut short by Stop.
    bool Pause();

    CModbusInterface& m_link;
    CMeasurands& m_measurands;
    std::mutex m_linkLock;

    std::mutex m_queueLock;
    std::condition_variable m_queueChanged;
    std::deque<int> m_queue;
    bool m_stopping = false; // under m_queueLock
    // Actions waiting for the link lock (under m_queueLock): a mutex is not
    // fair, and a poller that takes it again at once would starve them.
    int m_actionsWaiting = 0;

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_error{false};
    std::atomic<int> m_lastCommand{-1};
    std::atomic<int> m_pendingAddress{0};
    mutable std::mutex m_textLock;
    std::string m_errorText;
    // Once readable, every wait of the link gives up (see Stop).
    int m_cancelFd = -1;
    int m_previousCancelFd = -1;
    std::thread m_thread;
};
