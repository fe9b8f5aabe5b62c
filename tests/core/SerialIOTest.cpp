// CSerialIO on a real pseudo-terminal pair.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "comm/SerialIO.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

using namespace testsupport;

namespace {
std::string OpenFailure(CSerialIO& port)
{
    try {
        port.Setup();
    } catch (const CPrivateException& e) {
        return e.Text();
    }
    return "(opened)";
}
} // namespace

TEST(SerialIO, ComNamesMapToTtySAndPathsStayAsTheyAre)
{
    EXPECT_EQ(CSerialIO::DevicePathFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(CSerialIO::DevicePathFor("COM16"), "/dev/ttyS15");
    EXPECT_EQ(CSerialIO::DevicePathFor("\\\\.\\COM12"), "/dev/ttyS11");
    EXPECT_EQ(CSerialIO::DevicePathFor("COM17"), "COM17");
    EXPECT_EQ(CSerialIO::DevicePathFor("COM0"), "COM0");
    EXPECT_EQ(CSerialIO::DevicePathFor("/dev/serial/by-id/usb-FTDI-if00"), "/dev/serial/by-id/usb-FTDI-if00");
}

TEST(SerialIO, LineSettingsFollowTheIndexesExceptOnTheInfraredPort)
{
    PtyPair pty;
    CSerialIO port;
    ComSettings s = Rs485Settings(pty.SlavePath(), 3);
    s.Stop = 1;
    s.Parity = 2;
    port.SetComSettings(s);
    port.Setup();
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(port.Line().Parity, 2);
    // The pseudo-terminal drops PARENB: parity checking and PARODD are what
    // tell a peer on its other side the parity in use.
    for (int parity : {0, 1, 2}) {
        s.Parity = parity;
        port.SetComSettings(s);
        port.Setup();
        ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);
        EXPECT_EQ((tio.c_iflag & INPCK) != 0, parity != 0) << parity;
        EXPECT_EQ((tio.c_cflag & PARODD) != 0, parity == 1) << parity;
    }
    s.Parity = 2;

    // Out-of-range indexes fall back to 1200 bit/s, one stop bit.
    s.Baudrate = 6;
    s.Stop = 2;
    port.SetComSettings(s);
    port.Setup();
    ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B1200);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);

    ComSettings ir = InfraredSettings(pty.SlavePath());
    ir.Baudrate = 3;
    ir.Parity = 0;
    ir.Stop = 1;
    port.SetComSettings(ir);
    port.Setup();
    ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B1200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(port.Line().Parity, 1);
    EXPECT_EQ(port.DevicePath(), pty.SlavePath());

    EXPECT_EQ(ComSettings::DataBitsOf(2), 7);
    EXPECT_EQ(ComSettings::DataBitsOf(0), 7);
    EXPECT_EQ(ComSettings::DataBitsOf(1), 8);
}

TEST(SerialIO, OpenIsExclusiveAndFailuresNameTheDisplayName)
{
    PtyPair pty;
    CSerialIO first, second;
    first.SetComSettings(Rs485Settings(pty.SlavePath()));
    first.Setup();
    second.SetComSettings(Rs485Settings(pty.SlavePath()));
    EXPECT_EQ(OpenFailure(second), "Communication port Test RS-485 port can not be opened.\rDevice or resource busy");
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    first.Close(); // closing twice is harmless
    EXPECT_EQ(OpenFailure(second), "(opened)");

    CSerialIO none;
    none.SetComSettings(Rs485Settings(""));
    // No port at all is said as such, not as a port with a blank name.
    EXPECT_EQ(OpenFailure(none), "No communication port is chosen for this link: choose one in the Connect dialog.");
    // A plain file is no serial port.
    none.SetComSettings(Rs485Settings("/etc/hostname"));
    EXPECT_EQ(OpenFailure(none),
              "Communication port Test RS-485 port can not be opened.\rInappropriate ioctl for device");

    EXPECT_THROW(none.SetReadTimeout(10), CPrivateException);
    EXPECT_THROW(none.Write("x", 1), CPrivateException);
    char b;
    EXPECT_EQ(none.Read(&b, 1), 0u);
}

