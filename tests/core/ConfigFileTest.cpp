// The configuration file: the keys a save writes, what a load accepts and
// refuses, and that a refused load or a failed save loses nothing.
#include "FileTestSupport.h"

#include "app/PrivateException.h"
#include "files/ConfigFile.h"
#include "files/IniFile.h"
#include "model/BlockTable.h"
#include "model/DeviceTable.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <regex>

using namespace filetest;

namespace {

constexpr int kDc = 0;          // 2001/0, no options
constexpr int kDcAoModbus = 15; // 2001/3
constexpr int kTc = 44;         // 2002/0
constexpr int kTcEventBcd = 54; // 2002/96

CRegisterImage ImageOf(int code)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    return image;
}

std::string WithValue(const std::string& text, const std::string& key, const std::string& value)
{
    return std::regex_replace(text, std::regex("\n" + key + "=[^\r\n]*"), "\n" + key + "=" + value);
}

std::string Without(const std::string& text, const std::string& key)
{
    return std::regex_replace(text, std::regex("\n" + key + "=[^\r\n]*"), "");
}

class ConfigFile : public ::testing::Test
{
protected:
    TempDir dir;
    std::string path = dir.Path("meter.cfg");

    std::string SavedText(const CRegisterImage& image)
    {
        CConfigFile::Save(image, path);
        return ReadText(path);
    }
    // Loads the file at `p` into `image`; the failure text or "".
    static std::string LoadFailureAt(const std::string& p, CRegisterImage& image)
    {
        try {
            CConfigFile::LoadChecked(image, p);
        } catch (const CPrivateException& e) {
            return e.Text();
        }
        return "";
    }
    std::string LoadFailure(const std::string& text, CRegisterImage& image)
    {
        WriteText(path, text);
        return LoadFailureAt(path, image);
    }
};

} // namespace

TEST_F(ConfigFile, SaveOfDcModelWritesItsKeysInTableOrder)
{
    const std::string text = SavedText(ImageOf(kDc));
    EXPECT_EQ(text.rfind("[Q6K]\nModel=2001\nDeviceExtension=0\nL901=1\nL902=0\nL903=1\nL904=0\nL905=0\n"
                         "L906=0\nL907=0\nL1050=0\nL1052=10000\nL1053=50000\n",
                         0),
              0u)
        << text;
    CIniFile ini;
    ini.LoadText(text);
    EXPECT_EQ(ini.Keys("Q6K").size(), 2u + 134u); // identity and the DC model's values
    for (const char* absent : {"L1051", "L1054", "L3000", "L4196", "L6001", "L7000", "L8000", "L8100"})
        EXPECT_FALSE(ini.Get("Q6K", absent)) << absent;
    EXPECT_EQ(dir.FileCount(), 1u) << "no temporary file is left behind";
}

TEST_F(ConfigFile, EveryModelWordSurvivesSaveAndLoad)
{
    for (int code : {kDc, kDcAoModbus, kTc, kTcEventBcd}) {
        CRegisterImage image = ImageOf(code);
        // A distinct value in every word tells a swapped or shifted key apart.
        for (int w = 0; w < CRegisterImage::kWordCount; ++w)
            image.SetWord(w, static_cast<std::uint16_t>(0x8000 + 7 * w + code));
        image.SetLong(4, 123456); // Input scaling value span, registers 1054-1055
        image.SetLong(88, -20000);
        const std::string text = SavedText(image);
        if (code == kDc) {
            EXPECT_NE(text.find("\nL1053=123456\n"), std::string::npos);
            EXPECT_NE(text.find("\nL4102=-20000\n"), std::string::npos);
            EXPECT_NE(text.find("\nL1050=32768\n"), std::string::npos); // unsigned
        }
        CRegisterImage loaded = ImageOf(code == kTc ? kDcAoModbus : kTc); // whatever the window held
        // Such words are no settings a meter takes: read as a report reads.
        std::vector<SConfigValueProblem> problems;
        loaded = CConfigFile::ReadLenient(path, problems);
        EXPECT_FALSE(problems.empty());
        EXPECT_EQ(loaded.Identity(), image.Identity());
        // Words of the model's blocks come back; the others are factory values.
        std::vector<bool> stored(CRegisterImage::kWordCount);
        for (const SRegisterBlock& block : kBlockTable)
            for (int w = 0; BlockApplies(block, image.CapabilityFlags()) && w < RegisterCount(block); ++w)
                stored[static_cast<std::size_t>(block.firstWord + w)] = true;
        for (int w = 0; w < CRegisterImage::kWordCount; ++w)
            EXPECT_EQ(loaded.GetWord(w), (stored[static_cast<std::size_t>(w)] ? image : CRegisterImage()).GetWord(w))
                << "model " << code << " word " << w;
        std::remove(path.c_str());
    }
}

