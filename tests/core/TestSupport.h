#pragma once
// Shared test fixtures: a real pseudo-terminal pair, a private settings
// folder, and a scripted meter on the far end of the pseudo-terminal.

#include "app/PrivateException.h"
#include "comm/ComSettings.h"
#include "comm/Crc16.h"
#include "comm/ModbusInterface.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

// Points the settings store at a fresh folder for the test's lifetime.
class TempConfigHome
{
public:
    // The settings in the folder, the meter history (the data home) in its
    // "data" folder and the window program's recovery files (the state home)
    // in its "state" folder.
    TempConfigHome()
    {
        char tmpl[] = "/tmp/q6k-test-XXXXXX";
        m_dir = mkdtemp(tmpl);
        Override("XDG_CONFIG_HOME", m_dir, m_config);
        Override("XDG_DATA_HOME", m_dir + "/data", m_data);
        Override("XDG_STATE_HOME", m_dir + "/state", m_state);
    }
    ~TempConfigHome()
    {
        Restore("XDG_CONFIG_HOME", m_config);
        Restore("XDG_DATA_HOME", m_data);
        Restore("XDG_STATE_HOME", m_state);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    const std::string& Dir() const { return m_dir; }
    // Where the meter history is kept.
    std::string HistoryDir() const { return m_dir + "/data/v6uvuv"; }

private:
    static void Override(const char* name, const std::string& value, std::optional<std::string>& old)
    {
        if (const char* v = std::getenv(name))
            old = v;
        setenv(name, value.c_str(), 1);
    }
    static void Restore(const char* name, const std::optional<std::string>& old)
    {
        if (old)
            setenv(name, old->c_str(), 1);
        else
            unsetenv(name);
    }

    std::string m_dir;
    std::optional<std::string> m_config, m_data, m_state;
};

class PtyPair
{
public:
    PtyPair()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slavePath = ptsname(m_master);
        // Keep the slave side alive between the client's opens so the master
        // never sees a hang-up.
        m_keepAlive = open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PtyPair() { CloseMaster(); }
    // As a vanished adapter: the slave side hangs up and its path goes away.
    void CloseMaster()
    {
        if (m_keepAlive >= 0)
            close(m_keepAlive);
        if (m_master >= 0)
            close(m_master);
        m_keepAlive = m_master = -1;
    }
    int Master() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_keepAlive = -1;
    std::string m_slavePath;
};

inline Bytes WithCrc(Bytes frame)
{
    std::uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

// A meter on the master side of a pseudo-terminal. It collects each request
// frame and writes whatever the responder returns (nothing: no answer).
class FakeMeter
{
public:
    using Responder = std::function<Bytes(const Bytes& request, int index)>;

    explicit FakeMeter(int masterFd) : m_fd(masterFd)
    {
        m_responder = [this](const Bytes& req, int) { return Answer(req); };
        m_thread = std::thread([this] { Run(); });
    }
    ~FakeMeter()
    {
        m_stop = true;
        m_thread.join();
    }

    void SetResponder(Responder r)
    {
        std::lock_guard g(m_lock);
        m_responder = std::move(r);
    }
    std::vector<Bytes> Requests()
    {
        std::lock_guard g(m_lock);
        return m_requests;
    }
    // The test sets and checks registers while the meter thread serves them.
    std::atomic<std::uint16_t>& Register(unsigned n) { return m_registers[n]; }

    // The answer of a healthy meter (any unit, registers in m_registers).
    Bytes Answer(const Bytes& req)
    {
        unsigned addr = req[2] << 8 | req[3];
        unsigned n = req[5];
        if (req[1] == 0x04) {
            Bytes out{req[0], 0x04, static_cast<std::uint8_t>(2 * n)};
            for (unsigned i = 0; i < n; ++i) {
                out.push_back(static_cast<std::uint8_t>(m_registers[addr + i] >> 8));
                out.push_back(static_cast<std::uint8_t>(m_registers[addr + i] & 0xFF));
            }
            return WithCrc(out);
        }
        for (unsigned i = 0; i < n; ++i)
            m_registers[addr + i] = static_cast<std::uint16_t>(req[7 + 2 * i] << 8 | req[8 + 2 * i]);
        return WithCrc({req[0], 0x10, req[2], req[3], req[4], req[5]});
    }

private:
    static std::size_t FrameLength(const Bytes& buf)
    {
        if (buf.size() < 2)
            return 0;
        if (buf[1] == 0x10)
            return buf.size() >= 7 ? 9u + buf[6] : 0;
        return 8;
    }

    void Run()
    {
        Bytes buf;
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            std::uint8_t tmp[512];
            ssize_t r = read(m_fd, tmp, sizeof tmp);
            if (r <= 0)
                continue;
            buf.insert(buf.end(), tmp, tmp + r);
            std::size_t len;
            while ((len = FrameLength(buf)) != 0 && buf.size() >= len) {
                Bytes frame(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(len));
                buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(len));
                Responder responder;
                int index;
                {
                    std::lock_guard g(m_lock);
                    m_requests.push_back(frame);
                    index = static_cast<int>(m_requests.size()) - 1;
                    responder = m_responder;
                }
                Bytes pdu(frame.begin(), frame.end() - 2);
                Bytes out = responder(pdu, index);
                if (!out.empty() && write(m_fd, out.data(), out.size()) < 0)
                    return;
            }
        }
    }

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<Bytes> m_requests;
    std::vector<std::atomic<std::uint16_t>> m_registers = std::vector<std::atomic<std::uint16_t>>(65536);
    Responder m_responder;
    std::thread m_thread;
};

inline ComSettings Rs485Settings(const std::string& port, int baudIndex = 5)
{
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeRs485;
    s.COMPortName = port;
    s.COMPortDisplayName = "Test RS-485 port";
    s.Baudrate = baudIndex;
    return s;
}

inline ComSettings TcpSettings(const std::string& host, unsigned short port)
{
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeTcp;
    s.ServerAddress = host;
    s.ServicePort = std::to_string(port);
    return s;
}

inline ComSettings InfraredSettings(const std::string& port)
{
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeInfrared;
    s.IRCOMPortName = port;
    s.IRCOMPortDisplayName = "Test IR port";
    return s;
}

// The text of the CPrivateException that `call` raises, or "(no failure)".
inline std::string FailureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const CPrivateException& e) {
        return e.Text();
    }
    return "(no failure)";
}

// How a call failed on the link: its text, and how its last attempt ended
// (nothing when it did not fail so).
struct SLinkFailure
{
    std::string text = "(no failure)";
    std::optional<ELinkAttemptEnd> end;
    int exceptionCode = 0;
};

inline SLinkFailure LinkFailureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const CLinkFailure& e) {
        return {e.Text(), e.End(), e.ExceptionCode()};
    } catch (const CPrivateException& e) {
        return {e.Text(), std::nullopt, 0};
    }
    return {};
}

} // namespace testsupport
