// Choosing and loading the display language: the choice from the locale, the
// module found or not, English back on unload, and the C locale it leaves.
#include "app/AppSettings.h"
#include "app/Language.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* const kLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE", "LOCPATH"};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const fs::path kJapaneseSource = fs::path(Q6K_SOURCE_DIR) / "src/res/strings.ja.txt";

std::string JapaneseText(unsigned id)
{
    static const std::map<unsigned, std::string> texts = [] {
        std::map<unsigned, std::string> t;
        CStringTable::Parse(ReadFile(kJapaneseSource), t);
        return t;
    }();
    auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
}

void SetOrUnset(const char* name, const char* value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

class LanguageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : kLocaleVariables) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        char tmpl[] = "/tmp/q6k-lang-XXXXXX";
        m_dir = mkdtemp(tmpl);
        SetLanguageModuleDirectory(m_dir);
    }
    void TearDown() override
    {
        SetLanguageModuleDirectory("");
        CSettingsStore::SetApplicationName("V6UVUV");
        CStringTable::UnloadLanguage();
        for (const auto& [name, value] : m_saved)
            SetOrUnset(name, value ? value->c_str() : nullptr);
        std::setlocale(LC_ALL, "C");
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    fs::path Module(const std::string& name = "V6UVUV_jpn.txt") const { return m_dir / name; }
    void InstallModule(const std::string& name = "V6UVUV_jpn.txt") const
    {
        fs::copy_file(kJapaneseSource, Module(name), fs::copy_options::overwrite_existing);
    }
    void ExpectEnglish(const char* where) const
    {
        EXPECT_EQ(CStringTable::Get(12003), "timeout") << where;
        EXPECT_EQ(CStringTable::Get(12010), "Can't load language module") << where;
    }
    void ExpectJapanese(const char* where) const
    {
        EXPECT_EQ(CStringTable::Get(12003), JapaneseText(12003)) << where;
        EXPECT_EQ(CStringTable::Get(12010), JapaneseText(12010)) << where;
    }

    fs::path m_dir;
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

} // namespace

TEST_F(LanguageTest, NotChosenFollowsTheLocaleAsTheCLibraryPicksMessages)
{
    ASSERT_NE(JapaneseText(12003), "");
    ASSERT_NE(JapaneseText(12003), "timeout");
    InstallModule();
    struct Case
    {
        const char *all, *messages, *lang;
        int expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", 1},
        {"C", nullptr, "ja", 0},    // LC_ALL wins
        {"", "", "ja_JP.eucJP", 1}, // empty values do not count
        {"", "ja_JP.UTF-8", "en_US.UTF-8", 1},
        {nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", 0}, // LC_MESSAGES before LANG
        {"ja", "C", "C", 1},
        {nullptr, nullptr, "jam_JM", 0}, // another language that starts with the letters
        {nullptr, nullptr, "POSIX", 0},
        {nullptr, nullptr, nullptr, 0},
    };
    for (const Case& c : cases) {
        SetOrUnset("LC_ALL", c.all);
        SetOrUnset("LC_MESSAGES", c.messages);
        SetOrUnset("LANG", c.lang);
        const std::string where = std::string("LC_ALL=") + (c.all ? c.all : "(unset)") +
                                  " LC_MESSAGES=" + (c.messages ? c.messages : "(unset)") +
                                  " LANG=" + (c.lang ? c.lang : "(unset)");
        EXPECT_EQ(EnvironmentLocaleId(), c.expected ? kJapaneseLocaleId : 0u) << where;
        EXPECT_TRUE(LoadLanguage(-1)) << where;
        EXPECT_EQ(LoadedLanguage(), c.expected) << where;
        if (c.expected)
            ExpectJapanese(where.c_str());
        else
            ExpectEnglish(where.c_str());
    }
}

TEST_F(LanguageTest, AChosenIndexOverridesTheLocaleAndOneBeyondTheTableCountsAsNotChosen)
{
    InstallModule();
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_TRUE(LoadLanguage(0));
    EXPECT_EQ(LoadedLanguage(), 0);
    ExpectEnglish("English chosen on a Japanese system");
    for (int stored : {2, 99, -7}) {
        EXPECT_TRUE(LoadLanguage(stored));
        EXPECT_EQ(LoadedLanguage(), 1) << stored;
        ExpectJapanese("Japanese system, stored value not in the table");
    }

    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_TRUE(LoadLanguage(1));
    EXPECT_EQ(LoadedLanguage(), 1);
    ExpectJapanese("Japanese chosen on a German system");
    EXPECT_TRUE(LoadLanguage(2));
    EXPECT_EQ(LoadedLanguage(), 0);
    ExpectEnglish("German system, stored value not in the table");
}

TEST_F(LanguageTest, EnglishUnloadsTheModuleAndOneThatCannotBeLoadedLeavesEnglishAndTheChosenIndex)
{
    InstallModule();
    ASSERT_TRUE(LoadLanguage(1));
    ExpectJapanese("Japanese loaded");
    EXPECT_EQ(CStringTable::Get(999999), "");
    EXPECT_TRUE(LoadLanguage(0));
    EXPECT_EQ(LoadedLanguage(), 0);
    ExpectEnglish("back to English");
    ASSERT_TRUE(LoadLanguage(1));

    fs::remove(Module());
    EXPECT_FALSE(LoadLanguage(1));
    EXPECT_EQ(LoadedLanguage(), 1);
    ExpectEnglish("missing module after a loaded one");

    fs::create_directory(Module());
    EXPECT_FALSE(LoadLanguage(1));
    EXPECT_EQ(LoadedLanguage(), 1);
    ExpectEnglish("a folder in the module's place");
    fs::remove(Module());

    std::ofstream(Module()) << "";
    EXPECT_FALSE(LoadLanguage(1));
    ExpectEnglish("empty module");
    std::ofstream(Module()) << "\x7f"
                               "ELF\x02\x01\x01 not a table\n";
    EXPECT_FALSE(LoadLanguage(1));
    EXPECT_EQ(LoadedLanguage(), 1);
    ExpectEnglish("a file that is no string table");

    // Not chosen, on a Japanese system, without the module.
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_FALSE(LoadLanguage(-1));
    EXPECT_EQ(LoadedLanguage(), 1);
    ExpectEnglish("Japanese system without the module");
}

TEST_F(LanguageTest, TheModuleIsNamedAfterTheApplication)
{
    EXPECT_EQ(LanguageModuleFileName(0), "");
    EXPECT_EQ(LanguageModuleFileName(1), "V6UVUV_jpn.txt");
    CSettingsStore::SetApplicationName("Other");
    EXPECT_EQ(LanguageModuleFileName(1), "Other_jpn.txt");
    InstallModule();
    EXPECT_FALSE(LoadLanguage(1));
    InstallModule("Other_jpn.txt");
    EXPECT_TRUE(LoadLanguage(1));
    ExpectJapanese("module of the other name");
}

TEST(LanguageModuleFile, TheBuildPutsTheModuleNextToThePrograms)
{
    const fs::path built = fs::path(Q6K_PROGRAM_DIR) / "V6UVUV_jpn.txt";
    ASSERT_TRUE(fs::exists(built)) << built;
    EXPECT_EQ(ReadFile(built), ReadFile(kJapaneseSource));
    // Without an override the program's own folder comes first.
    SetLanguageModuleDirectory("");
    const std::vector<std::string> dirs = LanguageModuleDirectories();
    ASSERT_EQ(dirs.size(), 2u);
    EXPECT_TRUE(dirs[1].ends_with("/share/v6uvuv")) << dirs[1];
    EXPECT_EQ(fs::path(dirs[1]).parent_path().parent_path(), fs::path(dirs[0]).parent_path());
}

namespace {

// Locales of its own (the machine need not have them): de_DE writes numbers
// with a decimal comma, ja_JP has Japanese system messages.
class LanguageLocaleTest : public LanguageTest
{
protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/q6k-locales-XXXXXX";
        s_locales = mkdtemp(tmpl);
        for (const char* name : {"de_DE", "ja_JP"}) {
            const std::string command = std::string("localedef -i ") + name + " -f UTF-8 " +
                                        (s_locales / (std::string(name) + ".utf8")).string() + " >/dev/null 2>&1";
            (void)std::system(command.c_str()); // warnings give a non-zero status
        }
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        fs::remove_all(s_locales, ec);
    }
    void SetUp() override
    {
        LanguageTest::SetUp();
        for (const char* name : {"de_DE.utf8", "ja_JP.utf8"})
            ASSERT_TRUE(fs::exists(s_locales / name / "LC_NUMERIC")) << "localedef made no " << name;
        setenv("LOCPATH", s_locales.c_str(), 1);
    }

    static fs::path s_locales;
};

fs::path LanguageLocaleTest::s_locales;

std::string Printed(double value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", value);
    return buf;
}

std::string Category(int category)
{
    const char* name = std::setlocale(category, nullptr);
    return name ? name : "";
}

} // namespace

