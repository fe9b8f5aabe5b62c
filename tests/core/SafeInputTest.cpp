// Files and settings that cannot be trusted: a .cfg with values a meter would
// not take is refused (or read for a report and marked), files over the
// bound or in UTF-16 are refused by name, settings values that are not valid
// give their defaults with one warning, and the command line's checks.
#include "CliRun.h"
#include "FileTestSupport.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "app/PrivateException.h"
#include "comm/ComSettings.h"
#include "files/ConfigFile.h"
#include "files/IniFile.h"
#include "files/ParameterReport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <regex>

using namespace std::string_literals;
using namespace testsupport;

namespace {

constexpr int kDcAoModbus = 15; // has the link words 7000-7003

std::string FactoryText(int code = kDcAoModbus)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    CIniFile ini;
    CConfigFile::Store(image, ini);
    return ini.Text();
}

std::string WithValue(const std::string& text, const std::string& key, const std::string& value)
{
    const std::size_t at = text.find("\n" + key + "=");
    const std::size_t end = text.find('\n', at + 1);
    return text.substr(0, at) + "\n" + key + "=" + value + text.substr(end);
}

int LineOf(const std::string& text, const std::string& key)
{
    const std::size_t at = text.find("\n" + key + "=");
    return static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n')) + 2;
}

// The refusal of `text`, or "" when it is taken.
std::string Refusal(const std::string& text)
{
    CIniFile ini;
    ini.LoadText(text);
    try {
        CConfigFile::Parse(ini, "m.cfg");
    } catch (const CPrivateException& e) {
        return e.Text();
    }
    return "";
}

// Collects the settings store's warnings while alive.
class WarningCapture
{
public:
    WarningCapture()
    {
        CSettingsStore::SetWarningSink([this](const std::string& w) { warnings.push_back(w); });
    }
    ~WarningCapture() { CSettingsStore::SetWarningSink(nullptr); }
    std::vector<std::string> warnings;
};

void WriteSettings(const std::string& text)
{
    const std::string path = CSettingsStore::FilePath();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    filetest::WriteText(path, text);
}

} // namespace

TEST(SafeConfigFile, EachKindOfBadValueIsNamedWithParameterKeyLineAndValue)
{
    const std::string good = FactoryText();
    ASSERT_EQ(Refusal(good), "");
    struct Case
    {
        const char* key;
        std::string value;
        std::string shown;
        std::string name;
        std::string why;
    };
    const std::string wordRange = "allowed 0 to 65535", notPlain = "not a plain decimal integer";
    const std::string returnTime = "Automatic return time to Measuring Mode";
    const Case cases[] = {
        {"L5000", "65536", "65536", returnTime, wordRange},
        {"L5000", "-1", "-1", returnTime, wordRange},
        {"L5000", "1.5", "1.5", returnTime, notPlain},
        {"L5000", "0x10", "0x10", returnTime, notPlain},
        {"L5000", "100\0 00"s, "100\\x00 00", returnTime, notPlain},
        {"L5000", "4294967296", "4294967296", returnTime, wordRange},
        {"L2000", "5", "5", "Bargraph type", "allowed 0 to 4"},
        {"L4102", "100001", "100001", "Bank1 LL setpoint", "allowed -20000 to 100000"},
        {"L4102", "2147483648", "2147483648", "Bank1 LL setpoint", "allowed -2147483648 to 2147483647"},
        {"L1052", "-20001", "-20001", "Input scaling value zero", "allowed 10000 to 50000"},
        {"L7000", "0", "0", "Device address", "allowed 1 to 247"},
        {"L7000", "248", "248", "Device address", "allowed 1 to 247"},
        {"L7001", "6", "6", "Baud rate", "allowed 0 to 5"},
        {"L7002", "3", "3", "Parity bit", "allowed 0 to 2"},
        {"L7003", "2", "2", "Stop bit", "allowed 0 to 1"},
        {"Model", "2001x", "2001x", "Model", notPlain},
    };
    for (const Case& c : cases) {
        const std::string text = WithValue(good, c.key, c.value);
        const std::string expected = "Load error. Invalid file format.\rm.cfg holds 1 value(s) that a meter does not "
                                     "take:\r" +
                                     c.name + " (" + c.key + ", line " + std::to_string(LineOf(text, c.key)) + "): \"" +
                                     c.shown + "\", " + c.why;
        EXPECT_EQ(Refusal(text), expected) << c.key << "=" << c.shown;
    }
    // Blanks around a number are as the program's own; a sign too.
    EXPECT_EQ(Refusal(WithValue(good, "L5000", "  +15 ")), "");
}

