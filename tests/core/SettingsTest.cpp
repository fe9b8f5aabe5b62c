// The per-user settings store, ComSettings persistence and the INI service.
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "app/PrivateException.h"
#include "files/IniFile.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace testsupport;

namespace {
std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
void WriteAll(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}
} // namespace

TEST(Settings, DefaultsWithoutAFile)
{
    TempConfigHome home;
    ComSettings s;
    EXPECT_EQ(s.Mode, kModeRs485);
    EXPECT_EQ(s.Address, 1);
    EXPECT_EQ(s.COMPort, 0);
    EXPECT_EQ(s.COMPortName, "");
    EXPECT_EQ(s.Baudrate, 5);
    EXPECT_EQ(s.Character, 1);
    EXPECT_EQ(s.Parity, 1);
    EXPECT_EQ(s.Stop, 0);
    EXPECT_EQ(s.ServerAddress, "192.168.0.1");
    EXPECT_EQ(s.ServicePort, "502");
    EXPECT_EQ(s.RtuTcpServicePort, "4001");
    CAppSettings app;
    app.Load();
    EXPECT_EQ(app.m_deviceId, 15);
    EXPECT_EQ(app.m_displayLanguage, -1);
    EXPECT_EQ(CSettingsStore::FilePath(), home.Dir() + "/TRELVANE/V6UVUV.conf");
}

TEST(Settings, ComSettingsRoundTripInTableOrderAndCharacterAlwaysLoadsAsEight)
{
    TempConfigHome home;
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeInfrared;
    s.Address = 17;
    s.COMPort = 4;
    s.COMPortName = "\\\\.\\COM12";
    s.COMPortDisplayName = "USB Serial Port (COM12)";
    s.IRCOMPortName = "/dev/ttyUSB0";
    s.IRCOMPortDisplayName = "IR adapter";
    s.Baudrate = 3;
    s.Character = 0;
    s.Parity = 2;
    s.Stop = 1;
    s.ServerAddress = "meter-gw.local";
    s.ServicePort = "1502";
    s.RtuTcpServicePort = "4003";
    s.Save();

    ComSettings back;
    EXPECT_EQ(back.Mode, kModeInfrared);
    EXPECT_EQ(back.Address, 17);
    EXPECT_EQ(back.COMPort, 4);
    EXPECT_EQ(back.COMPortName, "\\\\.\\COM12");
    EXPECT_EQ(back.COMPortDisplayName, "USB Serial Port (COM12)");
    EXPECT_EQ(back.IRCOMPortName, "/dev/ttyUSB0");
    EXPECT_EQ(back.IRCOMPortDisplayName, "IR adapter");
    EXPECT_EQ(back.Baudrate, 3);
    EXPECT_EQ(back.Character, 1); // stored 0, loaded as 8 data bits
    EXPECT_EQ(back.Parity, 2);
    EXPECT_EQ(back.Stop, 1);
    EXPECT_EQ(back.ServerAddress, "meter-gw.local");
    EXPECT_EQ(back.ServicePort, "1502");

    EXPECT_EQ(ReadAll(CSettingsStore::FilePath()),
              "[ComSettings]\nAddress=17\nCOMPort=4\nCOMPortName=\\\\.\\COM12\n"
              "COMPortDisplayName=USB Serial Port (COM12)\nIRCOMPortName=/dev/ttyUSB0\n"
              "IRCOMPortDisplayName=IR adapter\nBaudrate=3\nCharacter=0\nParity=2\nStop=1\nMode=2\n"
              "ServerAddress=meter-gw.local\nServicePort=1502\nRtuTcpServicePort=4003\n");

    // A device server keeps its port apart from the Modbus TCP gateway's.
    s.Mode = kModeRtuTcp;
    s.Save();
    back = ComSettings();
    EXPECT_EQ(back.Mode, kModeRtuTcp);
    EXPECT_EQ(back.ServicePort, "1502");
    EXPECT_EQ(back.RtuTcpServicePort, "4003");
    EXPECT_EQ(back.ServerText(), "meter-gw.local:4003");

    // The other section stays when one is saved.
    CAppSettings app;
    app.m_deviceId = 99;
    app.m_displayLanguage = 1;
    app.Save();
    EXPECT_EQ(ComSettings().Address, 17);
    app.Load();
    EXPECT_EQ(app.m_deviceId, 99);
}

TEST(Settings, DamagedOrUnreadableFilesGiveDefaults)
{
    TempConfigHome home;
    const std::string path = CSettingsStore::FilePath();
    using namespace std::string_literals;
    WriteAll(path, "\x7f\x45\x4c\x46garbage\n[ComSettings\n[comsettings]\nAddress=abc\n"
                   "Parity=99999999999\n  baudrate = 2 \nMode=\n"s);
    ComSettings s;
    EXPECT_EQ(s.Address, 1);
    EXPECT_EQ(s.Parity, 1);
    EXPECT_EQ(s.Baudrate, 2); // the good value in a damaged file is still taken
    EXPECT_EQ(s.Mode, kModeRs485);
    // With NUL bytes it is no text file: nothing of it is taken.
    WriteAll(path, "\x7f\x45\x4c\x46\0\0garbage\n[comsettings]\n  baudrate = 2 \n"s);
    EXPECT_EQ(ComSettings().Baudrate, 5);

    std::filesystem::remove(path);
    std::filesystem::create_directory(path); // a folder where the file should be
    EXPECT_EQ(ComSettings().Address, 1);
    EXPECT_THROW(ComSettings().Save(), CPrivateException);
}

