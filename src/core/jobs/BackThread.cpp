#include "jobs/BackThread.h"

#include "app/PrivateException.h"
#include "app/Trace.h"
#include "comm/ModbusInterface.h"
#include "model/Measurands.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CBackThread::CBackThread(CModbusInterface& link, CMeasurands& measurands)
    : m_link(link), m_measurands(measurands), m_cancelFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{}

CBackThread::~CBackThread()
{
    Stop();
    if (m_cancelFd >= 0)
        close(m_cancelFd);
}

void CBackThread::Start()
{
    if (m_thread.joinable())
        return;
    // Abort alone may fall between two calls of a poll and be forgotten by
    // the next; a readable descriptor is seen by every wait that follows.
    m_previousCancelFd = m_link.CancelDescriptor();
    m_link.SetCancelDescriptor(m_cancelFd);
    m_running = true;
    m_thread = std::thread([this] { Run(); });
}

void CBackThread::PostCommand(int command)
{
    {
        std::lock_guard guard(m_queueLock);
        m_queue.push_back(command);
    }
    m_queueChanged.notify_one();
}

void CBackThread::Stop()
{
    if (!m_thread.joinable())
        return;
    m_running = false;
    {
        std::lock_guard guard(m_queueLock);
        m_stopping = true;
    }
    m_queueChanged.notify_all();
    const std::uint64_t one = 1;
    if (m_cancelFd >= 0 && write(m_cancelFd, &one, sizeof one) < 0) {
        // Abort below still ends an exchange in progress.
    }
    m_link.Abort();
    PostCommand(kEnd);
    m_thread.join();
    m_link.SetCancelDescriptor(m_previousCancelFd);
}

std::string CBackThread::ErrorText() const
{
    std::lock_guard guard(m_textLock);
    return m_errorText;
}

std::unique_lock<std::mutex> CBackThread::LockLink()
{
    {
        std::lock_guard queue(m_queueLock);
        ++m_actionsWaiting;
    }
    std::unique_lock lock(m_linkLock);
    {
        std::lock_guard queue(m_queueLock);
        --m_actionsWaiting;
    }
    m_queueChanged.notify_all();
    ApplyPendingAddress();
    return lock;
}

void CBackThread::ApplyPendingAddress()
{
    const int address = m_pendingAddress.exchange(0);
    if (address <= 0)
        return;
    ComSettings settings = m_link.Settings();
    settings.Address = address;
    m_link.SetSettings(settings);
}

void CBackThread::Run()
{
    for (;;) {
        int command;
        {
            std::unique_lock lock(m_queueLock);
            m_queueChanged.wait(lock, [this] { return !m_queue.empty(); });
            command = m_queue.front();
            m_queue.pop_front();
            // Polls queued before the end are not worth starting.
            if (m_stopping && command != kEnd)
                continue;
        }
        m_lastCommand = command;
        if (command == kEnd)
            return;
        Poll();
    }
}

bool CBackThread::Pause()
{
    std::unique_lock lock(m_queueLock);
    return !m_queueChanged.wait_for(lock, kPollPause, [this] { return m_stopping; });
}

void CBackThread::Poll()
{
    {
        // An action asked for the link during the last poll: it goes first.
        std::unique_lock queue(m_queueLock);
        m_queueChanged.wait(queue, [this] { return m_actionsWaiting == 0 || m_stopping; });
    }
    std::lock_guard link(m_linkLock);
    ApplyPendingAddress();
    bool failed = false;
    std::string failure;
    try {
        m_link.Open();
        if (!Pause())
            throw CCancelled(); // stopping: nobody reads the result
        m_measurands.ReadAll(m_link);
    } catch (const std::exception& e) {
        failed = true;
        failure = e.what(); // empty for an exchange given up on request
        CTrace::Write("Monitor poll failed: %s\n", {failure});
        // A link that fails at once (a gateway refusing the connection) is
        // asked again after the same pause as after an answer, not in a busy
        // loop of hundreds of polls a second; stopping ends the pause at once.
        Pause();
    }
    {
        std::lock_guard guard(m_textLock);
        m_errorText = failure;
    }
    m_error = failed;
    if (m_running)
        m_measurands.Notify();
    m_link.Close();
}