TEST(SafeConfigFile, OneMessageListsManyValuesReadablyAndALenientReadMarksThemInTheReport)
{
    std::string text = FactoryText();
    const char* keys[] = {"L901",  "L902",  "L903",  "L904",  "L905",  "L906",  "L907",  "L4006", "L1060",
                          "L1010", "L1020", "L1000", "L1001", "L1002", "L2000", "L3000", "L3001", "L4000",
                          "L4001", "L4002", "L4003", "L4004", "L4005", "L7000", "L7001"};
    for (const char* key : keys)
        text = WithValue(text, key, "999");
    const std::string message = Refusal(text);
    EXPECT_NE(message.find("m.cfg holds 25 value(s) that a meter does not take:"), std::string::npos);
    EXPECT_NE(message.find("Alarm setting lockout (L901, line "), std::string::npos);
    EXPECT_EQ(std::count(message.begin(), message.end(), '\r'), 1 + 20 + 1)
        << message; // after the first line, before each other
    EXPECT_EQ(message.substr(message.rfind('\r') + 1), "... and 5 more.");

    // A report reads it all the same: the values as written, each marked.
    CIniFile ini;
    ini.LoadText(text);
    std::vector<SConfigValueProblem> problems;
    const CRegisterImage image = CConfigFile::Parse(ini, "m.cfg", &problems);
    ASSERT_EQ(problems.size(), 25u);
    EXPECT_EQ(image.GetWord(70), 999);
    std::set<int> flagged;
    for (const auto& p : problems)
        flagged.insert(p.word);
    CParameterReport report(image);
    report.SetFlagged(flagged);
    EXPECT_EQ(report.StatusText(), "25 value(s) of the file are not what a meter takes (marked \"!\").");
    EXPECT_TRUE(report.IsStatusAlert());
    int marked = 0;
    for (const SReportRow& row : report.Rows())
        marked += row.flagged;
    EXPECT_EQ(marked, 25);
}

TEST(SafeConfigFile, FilesOverTheBoundAreRefusedWithTheirSizeAndLargeOnesBelowAreReadWhole)
{
    filetest::TempDir dir;
    const std::string big = dir.Path("big.cfg");
    filetest::WriteText(big, std::string(CIniFile::kMaxFileSize + 10, '\n'));
    try {
        CConfigFile::Read(big);
        ADD_FAILURE() << "a file over the bound was read";
    } catch (const CPrivateException& e) {
        EXPECT_EQ(e.Text(), "Load error. " + big +
                                " holds 1048586 bytes, more than the 1048576 a file of this "
                                "program may hold; it is not read.");
    }
    // 900 KB of blank lines around the settings: read, and saved line for line.
    const std::string text = std::string(450000, '\n') + FactoryText() + std::string(450000, '\n');
    const std::string large = dir.Path("large.cfg");
    filetest::WriteText(large, text);
    CRegisterImage expected;
    expected.ResetForModel(kDcAoModbus, true);
    EXPECT_TRUE(CConfigFile::Read(large) == expected);
    CIniFile ini;
    ASSERT_EQ(ini.Load(large), 0);
    EXPECT_EQ(ini.Text(), text);
    EXPECT_EQ(ini.LineOf("Q6K", "L7000"), 450000 + LineOf(FactoryText(), "L7000"));
    ini.DeleteKey("Q6K", "L7006");
    ini.Set("Q6K", "Extra", "1");
    EXPECT_EQ(ini.Text(), std::regex_replace(text, std::regex("L7006=0\n"), "Extra=1\n"));
}

TEST(SafeConfigFile, AByteOrderMarkIsTakenAndKeptAndUtf16IsRefusedByName)
{
    filetest::TempDir dir;
    const std::string path = dir.Path("bom.cfg");
    filetest::WriteText(path, "\xEF\xBB\xBF" + FactoryText());
    CRegisterImage image = CConfigFile::Read(path);
    EXPECT_EQ(image.Identity().Code(), kDcAoModbus);
    image.SetWord(70, 9);
    CConfigFile::Save(image, path);
    const std::string saved = filetest::ReadText(path);
    EXPECT_EQ(saved.rfind("\xEF\xBB\xBF[Q6K]", 0), 0u);
    EXPECT_EQ(CConfigFile::Read(path).GetWord(70), 9);

    auto utf16 = [](const std::string& ascii, bool bigEndian, bool mark) {
        std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char c : ascii)
            out += bigEndian ? "\0"s + c : std::string(1, c) + '\0';
        return out;
    };
    for (bool bigEndian : {false, true})
        for (bool mark : {false, true}) {
            const std::string p = dir.Path("utf16.cfg");
            filetest::WriteText(p, utf16(FactoryText(), bigEndian, mark));
            try {
                CConfigFile::Read(p);
                ADD_FAILURE() << "UTF-16 was read";
            } catch (const CPrivateException& e) {
                EXPECT_EQ(e.Text(), "Load error. " + p + " is saved as UTF-16; save it as UTF-8.");
            }
            // Saved over, it becomes a file of ours.
            CConfigFile::Save(image, p);
            EXPECT_TRUE(CConfigFile::Read(p) == image);
        }
}

