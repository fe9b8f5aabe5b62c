#pragma once
// The serial ports the Connect dialog offers: the plain ports COM1..COM16
// (/dev/ttyS0../dev/ttyS15) first, then the ports the system really has.
// The discovery itself lives in the window layer (it asks Qt); the merging is
// here so that it can be fed any list of ports.

#include <cstddef>
#include <string>
#include <vector>

// One port as the system reports it.
struct DiscoveredPort
{
    std::string name;           // kernel name, e.g. "ttyUSB0"
    std::string systemLocation; // e.g. "/dev/ttyUSB0"
    std::string description;    // e.g. "FT232R USB UART"
    std::string manufacturer;   // e.g. "FTDI"
    std::string byIdPath;       // stable /dev/serial/by-id link, or empty
};

class ComPortList
{
public:
    static constexpr int kPlainPorts = 16;

    // The plain ports only.
    ComPortList();
    // The plain ports merged with the discovered ones: a real ttySn (n < 16)
    // replaces entry n + 1, every other port follows COM16, in natural order
    // of its kernel name.
    explicit ComPortList(const std::vector<DiscoveredPort>& discovered);

    std::size_t GetCount() const { return m_entries.size(); }
    // Empty texts when i is out of range.
    std::string GetDevicePath(std::size_t i) const;
    std::string GetDisplayName(std::size_t i) const;

    // The last entry whose display name equals `displayName` exactly, or -1.
    int FindDisplayName(const std::string& displayName) const;

    // Accepts a device path the user typed (a pseudo-terminal, say): returns
    // the entry whose display name or device path it is, or appends an entry
    // with the path as both device path and display name.
    std::size_t AddTyped(const std::string& devicePath);

    // The friendly name of a discovered port: its description and
    // manufacturer, followed by the port's short name in parentheses
    // ("COMn" for ttyS0..ttyS15, the kernel name otherwise); the short name
    // alone when the system gives no text.
    static std::string FriendlyName(const DiscoveredPort& port);

    // The link in `byIdDir` that resolves to `systemLocation` (the first in
    // name order when several do), or empty.
    static std::string ByIdPathFor(const std::string& systemLocation, const std::string& byIdDir = "/dev/serial/by-id");

    // n for "ttySn", else -1.
    static int TtySIndex(const std::string& name);

private:
    struct Entry
    {
        std::string devicePath;
        std::string displayName;
    };
    std::vector<Entry> m_entries;
};
