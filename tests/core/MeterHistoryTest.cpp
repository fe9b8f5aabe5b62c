// The meter history on real files: backups, the folder of each meter, the
// change log's lines (read back with a JSON parser) and its failures.
#include "FileTestSupport.h"

#include "app/PrivateException.h"
#include "comm/ComSettings.h"
#include "files/ConfigFile.h"
#include "files/MeterHistory.h"

#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace filetest;
using nlohmann::json;

namespace {

CRegisterImage Model(int code)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    return image;
}

std::string Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CPrivateException& e) {
        return e.Text();
    }
    return std::string();
}

CMeterHistory::SLogEntry Entry(const std::string& serial)
{
    CMeterHistory::SLogEntry e;
    e.link = "rtu /dev/ttyUSB0 38400 8O1";
    e.address = 3;
    e.modelCode = 15;
    e.modelDescription = "Z6OR-11u4 Voltage input";
    e.serial = serial;
    e.action = "download";
    e.changes.push_back({"Input", "Decimal point position", "0.0000", "00.000"});
    e.verified = true;
    e.backup = "/b.cfg";
    return e;
}

} // namespace

TEST(MeterHistory, JsonStringsEscapeWhatTheyMustAndKeepUtf8)
{
    std::string every;
    for (int c = 1; c < 0x80; ++c)
        every += static_cast<char>(c);
    every += "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"; // 日本 and an emoji
    EXPECT_EQ(json::parse(JsonQuoted(every)), every);
    EXPECT_EQ(JsonQuoted("a\"b\\c\nd\x01"), R"("a\"b\\c\nd\u0001")");
    // Bytes that are no UTF-8 (a stray byte, an overlong form, a surrogate)
    // each become U+FFFD, and the document stays valid.
    EXPECT_EQ(json::parse(JsonQuoted("a\xFF"
                                     "b")),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(json::parse(JsonQuoted("\xC0\xAF")), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(json::parse(JsonQuoted("\xED\xA0\x80")), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(json::parse(JsonQuoted("\xE6\x97")), "\xEF\xBF\xBD\xEF\xBF\xBD"); // cut short
}

TEST(MeterHistory, BackupsAreConfigurationFilesInTheMetersFolderNewestFirst)
{
    TempDir dir;
    CMeterHistory history(dir.Path("v6uvuv"));
    EXPECT_TRUE(history.Meters().empty());
    const CRegisterImage image = Model(15);
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i)
        paths.push_back(history.KeepBackup(image, "S/N 7"));
    history.KeepBackup(Model(44), "S/N 7"); // another model, another folder
    std::filesystem::create_directories(dir.Path("v6uvuv/not-a-meter"));

    EXPECT_NE(paths[0], paths[1]);
    EXPECT_NE(paths[1], paths[2]);
    CConfigFile::Save(image, dir.Path("saved.cfg"));
    for (const std::string& p : paths) {
        EXPECT_EQ(ReadText(p), ReadText(dir.Path("saved.cfg"))) << p; // nothing of the time inside
        EXPECT_TRUE(CConfigFile::Read(p) == CConfigFile::Read(dir.Path("saved.cfg")));
    }

    const std::vector<CMeterHistory::SMeter> meters = history.Meters();
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_EQ(meters[0].folder, dir.Path("v6uvuv/V6AV-0i0_S_N_7"));
    EXPECT_EQ(meters[0].modelCode, 44);
    const CMeterHistory::SMeter& m = meters[1];
    EXPECT_EQ(m.folder, dir.Path("v6uvuv/Z6OR-11u4_S_N_7"));
    EXPECT_EQ(m.modelCode, 15);
    EXPECT_EQ(m.serial, "S/N 7");
    EXPECT_EQ(m.description, "Z6OR-11u4 Voltage input, Dc output x 1, Network: RS-485 / Modbus RTU");
    ASSERT_EQ(m.backups.size(), 3u);
    // Made within a second or two, so some carry "-2", "-3": still newest first.
    EXPECT_EQ(m.backups[0].path, paths[2]);
    EXPECT_EQ(m.backups[1].path, paths[1]);
    EXPECT_EQ(m.backups[2].path, paths[0]);
    EXPECT_EQ(m.backups[0].time.size(), 20u);
    EXPECT_EQ(m.backups[0].time, std::filesystem::path(paths[2]).filename().string().substr(0, 20));
}

TEST(MeterHistory, TwoSerialNumbersThatLookAlikeInAFolderNameGetAFolderEach)
{
    TempDir dir;
    CMeterHistory history(dir.Path("h"));
    const std::string a = history.KeepBackup(Model(15), "A/1");
    const std::string b = history.KeepBackup(Model(15), "A:1");
    EXPECT_NE(std::filesystem::path(a).parent_path(), std::filesystem::path(b).parent_path());
    const auto meters = history.Meters();
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_EQ(meters[0].serial, "A/1");
    EXPECT_EQ(meters[1].serial, "A:1");
    EXPECT_EQ(meters[1].folder, dir.Path("h/Z6OR-11u4_A_1-2"));
}

TEST(MeterHistory, TheLogGetsOneWholeLinePerEntryOrNone)
{
    TempDir dir;
    CMeterHistory history(dir.Path("h"));
    history.Append(Entry("Q1"));
    CMeterHistory::SLogEntry second = Entry("Q\"2\"");
    second.verified.reset();
    second.backup.clear();
    second.message = "Communication error.\rtimeout";
    second.time = "2026-12-08T11:43:05.123Z";
    second.user = "tech";
    second.host = "bench";
    history.Append(second);

    const std::string text = ReadText(history.LogPath());
    std::istringstream lines(text);
    std::vector<json> entries;
    for (std::string line; std::getline(lines, line);)
        entries.push_back(json::parse(line));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]["serial"], "Q1");
    EXPECT_EQ(entries[0]["verified"], true);
    EXPECT_TRUE(entries[0]["file"].is_null());
    EXPECT_EQ(entries[0]["changes"][0]["old"], "0.0000");
    EXPECT_EQ(entries[0]["link"], "rtu /dev/ttyUSB0 38400 8O1");
    EXPECT_EQ(entries[1], json::parse(R"({"time": "2026-12-08T11:43:05.123Z", "user": "tech", "host": "bench",
        "link": "rtu /dev/ttyUSB0 38400 8O1", "address": 3, "model": 15, "description": "Z6OR-11u4 Voltage input",
        "serial": "Q\"2\"", "action": "download", "file": null,
        "changes": [{"group": "Input", "name": "Decimal point position", "old": "0.0000", "new": "00.000"}],
        "verified": null, "backup": null, "message": "Communication error.\rtimeout"})"));

    // A line that does not fit is taken back whole.
    {
        FileSizeLimit limit(text.size() + 40);
        EXPECT_EQ(Failure([&] { history.Append(Entry("Q3")); }),
                  "The change log " + history.LogPath() + " could not be written: File too large");
    }
    EXPECT_EQ(ReadText(history.LogPath()), text);
}

