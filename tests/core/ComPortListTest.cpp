// The port list of the Connect dialog, built from an injected inventory.
#include "comm/ComPortList.h"
#include "comm/SerialIO.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> DisplayNames(const ComPortList& list)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.GetCount(); ++i)
        names.push_back(list.GetDisplayName(i));
    return names;
}

} // namespace

TEST(ComPortList, PlainPortsAreCom1ToCom16OnTtyS0ToTtyS15)
{
    const ComPortList list;
    ASSERT_EQ(list.GetCount(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::string com = "COM" + std::to_string(i + 1);
        EXPECT_EQ(list.GetDisplayName(i), com);
        // The stored path must reach the port the serial I/O opens.
        EXPECT_EQ(CSerialIO::DevicePathFor(list.GetDevicePath(i)), "/dev/ttyS" + std::to_string(i));
    }
    EXPECT_EQ(list.GetDevicePath(16), "");
    EXPECT_EQ(list.GetDisplayName(16), "");
    EXPECT_EQ(list.GetDisplayName(static_cast<std::size_t>(-1)), "");
}

TEST(ComPortList, RealPortsReplaceTheirPlainEntryAndAdaptersFollowInOrder)
{
    const std::vector<DiscoveredPort> found = {
        {"ttyUSB10", "/dev/ttyUSB10", "CP2102 USB to UART Bridge Controller", "Silicon Labs", ""},
        {"ttyS1", "/dev/ttyS1", "16550A UART", "", ""},
        {"ttyUSB2", "/dev/ttyUSB2", "FT232R USB UART", "FTDI",
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1-if00-port0"},
        {"ttyACM0", "/dev/ttyACM0", "", "", "/dev/serial/by-id/usb-Arduino_Uno-if00"},
        {"ttyS20", "/dev/ttyS20", "", "", ""},
        {"ttyS0", "/dev/ttyS0", "", "", ""},
        {"ttyUSB2", "/dev/ttyUSB2", "FT232R USB UART", "FTDI",
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1-if00-port0"}, // reported twice
    };
    const ComPortList list(found);

    const std::vector<std::string> expected = {
        "COM1",
        "16550A UART (COM2)",
        "COM3",
        "COM4",
        "COM5",
        "COM6",
        "COM7",
        "COM8",
        "COM9",
        "COM10",
        "COM11",
        "COM12",
        "COM13",
        "COM14",
        "COM15",
        "COM16",
        "ttyACM0",
        "ttyS20",
        "FTDI FT232R USB UART (ttyUSB2)",
        "Silicon Labs CP2102 USB to UART Bridge Controller (ttyUSB10)",
    };
    EXPECT_EQ(DisplayNames(list), expected);

    // A real ttyS keeps the plain path, so a stored "COM2" stays valid.
    EXPECT_EQ(list.GetDevicePath(0), "COM1");
    EXPECT_EQ(list.GetDevicePath(1), "COM2");
    // Adapters are reached by their stable link where there is one.
    EXPECT_EQ(list.GetDevicePath(16), "/dev/serial/by-id/usb-Arduino_Uno-if00");
    EXPECT_EQ(list.GetDevicePath(17), "/dev/ttyS20");
    EXPECT_EQ(list.GetDevicePath(18), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1-if00-port0");
    EXPECT_EQ(list.GetDevicePath(19), "/dev/ttyUSB10");
}

TEST(ComPortList, FriendlyNamesDoNotRepeatTheManufacturer)
{
    EXPECT_EQ(ComPortList::FriendlyName({"ttyUSB0", "/dev/ttyUSB0", "FTDI USB Serial", "ftdi", ""}),
              "FTDI USB Serial (ttyUSB0)");
    EXPECT_EQ(ComPortList::FriendlyName({"ttyS4", "/dev/ttyS4", "PCI serial COM5 port", "", ""}),
              "PCI serial COM5 port");
    // No text at all: the short name, never " (COM5)" with a leading blank.
    EXPECT_EQ(ComPortList::FriendlyName({"ttyS4", "/dev/ttyS4", "", "", ""}), "COM5");
    EXPECT_EQ(ComPortList::FriendlyName({"", "/dev/odd", "", "", ""}), "/dev/odd");
}

TEST(ComPortList, FindsTheLastEqualNameAndAcceptsTypedPaths)
{
    ComPortList list({{"ttyUSB0", "/dev/ttyUSB0", "", "", ""}, {"ttyUSB1", "/dev/ttyUSB1", "", "", ""}});
    EXPECT_EQ(list.FindDisplayName("COM3"), 2);
    EXPECT_EQ(list.FindDisplayName("com3"), -1); // letter case counts

    EXPECT_EQ(list.AddTyped("/dev/pts/7"), 18u);
    EXPECT_EQ(list.GetDevicePath(18), "/dev/pts/7");
    EXPECT_EQ(list.GetDisplayName(18), "/dev/pts/7");
    EXPECT_EQ(list.AddTyped("/dev/pts/7"), 18u);   // not twice
    EXPECT_EQ(list.AddTyped("/dev/ttyUSB0"), 16u); // a listed device
    EXPECT_EQ(list.GetCount(), 19u);

    // Two ports of the same name: the later one is the one found.
    ComPortList twins({{"ttyS2", "/dev/ttyS2", "", "", ""}, {"", "/dev/ttyX9", "COM3", "", ""}});
    EXPECT_EQ(twins.FindDisplayName("COM3"), 16);
}

TEST(ComPortList, ByIdPathResolvesTheLinksToThePort)
{
    char tmpl[] = "/tmp/q6k-byid-XXXXXX";
    const fs::path root = mkdtemp(tmpl);
    const fs::path dev = root / "dev", byId = root / "by-id";
    fs::create_directories(dev);
    fs::create_directories(byId);
    for (const char* n : {"ttyUSB0", "ttyUSB1", "ttyACM0"})
        std::ofstream(dev / n) << "";
    // udev writes relative links; one adapter may have two.
    fs::create_symlink("../dev/ttyUSB1", byId / "usb-FTDI_B-if00-port0");
    fs::create_symlink("../dev/ttyUSB0", byId / "usb-FTDI_A-if00-port0");
    fs::create_symlink(dev / "ttyUSB1", byId / "usb-FTDI_B-alias");
    fs::create_symlink("../dev/gone", byId / "usb-dangling");
    std::ofstream(byId / "usb-plain-file") << "";

    EXPECT_EQ(ComPortList::ByIdPathFor((dev / "ttyUSB0").string(), byId.string()),
              (byId / "usb-FTDI_A-if00-port0").string());
    EXPECT_EQ(ComPortList::ByIdPathFor((dev / "ttyUSB1").string(), byId.string()),
              (byId / "usb-FTDI_B-alias").string());
    EXPECT_EQ(ComPortList::ByIdPathFor((dev / "ttyACM0").string(), byId.string()), "");
    EXPECT_EQ(ComPortList::ByIdPathFor((dev / "ttyUSB0").string(), (root / "none").string()), "");

    fs::remove_all(root);
}
