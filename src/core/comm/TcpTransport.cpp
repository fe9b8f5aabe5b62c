#include "comm/TcpTransport.h"

#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/Trace.h"
#include "comm/TcpConnect.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::atomic<std::uint16_t> g_transactionCounter{0};

struct BlockedMark
{
    explicit BlockedMark(std::atomic<bool>& flag) : m_flag(flag) { m_flag = true; }
    ~BlockedMark() { m_flag = false; }
    std::atomic<bool>& m_flag;
};

} // namespace

CTcpTransport::CTcpTransport(const ComSettings& settings) : m_settings(settings)
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CTcpTransport::~CTcpTransport()
{
    Close();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void CTcpTransport::SetTransactionCounter(std::uint16_t value)
{
    g_transactionCounter = value;
}

void CTcpTransport::Open()
{
    Close();
    // The connect has no time-out of its own: the system's applies, and
    // Abort can end it.
    BlockedMark mark(m_blocked);
    m_socket = ConnectTcp(m_settings.ServerAddress, m_settings.ServicePort,
                          STcpConnectWait{m_wakeFd, m_cancelFd, -1, ids::kModbusTcpError});
    m_connected = true;
}

void CTcpTransport::Adopt(int fd)
{
    Close();
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); // as a socket Open makes
    m_socket = fd;
    m_connected = true;
}

void CTcpTransport::Close()
{
    if (m_socket >= 0) {
        close(m_socket);
        m_socket = -1;
    }
    m_connected = false;
}

bool CTcpTransport::WaitFor(short events, int timeoutMs)
{
    pollfd fds[3] = {{m_socket, events, 0}, {m_wakeFd, POLLIN, 0}, {m_cancelFd, POLLIN, 0}};
    for (;;) {
        int p = poll(fds, m_cancelFd >= 0 ? 3 : 2, timeoutMs);
        if (p < 0 && errno == EINTR)
            continue;
        if (p <= 0 || ((fds[1].revents | fds[2].revents) & POLLIN))
            return false;
        return (fds[0].revents & (events | POLLERR | POLLHUP)) != 0;
    }
}

bool CTcpTransport::DiscardPendingInput()
{
    // A late answer to an earlier request must never pass for the next one.
    std::uint8_t junk[512];
    for (;;) {
        ssize_t r = recv(m_socket, junk, sizeof junk, MSG_DONTWAIT);
        if (r > 0)
            continue;
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return false; // closed by the server while idle, or reset
        return true;
    }
}

std::uint16_t CTcpTransport::SendRequest(const std::vector<std::uint8_t>& request)
{
    const std::uint16_t tid = ++g_transactionCounter;
    m_sentTid = tid;
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(tid >> 8),
                                    static_cast<std::uint8_t>(tid & 0xFF),
                                    0x00,
                                    0x00,
                                    0x00,
                                    static_cast<std::uint8_t>(request.size() & 0xFF)};
    frame.insert(frame.end(), request.begin(), request.end());
    // Gateways close idle or surplus connections and restart: a connection
    // found closed is opened again for this attempt (a failure to do so is
    // this attempt's failure).
    if (!IsOpen() || !DiscardPendingInput())
        Reconnect();
    for (int round = 0;; ++round) {
        const int error = SendAll(frame);
        if (error == 0)
            break;
        // Closed between the check and the send: once more on a new one.
        if (round == 0 && (error == EPIPE || error == ECONNRESET || error == ENOTCONN)) {
            Reconnect();
            continue;
        }
        break; // not reported here: the missing answer ends as a time-out
    }
    return tid;
}

void CTcpTransport::Reconnect()
{
    CTrace::Write("Reconnect\n");
    Open();
}

int CTcpTransport::SendAll(const std::vector<std::uint8_t>& frame)
{
    std::size_t done = 0;
    while (done < frame.size()) {
        ssize_t n = send(m_socket, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFor(POLLOUT, static_cast<int>(m_responseTimeout)))
                return ETIMEDOUT;
        } else {
            const int error = n < 0 ? errno : EPIPE;
            m_connected = false;
            return error;
        }
    }
    return 0;
}

