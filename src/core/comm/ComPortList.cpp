#include "comm/ComPortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

std::string PlainName(int number)
{
    return "COM" + std::to_string(number);
}

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

// "ttyUSB2" before "ttyUSB10": runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            // Compare without leading zeros: first by length, then digit by digit.
            std::size_t si = a.find_first_not_of('0', i), sj = b.find_first_not_of('0', j);
            si = std::min(si, ei);
            sj = std::min(sj, ej);
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int c = a.compare(si, ei - si, b, sj, ej - sj);
            if (c != 0)
                return c < 0;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

} // namespace

ComPortList::ComPortList()
{
    for (int n = 1; n <= kPlainPorts; ++n)
        m_entries.push_back({PlainName(n), PlainName(n)});
}

ComPortList::ComPortList(const std::vector<DiscoveredPort>& discovered) : ComPortList()
{
    std::vector<const DiscoveredPort*> others;
    for (const DiscoveredPort& port : discovered) {
        if (port.name.empty() && port.systemLocation.empty())
            continue;
        const int tty = TtySIndex(port.name);
        if (tty >= 0 && tty < kPlainPorts) {
            Entry& entry = m_entries[static_cast<std::size_t>(tty)];
            // Keep the plain "COMn" form where it names the same device, so a
            // stored choice stays valid whether or not discovery finds the port.
            const std::string plainPath = "/dev/ttyS" + std::to_string(tty);
            if (!port.byIdPath.empty())
                entry.devicePath = port.byIdPath;
            else if (port.systemLocation.empty() || port.systemLocation == plainPath)
                entry.devicePath = PlainName(tty + 1);
            else
                entry.devicePath = port.systemLocation;
            entry.displayName = FriendlyName(port);
        } else {
            others.push_back(&port);
        }
    }
    std::stable_sort(others.begin(), others.end(),
                     [](const DiscoveredPort* a, const DiscoveredPort* b) { return NaturalLess(a->name, b->name); });
    for (const DiscoveredPort* port : others) {
        std::string path = port->byIdPath;
        if (path.empty())
            path = port->systemLocation.empty() ? "/dev/" + port->name : port->systemLocation;
        // The same device reported twice is offered once.
        const bool known =
            std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.devicePath == path; });
        if (!known)
            m_entries.push_back({path, FriendlyName(*port)});
    }
}

std::string ComPortList::GetDevicePath(std::size_t i) const
{
    return i < m_entries.size() ? m_entries[i].devicePath : std::string();
}

std::string ComPortList::GetDisplayName(std::size_t i) const
{
    return i < m_entries.size() ? m_entries[i].displayName : std::string();
}

int ComPortList::FindDisplayName(const std::string& displayName) const
{
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        if (m_entries[i].displayName == displayName)
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t ComPortList::AddTyped(const std::string& devicePath)
{
    const int byName = FindDisplayName(devicePath);
    if (byName >= 0)
        return static_cast<std::size_t>(byName);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].devicePath == devicePath)
            return i;
    }
    m_entries.push_back({devicePath, devicePath});
    return m_entries.size() - 1;
}

std::string ComPortList::FriendlyName(const DiscoveredPort& port)
{
    std::string text = port.description;
    if (!port.manufacturer.empty() && !ContainsNoCase(text, port.manufacturer))
        text = text.empty() ? port.manufacturer : port.manufacturer + " " + text;

    const int tty = TtySIndex(port.name);
    const std::string shortName = tty >= 0 && tty < kPlainPorts ? PlainName(tty + 1) : port.name;
    if (text.empty())
        return shortName.empty() ? port.systemLocation : shortName;
    if (shortName.empty() || text.find(shortName) != std::string::npos)
        return text;
    return text + " (" + shortName + ")";
}

std::string ComPortList::ByIdPathFor(const std::string& systemLocation, const std::string& byIdDir)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::canonical(systemLocation, ec);
    if (ec)
        return {};
    std::vector<std::string> matches;
    for (fs::directory_iterator it(byIdDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        if (!it->is_symlink(linkEc))
            continue;
        const fs::path resolved = fs::canonical(it->path(), linkEc);
        if (!linkEc && resolved == target)
            matches.push_back(it->path().string());
    }
    if (matches.empty())
        return {};
    // Several links can name one adapter; take a fixed one so that the stored
    // choice does not change from one run to the next.
    return *std::min_element(matches.begin(), matches.end());
}

int ComPortList::TtySIndex(const std::string& name)
{
    if (name.size() < 5 || name.compare(0, 4, "ttyS") != 0 || name.size() > 8)
        return -1;
    int n = 0;
    for (std::size_t i = 4; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}
