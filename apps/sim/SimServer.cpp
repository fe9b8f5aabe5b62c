#include "SimServer.h"

#include "comm/Crc16.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Length of the RTU request at the front of `in`, 0 while it is not known.
std::size_t RtuFrameLength(const std::vector<std::uint8_t>& in)
{
    if (in.size() < 2)
        return 0;
    switch (in[1]) {
    case 0x0F:
    case 0x10: return in.size() >= 7 ? 9u + in[6] : 0;
    default: return 8; // every other request carries four data bytes
    }
}

} // namespace

CSimServer::CSimServer(const SimLinkFaults& linkFaults, unsigned seed) : m_linkFaults(linkFaults), m_seed(seed) {}

CSimServer::~CSimServer()
{
    for (auto& c : m_clients)
        close(c.fd);
    if (m_listen >= 0)
        close(m_listen);
    if (m_rtuListen >= 0)
        close(m_rtuListen);
    if (m_rtu >= 0)
        close(m_rtu);
    if (m_ptySlaveKeeper >= 0)
        close(m_ptySlaveKeeper);
}

void CSimServer::AddUnit(int address, CSimMeter& meter, const SimFaults& faults)
{
    // The first meter's faults follow the seed as they always have; every
    // further one draws its own.
    const unsigned seed = m_units.empty() ? m_seed : m_seed + static_cast<unsigned>(address);
    m_units.push_back(Unit{address, &meter, faults, std::mt19937(seed), 0, m_line});
}

CSimServer::Unit* CSimServer::FindUnit(std::uint8_t address)
{
    for (Unit& u : m_units)
        if (u.address == address)
            return &u;
    return nullptr;
}

bool CSimServer::Chance(Unit& unit, double rate)
{
    if (rate <= 0)
        return false;
    if (unit.faults.every > 0)
        return unit.requests % unit.faults.every == 0;
    return std::uniform_real_distribution<double>(0.0, 1.0)(unit.random) < rate;
}

bool CSimServer::NextRequest(Unit& unit)
{
    ++unit.requests;
    return unit.faults.unplugAfter <= 0 || unit.requests <= unit.faults.unplugAfter;
}

std::vector<std::uint8_t> CSimServer::Answer(Unit& unit, const std::vector<std::uint8_t>& pdu)
{
    if (unit.faults.exceptionCode && Chance(unit, unit.faults.exceptionRate))
        return {pdu.empty() ? std::uint8_t(0) : pdu[0], static_cast<std::uint8_t>((pdu.size() > 1 ? pdu[1] : 0) | 0x80),
                static_cast<std::uint8_t>(unit.faults.exceptionCode)};
    std::vector<std::uint8_t> answer = unit.meter->Handle(pdu);
    // The answer still comes from the old address; the next request finds
    // the meter at its new one.
    if (const std::optional<int> moved = unit.meter->TakeNewAddress(); moved && m_addressesFollow)
        unit.address = *moved;
    if (const auto line = unit.meter->TakeNewLine(); line && m_addressesFollow)
        unit.line = SerialLine{ComSettings::BaudRateOf((*line)[0]), unit.line.DataBits, (*line)[1], (*line)[2] + 1};
    return answer;
}

int CSimServer::Listen(unsigned short& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 8) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + strerror(errno));
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

unsigned short CSimServer::ListenTcp(unsigned short port)
{
    m_listen = Listen(port);
    return port;
}

unsigned short CSimServer::ListenRtuTcp(unsigned short port)
{
    m_rtuListen = Listen(port);
    return port;
}

std::string CSimServer::OpenPty()
{
    m_rtu = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_rtu < 0 || grantpt(m_rtu) != 0 || unlockpt(m_rtu) != 0)
        throw std::runtime_error(std::string("cannot create a pseudo-terminal: ") + strerror(errno));
    std::string path = ptsname(m_rtu);
    // Raw from the start and at the meter's own line, for clients that do
    // not set the line up, and kept open here so the pseudo-terminal lives
    // between client sessions. Through it the server sees the line a client
    // set (ClientLineMatches).
    m_ptySlaveKeeper = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (tcgetattr(m_ptySlaveKeeper, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
        tio.c_cflag &= ~static_cast<tcflag_t>(PARODD | CSTOPB);
        if (m_line.Parity != 0)
            tio.c_iflag |= INPCK;
        if (m_line.Parity == 1)
            tio.c_cflag |= PARODD;
        if (m_line.StopBits == 2)
            tio.c_cflag |= CSTOPB;
        cfsetispeed(&tio, CSerialIO::SpeedFor(m_line.BaudRate));
        cfsetospeed(&tio, CSerialIO::SpeedFor(m_line.BaudRate));
        tcsetattr(m_ptySlaveKeeper, TCSANOW, &tio);
    }
    return path;
}