TEST(SafeSettings, EachValueNotValidGivesItsDefaultAndOneWarningNamingFileAndKey)
{
    struct Case
    {
        const char* section;
        const char* key;
        std::string value;
    };
    const Case cases[] = {
        {"ComSettings", "Mode", "7"},
        {"ComSettings", "Mode", "4"},
        {"ComSettings", "Mode", "-1"},
        {"ComSettings", "Address", "0"},
        {"ComSettings", "Address", "248"},
        {"ComSettings", "Address", "0x10"},
        {"ComSettings", "Baudrate", "6"},
        {"ComSettings", "Parity", "3"},
        {"ComSettings", "Stop", "2"},
        {"ComSettings", "ServicePort", "82136"},
        {"ComSettings", "ServicePort", "0"},
        {"ComSettings", "ServicePort", "http"},
        {"ComSettings", "ServicePort", "+502"},
        {"ComSettings", "RtuTcpServicePort", "65536"},
        {"ComSettings", "RtuTcpServicePort", "serial"},
        {"ComSettings", "ServerAddress", "a b"},
        {"ComSettings", "ServerAddress", ""},
        {"ComSettings", "COMPortName", "/dev/tty\x1BS1"},
        {"Settings", "DeviceId", "9999"},
        {"Settings", "DeviceId", "15.0"},
        {"Settings", "DisplayLanguage", "2"},
    };
    const ComSettings defaults{ComSettings::NoLoad{}};
    for (const Case& c : cases) {
        testsupport::TempConfigHome home;
        WarningCapture capture;
        const std::string keep = std::string(c.key) == "COMPortName" ? "" : "COMPortName=/dev/ttyUSB0\n";
        const std::string value = std::string(c.key) + "=" + c.value + "\n";
        WriteSettings(std::string(c.section) == "Settings" ? "[ComSettings]\n" + keep + "[Settings]\n" + value
                                                           : "[ComSettings]\n" + keep + value);
        ComSettings s;
        CAppSettings app;
        app.Load();
        EXPECT_EQ(s.Mode, defaults.Mode) << c.key;
        EXPECT_EQ(s.Address, defaults.Address) << c.key;
        EXPECT_EQ(s.Baudrate, defaults.Baudrate) << c.key;
        EXPECT_EQ(s.Parity, defaults.Parity) << c.key;
        EXPECT_EQ(s.Stop, defaults.Stop) << c.key;
        EXPECT_EQ(s.ServicePort, defaults.ServicePort) << c.key;
        EXPECT_EQ(s.RtuTcpServicePort, defaults.RtuTcpServicePort) << c.key;
        EXPECT_EQ(s.ServerAddress, defaults.ServerAddress) << c.key;
        EXPECT_EQ(app.m_deviceId, 15) << c.key;
        EXPECT_EQ(app.m_displayLanguage, -1) << c.key;
        // A Mode not known: which port was meant is not known either.
        const bool modeBad = std::string(c.key) == "Mode" || std::string(c.key) == "COMPortName";
        EXPECT_EQ(s.COMPortName, modeBad ? "" : "/dev/ttyUSB0") << c.key << "=" << c.value;
        ASSERT_EQ(capture.warnings.size(), 1u) << c.key << "=" << c.value;
        EXPECT_EQ(capture.warnings[0], "The settings file " + CSettingsStore::FilePath() + ": [" + c.section + "] " +
                                           c.key + "=\"" + c.value +
                                           "\" is not valid and is ignored; the default "
                                           "is used.");
        // Said once.
        ComSettings again;
        app.Load();
        EXPECT_EQ(capture.warnings.size(), 1u);
    }
}

