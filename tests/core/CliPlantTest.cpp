// apply: a plant of simulated gateways brought to its plant file, checked
// against it, and refused when the plant file is wrong.
#include "CliRun.h"
#include "SimPlant.h"
#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using namespace testsupport;
using nlohmann::json;

namespace {

class CliPlant : public ::testing::Test
{
protected:
    TempConfigHome home;
    SimPlant plant{home.Dir()};

    // "line/address" of every meter line whose result is `word`.
    static std::set<std::string> With(const std::string& out, const std::string& word)
    {
        std::set<std::string> meters;
        for (const std::string& line : Lines(out)) {
            const auto first = line.find('\t'), second = line.find('\t', first + 1);
            if (first == std::string::npos || second == std::string::npos)
                continue;
            if (line.compare(second + 1, word.size() + 1, word + "\t") == 0)
                meters.insert(line.substr(0, first) + "/" + line.substr(first + 1, second - first - 1));
        }
        return meters;
    }
};

const std::set<std::string> kDiffering = {"A/3", "A/4", "B/2", "B/4", "C/3"};

} // namespace

TEST_F(CliPlant, CheckFindsTheDriftApplyWritesExactlyItAndASecondApplyNothing)
{
    plant.AddLine("A", "1-4", {1, 2});
    plant.AddLine("B", "1-4", {1, 3}, true); // RTU over TCP
    plant.AddLine("C", "1-4", {1, 2, 4});
    const std::string file = plant.Write();

    CliRun r = Cli("apply " + file + " --check --diff");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(With(r.out, "differs"), kDiffering) << r.out;
    EXPECT_EQ(With(r.out, "held").size(), 7u) << r.out;
    // Each drifted meter's two lockouts, as the meter holds them and as the file says.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 12 + 5 * 2 + 1) << r.out;
    EXPECT_NE(r.out.find("\n  Lockout\t"), std::string::npos) << r.out;
    EXPECT_EQ(Lines(r.out).back(),
              "12 meter(s) on 3 line(s): 7 hold their file, 5 differ, 0 failed, 0 refused, 0 stopped, 0 not tried.");

    r = Cli("apply " + file + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const json doc = json::parse(r.out);
    EXPECT_EQ(doc["jobs"], 3);
    ASSERT_EQ(doc["meters"].size(), 12u);
    std::set<std::string> written;
    for (const json& m : doc["meters"]) {
        if (m["status"] == "written") {
            written.insert(m["line"].get<std::string>() + "/" + std::to_string(m["address"].get<int>()));
            EXPECT_EQ(m["changes"].size(), 2u) << m;
            EXPECT_EQ(m["verified"], true);
            EXPECT_TRUE(std::filesystem::exists(m["backup"].get<std::string>())) << m;
        } else {
            EXPECT_EQ(m["status"], "held") << m;
            EXPECT_TRUE(m["changes"].empty());
        }
        EXPECT_EQ(m["model"], 15);
        EXPECT_EQ(m["file"], home.Dir() + "/golden.cfg");
    }
    EXPECT_EQ(written, kDiffering);
    EXPECT_EQ(doc["meters"][4]["link"], doc["meters"][7]["link"]); // in the plant file's order
    EXPECT_EQ(doc["summary"]["written"], 5);

    r = Cli("apply " + file);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(With(r.out, "written").empty()) << r.out;
    EXPECT_EQ(With(r.out, "held").size(), 12u) << r.out;
    EXPECT_EQ(Cli("apply " + file + " --check").status, 0);

    plant.Stop();
    const CRegisterImage golden = PlantGolden();
    for (const char* line : {"A", "B", "C"})
        for (int address = 1; address <= 4; ++address) {
            const CRegisterImage unit = plant.Unit(line, address);
            EXPECT_EQ(unit.GetWord(46), golden.GetWord(46)) << line << address;
            EXPECT_EQ(unit.GetWord(48), golden.GetWord(48)) << line << address;
            EXPECT_EQ(unit.GetWord(70), address) << line << address; // each kept its own address
        }
}

TEST_F(CliPlant, AMeterUnpluggedAndAGatewayDownAreReportedWhileTheRestFinish)
{
    // Meter 2 answers 30 requests, a third of reading it.
    plant.AddLine("A", "1-4", {}, false, {"--unit", "2", "--unplug-after", "30"});
    plant.AddDeadLine("D", "1-4");
    const std::string file = plant.Write();
    CliRun r = Cli("apply " + file);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(With(r.out, "written"), (std::set<std::string>{"A/1", "A/3", "A/4"})) << r.out;
    EXPECT_EQ(With(r.out, "failed"), (std::set<std::string>{"A/2", "D/1", "D/2", "D/3", "D/4"})) << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 9u) << r.out;
    for (const std::string& line : lines) {
        if (line.rfind("D\t", 0) == 0) {
            EXPECT_NE(line.find("\t0\tThe line cannot be reached: "), std::string::npos) << line;
        }
    }
    // The line that is down did not wait for the other: all of it was said
    // before the last meter of A.
    std::size_t lastD = 0, lastA = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        (lines[i].rfind("D\t", 0) == 0 ? lastD : lines[i].rfind("A\t", 0) == 0 ? lastA : i) = i;
    EXPECT_LT(lastD, lastA) << r.out;
    EXPECT_EQ(lines.back(),
              "8 meter(s) on 2 line(s): 0 already held, 3 written, 5 failed, 0 refused, 0 stopped, 0 not tried.");
}

