#include "comm/ComSettings.h"

#include "app/AppSettings.h"
#include "files/IniFile.h"

#include <cctype>
#include <optional>

namespace {

constexpr const char* kSection = "ComSettings";

bool IsServerAddress(std::string_view text)
{
    // A host name, an IPv4 or an IPv6 address: nothing else may reach the
    // resolver.
    if (text.empty() || text.size() > 253)
        return false;
    for (unsigned char c : text)
        if (!std::isalnum(c) && c != '.' && c != '-' && c != ':' && c != '_' && c != '%' && c != '[' && c != ']')
            return false;
    return true;
}

} // namespace

void ComSettings::Load()
{
    const CIniFile store = CSettingsStore::Snapshot();
    auto within = [](long long low, long long high) { return [=](long long v) { return v >= low && v <= high; }; };
    auto portName = [&](const char* key) {
        return CSettingsStore::ValidText(store, kSection, key, "", CSettingsStore::IsPlainText);
    };
    Address = CSettingsStore::ValidInt(store, kSection, "Address", 1, within(kFirstDeviceAddress, kLastDeviceAddress));
    COMPort = CSettingsStore::ValidInt(store, kSection, "COMPort", 0, [](long long) { return true; });
    COMPortName = portName("COMPortName");
    COMPortDisplayName = portName("COMPortDisplayName");
    IRCOMPortName = portName("IRCOMPortName");
    IRCOMPortDisplayName = portName("IRCOMPortDisplayName");
    Baudrate = CSettingsStore::ValidInt(store, kSection, "Baudrate", 5, within(0, 5));
    Character = 1; // 8 data bits, whatever is stored
    Parity = CSettingsStore::ValidInt(store, kSection, "Parity", 1, within(0, 2));
    Stop = CSettingsStore::ValidInt(store, kSection, "Stop", 0, within(0, 1));
    const bool modeStored = store.Get(kSection, "Mode").has_value();
    Mode = CSettingsStore::ValidInt(store, kSection, "Mode", -1, within(kModeRs485, kModeRtuTcp));
    if (Mode < 0) {
        Mode = kModeRs485;
        // Which of the ports the user meant is not known: none is opened
        // until one is chosen.
        if (modeStored)
            COMPortName = COMPortDisplayName = IRCOMPortName = IRCOMPortDisplayName = "";
    }
    ServerAddress = CSettingsStore::ValidText(store, kSection, "ServerAddress", "192.168.0.1", IsServerAddress);
    ServicePort = CSettingsStore::ValidText(store, kSection, "ServicePort", "502", IsValidServicePort);
    RtuTcpServicePort = CSettingsStore::ValidText(store, kSection, "RtuTcpServicePort", "4001", IsValidServicePort);
}

bool ComSettings::IsValidServicePort(std::string_view text)
{
    // Decimal digits only: a service name or a number past 16 bits would be
    // taken as another port by the resolver.
    if (text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const std::optional<std::int64_t> port = CIniFile::PlainInteger(text);
    return port && *port >= 1 && *port <= 65535;
}

void ComSettings::Save() const
{
    CSettingsStore::Write(kSection, {
                                        {"Address", std::to_string(Address)},
                                        {"COMPort", std::to_string(COMPort)},
                                        {"COMPortName", COMPortName},
                                        {"COMPortDisplayName", COMPortDisplayName},
                                        {"IRCOMPortName", IRCOMPortName},
                                        {"IRCOMPortDisplayName", IRCOMPortDisplayName},
                                        {"Baudrate", std::to_string(Baudrate)},
                                        {"Character", std::to_string(Character)},
                                        {"Parity", std::to_string(Parity)},
                                        {"Stop", std::to_string(Stop)},
                                        {"Mode", std::to_string(Mode)},
                                        {"ServerAddress", ServerAddress},
                                        {"ServicePort", ServicePort},
                                        {"RtuTcpServicePort", RtuTcpServicePort},
                                    });
}

unsigned ComSettings::BaudRateOf(int index)
{
    return index >= 0 && index < static_cast<int>(kBaudRates.size()) ? kBaudRates[static_cast<std::size_t>(index)]
                                                                     : kBaudRates[0];
}

int ComSettings::DataBitsOf(int index)
{
    return index == 1 ? 8 : 7;
}

int ComSettings::StopBitsOf(int index)
{
    return index == 1 ? 2 : 1;
}
