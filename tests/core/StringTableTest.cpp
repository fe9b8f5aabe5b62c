// The string table, the two insert styles and the error type.
#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <netdb.h>
#include <sstream>
#include <vector>

TEST(StringTable, LooksUpByNumberAndUnescapes)
{
    EXPECT_EQ(CStringTable::Get(12003), "timeout");
    EXPECT_EQ(CStringTable::Get(103), "Windows Socket initialize failed.");
    EXPECT_TRUE(CStringTable::Get(12009).ends_with("device power.\r\rError Information:\r%s"));
    EXPECT_EQ(CStringTable::Get(999999), "");

    std::map<unsigned, std::string> t;
    EXPECT_FALSE(CStringTable::Parse("# c\r\n1\ta\\tb\\\\\r\nnot a line\n2x\tq\n\n3\t\n", t));
    EXPECT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1], "a\tb\\");
    EXPECT_EQ(t[3], "");
}

TEST(StringTable, ALanguageFileOverridesItsNumbersOnly)
{
    const std::string path = "/tmp/q6k-lang-test.txt";
    std::ofstream(path) << "12003\tjikan-gire\n";
    ASSERT_TRUE(CStringTable::LoadLanguageFile(path));
    EXPECT_EQ(CStringTable::Get(12003), "jikan-gire");
    EXPECT_EQ(CStringTable::Get(12006), "crc error");
    CStringTable::UnloadLanguage();
    EXPECT_EQ(CStringTable::Get(12003), "timeout");
    std::remove(path.c_str());
    EXPECT_FALSE(CStringTable::LoadLanguageFile(path));
}

TEST(MessageFormat, PositionalInserts)
{
    EXPECT_EQ(LoadMessage(12002, {"ReadHoldingRegister", 1, 2, "crc error"}),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=2 reason=crc error.");
    EXPECT_EQ(FormatInserts("%2!s!-%1!d!-%1 100%% %3!s!|%0", {7, "b"}), "b-7-7 100% |%0");
    EXPECT_EQ(FormatInserts("%12!s!", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, "twelve"}), "twelve");
}

TEST(MessageFormat, PrintfFieldsNeverReadPastTheArguments)
{
    EXPECT_EQ(LoadPrintfMessage(12000, {"COM3"}), "Communication port COM3 can not be opened.");
    EXPECT_EQ(FormatPrintf("id=%d, ext=%d", {2001, -5}), "id=2001, ext=-5");
    EXPECT_EQ(FormatPrintf("%08X|%-4d|%4s|%.2s|%x|%%", {0xBEEF, 7, "ab", "xyz", 255}), "0000BEEF|7   |  ab|xy|ff|%");
    EXPECT_EQ(FormatPrintf("%s and %s and %d", {"one"}), "one and  and 0");
    EXPECT_EQ(FormatPrintf("%d", {"text"}), "text");
    EXPECT_EQ(FormatPrintf("bad %q end %", {}), "bad %q end %");
}

TEST(PrivateException, ThreeConstructionsAndACutMessage)
{
    EXPECT_EQ(CPrivateException("plain").Text(), "plain");
    EXPECT_EQ(CPrivateException(12006u).Text(), "crc error");
    EXPECT_EQ(CPrivateException(4242424u).Text(), "");
    EXPECT_EQ(CPrivateException(12008u, ECONNREFUSED).Text(), "Modbus-TCP Error. Connection refused");
    EXPECT_EQ(CPrivateException(12008u, EAI_NONAME, CPrivateException::ErrorSource::Resolver).Text(),
              std::string("Modbus-TCP Error. ") + gai_strerror(EAI_NONAME));

    CPrivateException e("abcdef");
    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_TRUE(e.GetErrorMessage(buf, sizeof buf));
    EXPECT_STREQ(buf, "abc");
    char big[16];
    EXPECT_TRUE(e.GetErrorMessage(big, sizeof big));
    EXPECT_STREQ(big, "abcdef");
    // A character is never split: "é" is two bytes.
    CPrivateException accented("a\xC3\xA9z");
    char three[3];
    accented.GetErrorMessage(three, sizeof three);
    EXPECT_STREQ(three, "a");
    EXPECT_TRUE(accented.GetErrorMessage(nullptr, 0));
}

// The texts of the report and monitor windows, block 12950-12999, in both
// languages: no number without its translation, the inserts and the blanks
// around the error text kept.
TEST(StringTable, TheWindowTextsOfTheReportAndMonitorHaveTheirJapanese)
{
    auto read = [](const char* name) {
        std::ifstream in(std::string(Q6K_SOURCE_DIR) + "/src/res/" + name);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::map<unsigned, std::string> table;
        EXPECT_TRUE(CStringTable::Parse(text, table)) << name;
        std::map<unsigned, std::string> block;
        for (const auto& [id, t] : table)
            if (id >= 12950 && id <= 12999)
                block[id] = t;
        return block;
    };
    const auto english = read("strings.en.txt");
    const auto japanese = read("strings.ja.txt");
    ASSERT_GE(english.size(), 20u);
    for (const auto& [id, text] : english) {
        ASSERT_TRUE(japanese.count(id)) << id << " has no Japanese text";
        EXPECT_FALSE(japanese.at(id).empty()) << id;
        EXPECT_EQ(text.find('%') == std::string::npos, japanese.at(id).find('%') == std::string::npos) << id;
    }
    for (const auto& entry : japanese)
        EXPECT_TRUE(english.count(entry.first)) << entry.first << " has no English original";
    EXPECT_TRUE(japanese.at(12962).starts_with("    ") && japanese.at(12962).ends_with("    "));
}

TEST(StringTable, JapaneseTextsKeepTheNumbersAndInsertsOfTheEnglishOnes)
{
    std::ifstream in(std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt", std::ios::binary);
    ASSERT_TRUE(in);
    std::ostringstream text;
    text << in.rdbuf();
    std::map<unsigned, std::string> japanese;
    ASSERT_TRUE(CStringTable::Parse(text.str(), japanese));
    ASSERT_FALSE(japanese.empty());
    // The inserts of a text, in order: "%s", "%d", "%1!d!" ...
    auto inserts = [](const std::string& s) {
        std::vector<std::string> out;
        for (std::size_t i = 0; (i = s.find('%', i)) != std::string::npos;) {
            std::size_t end = i + 1;
            if (end < s.size() && s[end] == '%') {
                i = end + 1;
                continue;
            }
            while (end < s.size() && (std::isdigit(static_cast<unsigned char>(s[end])) || s[end] == '!' ||
                                      (s[end - 1] == '!' && std::isalpha(static_cast<unsigned char>(s[end])))))
                ++end;
            if (end == i + 1) {
                // A printf conversion letter; "100%" before a word is text.
                if (end >= s.size() || !std::strchr("sdiuxXfgceEp", s[end])) {
                    i = end;
                    continue;
                }
                ++end;
            }
            out.push_back(s.substr(i, end - i));
            i = end;
        }
        return out;
    };
    for (const auto& [id, ja] : japanese) {
        const std::string en = CStringTable::Get(id);
        EXPECT_FALSE(en.empty()) << id << " has no English text";
        EXPECT_EQ(inserts(ja), inserts(en)) << id;
    }
}
