#pragma once
// The per-user settings store: an INI file
// $XDG_CONFIG_HOME/TRELVANE/<application name>.conf (default ~/.config), with
// the sections and value names the program has always used. A missing,
// damaged or unreadable file gives the defaults.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/IniFile.h"

class CSettingsStore
{
public:
    // The application name the file is named after ("V6UVUV" unless set).
    static void SetApplicationName(std::string name);
    static std::string ApplicationName();
    static std::string FilePath();

    // The whole file as it is now, for reading several values at once.
    static CIniFile Snapshot();
    static int GetInt(std::string_view section, std::string_view key, int def);
    static std::string GetString(std::string_view section, std::string_view key, std::string_view def);

    struct Value
    {
        std::string key;
        std::string text;
    };
    // Writes the values in the order given, in one atomic save. Raises
    // CPrivateException when the file cannot be written.
    static void Write(std::string_view section, const std::vector<Value>& values);
};

// The application settings of section "Settings".
struct CAppSettings
{
    int m_deviceId = 15;         // "DeviceId": model code last worked on
    int m_displayLanguage = -1;  // "DisplayLanguage": -1 = not chosen yet

    void Load();
    void Save() const;
};
