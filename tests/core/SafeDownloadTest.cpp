// The safe download against simulator processes: through the command line as
// a technician runs it (backup, change log, verification, dry run, a line of
// meters, a full disk) and through the core job where the link itself
// changes (a new device address).
#include "CliRun.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/MeterHistory.h"
#include "jobs/SafeDownload.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>

using namespace testsupport;
using nlohmann::json;

namespace {

// Model 15's factory settings with the decimal point (word 10) and the
// bargraph type (word 31, register 2000) as given.
CRegisterImage Settings(int decimals, int bargraph)
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    image.SetWord(10, static_cast<std::uint16_t>(decimals));
    image.SetWord(31, static_cast<std::uint16_t>(bargraph));
    return image;
}

std::string TcpLink(const SimProcess& sim)
{
    return "--link tcp --host 127.0.0.1 --service " + std::to_string(sim.Port()) + " ";
}

std::string RtuLink(const SimProcess& sim)
{
    return "--link rtu --port " + sim.RtuPath() + " --parity none ";
}

// The requests of a --trace, in order: "R 9601 1" or "W 901 1" (the trace
// counts registers from 1).
std::vector<std::string> Requests(const std::string& trace)
{
    std::vector<std::string> out;
    const std::regex line(R"((ReadHoldingRegisters|WriteMultipleRegisters): adrs=(\d+) size=(\d+))");
    for (std::sregex_iterator it(trace.begin(), trace.end(), line), end; it != end; ++it)
        out.push_back(std::string((*it)[1] == "ReadHoldingRegisters" ? "R " : "W ") + (*it)[2].str() + " " +
                      (*it)[3].str());
    return out;
}

bool AnyWrite(const std::string& trace)
{
    for (const std::string& r : Requests(trace))
        if (r[0] == 'W')
            return true;
    return false;
}

// The path in "... kept in PATH." of a download's last line.
std::string KeptIn(const std::string& out)
{
    std::smatch m;
    if (!std::regex_search(out, m, std::regex(R"(kept in (/\S+\.cfg)\.)")))
        return std::string();
    return m[1];
}

class SafeDownload : public ::testing::Test
{
protected:
    TempConfigHome home;
    std::string Path(const std::string& name) const { return home.Dir() + "/" + name; }
    std::string Save(const CRegisterImage& image, const std::string& name) const
    {
        CConfigFile::Save(image, Path(name));
        return Path(name);
    }
    std::vector<json> Log() const
    {
        std::vector<json> entries;
        std::ifstream in(home.HistoryDir() + "/changes.jsonl");
        std::string line;
        while (std::getline(in, line))
            entries.push_back(json::parse(line)); // every line whole
        return entries;
    }
};

} // namespace

