#pragma once
// The per-user settings store: an INI file
// $XDG_CONFIG_HOME/TRELVANE/<application name>.conf (default ~/.config), with
// the sections and value names the program has always used. A missing,
// damaged or unreadable file gives the defaults; so does a value that is not
// valid, and the program says once which file and key it did not use.

#include <functional>
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

    // The whole file as it is now, for reading several values at once. A
    // file that cannot be read (other than a missing one), one in UTF-16,
    // one with NUL bytes and one over CIniFile::kMaxFileSize read as empty,
    // with a warning.
    static CIniFile Snapshot();

    // Where warnings about the file go: each file and key is told once per
    // process. Without a sink they wait for TakeWarnings.
    static void SetWarningSink(std::function<void(const std::string&)> sink);
    static std::vector<std::string> TakeWarnings();
    // Tells that `text` of `key` is not used.
    static void Ignored(std::string_view section, std::string_view key, std::string_view text);

    // The value of `key` when it is there and `valid` takes it; a missing
    // one gives `def` silently, an invalid one `def` and a warning. `valid`
    // for numbers takes only plain decimal integers.
    static int ValidInt(const CIniFile& ini, std::string_view section, std::string_view key, int def,
                        const std::function<bool(long long)>& valid);
    static std::string ValidText(const CIniFile& ini, std::string_view section, std::string_view key,
                                 std::string_view def, const std::function<bool(std::string_view)>& valid);
    // Text without control characters (a port name, a display name).
    static bool IsPlainText(std::string_view text);
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
    int m_deviceId = 15;        // "DeviceId": model code last worked on
    int m_displayLanguage = -1; // "DisplayLanguage": -1 = not chosen yet

    void Load();
    void Save() const;
};