TEST(SerialIO, ReadsEndWhenTheBytesAreInOrTheTimeOutHasPassed)
{
    PtyPair pty;
    CSerialIO port;
    port.SetComSettings(Rs485Settings(pty.SlavePath()));
    port.Setup();

    // Whatever is buffered comes back from a poll read; nothing blocks.
    ASSERT_EQ(write(pty.Master(), "abc", 3), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port.SetPollTimeouts();
    char buf[512];
    EXPECT_EQ(port.Read(buf, sizeof buf), 3u);
    EXPECT_EQ(port.Read(buf, sizeof buf), 0u);

    // Bytes that come in pieces are collected up to n.
    port.SetReadTimeout(3000);
    std::thread feeder([&] {
        for (char c : std::string("12345")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            [[maybe_unused]] auto w = write(pty.Master(), &c, 1);
        }
    });
    EXPECT_EQ(port.Read(buf, 5), 5u);
    feeder.join();
    EXPECT_EQ(std::string(buf, 5), "12345");

    // Fewer than n when the time-out ends the wait.
    port.SetReadTimeout(100);
    ASSERT_EQ(write(pty.Master(), "xy", 2), 2);
    EXPECT_EQ(port.Read(buf, 10), 2u);

    // What the port writes arrives whole on the other side.
    EXPECT_EQ(port.Write("hello", 5), 5u);
    char got[5];
    std::size_t n = 0;
    while (n < 5) {
        pollfd p{pty.Master(), POLLIN, 0};
        ASSERT_GT(poll(&p, 1, 1000), 0);
        n += static_cast<std::size_t>(read(pty.Master(), got + n, 5 - n));
    }
    EXPECT_EQ(std::string(got, 5), "hello");
}

TEST(SerialIO, InterruptEndsAWaitingRead)
{
    PtyPair pty;
    CSerialIO port;
    port.SetComSettings(Rs485Settings(pty.SlavePath()));
    port.Setup();
    port.SetReadTimeout(60000);
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        port.Interrupt();
    });
    char b[4];
    EXPECT_EQ(port.Read(b, 4), 0u);
    t.join();
    port.ClearInterrupt();
    port.SetReadTimeout(50);
    ASSERT_EQ(write(pty.Master(), "z", 1), 1);
    EXPECT_EQ(port.Read(b, 1), 1u);
}

TEST(SerialIO, LineSettingsLeaveNothingOfWhatAnotherProgramSet)
{
    PtyPair pty;
    // Another program left stick parity, flow control and a cooked line.
    int other = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    termios left{};
    ASSERT_EQ(tcgetattr(other, &left), 0);
    left.c_cflag |= CMSPAR | CRTSCTS | HUPCL;
    left.c_iflag |= IXON | IXOFF | ICRNL | INPCK | ISTRIP;
    left.c_oflag |= OPOST | ONLCR;
    left.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    left.c_cc[VMIN] = 5;
    tcsetattr(other, TCSANOW, &left);
    ASSERT_EQ(tcgetattr(other, &left), 0);
    ASSERT_TRUE(left.c_cflag & CMSPAR); // the pseudo-terminal keeps it, as a real port would

    CSerialIO port;
    ComSettings s = Rs485Settings(pty.SlavePath());
    s.Parity = 2; // even: with CMSPAR left on it would go out as space parity
    port.SetComSettings(s);
    port.Setup();
    termios now{};
    ASSERT_EQ(tcgetattr(other, &now), 0);
    close(other);
    EXPECT_EQ(now.c_cflag & (CMSPAR | CRTSCTS | HUPCL), 0u);
    EXPECT_EQ(now.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_TRUE(now.c_iflag & INPCK); // the parity of the line is checked
    EXPECT_EQ(now.c_oflag & OPOST, 0u);
    EXPECT_EQ(now.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(now.c_cc[VMIN], 0);
    EXPECT_EQ(now.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B38400));
}

TEST(SerialIO, AHangUpEndsAWaitingReadAtOnceAndThePortCanBeOpenedAgain)
{
    PtyPair pty;
    CSerialIO port;
    port.SetComSettings(Rs485Settings(pty.SlavePath()));
    port.Setup();
    port.SetReadTimeout(20000);
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        ioctl(fd, TIOCVHANGUP); // what the kernel does when a USB adapter goes
        close(fd);
    });
    char b[4];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(b, 4), 0u);
    unplug.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)); // not the 20 s time-out
    EXPECT_TRUE(port.IsLost());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LostText(), "Communication port Test RS-485 port was lost.\rThe device was disconnected.");

    port.Setup();
    EXPECT_FALSE(port.IsLost());
    EXPECT_EQ(port.Write("ok", 2), 2u);
    char got[2];
    pollfd p{pty.Master(), POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 1000), 0);
    EXPECT_EQ(read(pty.Master(), got, 2), 2);

    // The far end going away for good is a loss too.
    pty.CloseMaster();
    EXPECT_EQ(port.Read(b, 4), 0u);
    EXPECT_TRUE(port.IsLost());
    EXPECT_THROW(port.Write("x", 1), CPrivateException);
}
