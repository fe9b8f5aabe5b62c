#include "CliCancel.h"

#include "CliSupport.h"
#include "comm/ModbusInterface.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <system_error>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace cli {

CancelWatch::CancelWatch(CModbusInterface* link) : m_link(link)
{
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGINT);
    sigaddset(&m_set, SIGTERM);
    // Blocked before the thread starts, so that it inherits the mask and the
    // signals reach only the signalfd.
    pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    m_signalFd = signalfd(-1, &m_set, SFD_CLOEXEC);
    m_wakeFd = eventfd(0, EFD_CLOEXEC);
    if (m_signalFd < 0 || m_wakeFd < 0) {
        const int err = errno;
        if (m_signalFd >= 0)
            close(m_signalFd);
        if (m_wakeFd >= 0)
            close(m_wakeFd);
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
        throw std::system_error(err, std::generic_category());
    }
    m_thread = std::thread([this] { Watch(); });
}

CancelWatch::~CancelWatch()
{
    const std::uint64_t one = 1;
    while (write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    m_thread.join();
    close(m_signalFd);
    close(m_wakeFd);
    // A signal that came after the thread ended stays pending and takes its
    // usual course now.
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}

void CancelWatch::ThrowIfCancelled() const
{
    if (m_cancel)
        throw cli::Cancelled{}; // the exception, not the member function
}

void CancelWatch::Watch()
{
    pollfd fds[2] = {{m_signalFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        signalfd_siginfo info;
        if (fds[0].revents && read(m_signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            m_cancel = true;
            if (m_link)
                m_link->Abort();
        }
    }
}

} // namespace cli