bool CSimServer::ClientLineMatches(const SerialLine& line) const
{
    termios tio{};
    if (m_ptySlaveKeeper < 0 || tcgetattr(m_ptySlaveKeeper, &tio) != 0)
        return true; // a real line: what does not fit arrives as noise
    // The pseudo-terminal keeps the speed and CSTOPB but clears PARENB and
    // CSIZE; a client that checks parity (INPCK) uses it, PARODD says which.
    const int parity = !(tio.c_iflag & INPCK) ? 0 : (tio.c_cflag & PARODD) ? 1 : 2;
    return cfgetospeed(&tio) == CSerialIO::SpeedFor(line.BaudRate) && parity == line.Parity &&
           ((tio.c_cflag & CSTOPB) != 0) == (line.StopBits == 2);
}

void CSimServer::OpenSerialDevice(const std::string& path)
{
    m_rtu = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_rtu < 0)
        throw std::runtime_error("cannot open " + path + ": " + strerror(errno));
    termios tio{};
    tcgetattr(m_rtu, &tio);
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | (m_line.DataBits == 7 ? CS7 : CS8);
    if (m_line.Parity == 1)
        tio.c_cflag |= PARENB | PARODD;
    else if (m_line.Parity == 2)
        tio.c_cflag |= PARENB;
    if (m_line.StopBits == 2)
        tio.c_cflag |= CSTOPB;
    cfsetispeed(&tio, CSerialIO::SpeedFor(m_line.BaudRate));
    cfsetospeed(&tio, CSerialIO::SpeedFor(m_line.BaudRate));
    if (tcsetattr(m_rtu, TCSANOW, &tio) != 0)
        throw std::runtime_error("cannot set the line of " + path + ": " + strerror(errno));
}

double CSimServer::CharTimeMs() const
{
    const int bits = 1 + m_line.DataBits + (m_line.Parity ? 1 : 0) + m_line.StopBits;
    return 1000.0 * bits / m_line.BaudRate;
}

