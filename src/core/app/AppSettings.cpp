#include "app/AppSettings.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/StringTable.h"
#include "app/UserFolders.h"
#include "files/IniFile.h"
#include "model/DeviceType.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace {

std::mutex g_lock;     // one reader or writer of the file at a time in this process
std::mutex g_nameLock; // the name is read while g_lock is held
std::string g_appName = "V6UVUV";
std::mutex g_warningLock;
std::set<std::string> g_told; // path, section and key of every warning given
std::vector<std::string> g_pending;
std::function<void(const std::string&)> g_sink;

// Gives `text` once for `what`.
void Warn(const std::string& what, const std::string& text)
{
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard guard(g_warningLock);
        if (!g_told.insert(what).second)
            return;
        if (!g_sink) {
            g_pending.push_back(text);
            return;
        }
        sink = g_sink;
    }
    sink(text);
}

std::string ConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

// A folder the user may not search (another user's home) hides whether
// there is a file at all: nothing to warn about then. A link that loops is
// there.
bool FileIsThere(const std::string& path)
{
    struct stat st = {};
    return lstat(path.c_str(), &st) == 0;
}

CIniFile LoadFile()
{
    const std::string path = CSettingsStore::FilePath();
    CIniFile ini;
    const int err = ini.Load(path);
    std::string why;
    if (err == EILSEQ)
        why = CStringTable::Get(ids::kSettingsUtf16);
    else if (err == EFBIG)
        why = LoadMessage(ids::kSettingsTooLarge, {std::to_string(CIniFile::kMaxFileSize)});
    else if (err && err != ENOENT && FileIsThere(path))
        why = CPrivateException::SystemErrorText(err);
    else if (!err && ini.HasNul())
        why = CStringTable::Get(ids::kSettingsNotText);
    if (why.empty())
        return ini; // missing: the defaults, and nothing to say
    // Nothing of such a file is trusted; a save replaces it.
    Warn(path, LoadMessage(ids::kSettingsUnreadable, {path, why}));
    return CIniFile();
}

int MakeDirs(const std::string& dir)
{
    return MakeFolders(dir, 0700);
}

} // namespace

void CSettingsStore::SetApplicationName(std::string name)
{
    std::lock_guard guard(g_nameLock);
    g_appName = std::move(name);
}

std::string CSettingsStore::ApplicationName()
{
    std::lock_guard guard(g_nameLock);
    return g_appName;
}

std::string CSettingsStore::FilePath()
{
    return ConfigHome() + "/TRELVANE/" + ApplicationName() + ".conf";
}

CIniFile CSettingsStore::Snapshot()
{
    std::lock_guard guard(g_lock);
    return LoadFile();
}

void CSettingsStore::SetWarningSink(std::function<void(const std::string&)> sink)
{
    std::lock_guard guard(g_warningLock);
    g_sink = std::move(sink);
}

std::vector<std::string> CSettingsStore::TakeWarnings()
{
    std::lock_guard guard(g_warningLock);
    return std::exchange(g_pending, {});
}

void CSettingsStore::Ignored(std::string_view section, std::string_view key, std::string_view text)
{
    const std::string path = FilePath();
    Warn(path + "\n" + std::string(section) + "\n" + std::string(key),
         LoadMessage(ids::kSettingIgnored, {path, section, key, text}));
}

int CSettingsStore::ValidInt(const CIniFile& ini, std::string_view section, std::string_view key, int def,
                             const std::function<bool(long long)>& valid)
{
    const std::optional<std::string> text = ini.Get(section, key);
    if (!text)
        return def;
    const std::optional<std::int64_t> value = CIniFile::PlainInteger(*text);
    if (value && *value >= INT_MIN && *value <= INT_MAX && valid(*value))
        return static_cast<int>(*value);
    Ignored(section, key, *text);
    return def;
}

std::string CSettingsStore::ValidText(const CIniFile& ini, std::string_view section, std::string_view key,
                                      std::string_view def, const std::function<bool(std::string_view)>& valid)
{
    const std::optional<std::string> text = ini.Get(section, key);
    if (!text)
        return std::string(def);
    if (valid(*text))
        return *text;
    Ignored(section, key, *text);
    return std::string(def);
}

bool CSettingsStore::IsPlainText(std::string_view text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

int CSettingsStore::GetInt(std::string_view section, std::string_view key, int def)
{
    std::lock_guard guard(g_lock);
    return LoadFile().GetInt(section, key, def);
}

std::string CSettingsStore::GetString(std::string_view section, std::string_view key, std::string_view def)
{
    std::lock_guard guard(g_lock);
    return LoadFile().GetString(section, key, def);
}

void CSettingsStore::Write(std::string_view section, const std::vector<Value>& values)
{
    const std::string path = FilePath();
    std::lock_guard guard(g_lock);
    // What cannot be read (UTF-16, NUL bytes, too large) is replaced.
    CIniFile ini = LoadFile();
    for (const auto& v : values)
        ini.Set(section, v.key, v.text);
    int err = MakeDirs(path.substr(0, path.rfind('/')));
    if (!err)
        err = ini.Save(path);
    if (err)
        throw CPrivateException(
            LoadPrintfMessage(ids::kSettingsNotWritten, {path, CPrivateException::SystemErrorText(err)}));
}

void CAppSettings::Load()
{
    const CIniFile store = CSettingsStore::Snapshot();
    m_deviceId = CSettingsStore::ValidInt(store, "Settings", "DeviceId", 15, [](long long code) {
        return code >= 0 && code <= INT_MAX && CDeviceType::FromCode(static_cast<int>(code)).IsKnown();
    });
    m_displayLanguage = CSettingsStore::ValidInt(store, "Settings", "DisplayLanguage", -1,
                                                 [](long long language) { return language >= -1 && language <= 1; });
}

void CAppSettings::Save() const
{
    CSettingsStore::Write(
        "Settings", {{"DeviceId", std::to_string(m_deviceId)}, {"DisplayLanguage", std::to_string(m_displayLanguage)}});
}