TEST_F(ConfigFile, HandEditedValuesAreRefusedButReadForAReportFromTheirLeadingInteger)
{
    const std::string good = SavedText(ImageOf(kDc));
    struct Case
    {
        const char* key;
        const char* text;
        int word;
        bool wide;
        std::int32_t expected;
    };
    for (const Case& c :
         {Case{"L1050", "3abc", 0, false, 3}, Case{"L1050", "-1", 0, false, 0xFFFF},
          Case{"L1050", " +70000 ", 0, false, 70000 & 0xFFFF}, Case{"L1053", "-2147483648", 4, true, INT32_MIN}}) {
        CRegisterImage image = ImageOf(kTc);
        EXPECT_NE(LoadFailure(WithValue(good, c.key, c.text), image), "") << c.text;
        EXPECT_EQ(image, ImageOf(kTc));
        std::vector<SConfigValueProblem> problems;
        image = CConfigFile::ReadLenient(path, problems);
        // (Another input type may put the scaling out of its range too.)
        ASSERT_FALSE(problems.empty()) << c.text;
        EXPECT_EQ(problems[0].key, c.key);
        EXPECT_EQ(c.wide ? image.GetLong(c.word) : image.GetWord(c.word), c.expected) << c.text;
        if (c.expected == 0xFFFF) {
            EXPECT_NE(SavedText(image).find("\nL1050=65535\n"), std::string::npos);
        }
    }
    // Without identity keys a file is the DC model without options.
    CRegisterImage image = ImageOf(kTc);
    EXPECT_EQ(LoadFailure(Without(Without(good, "Model"), "DeviceExtension"), image), "");
    EXPECT_EQ(image.Identity(), CDeviceType(2001, 0));
}

TEST_F(ConfigFile, RefusedFileLeavesTheImageUnchanged)
{
    const std::string good = SavedText(ImageOf(kDc));
    // A broken value: the first line as ever, the second says where.
    auto broken = [&](const std::string& key, const std::string& value, const std::string& why = "") {
        const std::string text = WithValue(good, key, value);
        const std::size_t at = text.find("\n" + key + "=");
        const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 2;
        if (key[0] == 'L')
            return std::make_pair(text, "Load error. Invalid file format.\r" + path +
                                            " holds 1 value(s) that a meter does not take:\r" +
                                            (key == "L1050" ? "Input type" : "Bank1 LL setpoint") + " (" + key +
                                            ", line " + std::to_string(line) + "): \"" + value + "\", " +
                                            (why.empty() ? "not a plain decimal integer" : why));
        return std::make_pair(text, "Load error. Invalid file format.\rThe key " + key + " on line " +
                                        std::to_string(line) + " holds \"" + value + "\", which is not a number.");
    };
    const std::pair<std::string, std::string> cases[] = {
        broken("L1050", "abc"),
        broken("L1050", ""),
        broken("L1050", "-"),
        broken("L4102", "2147483648", "allowed -2147483648 to 2147483647"),
        broken("L1050", "99999999999999999999"),
        broken("Model", ""),
        broken("DeviceExtension", "?"),
        {Without(good, "L1052"), "Load error. The key L1052 is missing."},
        {WithValue(good, "Model", "2999"),
         "Load error. The file names a model this program does not know (Model=2999, DeviceExtension=0)."},
        // Not a file of ours at all: empty, binary, another program's .cfg.
        {"", "Load error. " + path + " is not a configuration file of this program."},
        {std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0\n\xFF\xFE=\x01",
                     16),
         "Load error. " + path + " is not a configuration file of this program."},
        {"[General]\nwindow=3\n[Q6K-old]\nModel=2001\n",
         "Load error. " + path + " is not a configuration file of this program."},
    };
    const CRegisterImage before = ImageOf(kTc);
    for (const auto& [text, message] : cases) {
        CRegisterImage image = before;
        EXPECT_EQ(LoadFailure(text, image), message);
        EXPECT_EQ(image, before) << message;
    }
    EXPECT_EQ(broken("L1050", "abc").second, "Load error. Invalid file format.\r" + path +
                                                 " holds 1 value(s) that a meter does not take:\r"
                                                 "Input type (L1050, line 11): \"abc\", not a plain decimal integer");
    CRegisterImage image = before;
    EXPECT_EQ(LoadFailureAt(dir.Path("none.cfg"), image), "Load error. No such file or directory");
    EXPECT_EQ(image, before);
}

