#include "app/Language.h"

#include "app/AppSettings.h"
#include "app/StringTable.h"

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>

#ifndef Q6K_DATA_DIR_FROM_PROGRAM
#define Q6K_DATA_DIR_FROM_PROGRAM "../share/v6uvuv"
#endif

namespace {

std::atomic<int> g_loaded{0};
std::mutex g_dirLock;
std::string g_moduleDir; // empty: the default places

// "ja", "ja_JP", "ja_JP.UTF-8", "ja.eucJP", "ja_JP@x"; not a longer name
// that merely starts with the letters.
bool NamesJapanese(std::string_view value)
{
    if (!value.starts_with("ja"))
        return false;
    return value.size() == 2 || value[2] == '_' || value[2] == '.' || value[2] == '@';
}

std::string ProgramDirectory()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

// Texts (LC_CTYPE) and the system's messages (LC_MESSAGES, for strerror and
// the resolver's texts) follow the chosen language where the system has its
// locale, else a UTF-8 locale without language, since every text of the
// program is UTF-8. Numbers never follow it: a user default such as de_DE
// writes and reads "1,5", and every number the program parses or prints (in
// dialogs, files, CSV and on the command line) uses "."; Qt's constructor has
// set LC_NUMERIC from the environment, so it is put back here. The other
// categories (time, collation, money) are left as the environment set them.
void ApplyRuntimeLocale(const CLanguageRow& row)
{
    for (int category : {LC_CTYPE, LC_MESSAGES}) {
        if (!std::setlocale(category, row.m_runtimeLocale))
            std::setlocale(category, "C.UTF-8"); // on failure the category stays as it was
    }
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace

unsigned EnvironmentLocaleId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return NamesJapanese(value) ? kJapaneseLocaleId : 0;
    }
    return 0;
}

int LanguageForLocale(unsigned localeId)
{
    for (int i = 0; i < kLanguageCount; ++i) {
        if (kLanguageTable[i].m_localeId == localeId)
            return i;
    }
    return 0;
}

std::string LanguageModuleFileName(int index)
{
    if (index < 0 || index >= kLanguageCount || !*kLanguageTable[index].m_moduleSuffix)
        return {};
    return CSettingsStore::ApplicationName() + kLanguageTable[index].m_moduleSuffix;
}

std::vector<std::string> LanguageModuleDirectories()
{
    {
        std::lock_guard guard(g_dirLock);
        if (!g_moduleDir.empty())
            return {g_moduleDir};
    }
    const std::string exeDir = ProgramDirectory();
    if (exeDir.empty())
        return {};
    const std::filesystem::path data = std::filesystem::path(exeDir) / Q6K_DATA_DIR_FROM_PROGRAM;
    return {exeDir, data.lexically_normal().string()};
}

void SetLanguageModuleDirectory(std::string dir)
{
    std::lock_guard guard(g_dirLock);
    g_moduleDir = std::move(dir);
}

int LoadedLanguage()
{
    return g_loaded.load();
}

bool LoadLanguage(int index)
{
    if (index < 0 || index >= kLanguageCount)
        index = LanguageForLocale(EnvironmentLocaleId());
    g_loaded = index;
    CStringTable::UnloadLanguage();

    bool loaded = true;
    const std::string file = LanguageModuleFileName(index);
    if (!file.empty()) {
        loaded = false;
        for (const std::string& dir : LanguageModuleDirectories()) {
            if (CStringTable::LoadLanguageFile(dir + "/" + file)) {
                loaded = true;
                break;
            }
        }
    }
    ApplyRuntimeLocale(kLanguageTable[index]);
    return loaded;
}