void CSimServer::WriteAll(int fd, const std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        ssize_t w = send(fd, data + done, n - done, MSG_NOSIGNAL);
        if (w < 0 && errno == ENOTSOCK)
            w = write(fd, data + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (Stopping())
                return; // nobody reads, and we are asked to go
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

double CSimServer::AnswerDelayMs(Unit& unit)
{
    double ms = unit.faults.delayMs;
    if (unit.faults.lateMs > 0 && Chance(unit, unit.faults.lateRate))
        ms += unit.faults.lateMs;
    return ms;
}

bool CSimServer::Defer(Unit& unit, int fd, const std::vector<std::uint8_t>& pdu, std::vector<std::uint8_t>& bytes,
                       double delayMs)
{
    if (unit.faults.lateFirstMs <= 0)
        return false;
    for (const Deferred& d : m_deferred)
        if (d.unit == &unit && d.pdu == pdu)
            return false;
    if (!Chance(unit, unit.faults.lateRate))
        return false;
    m_deferred.push_back({fd, &unit, pdu, std::move(bytes), NowMs() + std::llround(delayMs) + unit.faults.lateFirstMs});
    return true;
}

void CSimServer::SendDueAnswers()
{
    const std::int64_t now = NowMs();
    for (auto it = m_deferred.begin(); it != m_deferred.end();) {
        if (it->dueMs <= now) {
            WriteAll(it->fd, it->bytes.data(), it->bytes.size());
            it = m_deferred.erase(it);
        } else {
            ++it;
        }
    }
}

void CSimServer::Wait(double ms)
{
    // A held-back answer that falls due meanwhile goes out first, as a
    // meter's does when it is done with whatever held it up.
    using namespace std::chrono;
    const auto end = steady_clock::now() + microseconds(static_cast<long long>(ms * 1000));
    for (;;) {
        SendDueAnswers();
        auto until = end;
        for (const Deferred& d : m_deferred)
            until = std::min(until, steady_clock::time_point(milliseconds(d.dueMs)));
        const auto left = until - steady_clock::now();
        if (Stopping() || (left <= steady_clock::duration::zero() && until == end))
            return;
        SleepMs(static_cast<double>(duration_cast<microseconds>(left).count()) / 1000.0);
    }
}

bool CSimServer::Stopping()
{
    if (!m_stop) {
        pollfd p{m_stopFd, POLLIN, 0};
        if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
            m_stop = true;
    }
    return m_stop;
}

void CSimServer::SleepMs(double ms)
{
    // Waits on the stop descriptor, in short steps, so that a stop request
    // is not kept waiting.
    using namespace std::chrono;
    const auto end = steady_clock::now() + microseconds(static_cast<long long>(ms * 1000));
    while (!Stopping() && steady_clock::now() < end) {
        const auto step = std::min<steady_clock::duration>(end - steady_clock::now(), milliseconds(10));
        const auto ns = duration_cast<nanoseconds>(step).count();
        const timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{m_stopFd, POLLIN, 0};
        ppoll(&p, 1, &ts, nullptr);
    }
}

void CSimServer::Run()
{
    while (!Stopping()) {
        std::vector<pollfd> fds;
        for (int listening : {m_listen, m_rtuListen})
            if (listening >= 0)
                fds.push_back({listening, POLLIN, 0});
        if (m_rtu >= 0)
            fds.push_back({m_rtu, POLLIN, 0});
        for (auto& c : m_clients)
            fds.push_back({c.fd, POLLIN, 0});
        int timeout = m_rtuIn.empty() ? 100 : 20;
        for (const Deferred& d : m_deferred)
            timeout = static_cast<int>(std::clamp<std::int64_t>(d.dueMs - NowMs(), 0, timeout));
        const std::size_t polledEnd = fds.size(); // clients accepted below were not polled
        fds.push_back({m_stopFd, POLLIN, 0});
        int p = poll(fds.data(), fds.size(), timeout);
        if (p < 0 && errno != EINTR)
            break;
        std::size_t i = 0;
        for (int listening : {m_listen, m_rtuListen}) {
            if (listening < 0)
                continue;
            if (fds[i].revents & POLLIN) {
                int c = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) {
                    int one = 1;
                    setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    m_clients.push_back({c, {}, 0, listening == m_rtuListen});
                }
            }
            ++i;
        }
        if (m_rtu >= 0) {
            if (fds[i].revents & POLLIN)
                ServeRtu();
            else if (!m_rtuIn.empty() && NowMs() - m_rtuLastByteMs > 50)
                m_rtuIn.clear(); // a torn frame: start afresh after the silence
            ++i;
        }
        const std::size_t firstClient = i;
        std::vector<int> closing;
        for (std::size_t k = 0; k < m_clients.size() && firstClient + k < polledEnd; ++k) {
            if (!(fds[firstClient + k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            bool closeIt = false;
            ServeTcp(m_clients[k], closeIt);
            if (closeIt)
                closing.push_back(m_clients[k].fd);
        }
        for (int fd : closing) {
            std::erase_if(m_deferred, [fd](const Deferred& d) { return d.fd == fd; });
            close(fd);
            std::erase_if(m_clients, [fd](const TcpClient& c) { return c.fd == fd; });
        }
        SendDueAnswers();
    }
}

void CSimServer::ServeTcp(TcpClient& client, bool& closeIt)
{
    std::uint8_t buf[1024];
    ssize_t r = recv(client.fd, buf, sizeof buf, 0);
    if (r <= 0) {
        closeIt = true;
        return;
    }
    client.in.insert(client.in.end(), buf, buf + r);
    if (client.rtu) {
        // What a read leaves of a frame stays for the next: TCP may split
        // a frame anywhere.
        closeIt = !ServeRtuFrames(client.fd, client.in, &client);
        return;
    }
    while (client.in.size() >= 6) {
        const std::size_t length = static_cast<std::size_t>(client.in[4]) << 8 | client.in[5];
        if (client.in.size() < 6 + length)
            return;
        std::vector<std::uint8_t> header(client.in.begin(), client.in.begin() + 6);
        std::vector<std::uint8_t> pdu(client.in.begin() + 6,
                                      client.in.begin() + 6 + static_cast<std::ptrdiff_t>(length));
        client.in.erase(client.in.begin(), client.in.begin() + 6 + static_cast<std::ptrdiff_t>(length));
        ++client.requests;
        Unit* unit = m_bus ? (pdu.empty() ? nullptr : FindUnit(pdu[0])) : &m_units.front();
        const bool plugged = unit && NextRequest(*unit);

        const bool closeNow = m_linkFaults.closeAfter > 0 && client.requests >= m_linkFaults.closeAfter;
        if (closeNow && m_linkFaults.closeUnanswered) {
            closeIt = true;
            return;
        }
        std::vector<std::uint8_t> answer;
        bool answers = true;
        std::uint16_t tid = static_cast<std::uint16_t>(header[0] << 8 | header[1]);
        if (!unit) {
            // As a gateway whose line gave no answer.
            answer = {pdu.empty() ? std::uint8_t(0) : pdu[0],
                      static_cast<std::uint8_t>((pdu.size() > 1 ? pdu[1] : 0) | 0x80), 0x0B};
        } else if (!plugged || Chance(*unit, unit->faults.dropRate)) {
            answers = false;
        } else {
            answer = Answer(*unit, pdu);
            if (Chance(*unit, unit->faults.wrongTidRate))
                tid ^= 0x8000; // never one of the client's recent requests
            if (unit->faults.protocolId != 0 && Chance(*unit, unit->faults.protocolIdRate)) {
                header[2] = static_cast<std::uint8_t>(unit->faults.protocolId >> 8);
                header[3] = static_cast<std::uint8_t>(unit->faults.protocolId & 0xFF);
            }
        }
        std::vector<std::uint8_t> out;
        if (answers) {
            out = {static_cast<std::uint8_t>(tid >> 8),
                   static_cast<std::uint8_t>(tid & 0xFF),
                   header[2],
                   header[3],
                   static_cast<std::uint8_t>(answer.size() >> 8),
                   static_cast<std::uint8_t>(answer.size() & 0xFF)};
            out.insert(out.end(), answer.begin(), answer.end());
        }
        if (answers && !(unit && Defer(*unit, client.fd, pdu, out, unit->faults.delayMs))) {
            if (unit)
                Wait(AnswerDelayMs(*unit));
            if (m_linkFaults.splitTcp && out.size() > 6) {
                WriteAll(client.fd, out.data(), 6);
                SleepMs(20);
                WriteAll(client.fd, out.data() + 6, out.size() - 6);
            } else {
                WriteAll(client.fd, out.data(), out.size());
            }
        }
        if (closeNow) {
            closeIt = true;
            return;
        }
    }
}

void CSimServer::ServeRtu()
{
    std::uint8_t buf[512];
    ssize_t r = read(m_rtu, buf, sizeof buf);
    if (r <= 0) {
        if (r < 0 && errno == EIO)
            SleepMs(20); // nobody on the other side of the pseudo-terminal
        return;
    }
    m_rtuIn.insert(m_rtuIn.end(), buf, buf + r);
    m_rtuLastByteMs = NowMs();
    ServeRtuFrames(m_rtu, m_rtuIn, nullptr);
}

bool CSimServer::ServeRtuFrames(int fd, std::vector<std::uint8_t>& in, TcpClient* client)
{
    std::size_t len;
    while ((len = RtuFrameLength(in)) != 0 && in.size() >= len) {
        std::vector<std::uint8_t> frame(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(len));
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(len));
        const std::uint16_t crc = Crc16Modbus(frame.data(), len - 2);
        if (frame[len - 2] != (crc & 0xFF) || frame[len - 1] != (crc >> 8)) {
            in.clear(); // a meter ignores a damaged frame
            return true;
        }
        bool closeNow = false;
        if (client) {
            ++client->requests;
            closeNow = m_linkFaults.closeAfter > 0 && client->requests >= m_linkFaults.closeAfter;
            if (closeNow && m_linkFaults.closeUnanswered)
                return false;
        }
        // Another meter's frame, or nobody's, is left alone.
        Unit* unit = FindUnit(frame[0]);
        // On the pseudo-terminal also one sent at line settings the meter
        // cannot read, as on a real line; a device server's line is its own.
        if (unit && (client || ClientLineMatches(unit->line)) && NextRequest(*unit) &&
            !Chance(*unit, unit->faults.dropRate))
            AnswerRtuFrame(fd, *unit, frame, client && m_linkFaults.splitTcp);
        if (closeNow)
            return false;
    }
    return true;
}

void CSimServer::AnswerRtuFrame(int fd, Unit& unit, const std::vector<std::uint8_t>& frame, bool split)
{
    std::vector<std::uint8_t> pdu(frame.begin(), frame.end() - 2);
    std::vector<std::uint8_t> answer = Answer(unit, pdu);
    std::uint16_t acrc = Crc16Modbus(answer.data(), answer.size());
    if (Chance(unit, unit.faults.crcRate))
        acrc ^= 0x5A5A;
    answer.push_back(static_cast<std::uint8_t>(acrc & 0xFF));
    answer.push_back(static_cast<std::uint8_t>(acrc >> 8));
    // The request's bytes, the 3.5-character silence that ends it, then
    // the answer's bytes, all at the line's speed.
    const double wireMs =
        m_linkFaults.wireTiming
            ? (static_cast<double>(frame.size()) + 3.5 + static_cast<double>(answer.size())) * CharTimeMs()
            : 0;
    if (Defer(unit, fd, pdu, answer, unit.faults.delayMs + wireMs))
        return;
    Wait(AnswerDelayMs(unit) + wireMs);
    if (split && answer.size() > 3) {
        // As a device server whose character time-out falls inside the frame.
        WriteAll(fd, answer.data(), 3);
        SleepMs(20);
        WriteAll(fd, answer.data() + 3, answer.size() - 3);
    } else {
        WriteAll(fd, answer.data(), answer.size());
    }
}
