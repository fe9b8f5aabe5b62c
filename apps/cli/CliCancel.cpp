#include "CliCancel.h"

#include "CliSupport.h"
#include "comm/ModbusInterface.h"

#include <cerrno>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace cli {

CancelWatch::CancelWatch(CModbusInterface* link) : m_link(link)
{
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGINT);
    sigaddset(&m_set, SIGTERM);
    // Blocked, the signals wait in the signalfd instead of ending the process.
    pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    m_signalFd = signalfd(-1, &m_set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_signalFd < 0) {
        const int err = errno;
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
        throw std::system_error(err, std::generic_category());
    }
    if (m_link)
        m_link->SetCancelDescriptor(m_signalFd);
}

CancelWatch::~CancelWatch()
{
    if (m_link)
        m_link->SetCancelDescriptor(-1);
    // A Ctrl-C acted upon is taken; one that came after the last look stays
    // pending and takes its usual course once the mask is restored.
    if (m_cancel) {
        signalfd_siginfo info;
        while (read(m_signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
    }
    close(m_signalFd);
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}

bool CancelWatch::Cancelled() const
{
    if (m_cancel)
        return true;
    // Looked at without taking the signal, so that the link's waits still
    // see it.
    pollfd p{m_signalFd, POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
        m_cancel = true;
    return m_cancel;
}

bool CancelWatch::Sleep(int ms) const
{
    pollfd p{m_signalFd, POLLIN, 0};
    while (poll(&p, 1, ms) < 0 && errno == EINTR) {
    }
    return !Cancelled();
}

void CancelWatch::ThrowIfCancelled() const
{
    if (Cancelled())
        throw cli::Cancelled{}; // the exception, not the member function
}

} // namespace cli