TEST_F(CliPlant, CtrlCEndsTheMeterInProgressAndLeavesTheRestNotTried)
{
    // Slow meters: Ctrl-C comes while the first line still has meters to go.
    plant.AddLine("A", "1-6", {}, false, {"--delay", "5"});
    plant.AddLine("B", "1-6", {}, false, {"--delay", "5"});
    CliOptions options;
    options.interruptOnOut = "\twritten\t";
    const CliRun r = Cli("apply " + plant.Write(), options);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.err, "Cancelled.\n");
    const std::size_t written = With(r.out, "written").size(), stopped = With(r.out, "stopped").size(),
                      notTried = With(r.out, "not tried").size();
    EXPECT_GE(written, 1u) << r.out;
    EXPECT_GE(notTried, 1u) << r.out;
    EXPECT_LE(stopped, 2u) << r.out; // at most the meter in progress on each line
    EXPECT_EQ(written + stopped + notTried, 12u) << r.out;
}

TEST_F(CliPlant, AWrongPlantFileIsRefusedBeforeAnyMeterIsTouched)
{
    SimProcess& sim = plant.AddLine("panel-A", "1-3", {});
    const std::string head =
        "lines:\n  - name: panel-A\n    link: tcp\n    host: 127.0.0.1\n    service: " + std::to_string(sim.Port()) +
        "\n";
    const std::string path = home.Dir() + "/plant.yaml";
    const struct
    {
        std::string text, error;
    } cases[] = {
        {head + "    meters:\n      - {address: 1, file: golden.cfg}\n      - {address: 7-, file: golden.cfg}\n",
         R"(line "panel-A", meters[1].address: "7-" is not an address or a range 1-247)"},
        {head + "    meters:\n      - {address: 1-3, file: golden.cfg}\n      - {address: 3, file: golden.cfg}\n",
         R"(line "panel-A", meters[1].address: address 3 is also given in meters[0])"},
        {head + "    colour: red\n    meters:\n      - {address: 1, file: golden.cfg}\n",
         R"(line "panel-A", colour: unknown field)"},
        {head + "    meters:\n      - {address: 1, file: golden.cfg}\n      - {address: 2, file: none.cfg}\n",
         R"(line "panel-A", meters[1].file: the settings file )" + home.Dir() + "/none.cfg cannot be used: "},
    };
    for (const auto& c : cases) {
        std::ofstream(path) << c.text;
        const CliRun r = Cli("apply " + path);
        EXPECT_EQ(r.status, 2) << c.text;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(path + ": " + c.error, 0), 0u) << r.err;
    }
    EXPECT_EQ(Cli("apply " + path + " --link tcp").status, 2);
    EXPECT_EQ(Cli("apply " + path + " --jobs 0").status, 2);
    EXPECT_EQ(Cli("apply " + path + " --check --no-verify").status, 2);
    // Nothing was written to the meters, nor kept in the history.
    plant.Stop();
    for (int address = 1; address <= 3; ++address)
        EXPECT_NE(plant.Unit("panel-A", address).GetWord(46), PlantGolden().GetWord(46));
    EXPECT_FALSE(std::filesystem::exists(home.HistoryDir()));
}
