#pragma once
// One serial port on termios: exclusive open, line settings, reads bounded by
// a total time-out, whole-frame writes. It knows nothing of Modbus.

#include "comm/ComSettings.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct SerialLine
{
    unsigned BaudRate = 0;
    int DataBits = 8;
    int Parity = 0; // 0 none, 1 odd, 2 even
    int StopBits = 1;
};

class CSerialIO
{
public:
    CSerialIO();
    virtual ~CSerialIO();
    CSerialIO(const CSerialIO&) = delete;
    CSerialIO& operator=(const CSerialIO&) = delete;

    void SetComSettings(const ComSettings& settings) { m_settings = settings; }

    // Opens the infrared port in infrared mode, else the RS-485 port.
    void Open();
    // Open, then the line settings of the mode. Virtual, like Pause, so that
    // a test or fuzzing harness can stand in for the device.
    virtual void Setup();
    void SetLine(unsigned baudRate, int dataBits, int parity, int stopBits);
    // Returns the count received (0..n); never raises.
    std::size_t Read(void* buffer, std::size_t n);
    // Like Read, but also ends as soon as `complete(bytesSoFar)` says the
    // frame is whole, so a short answer need not wait out the time-out.
    std::size_t ReadFrame(std::uint8_t* buffer, std::size_t n, const std::function<bool(std::size_t)>& complete);
    std::size_t Write(const void* buffer, std::size_t n);
    void SetPollTimeouts();
    void SetReadTimeout(std::uint32_t ms);
    void Close();

    // Keeps the line silent for `ms` milliseconds.
    virtual void Pause(unsigned ms);

    // Ends a waiting Read at once (from any thread); cleared by ClearInterrupt.
    void Interrupt();
    void ClearInterrupt();
    // A descriptor of the owner's (a signalfd for Ctrl-C, say) that ends
    // every wait while it is readable; -1 for none.
    void SetCancelDescriptor(int fd) { m_cancelFd = fd; }

    bool IsOpen() const { return m_fd >= 0; }
    // The port went away under an open handle (a USB adapter unplugged, the
    // far end of a pseudo-terminal closed): reads and writes end at once and
    // the handle is closed; the next Open may find the port again.
    bool IsLost() const { return m_lostError >= 0; }
    // The failure text of a lost port: the port's name and the reason.
    virtual std::string LostText() const;

    // The line the system gives for an open failure with `error`; for a
    // permission failure it also names the group that may use the device.
    static std::string OpenFailureReason(int error, const std::string& devicePath);
    const std::string& DevicePath() const { return m_devicePath; }
    const SerialLine& Line() const { return m_line; }

    // The termios speed code of a baud rate; 0 (B0) for a rate it lacks.
    static unsigned SpeedFor(unsigned baudRate);

    // "COM1".."COM16" and "\\.\COMn" name /dev/ttyS0../dev/ttyS15; anything
    // else is used as it stands.
    static std::string DevicePathFor(const std::string& portName);

protected:
    // Takes `fd` (any readable and writable descriptor) as the open port.
    void Adopt(int fd);
    // Takes `fd`, a connected stream socket, as the open port: a read of
    // nothing then means the far end closed it.
    void AdoptStream(int fd);
    const ComSettings& Settings() const { return m_settings; }
    int WakeDescriptor() const { return m_wakeFd; }
    int CancelDescriptor() const { return m_cancelFd; }
    // -1: not lost; 0: hung up or closed by the far end; else the errno.
    int LostError() const { return m_lostError; }

private:
    void MarkLost(int error);
    const std::string& DisplayName() const;

    int m_fd = -1;
    int m_wakeFd = -1;
    int m_cancelFd = -1;
    std::atomic<bool> m_interrupted{false}; // the wake-up descriptor is set
    int m_lostError = -1;                   // -1: not lost; 0: hang-up; else the errno
    bool m_stream = false;                  // a socket, not a terminal
    // A read returns when the bytes asked for are in, or this long after it began.
    std::uint32_t m_readTimeoutMs = 3000;
    std::string m_devicePath;
    SerialLine m_line;
    ComSettings m_settings{ComSettings::NoLoad{}};
};
