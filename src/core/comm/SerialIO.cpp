#include "comm/SerialIO.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/StringTable.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void SettingsFailed()
{
    throw CPrivateException(ids::kPortSettingsFailed);
}

speed_t SpeedCode(unsigned baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

bool ParseComNumber(const std::string& name, int& number)
{
    std::string_view s(name);
    if (s.rfind("\\\\.\\", 0) == 0)
        s.remove_prefix(4);
    if (s.size() < 4 || (s.substr(0, 3) != "COM" && s.substr(0, 3) != "com"))
        return false;
    int n = 0;
    for (char c : s.substr(3)) {
        if (c < '0' || c > '9' || n > 100)
            return false;
        n = n * 10 + (c - '0');
    }
    number = n;
    return true;
}

} // namespace

CSerialIO::CSerialIO()
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CSerialIO::~CSerialIO()
{
    Close();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

unsigned CSerialIO::SpeedFor(unsigned baudRate)
{
    return SpeedCode(baudRate);
}

std::string CSerialIO::DevicePathFor(const std::string& portName)
{
    int n = 0;
    if (ParseComNumber(portName, n) && n >= 1 && n <= 16)
        return "/dev/ttyS" + std::to_string(n - 1);
    return portName;
}

std::string CSerialIO::OpenFailureReason(int error, const std::string& devicePath)
{
    std::string reason = CPrivateException::SystemErrorText(error);
    struct stat st = {};
    if (error != EACCES || stat(devicePath.c_str(), &st) != 0 || !(st.st_mode & S_IWGRP))
        return reason;
    // Serial ports are usually open to one group (dialout on Debian): say
    // which, since that is what the user has to change.
    std::string group = std::to_string(st.st_gid);
    for (std::vector<char> buf(1024); buf.size() <= (1u << 20); buf.resize(buf.size() * 2)) {
        struct group entry = {};
        struct group* found = nullptr;
        const int rc = getgrgid_r(st.st_gid, &entry, buf.data(), buf.size(), &found);
        if (rc == ERANGE)
            continue;
        if (rc == 0 && found)
            group = found->gr_name;
        break;
    }
    return reason + "\r" + LoadPrintfMessage(ids::kPortGroupHint, {group, group});
}

const std::string& CSerialIO::DisplayName() const
{
    return m_settings.Mode == kModeInfrared ? m_settings.IRCOMPortDisplayName : m_settings.COMPortDisplayName;
}

void CSerialIO::Open()
{
    const bool infrared = m_settings.Mode == kModeInfrared;
    const std::string& name = infrared ? m_settings.IRCOMPortName : m_settings.COMPortName;
    m_devicePath = name;
    Close();

    const std::string path = DevicePathFor(name);
    auto fail = [&](int error) {
        throw CPrivateException(LoadPrintfMessage(ids::kPortNotOpened, {DisplayName()}) + "\r" +
                                OpenFailureReason(error, path));
    };
    if (name.empty()) // a blank name would read "Communication port  can not be opened."
        throw CPrivateException(ids::kNoPortSelected);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(errno);
    // TIOCEXCL keeps other openers out (but not root); the lock keeps out every
    // program that locks as we do, root included.
    int error = 0;
    if (!isatty(fd))
        error = ENOTTY;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        error = errno == EWOULDBLOCK ? EBUSY : errno; // another program has the port
    else if (ioctl(fd, TIOCEXCL) != 0)
        error = errno;
    if (error) {
        ::close(fd);
        fail(error);
    }
    m_fd = fd;
    m_lostError = -1;
}

void CSerialIO::Adopt(int fd)
{
    Close();
    // Waits are poll()s: the descriptor must never block, as an opened port.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_fd = fd;
    m_lostError = -1;
    m_stream = false;
}

void CSerialIO::AdoptStream(int fd)
{
    Adopt(fd);
    m_stream = true;
}

void CSerialIO::Pause(unsigned ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void CSerialIO::MarkLost(int error)
{
    if (m_lostError < 0)
        m_lostError = error;
    // Let the system release the vanished device; the next Open finds it
    // again if it comes back.
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::string CSerialIO::LostText() const
{
    const std::string reason =
        m_lostError > 0 ? CPrivateException::SystemErrorText(m_lostError) : CStringTable::Get(ids::kDeviceDisconnected);
    return LoadPrintfMessage(ids::kPortLost, {DisplayName()}) + "\r" + reason;
}

void CSerialIO::Setup()
{
    Open();
    if (m_settings.Mode == kModeInfrared)
        SetLine(1200, 8, 1, 1);
    else
        SetLine(ComSettings::BaudRateOf(m_settings.Baudrate), ComSettings::DataBitsOf(m_settings.Character),
                m_settings.Parity, ComSettings::StopBitsOf(m_settings.Stop));
}

void CSerialIO::SetLine(unsigned baudRate, int dataBits, int parity, int stopBits)
{
    if (m_fd < 0)
        SettingsFailed();
    speed_t speed = SpeedCode(baudRate);
    if (speed == B0 || (dataBits != 7 && dataBits != 8) || parity < 0 || parity > 2)
        SettingsFailed();

    // Every field is set here rather than adjusted from what the port had: the
    // kernel keeps termios between opens, and a flag left by another program
    // (stick parity, flow control, a line discipline option) would change
    // what goes on the wire.
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
        SettingsFailed();
    const cc_t line = tio.c_line;
    tio = termios{};
    tio.c_line = line;
    // Parity is generated and received bytes are checked (INPCK, as
    // libmodbus sets it): a byte with a parity error reads as 0, as one with
    // a framing error always does, and the frame then fails its CRC check as
    // it would with the damaged byte itself. INPCK also says the parity in
    // use where the terminal keeps no PARENB (a pseudo-terminal clears it).
    // No flow control, no translation, no echo, no signals.
    tio.c_iflag = IGNBRK | (parity != 0 ? INPCK : 0);
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CLOCAL | CREAD | (dataBits == 7 ? CS7 : CS8);
    if (parity == 1)
        tio.c_cflag |= PARENB | PARODD;
    else if (parity == 2)
        tio.c_cflag |= PARENB;
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);

    if (tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        // A pseudo-terminal drops PARENB and glibc then reports EINVAL even
        // though the rest took: accept when speed and character size did.
        termios now{};
        if (errno != EINVAL || tcgetattr(m_fd, &now) != 0 || cfgetospeed(&now) != speed ||
            (now.c_cflag & CSIZE) != (tio.c_cflag & CSIZE))
            SettingsFailed();
    }
    // DTR and RTS stay low; a device without modem lines says ENOTTY/EINVAL.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(m_fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL)
        SettingsFailed();

    m_line = SerialLine{baudRate, dataBits, parity, stopBits};
}

void CSerialIO::SetPollTimeouts()
{
    SetReadTimeout(1);
}

void CSerialIO::SetReadTimeout(std::uint32_t ms)
{
    // Only an open port has time-outs to set.
    if (m_fd < 0)
        SettingsFailed();
    m_readTimeoutMs = ms;
}

std::size_t CSerialIO::Read(void* buffer, std::size_t n)
{
    return ReadFrame(static_cast<std::uint8_t*>(buffer), n, nullptr);
}

std::size_t CSerialIO::ReadFrame(std::uint8_t* buffer, std::size_t n, const std::function<bool(std::size_t)>& complete)
{
    if (m_fd < 0 || n == 0)
        return 0;
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    const auto start = Clock::now();
    // A zero time-out waits for the bytes however long they take.
    const bool hasDeadline = m_readTimeoutMs > 0;
    const auto deadline = start + milliseconds(m_readTimeoutMs);
    std::size_t got = 0;
    bool hungUp = false;

    while (got < n) {
        ssize_t r = ::read(m_fd, buffer + got, n - got);
        if (r > 0) {
            got += static_cast<std::size_t>(r);
            if (complete && complete(got))
                break;
            continue;
        }
        // A socket reads as 0 bytes only once the far end has closed it.
        if (r == 0 && m_stream) {
            MarkLost(0);
            break;
        }
        // With VMIN and VTIME at 0 an empty line reads as 0 bytes, and so does
        // a hung-up terminal (an unplugged adapter), which poll then tells
        // apart; EIO says the far end of a pseudo-terminal is gone.
        if (hungUp && (r == 0 || errno == EAGAIN)) {
            MarkLost(0);
            break;
        }
        if (r < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV || errno == ECONNRESET)) {
            MarkLost(errno == EIO ? 0 : errno);
            break;
        }
        if (r < 0 && errno != EAGAIN && errno != EINTR)
            break; // a failed read counts as what has arrived so far

        const auto now = Clock::now();
        long long wait = -1;
        if (hasDeadline) {
            wait = duration_cast<milliseconds>(deadline - now).count();
            if (wait <= 0)
                break;
        }
        pollfd fds[3] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_cancelFd, POLLIN, 0}};
        int p = ::poll(fds, m_cancelFd >= 0 ? 3 : 2, static_cast<int>(std::min<long long>(wait, 1 << 30)));
        if (p < 0 && errno != EINTR)
            break;
        if (p <= 0)
            continue;
        if ((fds[1].revents | fds[2].revents) & POLLIN)
            break; // Interrupt(), or the owner's cancel
        // Bytes still buffered are read first; waiting on a hung-up port would
        // only spin until the time-out.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            hungUp = true;
    }
    return got;
}