TEST(Settings, AFailedSaveLeavesTheOldFileWhole)
{
    TempConfigHome home;
    ComSettings s{ComSettings::NoLoad{}};
    s.Address = 5;
    s.Save();
    const std::string before = ReadAll(CSettingsStore::FilePath());

    // A file size limit makes the write of the new file fail half-way, as a
    // full disk would (root is not spared, unlike with permissions).
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = before.size() + 16;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    s.Address = 6;
    s.ServerAddress = std::string(200, 'x');
    std::string text;
    try {
        s.Save();
    } catch (const CPrivateException& e) {
        text = e.Text();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(text.rfind("The settings file " + CSettingsStore::FilePath() + " can not be written: ", 0), 0u) << text;
    EXPECT_EQ(ReadAll(CSettingsStore::FilePath()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Dir() + "/TRELVANE"),
                            std::filesystem::directory_iterator()),
              1); // no temporary file left behind
}

TEST(IniFile, MatchesCaseInsensitivelyAndKeepsEveryOtherLine)
{
    CIniFile ini;
    ini.LoadText("; comment\r\n[Q6K]\r\nKeyA = 12\r\nnoise line\r\n\r\n[Other]\r\nKeyA=x\r\n");
    EXPECT_EQ(ini.GetInt("q6k", "keya", 0), 12);
    EXPECT_EQ(ini.GetString("OTHER", "KEYA", ""), "x");
    EXPECT_EQ(ini.GetInt("Q6K", "missing", -7), -7);
    EXPECT_EQ(ini.GetInt("Other", "KeyA", -7), -7); // not a number

    ini.Set("q6k", "KEYA", "13");
    ini.Set("Q6K", "KeyB", "line\nbreak");
    ini.Set("New", "K", "v");
    EXPECT_EQ(ini.Text(), "; comment\r\n[Q6K]\r\nKEYA=13\r\nnoise line\r\nKeyB=line break\r\n\r\n[Other]\r\nKeyA=x\r\n"
                          "\r\n[New]\r\nK=v\r\n");
    EXPECT_EQ(ini.Keys("q6k"), (std::vector<std::string>{"KEYA", "KeyB"}));
    EXPECT_TRUE(ini.DeleteKey("Q6K", "keyb"));
    EXPECT_FALSE(ini.Get("Q6K", "KeyB").has_value());

    // Unsigned 32-bit values read back as their bit pattern.
    ini.Set("Q6K", "Big", "4294967295");
    EXPECT_EQ(ini.GetInt("Q6K", "Big", 0), -1);
}

TEST(IniFile, SetAllWritesWhatSetWouldOneKeyAfterTheOther)
{
    using Values = std::vector<std::pair<std::string, std::string>>;
    const Values values = {{"keya", "1"},      {"New1", "2"},  {"KEYA", "3"},
                           {"new1", "4\r\n5"}, {"Other", "6"}, {"New2", ""}};
    for (const char* text : {"", "; only a comment", "[Other]\nOther=x\n",
                             "[Q6K]\nKeyA = 12\nnoise line\n\n\n[Other]\nOther=x\n[Q6K]\nNew2=old\n",
                             "x\r\n[q6k]\r\n\r\nKeyA=0\r\nKeyA=duplicate\r\n"}) {
        CIniFile one, all;
        one.LoadText(text);
        all.LoadText(text);
        for (const auto& [key, value] : values)
            one.Set("Q6K", key, value);
        all.SetAll("Q6K", values);
        EXPECT_EQ(all.Text(), one.Text()) << text;
    }
}

TEST(IniFile, AValueReadHoldsNoLineBreakSoThatItSavesAsItWasRead)
{
    // A lone CR inside a line, as another editor may leave it: the value
    // read is the value a save writes.
    CIniFile ini;
    ini.LoadText("[S]\nPort=/dev/tty\rUSB0\nName=\r Meter 1\n");
    EXPECT_EQ(ini.GetString("S", "Port", ""), "/dev/tty USB0");
    EXPECT_EQ(ini.GetString("S", "Name", ""), "Meter 1");
}

TEST(Settings, ComSettingsWithALoneCarriageReturnSaveAndLoadUnchanged)
{
    TempConfigHome home;
    WriteAll(CSettingsStore::FilePath(), "[ComSettings]\nAddress=17\nCOMPortName=/dev/serial/by-id/usb-FTDI\rA10K3Q7B\n"
                                         "IRCOMPortDisplayName=\rIR adapter\n");
    const ComSettings loaded;
    loaded.Save();
    const ComSettings back;
    EXPECT_EQ(back.COMPortName, loaded.COMPortName);
    EXPECT_EQ(back.IRCOMPortDisplayName, loaded.IRCOMPortDisplayName);
    EXPECT_EQ(back.Address, 17);
}

TEST(IniFile, TextOfALoadedFileLoadsBackAsTheSameText)
{
    // Stray CRs at the end of a file without a final line break, as one
    // fuzzed settings file had them: they must not turn the file into CRLF
    // on the next load.
    CIniFile ini;
    ini.LoadText("[S]\nk=1\n[\r\r");
    EXPECT_EQ(ini.Text(), "[S]\nk=1\n[\n");
    for (const char* text : {"[S]\nk=1\n[\r\r", "a\r\nb\r\r\n", "a\nb\r\n", "a\rb\nc", "x\r", "\r\r", "", "\n"}) {
        CIniFile once;
        once.LoadText(text);
        CIniFile again;
        again.LoadText(once.Text());
        EXPECT_EQ(again.Text(), once.Text()) << testing::PrintToString(std::string(text));
    }
}
