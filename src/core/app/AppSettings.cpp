#include "app/AppSettings.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/UserFolders.h"
#include "files/IniFile.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

namespace {

std::mutex g_lock;     // one reader or writer of the file at a time in this process
std::mutex g_nameLock; // the name is read while g_lock is held
std::string g_appName = "V6UVUV";

std::string ConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

CIniFile LoadFile()
{
    const std::string path = CSettingsStore::FilePath();
    CIniFile ini;
    ini.Load(path); // unreadable or missing: empty, so defaults
    return ini;
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
    CIniFile ini;
    ini.Load(path);
    for (const auto& v : values)
        ini.Set(section, v.key, v.text);
    int err = MakeDirs(path.substr(0, path.rfind('/')));
    if (!err)
        err = ini.Save(path);
    if (err)
        throw CPrivateException(LoadPrintfMessage(ids::kSettingsNotWritten,
                                                  {path, CPrivateException::SystemErrorText(err)}));
}

void CAppSettings::Load()
{
    const CIniFile store = CSettingsStore::Snapshot();
    m_deviceId = store.GetInt("Settings", "DeviceId", 15);
    m_displayLanguage = store.GetInt("Settings", "DisplayLanguage", -1);
}

void CAppSettings::Save() const
{
    CSettingsStore::Write("Settings", {{"DeviceId", std::to_string(m_deviceId)},
                                       {"DisplayLanguage", std::to_string(m_displayLanguage)}});
}
