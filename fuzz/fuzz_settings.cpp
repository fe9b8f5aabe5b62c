// The settings store on any file text: the INI service reads it and writes
// it back line for line, a value set is the value read (with its line breaks
// made blanks and its outer blanks dropped) and touches no other key, and the
// application and connection settings loaded from it survive a save and a
// load unchanged. Whatever the file holds, every value loaded is one the
// program may use (a value not valid gives its default).

#include "FuzzCheck.h"

#include "app/AppSettings.h"
#include "comm/ComSettings.h"
#include "comm/ModbusInterface.h"
#include "comm/SerialIO.h"
#include "files/IniFile.h"
#include "model/DeviceType.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kSections[] = {"Settings", "ComSettings", "Q6K"};
constexpr std::size_t kKeysPerSection = 32; // enough to meet every kind of line

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y))
            return false;
    }
    return true;
}

// The value Get gives after Set(value).
std::string AsRead(std::string value)
{
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

void CheckIniText(const std::string& text, const std::string& value)
{
    CIniFile ini;
    ini.LoadText(text);
    const std::string once = ini.Text();
    CIniFile again;
    again.LoadText(once);
    FUZZ_CHECK(again.Text() == once);

    for (const char* section : kSections) {
        std::vector<std::string> keys = ini.Keys(section);
        if (keys.size() > kKeysPerSection)
            keys.resize(kKeysPerSection);
        keys.push_back("FuzzNewKey");
        for (const std::string& key : keys) {
            std::vector<std::optional<std::string>> before;
            for (const std::string& other : keys)
                before.push_back(ini.Get(section, other));
            ini.Set(section, key, value);
            FUZZ_CHECK(ini.Get(section, key) == AsRead(value));
            for (std::size_t i = 0; i < keys.size(); ++i)
                if (!EqualNoCase(keys[i], key))
                    FUZZ_CHECK(ini.Get(section, keys[i]) == before[i]);
        }
        // What was set is what a reader of the saved text finds.
        CIniFile saved;
        saved.LoadText(ini.Text());
        for (const std::string& key : keys)
            FUZZ_CHECK(saved.Get(section, key) == ini.Get(section, key));
    }
}

bool SameComSettings(const ComSettings& a, const ComSettings& b)
{
    return a.Mode == b.Mode && a.Address == b.Address && a.COMPort == b.COMPort && a.COMPortName == b.COMPortName &&
           a.COMPortDisplayName == b.COMPortDisplayName && a.IRCOMPortName == b.IRCOMPortName &&
           a.IRCOMPortDisplayName == b.IRCOMPortDisplayName && a.Baudrate == b.Baudrate && a.Character == b.Character &&
           a.Parity == b.Parity && a.Stop == b.Stop && a.ServerAddress == b.ServerAddress &&
           a.ServicePort == b.ServicePort;
}

void CheckSettingsFile(const std::string& text)
{
    const std::string path = CSettingsStore::FilePath();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;

    CAppSettings app;
    app.Load();
    const ComSettings com; // loads
    FUZZ_CHECK(com.Character == 1);
    // Whatever the file says, the line settings and the time-outs stay usable.
    const unsigned baud = com.BaudRate();
    FUZZ_CHECK(baud >= 1200 && baud <= 38400);
    const int dataBits = ComSettings::DataBitsOf(com.Character);
    const int stopBits = ComSettings::StopBitsOf(com.Stop);
    FUZZ_CHECK((dataBits == 7 || dataBits == 8) && (stopBits == 1 || stopBits == 2));
    FUZZ_CHECK(CModbusInterface::ComputeResponseTimeout(com, 200, 8, 255) >= 200);
    FUZZ_CHECK(!CSerialIO::DevicePathFor(com.COMPortName).empty() || com.COMPortName.empty());
    FUZZ_CHECK(com.Mode >= kModeRs485 && com.Mode <= kModeInfrared);
    FUZZ_CHECK(com.Address >= 1 && com.Address <= 247);
    FUZZ_CHECK(com.Baudrate >= 0 && com.Baudrate <= 5 && com.Parity >= 0 && com.Parity <= 2 && com.Stop >= 0 &&
               com.Stop <= 1);
    FUZZ_CHECK(ComSettings::IsValidServicePort(com.ServicePort) && !com.ServerAddress.empty());
    for (const std::string* name :
         {&com.COMPortName, &com.COMPortDisplayName, &com.IRCOMPortName, &com.IRCOMPortDisplayName})
        FUZZ_CHECK(CSettingsStore::IsPlainText(*name));
    FUZZ_CHECK(CDeviceType::FromCode(app.m_deviceId).IsKnown());
    FUZZ_CHECK(app.m_displayLanguage >= -1 && app.m_displayLanguage <= 1);

    app.Save();
    com.Save();
    CAppSettings appBack;
    appBack.Load();
    const ComSettings comBack;
    FUZZ_CHECK(appBack.m_deviceId == app.m_deviceId && appBack.m_displayLanguage == app.m_displayLanguage);
    FUZZ_CHECK(SameComSettings(comBack, com));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // One private settings folder for the whole run, in memory where there is one.
    std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/q6k-fuzz-XXXXXX" : "/tmp/q6k-fuzz-XXXXXX";
    if (!mkdtemp(dir.data()))
        std::abort();
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    // The warnings about values not used would only fill the log.
    CSettingsStore::SetWarningSink([](const std::string&) {});
    mkdir((dir + "/TRELVANE").c_str(), 0700);
    static const std::string folder = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();
    CheckIniText(text, value);
    CheckSettingsFile(text);
    return 0;
}