TEST_F(SafeDownload, TheBackupIsWhatTheMeterHeldAndTheLogSaysWhatChanged)
{
    const std::string before = Save(Settings(1, 1), "before.cfg");
    const std::string file = Save(Settings(3, 2), "new.cfg");
    SimProcess sim({"--load", before, "--save", Path("after.cfg"), "--tcp", "0", "--serial", "SN 42/7"});
    CliRun r = Cli(TcpLink(sim) + "download " + file);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string backup = KeptIn(r.out);
    EXPECT_EQ(r.out, "Settings that change (group, name, meter value, new value):\n"
                     "  Input\tDecimal point position\t0000.0\t00.000\n"
                     "  Bargraph\tBargraph type\tUnidirectional bar\tUnidirectional bar, reverse LCD\n"
                     "Downloaded and verified: 2 parameter(s) changed. Previous settings kept in " +
                         backup + ".\n");
    EXPECT_EQ(r.err, "");
    // In the meter's own folder, named by the time, in the format of a saved
    // file: byte for byte what a save of the meter's old settings writes.
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), home.HistoryDir() + "/Z6OR-11u4_SN_42_7");
    EXPECT_TRUE(std::regex_match(std::filesystem::path(backup).filename().string(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d-\d\d-\d\dZ\.cfg)")));
    CConfigFile::Save(CConfigFile::Read(before), Path("fresh.cfg"));
    EXPECT_EQ(ReadFile(backup), ReadFile(Path("fresh.cfg")));
    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_TRUE(CConfigFile::Read(Path("after.cfg")) == CConfigFile::Read(file));

    const std::vector<json> log = Log();
    ASSERT_EQ(log.size(), 1u);
    const json& e = log[0];
    EXPECT_TRUE(std::regex_match(std::string(e["time"]), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
    EXPECT_EQ(e["link"], "tcp 127.0.0.1:" + std::to_string(sim.Port()));
    EXPECT_EQ(e["address"], 1);
    EXPECT_EQ(e["model"], 15);
    EXPECT_EQ(e["serial"], "SN 42/7");
    EXPECT_EQ(e["action"], "download");
    EXPECT_EQ(e["file"], file);
    EXPECT_EQ(e["changes"],
              json::parse(R"([{"group": "Input", "name": "Decimal point position", "old": "0000.0", "new": "00.000"},
        {"group": "Bargraph", "name": "Bargraph type", "old": "Unidirectional bar", "new": "Unidirectional bar, reverse LCD"}])"));
    EXPECT_EQ(e["verified"], true);
    EXPECT_EQ(e["backup"], backup);
    EXPECT_TRUE(e["message"].is_null());
    EXPECT_FALSE(std::string(e["user"]).empty());
}

TEST_F(SafeDownload, AMeterThatDoesNotTakeAValueFailsTheVerificationWithTheParameterNamed)
{
    const std::string file = Save(Settings(3, 2), "new.cfg");
    SimProcess sim({"--model", "15", "--save", Path("after.cfg"), "--tcp", "0", "--ignore-write", "2000"});
    CliRun r = Cli(TcpLink(sim) + "download " + file);
    EXPECT_EQ(r.status, 1);
    const std::string backup = KeptIn(r.err);
    ASSERT_FALSE(backup.empty()) << r.err;
    EXPECT_EQ(r.err, "Verification failed: the meter does not hold 1 parameter(s) (group, name, meter value, value "
                     "sent). Previous settings kept in " +
                         backup +
                         ".\n  Bargraph\tBargraph type\tUnidirectional bar\tUnidirectional bar, reverse LCD\n");
    ASSERT_EQ(sim.Stop(), 0);
    const CRegisterImage after = CConfigFile::Read(Path("after.cfg"));
    EXPECT_EQ(after.GetWord(10), 3); // the rest was taken
    EXPECT_EQ(after.GetWord(31), 1);
    const std::vector<json> log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["verified"], false);
    EXPECT_EQ(log[0]["changes"].size(), 2u);

    // Without verification nothing is read back, and nothing noticed.
    SimProcess again({"--model", "15", "--tcp", "0", "--ignore-write", "2000"});
    r = Cli("--trace " + TcpLink(again) + "download " + file + " --no-verify --no-backup");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nDownloaded, not verified: 2 parameter(s) changed. No backup of the previous settings was "
                         "kept.\n"),
              std::string::npos)
        << r.out;
    const std::vector<std::string> requests = Requests(r.err);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "W 901 1"); // the last request ends the download
    EXPECT_EQ(Log().back()["verified"], nullptr);
    EXPECT_EQ(Log().back()["backup"], nullptr);
}

