#include "comm/ComSettings.h"

#include "app/AppSettings.h"
#include "files/IniFile.h"

namespace {
constexpr const char* kSection = "ComSettings";
}

void ComSettings::Load()
{
    const CIniFile store = CSettingsStore::Snapshot();
    Address = store.GetInt(kSection, "Address", 1);
    COMPort = store.GetInt(kSection, "COMPort", 0);
    COMPortName = store.GetString(kSection, "COMPortName", "");
    COMPortDisplayName = store.GetString(kSection, "COMPortDisplayName", "");
    IRCOMPortName = store.GetString(kSection, "IRCOMPortName", "");
    IRCOMPortDisplayName = store.GetString(kSection, "IRCOMPortDisplayName", "");
    Baudrate = store.GetInt(kSection, "Baudrate", 5);
    Character = 1; // 8 data bits, whatever is stored
    Parity = store.GetInt(kSection, "Parity", 1);
    Stop = store.GetInt(kSection, "Stop", 0);
    Mode = store.GetInt(kSection, "Mode", kModeRs485);
    ServerAddress = store.GetString(kSection, "ServerAddress", "192.168.0.1");
    ServicePort = store.GetString(kSection, "ServicePort", "502");
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
    });
}

unsigned ComSettings::BaudRateOf(int index)
{
    static constexpr unsigned kRates[] = {1200, 2400, 4800, 9600, 19200, 38400};
    return index >= 0 && index < 6 ? kRates[index] : 1200;
}

int ComSettings::DataBitsOf(int index)
{
    return index == 1 ? 8 : 7;
}

int ComSettings::StopBitsOf(int index)
{
    return index == 1 ? 2 : 1;
}
