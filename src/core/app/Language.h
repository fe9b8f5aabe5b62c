#pragma once
// The display languages: the fixed language table, the choice from the
// user's locale, and the loading of a language module over the English texts
// that are compiled in.
//
// Start-up (after the QApplication exists, whose constructor sets the C
// locale from the environment):
//
//     CAppSettings settings;
//     settings.Load();
//     if (!LoadLanguage(settings.m_displayLanguage))
//         ShowMessage(nullptr, UiText(ids::kLanguageModuleFailed), MessageIcon::Stop);
//
// (LoadLanguageReporting in ui/app/OptionDialog.h does exactly that.)
// Language command: after the Language Setting dialog returned another index
// than LoadedLanguage(), call LoadLanguage(index) the same way and rebuild
// the windows.
//
// Not thread-safe against running transfers: it switches the string table and
// the C locale of the whole process, so call it from the window thread while
// no worker runs.

#include "app/StringIds.h"

#include <string>
#include <vector>

struct CLanguageRow
{
    unsigned m_nameId;           // string number of the display name; its empty text ends the list
    const char* m_moduleSuffix;  // "" = the program's own (English) texts
    unsigned m_localeId;         // Windows-style locale id the row stands for
    const char* m_runtimeLocale; // C locale for texts and messages; "" = the user's default
};

inline constexpr unsigned kUserDefaultLocaleId = 0x400; // matches no real locale
inline constexpr unsigned kJapaneseLocaleId = 0x411;

// Index = the "DisplayLanguage" setting.
inline constexpr CLanguageRow kLanguageTable[] = {
    {ids::kLanguageEnglish, "", kUserDefaultLocaleId, ""},
    {ids::kLanguageJapanese, "_jpn.txt", kJapaneseLocaleId, "ja_JP.UTF-8"},
};
inline constexpr int kLanguageCount = static_cast<int>(sizeof kLanguageTable / sizeof kLanguageTable[0]);

// Makes language `index` current and remembers it as the loaded language.
// An index below 0, and a stored value beyond the table (a setting written by
// a later version or by hand), both mean "not chosen": the language is then
// chosen from the locale and that choice is what LoadedLanguage() reports.
// A loaded module is unloaded first. For a row with a module, the module file
// is looked for in LanguageModuleDirectories() and laid over English.
// Returns false when the row's module could not be loaded: the caller shows
// "Can't load language module" (ids::kLanguageModuleFailed) with the stop
// icon; English texts stay in force, while LoadedLanguage() and the C locale
// are the chosen row's.
bool LoadLanguage(int index);

// The index last given to LoadLanguage (after the choice from the locale);
// 0 before any load.
int LoadedLanguage();

// The locale id the environment stands for, read as glibc picks the language
// of messages: the first non-empty one of LC_ALL, LC_MESSAGES and LANG. A
// value naming the language "ja" ("ja", "ja_JP.UTF-8", "ja_JP.eucJP", ...)
// gives kJapaneseLocaleId; anything else, or nothing set, 0.
unsigned EnvironmentLocaleId();

// The first row whose locale id equals `localeId`, else 0 (English).
int LanguageForLocale(unsigned localeId);

// The module's file name: application name + the row's suffix
// ("V6UVUV_jpn.txt"); empty for a row without a module.
std::string LanguageModuleFileName(int index);

// Where modules are looked for, in order: the override when one is set;
// otherwise the program's own directory (that of /proc/self/exe, as in the
// build tree) and then its data folder <exe dir>/../share/v6uvuv (as
// installed). The first place holding a loadable module wins.
std::vector<std::string> LanguageModuleDirectories();

// Looks for modules in `dir` only (tests, or a program run from elsewhere);
// an empty text goes back to the default places.
void SetLanguageModuleDirectory(std::string dir);