TEST_F(SafeDownload, AMeterThatHoldsTheFileGetsNoWriteAndADryRunWritesNothing)
{
    const std::string held = Save(Settings(1, 1), "held.cfg");
    const std::string file = Save(Settings(3, 1), "new.cfg");
    SimProcess sim({"--load", held, "--tcp", "0"});
    CliRun r = Cli("--trace " + TcpLink(sim) + "download " + held);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "The meter already holds these settings.\n");
    EXPECT_FALSE(AnyWrite(r.err)) << r.err;
    EXPECT_FALSE(std::filesystem::exists(home.HistoryDir())); // nothing written, nothing kept

    r = Cli("--trace " + TcpLink(sim) + "download " + file + " --dry-run");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "Settings that change (group, name, meter value, new value):\n"
                     "  Input\tDecimal point position\t0000.0\t00.000\n"
                     "Dry run: 1 parameter(s) would change; nothing was written.\n");
    EXPECT_FALSE(AnyWrite(r.err)) << r.err;
    EXPECT_EQ(Cli(TcpLink(sim) + "download " + held + " --dry-run").status, 0);

    // The JSON of the same: every meter field as before, and the download's.
    r = Cli(TcpLink(sim) + "download " + file + " --dry-run --json");
    EXPECT_EQ(r.status, 3);
    const json doc = json::parse(r.out);
    EXPECT_EQ(doc["dry_run"], true);
    const json& m = doc["meters"][0];
    EXPECT_EQ(m["result"], "done");
    EXPECT_EQ(m["model"], 15);
    EXPECT_EQ(m["already_held"], false);
    EXPECT_EQ(m["changes"], json::parse(R"([{"group": "Input", "name": "Decimal point position",
        "meter_value": "0000.0", "new_value": "00.000"}])"));
    EXPECT_TRUE(m["backup"].is_null());
    EXPECT_TRUE(m["verified"].is_null());
    EXPECT_FALSE(m.contains("link_change"));
    EXPECT_FALSE(std::filesystem::exists(home.HistoryDir()));
}

TEST_F(SafeDownload, AMeterOfAnotherModelIsRefusedAfterItsIdentityAlone)
{
    const std::string file = Save(Settings(3, 1), "new.cfg");
    SimProcess sim({"--model", "0", "--tcp", "0"});
    CliRun r = Cli("--trace " + TcpLink(sim) + "download " + file);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The settings of a different device cannot be downloaded: the meter is model 0 V6ED-10o0 "
                         "Voltage input, the settings are for model 15 Z6OR-11u4 Voltage input, Dc output x 1, "
                         "Network: RS-485 / Modbus RTU.\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Requests(r.err), (std::vector<std::string>{"R 9601 1", "R 9602 1"}));

    // A pair this program does not know: its own message, no cable advice.
    SimProcess unknown({"--model", "15", "--tcp", "0", "--identity", "2001:12"});
    r = Cli(TcpLink(unknown) + "download " + file);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "This device is not supported. (device id=2001, extension id=12)\n");
}

