// The command line's whole-meter commands against the simulator.
#include "CliRun.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>

using namespace testsupport;

namespace {

std::string TcpLink(const SimProcess& sim)
{
    return "--link tcp --host 127.0.0.1 --service " + std::to_string(sim.Port()) + " ";
}

class CliTransfer : public ::testing::Test
{
protected:
    TempConfigHome home;
    std::string Path(const std::string& name) const { return home.Dir() + "/" + name; }
};

} // namespace

TEST_F(CliTransfer, NewDownloadUploadGivesTheSameFileInBothWordOrders)
{
    for (int code : {0, 33, 44, 66, 88, 110, 143, 9, 152}) {
        for (bool swap : {false, true}) {
            SimProcess sim(swap ? std::vector<std::string>{"--model", std::to_string(code), "--tcp", "0", "--swap"}
                                : std::vector<std::string>{"--model", std::to_string(code), "--tcp", "0"});
            const std::string a = Path("a.cfg"), b = Path("b.cfg");
            ASSERT_EQ(Cli("new " + std::to_string(code) + " " + a).status, 0);
            CliRun r = Cli(TcpLink(sim) + "download " + a);
            ASSERT_EQ(r.status, 0) << r.err;
            r = Cli(TcpLink(sim) + "upload " + b);
            ASSERT_EQ(r.status, 0) << r.err;
            // The 32-bit values cross in the meter's order either way (a
            // Modbus model's download also sets its Long register back to 0).
            EXPECT_EQ(ReadFile(a), ReadFile(b)) << code << (swap ? " swap" : " normal");
            r = Cli("report " + a + " --compare " + b);
            EXPECT_EQ(r.status, 0);
            EXPECT_NE(r.out.find("\nAll parameters matching.\n"), std::string::npos);
        }
    }
}

TEST_F(CliTransfer, ADifferentModelIsRefusedAndBadFilesLeaveTheMeterAlone)
{
    SimProcess sim({"--model", "0", "--tcp", "0"});
    const std::string other = Path("other.cfg");
    ASSERT_EQ(Cli("new 15 " + other).status, 0);
    CliRun r = Cli(TcpLink(sim) + "download " + other);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("The settings of a different device cannot be downloaded: the meter is model 0 ", 0), 0u)
        << r.err;

    r = Cli(TcpLink(sim) + "download " + Path("missing.cfg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Load error.", 0), 0u) << r.err;

    const std::string garbage = Path("garbage.cfg");
    std::ofstream(garbage) << "not a configuration file\n";
    r = Cli(TcpLink(sim) + "download " + garbage);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Load error.", 0), 0u) << r.err;
}

TEST_F(CliTransfer, CtrlCCancelsAnUploadAndWritesNoFile)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--delay", "100"});
    const std::string file = Path("never.cfg");
    CliRun r = Cli(TcpLink(sim) + "upload " + file, 600);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.err, "Cancelled.\n");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(CliTransfer, MonitorTagAndMaxMin)
{
    SimProcess sim({"--model", "11", "--tcp", "0"});
    CliRun r = Cli(TcpLink(sim) + "monitor --count 2");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string header, first, second;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(
        header.rfind("Tag name\tDisplay value\tMax value\tMin value\tStatus\tError code\tAnalog output\tModel", 0), 0u);
    EXPECT_EQ(std::count(first.begin(), first.end(), '\t'), 10);
    EXPECT_EQ(first.rfind("SIMULATOR\t", 0), 0u) << first;
    EXPECT_FALSE(second.empty());

    EXPECT_EQ(Cli(TcpLink(sim) + "tag \"Line 4 pump\"").status, 0);
    r = Cli(TcpLink(sim) + "tag");
    EXPECT_EQ(r.out, "Line 4 pump\n");
    EXPECT_EQ(Cli(TcpLink(sim) + "tag 12345678901234567").status, 1); // 17 characters

    EXPECT_EQ(Cli(TcpLink(sim) + "reset-maxmin").status, 2);
    EXPECT_EQ(Cli(TcpLink(sim) + "reset-maxmin --yes").status, 0);
}

TEST_F(CliTransfer, TagAndMaxMinResetAreLoggedAndALogThatFailsOnlyWarns)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--serial", "T-1"});
    ASSERT_EQ(Cli(TcpLink(sim) + "tag PUMP").status, 0);
    ASSERT_EQ(Cli(TcpLink(sim) + "reset-maxmin --yes").status, 0);
    CliRun r = Cli("history --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_TRUE(doc["meters"].empty()); // nothing kept but the log
    ASSERT_EQ(doc["changes"].size(), 2u);
    EXPECT_EQ(doc["changes"][0]["action"], "tag");
    EXPECT_EQ(doc["changes"][0]["serial"], "T-1");
    EXPECT_EQ(doc["changes"][0]["model"], 15);
    EXPECT_EQ(doc["changes"][0]["changes"],
              nlohmann::json::parse(
                  R"([{"group": "Device Information", "name": "Tag", "old": "SIMULATOR", "new": "PUMP"}])"));
    EXPECT_EQ(doc["changes"][1]["action"], "maxmin-reset");
    EXPECT_TRUE(doc["changes"][1]["changes"].empty());

    // A line that is no JSON (cut short, say) is passed over by the reader.
    {
        std::ofstream log(home.Dir() + "/data/v6uvuv/changes.jsonl", std::ios::app);
        log << "{\"time\": \"2026-\n";
    }
    r = Cli("history --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["changes"].size(), 2u);

    // Where the log cannot be written, the tag is set all the same.
    const std::string blocked = Path("blocked");
    std::ofstream(blocked) << "a file, not a folder";
    r = Shell("XDG_DATA_HOME=" + blocked + " exec " + Q6K_CLI_PATH + " " + TcpLink(sim) + "tag VALVE");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "Warning: The change log " + blocked + "/v6uvuv/changes.jsonl could not be written: Not a directory\n");
    EXPECT_EQ(Cli(TcpLink(sim) + "tag").out, "VALVE\n");
}