TEST(SafeSettings, AFileThatIsNoTextGivesTheDefaultsWithOneWarningAndASaveReplacesIt)
{
    const std::string good = "[ComSettings]\nAddress=9\nCOMPortName=/dev/ttyUSB0\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : good)
        utf16 += std::string(1, c) + '\0';
    const std::pair<std::string, std::string> cases[] = {
        {utf16, "it is saved as UTF-16"},
        {std::string(4096, '\0'), "it holds NUL bytes: it is no text file"},
        {good + std::string(16, '\0'), "it holds NUL bytes: it is no text file"},
        {good + std::string(CIniFile::kMaxFileSize, ';'), "it is larger than 1048576 bytes"},
    };
    for (const auto& [content, why] : cases) {
        testsupport::TempConfigHome home;
        WarningCapture capture;
        WriteSettings(content);
        ComSettings s;
        EXPECT_EQ(s.Address, 1);
        EXPECT_EQ(s.COMPortName, "");
        ASSERT_EQ(capture.warnings.size(), 1u) << why;
        EXPECT_EQ(capture.warnings[0], "The settings file " + CSettingsStore::FilePath() + " cannot be read (" + why +
                                           "); the default settings are used.");
        s.Address = 12;
        s.Save();
        EXPECT_EQ(ComSettings().Address, 12);
        EXPECT_EQ(filetest::ReadText(CSettingsStore::FilePath()).find('\0'), std::string::npos);
        EXPECT_EQ(capture.warnings.size(), 1u);
    }
    {
        // A settings file that is a link to itself: named, and the defaults.
        testsupport::TempConfigHome looping;
        WarningCapture capture;
        WriteSettings("");
        std::filesystem::remove(CSettingsStore::FilePath());
        std::filesystem::create_symlink(CSettingsStore::FilePath(), CSettingsStore::FilePath());
        EXPECT_EQ(ComSettings().Address, 1);
        ASSERT_EQ(capture.warnings.size(), 1u);
        EXPECT_NE(capture.warnings[0].find(CSettingsStore::FilePath() + " cannot be read ("), std::string::npos);
    }
    // A byte-order mark is no reason to distrust a file.
    testsupport::TempConfigHome home;
    WarningCapture capture;
    WriteSettings("\xEF\xBB\xBF" + good);
    EXPECT_EQ(ComSettings().Address, 9);
    EXPECT_TRUE(capture.warnings.empty());
}

namespace {

class SafeCli : public ::testing::Test
{
protected:
    testsupport::TempConfigHome home;
    std::string Path(const std::string& name) const { return home.Dir() + "/" + name; }
};

} // namespace

TEST_F(SafeCli, AFileAMeterWouldNotTakeIsRefusedBeforeTheLinkUnlessForced)
{
    const std::string file = Path("bad.cfg");
    filetest::WriteText(file, WithValue(FactoryText(), "L7000", "248"));
    // A port that does not exist: a refusal must come before any link.
    const std::string link = "--link rtu --port " + Path("no-such-port") + " ";
    CliRun r = Cli(link + "download " + file);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Load error. Invalid file format.\n" + file +
                         " holds 1 value(s) that a meter does not take:\nDevice address (L7000, line 144): \"248\", "
                         "allowed 1 to 247\ndownload --force writes such a file all the same.\n");

    r = Cli(link + "download --force " + file);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Warning: --force: 1 value(s) of " + file +
                              " that a meter does not take are used as "
                              "they are:\nDevice address (L7000, line 144): \"248\", allowed 1 to 247\n",
                          0),
              0u)
        << r.err;
    EXPECT_NE(r.err.find("no-such-port"), std::string::npos) << r.err; // it went on to the link

    // A report reads it, marks the row and says so.
    r = Cli("report " + file);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Device address\t248\t!\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 value(s) of the file are not what a meter takes (marked \"!\").\n"), std::string::npos);
    EXPECT_NE(r.err.find("(L7000, line 144)"), std::string::npos);
    r = Cli("report --json " + file + " --compare " + file);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    ASSERT_EQ(doc["invalid_values"].size(), 2u);
    EXPECT_EQ(doc["invalid_values"][0]["key"], "L7000");
    EXPECT_EQ(doc["invalid_values"][0]["line"], 144);
    EXPECT_EQ(doc["invalid_values"][0]["value"], "248");
    EXPECT_EQ(doc["invalid_values"][0]["allowed"], nlohmann::json::array({1, 247}));
    int invalidRows = 0;
    for (const auto& row : doc["parameters"])
        invalidRows += row.contains("invalid");
    EXPECT_EQ(invalidRows, 1);
    // --force is for download only.
    EXPECT_EQ(Cli("report --force " + file).status, 2);
}

TEST_F(SafeCli, SettingsNotValidAreSaidOnceAndNoPortIsOpenedThatTheUserDidNotChoose)
{
    WriteSettings("[ComSettings]\nMode=7\nCOMPortName=" + Path("tty-not-chosen") + "\n");
    CliRun r = Cli("identify");
    EXPECT_EQ(r.status, 1);
    // The port name is the default, empty: the link is never built, so no
    // port is opened (the name given is not even tried).
    EXPECT_EQ(r.err, "Warning: The settings file " + CSettingsStore::FilePath() +
                         ": [ComSettings] Mode=\"7\" is not valid and is ignored; the default is used.\n"
                         "No communication port is set for this link (settings file " +
                         CSettingsStore::FilePath() + "): choose one in the Connect dialog, or give --port.\n");

    for (const std::string service : {"82136", "65536", "0", "\"\"", "5o2", "-502"}) {
        r = Cli("--link tcp --host 127.0.0.1 --service " + service + " identify");
        EXPECT_EQ(r.status, 2) << service << ": " << r.err;
        EXPECT_NE(r.err.find("Invalid value for --service"), std::string::npos) << r.err;
    }
}