TEST(MeterHistory, FailuresNameTheFolderOrFileAndTheReason)
{
    TempDir dir;
    WriteText(dir.Path("file"), "x");
    CMeterHistory blocked(dir.Path("file"));
    EXPECT_EQ(Failure([&] { blocked.KeepBackup(Model(15), "S1"); }),
              "The previous settings could not be kept in " + dir.Path("file/Z6OR-11u4_S1") + ": Not a directory");
    EXPECT_EQ(Failure([&] { blocked.Append(Entry("S1")); }),
              "The change log " + dir.Path("file/changes.jsonl") + " could not be written: Not a directory");
    EXPECT_TRUE(blocked.Meters().empty());
}

TEST(MeterHistory, LinkTexts)
{
    ComSettings s{ComSettings::NoLoad{}};
    s.COMPortName = "/dev/ttyUSB0";
    s.Baudrate = 3;
    s.Parity = 2;
    s.Stop = 1;
    EXPECT_EQ(CMeterHistory::LinkText(s), "rtu /dev/ttyUSB0 9600 8E2");
    s.Mode = kModeTcp;
    s.ServerAddress = "127.0.0.1";
    s.ServicePort = "1502";
    EXPECT_EQ(CMeterHistory::LinkText(s), "tcp 127.0.0.1:1502");
    // A device server: its own port, and its line's speed.
    s.Mode = kModeRtuTcp;
    s.RtuTcpServicePort = "4002";
    EXPECT_EQ(CMeterHistory::LinkText(s), "rtu-tcp 127.0.0.1:4002 9600");
    s.Mode = kModeInfrared;
    s.IRCOMPortName = "/dev/ttyUSB1";
    EXPECT_EQ(CMeterHistory::LinkText(s), "ir /dev/ttyUSB1");
}

TEST(MeterHistory, TheDefaultRootFollowsTheDataHome)
{
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(CMeterHistory::DefaultRoot(), "/srv/data/v6uvuv");
    setenv("XDG_DATA_HOME", "relative", 1); // not absolute: ignored, as the XDG base directory rules say
    const char* home = std::getenv("HOME");
    EXPECT_EQ(CMeterHistory::DefaultRoot(), std::string(home ? home : ".") + "/.local/share/v6uvuv");
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
