// The Japanese module against the English table: every number translated,
// no number of its own, the same inserts, the marks kept. Read from the
// sources, so that texts added on any branch are checked once merged.
#include "app/StringTable.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

std::string ReadSource(const char* name)
{
    std::ifstream in(std::string(Q6K_SOURCE_DIR) + "/src/res/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Tables
{
    std::map<unsigned, std::string> english, japanese;
    bool japaneseWellFormed = false;
};

const Tables& TheTables()
{
    static const Tables tables = [] {
        Tables t;
        CStringTable::Parse(ReadSource("strings.en.txt"), t.english);
        t.japaneseWellFormed = CStringTable::Parse(ReadSource("strings.ja.txt"), t.japanese);
        return t;
    }();
    return tables;
}

// Positional inserts as FormatInserts reads them: "%N" with an optional
// "!fmt!"; "%%" is a plain percent sign.
std::set<std::string> PositionalInserts(std::string_view f)
{
    std::set<std::string> found;
    for (std::size_t i = 0; i + 1 < f.size(); ++i) {
        if (f[i] != '%')
            continue;
        if (f[i + 1] == '%') {
            ++i;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(f[i + 1])) || f[i + 1] == '0')
            continue;
        std::size_t j = i + 1;
        while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])))
            ++j;
        if (j < f.size() && f[j] == '!') {
            std::size_t close = f.find('!', j + 1);
            if (close != std::string_view::npos)
                j = close + 1;
        }
        found.insert(std::string(f.substr(i, j - i)));
        i = j - 1;
    }
    return found;
}

// printf fields as FormatPrintf reads them, in order, flags and all.
std::vector<std::string> PrintfFields(std::string_view f)
{
    std::vector<std::string> found;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%')
            continue;
        std::size_t j = i + 1;
        while (j < f.size() && std::string_view("-0+ #").find(f[j]) != std::string_view::npos)
            ++j;
        while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])))
            ++j;
        if (j < f.size() && f[j] == '.')
            for (++j; j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])); ++j) {
            }
        while (j < f.size() && (f[j] == 'l' || f[j] == 'h' || f[j] == 'z'))
            ++j;
        if (j >= f.size())
            break;
        if (std::string_view("sdiuxXc").find(f[j]) != std::string_view::npos)
            found.emplace_back(f.substr(i, j - i + 1));
        i = j;
    }
    return found;
}

bool HasLetter(std::string_view s)
{
    for (unsigned char c : s)
        if (std::isalpha(c) || c >= 0x80)
            return true;
    return false;
}

std::size_t Count(std::string_view s, char c)
{
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
}

} // namespace

TEST(JapaneseModule, HoldsExactlyTheNumbersOfTheEnglishTable)
{
    const Tables& t = TheTables();
    ASSERT_GT(t.english.size(), 400u);
    EXPECT_TRUE(t.japaneseWellFormed) << "strings.ja.txt has a line that is not NUMBER<TAB>TEXT";
    for (const auto& [id, text] : t.english) {
        auto it = t.japanese.find(id);
        if (it == t.japanese.end())
            ADD_FAILURE() << id << " has no Japanese text (English: \"" << text << "\")";
        else if (!text.empty()) {
            EXPECT_FALSE(it->second.empty()) << id << " is empty in Japanese";
        }
    }
    for (const auto& [id, text] : t.japanese)
        EXPECT_TRUE(t.english.count(id)) << id << " is in the Japanese module only: \"" << text << "\"";
}

TEST(JapaneseModule, TranslationsKeepTheInsertsOfTheEnglishText)
{
    const Tables& t = TheTables();
    for (const auto& [id, en] : t.english) {
        auto it = t.japanese.find(id);
        if (it == t.japanese.end())
            continue;
        const std::string& ja = it->second;
        EXPECT_EQ(PositionalInserts(ja), PositionalInserts(en)) << id << ": \"" << ja << "\"";
        EXPECT_EQ(PrintfFields(ja), PrintfFields(en)) << id << ": \"" << ja << "\"";
    }
}

TEST(JapaneseModule, MarksCodesAndLineBreaksStay)
{
    const Tables& t = TheTables();
    for (const auto& [id, en] : t.english) {
        auto it = t.japanese.find(id);
        if (it == t.japanese.end())
            continue;
        const std::string& ja = it->second;
        // " ", "$", "!", "502", "00000": layout marks and codes, not words.
        if (!HasLetter(en)) {
            EXPECT_EQ(ja, en) << id;
        }
        EXPECT_EQ(ja.starts_with('@'), en.starts_with('@')) << id << ": \"" << ja << "\"";
        // File dialog filters: "name|pattern|name|pattern||".
        EXPECT_EQ(Count(ja, '|'), Count(en, '|')) << id << ": \"" << ja << "\"";
        // Message line breaks, and the help texts' closing line feed.
        EXPECT_EQ(Count(ja, '\r'), Count(en, '\r')) << id << ": \"" << ja << "\"";
        EXPECT_EQ(ja.ends_with('\n'), en.ends_with('\n')) << id;
        // A backslash left after unescaping is a mistyped escape.
        if (en.find('\\') == std::string::npos) {
            EXPECT_EQ(ja.find('\\'), std::string::npos) << id << ": \"" << ja << "\"";
        }
    }
}

TEST(JapaneseModule, TheInsertCheckSeesWhatTheFormattersSee)
{
    EXPECT_EQ(PositionalInserts("%2!s! - %1!d! %3 100%% %0"), (std::set<std::string>{"%1!d!", "%2!s!", "%3"}));
    EXPECT_EQ(PrintfFields("%s %-4d %%, %08X 0% adjustment %1!s!"), (std::vector<std::string>{"%s", "%-4d", "%08X"}));
    EXPECT_TRUE(PrintfFields("%1!s! 100%").empty());
    EXPECT_NE(PrintfFields("id=%d, ext=%d"), PrintfFields("ext=%d"));
    EXPECT_EQ(PrintfFields("%s %d"), PrintfFields("%s は %d"));
    EXPECT_NE(PrintfFields("%s %d"), PrintfFields("%d %s"));
}
