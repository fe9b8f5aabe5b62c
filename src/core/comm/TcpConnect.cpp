#include "comm/TcpConnect.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"

#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const STcpConnectWait& wait, const std::string& server, int code,
                       CPrivateException::ErrorSource source = CPrivateException::ErrorSource::Errno)
{
    throw CPrivateException(LoadMessage(wait.failureId, {CPrivateException::SystemErrorText(code, source), server}));
}

// Waits until the connect is done: 0, ETIMEDOUT when the time-out passes,
// ECANCELED when the wait is ended from outside.
int WaitConnected(int fd, const STcpConnectWait& wait)
{
    pollfd fds[3] = {{fd, POLLOUT, 0}, {wait.wakeFd, POLLIN, 0}, {wait.cancelFd, POLLIN, 0}};
    for (;;) {
        const int p = poll(fds, wait.cancelFd >= 0 ? 3 : 2, wait.timeoutMs);
        if (p < 0 && errno == EINTR)
            continue;
        if (p == 0)
            return ETIMEDOUT;
        if (p < 0 || ((fds[1].revents | fds[2].revents) & POLLIN))
            return ECANCELED;
        return 0; // connected, or failed: SO_ERROR says which
    }
}

} // namespace

int ConnectTcp(const std::string& host, const std::string& port, const STcpConnectWait& wait)
{
    const std::string server = host + ":" + port;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0)
        Fail(wait, server, rc, CPrivateException::ErrorSource::Resolver);
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, &freeaddrinfo);

    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0)
        Fail(wait, server, errno);
    struct Closer
    {
        int fd;
        bool keep = false;
        ~Closer()
        {
            if (!keep)
                close(fd);
        }
    } closer{fd};
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one); // requests are small and waited for

    if (connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        if (errno != EINPROGRESS)
            Fail(wait, server, errno);
        int err = WaitConnected(fd, wait);
        if (err != 0)
            Fail(wait, server, err);
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
        if (err != 0)
            Fail(wait, server, err);
    }
    closer.keep = true;
    return fd;
}