bool CTcpTransport::IsOlderTransaction(std::uint16_t id, std::uint16_t current)
{
    const auto age = static_cast<std::uint16_t>(current - id);
    return age != 0 && age < 0x8000;
}

bool CTcpTransport::WaitForAnswer(const SInbox& box)
{
    // Less than a millisecond left is still a look at what has come.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(box.deadline - std::chrono::steady_clock::now()).count();
    return left >= 0 && WaitFor(POLLIN, static_cast<int>(left));
}

std::size_t CTcpTransport::Fill(SInbox& box, std::size_t n)
{
    if (box.at + n > sizeof box.in) {
        std::memmove(box.in, box.in + box.at, box.have - box.at);
        box.have -= box.at;
        box.at = 0;
    }
    while (box.have - box.at < n && IsOpen()) {
        if (box.answerDue) {
            box.answerDue = false;
            if (!WaitForAnswer(box))
                break;
        }
        ssize_t r = recv(m_socket, box.in + box.have, sizeof box.in - box.have, MSG_DONTWAIT);
        if (r > 0) {
            box.have += static_cast<std::size_t>(r);
            continue;
        }
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            // Closed or reset by the server: no answer is coming on this
            // connection, so stop waiting now; the next attempt reopens.
            CTrace::Write("Connection closed\n");
            m_connected = false;
            break;
        }
        if (!WaitForAnswer(box))
            break;
    }
    return box.have - box.at;
}

bool CTcpTransport::Skip(SInbox& box, std::size_t length)
{
    for (std::size_t skip = length; skip > 0;) {
        if (box.have == box.at) {
            box.have = box.at = 0;
            if (Fill(box, 1) == 0)
                return false;
        }
        const std::size_t n = std::min(skip, box.have - box.at);
        box.at += n;
        skip -= n;
    }
    return true;
}

CModbusTransport::Answer CTcpTransport::ReceiveResponse(std::vector<std::uint8_t>& response, std::size_t expected)
{
    BlockedMark mark(m_blocked);
    SInbox box;
    box.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_responseTimeout);

    Answer answer;
    response.assign(expected, 0);
    for (;;) {
        if (Fill(box, 6) < 6)
            return answer; // nothing usable: received 0
        const std::uint8_t* header = box.in + box.at;
        // The length field counts the unit byte and what follows; a split
        // answer is collected until it is whole, bounded by what we expect.
        const std::size_t announced = static_cast<std::size_t>(header[4]) << 8 | header[5];
        const auto tid = static_cast<std::uint16_t>(header[0] << 8 | header[1]);
        const auto protocol = static_cast<std::uint16_t>(header[2] << 8 | header[3]);
        if (IsOlderTransaction(tid, m_sentTid)) {
            // The late answer to an earlier attempt: dropped whole, and the
            // wait for this request's answer goes on.
            CTrace::Write("Late answer dropped\n");
            if (!Skip(box, 6 + announced))
                return answer;
            continue;
        }
        const std::size_t want = std::min(announced, expected);
        const std::size_t available = Fill(box, 6 + want) - 6;
        answer.received = std::min(available, want);
        std::copy_n(box.in + box.at + 6, answer.received, response.begin());
        answer.transactionId = tid;
        answer.protocolId = protocol;
        return answer;
    }
}

void CTcpTransport::Interrupt()
{
    m_interrupted = true;
    if (m_wakeFd >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t w = write(m_wakeFd, &one, sizeof one);
    }
}

void CTcpTransport::ClearInterrupt()
{
    if (m_interrupted.exchange(false) && m_wakeFd >= 0) {
        std::uint64_t value;
        [[maybe_unused]] ssize_t r = read(m_wakeFd, &value, sizeof value);
    }
}
