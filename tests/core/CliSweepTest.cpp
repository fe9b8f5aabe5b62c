// scan --sweep on the command line: a meter of unknown line settings found
// on the simulator's line, Ctrl-C during a sweep, and what it refuses.
#include "CliRun.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace testsupport;

namespace {

const char* const kModel15 = "15\tZ6OR-11u4 Voltage input, Dc output x 1, Network: RS-485 / Modbus RTU";

std::vector<std::string> SimAt9600Even2(std::vector<std::string> more)
{
    std::vector<std::string> args = {"--rtu", "--model", "15", "--baud", "9600", "--parity", "even", "--stop", "2"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::string Port(const SimProcess& sim)
{
    return "--link rtu --port " + sim.RtuPath() + " ";
}

} // namespace

TEST(CliSweep, FindsTheMeterAndPrintsTheSettingItAnswersAt)
{
    TempConfigHome home;
    SimProcess sim(SimAt9600Even2({"--address", "37"}));
    CliRun r = Cli(Port(sim) + "scan --sweep --from 36 --to 38");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("37\t") + kModel15 + "\t9600\teven\t2\n");
    EXPECT_EQ(r.err, "");

    r = Cli(Port(sim) + "scan --sweep --from 37 --to 37 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["sweep"], true);
    EXPECT_EQ(doc["cancelled"], false);
    ASSERT_EQ(doc["meters"].size(), 1u);
    EXPECT_EQ(doc["meters"][0]["address"], 37);
    EXPECT_EQ(doc["meters"][0]["model"], 15);
    EXPECT_EQ(doc["meters"][0]["baud"], 9600);
    EXPECT_EQ(doc["meters"][0]["parity"], "even");
    EXPECT_EQ(doc["meters"][0]["stop"], 2);
}

TEST(CliSweep, CtrlCDuringASweepOfAllKeepsTheMetersFound)
{
    TempConfigHome home;
    SimProcess sim(SimAt9600Even2({"--units", "36,37"}));
    // With --all the sweep goes on after both meters; Ctrl-C once the second
    // is printed.
    CliOptions options;
    options.interruptOnOut = "37\t15\t";
    CliRun r = Cli(Port(sim) + "scan --sweep --all --from 36 --to 37", options);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.out, std::string("36\t") + kModel15 + "\t9600\teven\t2\n37\t" + kModel15 +
                         "\t9600\teven\t2\nCancelled after 2 meter(s) found.\n");
    EXPECT_EQ(r.err, "Cancelled.\n");
}

TEST(CliSweep, RefusedWithFixedLineSettingsWithoutAnRs485LineAndAllWithoutSweep)
{
    TempConfigHome home;
    CliRun r = Cli("--link rtu --port /dev/null --baud 9600 scan --sweep");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--sweep"), std::string::npos) << r.err;
    r = Cli("--link rtu --port /dev/null scan --all");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--all needs --sweep"), std::string::npos) << r.err;
    for (const char* link : {"--link tcp --host 127.0.0.1 --service 1", "--link ir --port /dev/null"}) {
        r = Cli(std::string(link) + " scan --sweep");
        EXPECT_EQ(r.status, 1) << link;
        EXPECT_NE(r.err.find("needs an RS-485 line"), std::string::npos) << r.err;
    }
}