TEST_F(ConfigFile, SaveKeepsOtherLinesAndTheKeysOfAnotherModel)
{
    CRegisterImage bigger = ImageOf(kDcAoModbus);
    bigger.SetLong(62, 1234); // Analog output 0%
    std::string text = std::regex_replace(SavedText(bigger), std::regex("\n"), "\r\n");
    WriteText(path, "; notes\r\n" + text + "[Mine]\r\nKeep=yes\r\n");

    CRegisterImage smaller = ImageOf(kDc);
    smaller.SetLong(4, 30000);
    const std::string saved = SavedText(smaller);
    EXPECT_EQ(saved.rfind("; notes\r\n[Q6K]\r\nModel=2001\r\nDeviceExtension=0\r\n", 0), 0u) << saved;
    for (const char* line : {"\r\nL3002=1234\r\n", "\r\nL1053=30000\r\n", "\r\n[Mine]\r\nKeep=yes\r\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;

    // The extra keys are read again once "DeviceExtension" names the bigger model by hand.
    CRegisterImage image;
    EXPECT_EQ(LoadFailure(WithValue(saved, "DeviceExtension", "3"), image), "");
    EXPECT_EQ(image.GetLong(62), 1234);
    EXPECT_EQ(image.GetLong(4), 30000);
}

TEST_F(ConfigFile, FailedSaveGivesItsMessageAndKeepsTheOldFile)
{
    auto failure = [&](const std::string& p) {
        try {
            CConfigFile::Save(ImageOf(kDc), p);
        } catch (const CPrivateException& e) {
            return e.Text();
        }
        return std::string();
    };
    EXPECT_EQ(failure(dir.Path("no/folder.cfg")), "Save error. No such file or directory");

    const std::string before = SavedText(ImageOf(kDcAoModbus));
    FileSizeLimit limit(200); // the new file cannot be written whole, as on a full disk
    EXPECT_EQ(failure(path), "Save error. File too large");
    limit.Lift();
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(dir.FileCount(), 1u);
}

TEST_F(ConfigFile, EveryModelsFactoryImagePassesTheRangeCheck)
{
    for (int code = 0; code < kDeviceModelCount; ++code) {
        CIniFile ini;
        CConfigFile::Store(ImageOf(code), ini);
        std::vector<SConfigValueProblem> problems;
        CConfigFile::Parse(ini, "factory.cfg", &problems);
        for (const SConfigValueProblem& p : problems)
            ADD_FAILURE() << "model " << code << ": " << CConfigFile::ProblemText(p);
        EXPECT_NO_THROW(CConfigFile::Parse(ini, "factory.cfg")) << code;
    }
}
