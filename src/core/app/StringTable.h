#pragma once
// The numbered string table: every user-visible text is looked up here by
// number. English is compiled in; a language file with the same numbers can
// be laid over it.

#include <map>
#include <string>
#include <string_view>

class CStringTable
{
public:
    // Text of string `id` in the current language; empty when there is none.
    static std::string Get(unsigned id);

    // Parses "NUMBER<TAB>TEXT" lines (escapes \r \n \t \\; '#' comments).
    // Returns false when a line is malformed; the good lines are kept.
    static bool Parse(std::string_view text, std::map<unsigned, std::string>& out);

    // Lays the texts of a language file over English; false when the file
    // cannot be read or holds no valid line (English stays in force).
    static bool LoadLanguageFile(const std::string& path);
    static void UnloadLanguage();
};