TEST_F(SafeDownload, AFullDiskForTheHistoryStopsTheDownloadBeforeAnyWrite)
{
    const std::string mount = Path("small");
    std::filesystem::create_directories(mount);
    CliRun probe = Shell("unshare --mount sh -c 'mount -t tmpfs -o size=64k tmpfs " + mount + "'");
    if (probe.status != 0)
        GTEST_SKIP() << "a tmpfs cannot be mounted here: " << probe.err;

    const std::string held = Save(Settings(1, 1), "held.cfg");
    const std::string file = Save(Settings(3, 2), "new.cfg");
    SimProcess sim({"--load", held, "--save", Path("after.cfg"), "--tcp", "0"});
    // The tmpfs lives in the command's own mount namespace and is full
    // before the download starts.
    CliRun r = Shell("unshare --mount sh -c 'mount -t tmpfs -o size=64k tmpfs " + mount +
                     " && (dd if=/dev/zero of=" + mount + "/fill bs=4k 2>/dev/null; true) && XDG_DATA_HOME=" + mount +
                     " exec " + Q6K_CLI_PATH + " --trace " + TcpLink(sim) + "download " + file + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The previous settings could not be kept in " + mount +
                         "/v6uvuv/Z6OR-11u4_Q6KSIM01: No space left on device\nNothing was written to the meter.\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(AnyWrite(r.err)) << r.err; // not even register 900
    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_TRUE(CConfigFile::Read(Path("after.cfg")) == CConfigFile::Read(held));
}

TEST_F(SafeDownload, OnALineOnlyTheMeterThatRefusesAWriteFails)
{
    const std::string file = Save(Settings(3, 2), "new.cfg");
    SimProcess sim({"--rtu", "--parity", "none", "--units",  "1-3", "--model",  "15", "--unit",
                    "1",     "--serial", "A1",   "--unit",   "2",   "--serial", "A2", "--ignore-write",
                    "2000",  "--unit",   "3",    "--serial", "A3"});
    CliRun r = Cli(RtuLink(sim) + "download " + file + " --address 1-3");
    EXPECT_EQ(r.status, 1) << r.err;
    const std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 5u) << r.out;
    EXPECT_EQ(out[0].rfind("1\tdone\tDownloaded and verified: 2 parameter(s) changed. Previous settings kept in " +
                               home.HistoryDir() + "/Z6OR-11u4_A1/",
                           0),
              0u)
        << out[0];
    EXPECT_EQ(out[1].rfind("2\tfailed\tVerification failed: the meter does not hold 1 parameter(s)", 0), 0u) << out[1];
    EXPECT_EQ(out[2], "  Bargraph\tBargraph type\tUnidirectional bar\tUnidirectional bar, reverse LCD");
    EXPECT_EQ(out[3].rfind("3\tdone\tDownloaded and verified:", 0), 0u) << out[3];
    EXPECT_EQ(out[4], "3 meter(s): 2 done, 0 refused, 1 failed.");

    // Again: two meters hold the file now, the third still does not.
    r = Cli(RtuLink(sim) + "download " + file + " --address 1-3 --json");
    EXPECT_EQ(r.status, 1) << r.err;
    const json doc = json::parse(r.out);
    EXPECT_EQ(doc["keep_link"], true);
    EXPECT_EQ(doc["meters"][0]["already_held"], true);
    EXPECT_TRUE(doc["meters"][0]["verified"].is_null());
    EXPECT_EQ(doc["meters"][1]["result"], "failed");
    EXPECT_EQ(doc["meters"][1]["verified"], false);
    EXPECT_EQ(doc["meters"][1]["not_held"], json::parse(R"([{"group": "Bargraph", "name": "Bargraph type",
        "meter_value": "Unidirectional bar", "sent_value": "Unidirectional bar, reverse LCD"}])"));
    EXPECT_EQ(doc["meters"][1]["changes"].size(), 1u); // the decimal point was taken the first time
    EXPECT_TRUE(doc["meters"][1]["backup"].is_string());
    EXPECT_EQ(doc["summary"]["failed"], 1);

    // A dry run of the line: the meter that still differs makes it 3.
    CliRun dry = Cli(RtuLink(sim) + "download " + file + " --address 1,3 --dry-run");
    EXPECT_EQ(dry.status, 0) << dry.out;
    dry = Cli(RtuLink(sim) + "download " + file + " --address 1-3 --dry-run");
    EXPECT_EQ(dry.status, 3) << dry.out;

    // The history: one folder per meter, the failed meter's two backups newest first.
    r = Cli("history --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const json history = json::parse(r.out);
    ASSERT_EQ(history["meters"].size(), 3u);
    EXPECT_EQ(history["meters"][1]["serial"], "A2");
    EXPECT_EQ(history["meters"][1]["model"], 15);
    ASSERT_EQ(history["meters"][1]["backups"].size(), 2u);
    ASSERT_EQ(history["changes"].size(), 4u); // the meters that already held the file have no entry
    EXPECT_EQ(history["changes"][3]["serial"], "A2");
    EXPECT_EQ(history["meters"][1]["backups"][0]["path"], history["changes"][3]["backup"]);
    EXPECT_EQ(history["meters"][1]["backups"][1]["path"], history["changes"][1]["backup"]);
    r = Cli("history --serial A2");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Z6OR-11u4_A2: model 15 Z6OR-11u4 Voltage input", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("Z6OR-11u4_A1"), std::string::npos) << r.out;
    std::size_t failures = 0;
    for (std::size_t at = 0; (at = r.out.find("  Verification failed:", at)) != std::string::npos; ++at)
        ++failures;
    EXPECT_EQ(failures, 2u) << r.out;
}