TEST_F(LanguageLocaleTest, NumbersKeepTheirPointWhileTextsAndSystemMessagesFollowTheLanguage)
{
    const std::string english = CPrivateException::SystemErrorText(ENOENT);
    // A German user's default, set as QApplication's constructor sets it.
    setenv("LANG", "de_DE.UTF-8", 1);
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
    ASSERT_EQ(std::strtod("1.5", nullptr), 1.0) << "the user's default should read a decimal comma";
    const std::string german = CPrivateException::SystemErrorText(ENOENT);
    ASSERT_NE(german, english);

    EXPECT_TRUE(LoadLanguage(0));
    EXPECT_EQ(std::strtod("1.5", nullptr), 1.5);
    EXPECT_EQ(Printed(1.5), "1.5");
    EXPECT_EQ(std::to_string(0.25), "0.250000");
    EXPECT_EQ(Category(LC_CTYPE), "de_DE.UTF-8"); // English: the user's default
    EXPECT_EQ(CPrivateException::SystemErrorText(ENOENT), german);

    InstallModule();
    EXPECT_TRUE(LoadLanguage(1));
    EXPECT_EQ(std::strtod("1.5", nullptr), 1.5);
    EXPECT_EQ(Printed(1.5), "1.5");
    EXPECT_EQ(Category(LC_CTYPE), "ja_JP.UTF-8");
    EXPECT_EQ(Category(LC_MESSAGES), "ja_JP.UTF-8");
    const std::string japanese = CPrivateException::SystemErrorText(ENOENT);
    EXPECT_NE(japanese, english);
    EXPECT_NE(japanese, german);

    // The locale follows the chosen row even when its module is missing.
    fs::remove(Module());
    EXPECT_FALSE(LoadLanguage(1));
    EXPECT_EQ(Category(LC_MESSAGES), "ja_JP.UTF-8");
    EXPECT_EQ(Printed(1.5), "1.5");

    EXPECT_TRUE(LoadLanguage(0));
    EXPECT_EQ(Category(LC_MESSAGES), "de_DE.UTF-8");
    EXPECT_EQ(CPrivateException::SystemErrorText(ENOENT), german);
}