std::size_t CSerialIO::Write(const void* buffer, std::size_t n)
{
    if (m_fd < 0)
        SettingsFailed();
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        // A socket closed by the far end must fail the write, not raise SIGPIPE.
        ssize_t w = m_stream ? ::send(m_fd, p + done, n - done, MSG_NOSIGNAL) : ::write(m_fd, p + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EPIPE || errno == ECONNRESET)) {
            MarkLost(errno == EIO ? 0 : errno);
            throw CPrivateException(LostText());
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            break;
        // The line takes the bytes at its own speed: no time-out of our own.
        pollfd fd{m_fd, POLLOUT, 0};
        if (::poll(&fd, 1, -1) < 0 && errno != EINTR)
            break;
        if (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            MarkLost(0);
            throw CPrivateException(LostText());
        }
    }
    if (done < n)
        SettingsFailed();
    if (!m_stream)
        tcdrain(m_fd); // result ignored, as a flush of the output buffers
    return n;
}

void CSerialIO::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void CSerialIO::Interrupt()
{
    m_interrupted = true;
    if (m_wakeFd >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(m_wakeFd, &one, sizeof one);
    }
}

void CSerialIO::ClearInterrupt()
{
    if (m_interrupted.exchange(false) && m_wakeFd >= 0) {
        std::uint64_t value;
        [[maybe_unused]] ssize_t r = ::read(m_wakeFd, &value, sizeof value);
    }
}