TEST_F(SafeDownload, ANewDeviceAddressIsWhereTheVerificationFindsTheMeter)
{
    SimProcess sim({"--rtu", "--parity", "none", "--model", "15"});
    CRegisterImage moved = Settings(1, 1);
    moved.SetWord(70, 5);
    CModbusInterface link(SimRtu(sim));
    CMeterHistory history(home.HistoryDir());
    CSafeDownload job(moved, {}, &history);
    link.Open();
    ASSERT_EQ(job.ReadMeter(link, nullptr), TransferResult::Completed);
    EXPECT_EQ(job.LinkChangeText(),
              "After this download the meter answers at address 5, 38400 bit/s, odd parity, 1 stop bit.");
    ASSERT_EQ(job.WriteAndVerify(link, nullptr), TransferResult::Completed);
    EXPECT_EQ(job.Verification(), CSafeDownload::EVerification::Verified);
    EXPECT_EQ(job.AnsweredAt().Address, 5);
    EXPECT_EQ(link.Settings().Address, 1); // the link as it came
    link.Close();
    EXPECT_EQ(Cli(RtuLink(sim) + "--address 5 identify").status, 0);

    // Back to address 1 through the command line, which says so first.
    CRegisterImage home1 = Settings(1, 1);
    CliRun r = Cli(RtuLink(sim) + "--address 5 download " + Save(home1, "home.cfg"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  Modbus\tDevice address\t5\t1\nAfter this download the meter answers at address 1, "
                         "38400 bit/s, odd parity, 1 stop bit.\nDownloaded and verified: 1 parameter(s) changed."),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Cli(RtuLink(sim) + "--address 1 identify").status, 0);
}

TEST_F(SafeDownload, AMeterThatKeepsItsAddressIsFoundWhereItWas)
{
    // The meter takes every word but the address: the read-back finds no one
    // at the new address and the meter at the old one, not holding it.
    SimProcess sim({"--rtu", "--parity", "none", "--model", "15", "--ignore-write", "7000"});
    CRegisterImage moved = Settings(1, 1);
    moved.SetWord(70, 5);
    CModbusInterface link(SimRtu(sim));
    CSafeDownload job(moved, {}, nullptr);
    link.Open();
    ASSERT_EQ(job.ReadMeter(link, nullptr), TransferResult::Completed);
    ASSERT_EQ(job.WriteAndVerify(link, nullptr), TransferResult::Completed);
    EXPECT_EQ(job.Verification(), CSafeDownload::EVerification::Mismatch);
    EXPECT_EQ(job.AnsweredAt().Address, 1);
    ASSERT_EQ(job.NotHeld().size(), 1u);
    EXPECT_EQ(job.NotHeld()[0].name, "Device address");
    EXPECT_EQ(job.NotHeld()[0].meterValue, "1");
    EXPECT_EQ(job.NotHeld()[0].newValue, "5");
    EXPECT_TRUE(job.BackupPath().empty()); // no history, no backup
}

TEST_F(SafeDownload, CtrlCAfterTheFirstWriteSaysTheMeterMayHoldAMix)
{
    const std::string file = Save(Settings(3, 2), "new.cfg");
    SimProcess sim({"--model", "15", "--tcp", "0", "--delay", "20"});
    CliOptions options;
    options.interruptOnErr = "WriteMultipleRegisters: adrs=1051 ";
    CliRun r = Cli("--trace " + TcpLink(sim) + "download " + file, options);
    EXPECT_EQ(r.status, 130) << r.err;
    const std::vector<json> log = Log();
    ASSERT_EQ(log.size(), 1u);
    const std::string backup = log[0]["backup"];
    EXPECT_EQ(r.err.substr(r.err.find("The download was cancelled.")),
              "The download was cancelled.\nThe meter may now hold a mix of its previous and the new settings. Its "
              "previous settings are kept in " +
                  backup + ".\n");
    EXPECT_EQ(log[0]["message"],
              "The download was cancelled.\rThe meter may now hold a mix of its previous and the new "
              "settings. Its previous settings are kept in " +
                  backup + ".");
    EXPECT_TRUE(log[0]["verified"].is_null());
    // The backup is what it held: the factory settings.
    CRegisterImage factory;
    factory.ResetForModel(15, true);
    EXPECT_TRUE(CConfigFile::Read(backup) == CConfigFile::Read(Save(factory, "factory.cfg")));
}