TEST_F(CliTransfer, AMeterThatRefusesRegister3000StillGetsEveryOtherValue)
{
    // Model 0 has no analog output: the register is not even asked for.
    SimProcess plain({"--model", "0", "--tcp", "0", "--refuse", "3000"});
    CliRun r = Cli("--trace " + TcpLink(plain) + "monitor --count 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("adrs=3001"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\nSIMULATOR\t"), std::string::npos) << r.out;
    // Model 15 has one: a refusal with exception 2 reads as none.
    SimProcess analog({"--model", "15", "--tcp", "0", "--refuse", "3000"});
    r = Cli("--trace " + TcpLink(analog) + "monitor --count 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("adrs=3001 size=1\nException 2\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\nSIMULATOR\t"), std::string::npos) << r.out;
    // Any other failure there still fails the poll.
    SimProcess broken({"--model", "15", "--tcp", "0", "--refuse", "1060"});
    EXPECT_EQ(Cli(TcpLink(broken) + "monitor --count 1").status, 1);
}

TEST_F(CliTransfer, UploadSaysWhichMeterItRead)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--serial", "X-77"});
    const std::string file = Path("u.cfg");
    CliRun r = Cli(TcpLink(sim) + "--address 4 upload " + file);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string lead = "Uploaded model 15 Z6OR-11u4 Voltage input, Dc output x 1, Network: RS-485 / Modbus RTU "
                             "(serial X-77) from address 4 in ";
    EXPECT_EQ(r.out.rfind(lead, 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - file.size() - 5), " s: " + file + "\n") << r.out;
}

TEST_F(CliTransfer, ReportAgainstTheMeterAndAsCsv)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    const std::string file = Path("meter.cfg"), csv = Path("report.csv");
    ASSERT_EQ(Cli("new 15 " + file).status, 0);
    CliRun r = Cli(TcpLink(sim) + "report " + file + " --compare-device --csv " + csv);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Input\tInput type\t1.0000 to 5.0000 Vdc\t1.0000 to 5.0000 Vdc\t=\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 25), "All parameters matching.\n");
    const std::string text = ReadFile(csv);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 163);
    EXPECT_EQ(text.rfind("\"Input\",\"Input type\",\"1.0000 to 5.0000 Vdc\",\"1.0000 to 5.0000 Vdc\"\r\n", 0), 0u);

    EXPECT_EQ(Cli("report " + file + " --compare " + file + " --compare-device").status, 2);
}

TEST_F(CliTransfer, CtrlCCancelsEveryCommandThatWaitsOnTheMeter)
{
    // Each answer would come after three time-outs and their retries: only
    // the cancel can end a command early, with status 130.
    SimProcess sim({"--model", "15", "--tcp", "0", "--delay", "30000"});
    const char* const kRead = "ReadHoldingRegisters: ";
    const char* const kWrite = "WriteMultipleRegisters: ";
    const std::pair<const char*, const char*> commands[] = {{"read 9600 2", kRead},   {"identify", kRead},
                                                            {"tag", kRead},           {"write 900 0", kWrite},
                                                            {"tag SOMETHING", kRead}, {"reset-maxmin --yes", kRead}};
    for (const auto& [command, waitsOn] : commands) {
        CliOptions options;
        options.interruptOnErr = waitsOn;
        CliRun r = Cli("--trace " + TcpLink(sim) + command, options);
        EXPECT_EQ(r.status, 130) << command << ": " << r.err;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_TRUE(r.err.size() >= 11 && r.err.substr(r.err.size() - 11) == "Cancelled.\n")
            << command << ": " << r.err;
    }
}

TEST_F(CliTransfer, ArgumentsAfterTheEndOfTheOptionsAreTakenAsWritten)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    CliRun r = Cli(TcpLink(sim) + "tag -- --LINE-A--");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli(TcpLink(sim) + "tag");
    EXPECT_EQ(r.out, "--LINE-A--\n");
    r = Cli(TcpLink(sim) + "-- tag -h");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Cli(TcpLink(sim) + "tag").out, "-h\n");

    // A file named -h, and one that looks like an option.
    CliOptions here;
    here.dir = home.Dir();
    ASSERT_EQ(Cli("new 15 -- -h", here).status, 0);
    ASSERT_EQ(Cli("new 15 reference.cfg", here).status, 0);
    EXPECT_EQ(ReadFile(Path("-h")), ReadFile(Path("reference.cfg")));
    r = Cli("report -- --csv", here);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Load error.", 0), 0u) << r.err;    // the file --csv, which is not there
    ASSERT_EQ(Cli("-- report -h --compare", here).status, 2); // too many arguments, none an option

    // Before "--" help is an option wherever it stands.
    for (const char* help : {"-h", "--help", "tag -h", "new 15 x.cfg --help -- y"}) {
        r = Cli(help, here);
        EXPECT_EQ(r.status, 0) << help;
        EXPECT_EQ(r.out.rfind("Usage: v6uvuv-cli [OPTIONS] COMMAND [ARGS]", 0), 0u) << help;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("x.cfg")));
    r = Cli("-- --help", here);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("Unknown command: --help\n", 0), 0u) << r.err;
}
