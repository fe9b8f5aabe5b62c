// The command line on a line of meters: scan, upload, download and report for
// an address list, and the --json documents read back with a JSON parser,
// against the simulator serving a bus.
#include "CliRun.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "files/ConfigFile.h"
#include "model/BlockTable.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace testsupport;
using nlohmann::json;

namespace {

class CliBus : public ::testing::Test
{
protected:
    TempConfigHome home;
    std::string Path(const std::string& name) const { return home.Dir() + "/" + name; }

    // The bus of the simulator, its meters' settings saved in units/ when it stops.
    std::unique_ptr<SimProcess> Bus(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--rtu", "--parity", "none", "--save-dir", Path("units")});
        return std::make_unique<SimProcess>(args);
    }
    static std::string Line(const SimProcess& sim) { return "--link rtu --port " + sim.RtuPath() + " --parity none "; }
    CRegisterImage Unit(int address) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "/units/addr-%03d.cfg", address);
        return CConfigFile::Read(home.Dir() + name);
    }
};

// A golden file of model 15 with every word its own value, and link words
// that no meter of the bus has.
CRegisterImage Golden()
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    for (const SRegisterBlock& b : kBlockTable)
        if (BlockApplies(b, image.CapabilityFlags()))
            for (int w = 0; w < RegisterCount(b); ++w)
                image.SetWord(b.firstWord + w, static_cast<std::uint16_t>(0x3300 + (b.firstWord + w) * 3));
    const std::uint16_t link[4] = {9, 2, 2, 1}; // address 9, 4800 bit/s, even parity, two stop bits
    for (int i = 0; i < 4; ++i)
        image.SetWord(70 + i, link[i]);
    image.SetWord(76, 0); // the meters' word order
    return image;
}

// Golden()'s values are chosen to tell words apart, not to be what a meter
// takes: its downloads are forced.
constexpr const char* kForce = " --force";

json Parse(const std::string& text)
{
    return json::parse(text); // throws on anything that is not one whole document
}

} // namespace

TEST_F(CliBus, ScanFindsExactlyTheMetersOnTheLine)
{
    auto sim = Bus({"--units", "3,17,30", "--model", "15", "--unit", "17", "--model", "44", "--unit", "30",
                    "--identity", "2001:12"});
    CliRun r = Cli(Line(*sim) + "scan --to 32");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3\t15\tZ6OR-11u4 Voltage input, Dc output x 1, Network: RS-485 / Modbus RTU\n"
                     "17\t44\tV6AV-0i0 TC input\n"
                     "30\t-\tThis device is not supported. (device id=2001, extension id=12)\n");
    EXPECT_EQ(r.err, "");

    r = Cli(Line(*sim) + "scan --from 3 --to 17 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const json doc = Parse(r.out);
    EXPECT_EQ(doc["from"], 3);
    EXPECT_EQ(doc["to"], 17);
    EXPECT_EQ(doc["timeout_ms"], 47); // 38400 bit/s
    EXPECT_EQ(doc["cancelled"], false);
    ASSERT_EQ(doc["meters"].size(), 2u);
    EXPECT_EQ(doc["meters"][0]["address"], 3);
    EXPECT_EQ(doc["meters"][0]["model"], 15);
    EXPECT_EQ(doc["meters"][1]["address"], 17);
    EXPECT_EQ(doc["meters"][1]["name"], "V6AV-0i");
    EXPECT_EQ(doc["meters"][1]["device_id"], 2002);
    EXPECT_TRUE(doc["other_devices"].empty());

    // Where nothing answers, the exit status says so.
    r = Cli(Line(*sim) + "scan --from 4 --to 9 --timeout 20");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "No meter answered at addresses 4 to 9.\n");
}

TEST_F(CliBus, ScanOfEveryUnitOfAGatewayAndCtrlCPrintsWhatWasFound)
{
    SimProcess gateway({"--units", "1,100,247", "--tcp", "0", "--model", "12"});
    const std::string tcp = "--link tcp --host 127.0.0.1 --service " + std::to_string(gateway.Port()) + " ";
    CliRun r = Cli(tcp + "scan --json");
    ASSERT_EQ(r.status, 0) << r.err;
    json doc = Parse(r.out);
    EXPECT_EQ(doc["from"], 1);
    EXPECT_EQ(doc["to"], 247);
    ASSERT_EQ(doc["meters"].size(), 3u);
    EXPECT_EQ(doc["meters"][1]["address"], 100);
    EXPECT_EQ(doc["meters"][2]["address"], 247);

    // On a line where each silent address costs its time-out: Ctrl-C once
    // the first meter is found.
    auto sim = Bus({"--units", "2", "--model", "15"});
    CliOptions options;
    options.interruptOnOut = "2\t15\t";
    r = Cli(Line(*sim) + "scan --timeout 200", options);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.out.rfind("2\t15\tZ6OR-11u4", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "Cancelled.\n");

    CliOptions later;
    later.interruptAfterMs = 1000;
    r = Cli(Line(*sim) + "scan --timeout 200 --json", later);
    EXPECT_EQ(r.status, 130) << r.err;
    doc = Parse(r.out);
    EXPECT_EQ(doc["cancelled"], true);
    ASSERT_EQ(doc["meters"].size(), 1u);
    EXPECT_EQ(doc["meters"][0]["address"], 2);
}

TEST_F(CliBus, ThroughASerialDeviceServerScanUploadAndDownloadAreExact)
{
    // Answers in two segments, as a server whose character time-out falls
    // inside a frame sends them.
    SimProcess server({"--rtu-tcp", "0", "--split-tcp", "--units", "3,17", "--model", "15", "--unit", "17", "--model",
                       "44", "--save-dir", Path("units")});
    const std::string link = "--link rtu-tcp --host 127.0.0.1 --service " + std::to_string(server.RtuTcpPort()) + " ";
    CliRun r = Cli(link + "scan --to 20 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const json doc = Parse(r.out);
    EXPECT_EQ(doc["timeout_ms"], 147); // 38400 bit/s, and the network's allowance
    ASSERT_EQ(doc["meters"].size(), 2u);
    EXPECT_EQ(doc["meters"][0]["address"], 3);
    EXPECT_EQ(doc["meters"][1]["address"], 17);
    EXPECT_EQ(doc["meters"][1]["model"], 44);

    const std::string golden = Path("golden.cfg");
    CConfigFile::Save(Golden(), golden);
    r = Cli(link + "--address 3 download " + golden + " --keep-link" + kForce);
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli(link + "--address 3 upload " + Path("back.cfg"));
    ASSERT_EQ(r.status, 0) << r.err;
    const CRegisterImage back = CConfigFile::Read(Path("back.cfg"));
    ASSERT_EQ(server.Stop(), 0);
    CRegisterImage want = Golden();
    for (int w = 70; w < 74; ++w)
        want.SetWord(w, Unit(3).GetWord(w)); // kept: the meter's own link words
    for (const SRegisterBlock& b : kBlockTable)
        if (BlockApplies(b, want.CapabilityFlags()))
            for (int w = 0; w < RegisterCount(b); ++w) {
                ASSERT_EQ(Unit(3).GetWord(b.firstWord + w), want.GetWord(b.firstWord + w)) << b.firstWord + w;
                ASSERT_EQ(back.GetWord(b.firstWord + w), want.GetWord(b.firstWord + w)) << b.firstWord + w;
            }
    EXPECT_EQ(Unit(3).GetWord(70), 3);
}

TEST_F(CliBus, AFleetDownloadKeepsEveryMetersLinkAndRefusesAnotherModel)
{
    auto sim = Bus({"--units", "1,2,5,6", "--model", "15", "--baud", "19200", "--unit", "5", "--model", "0"});
    const std::string golden = Path("golden.cfg");
    const CRegisterImage image = Golden();
    CConfigFile::Save(image, golden);
    CliRun r = Cli(Line(*sim) + "--baud 19200 download " + golden + " --address 1-2,5-6" + kForce);
    EXPECT_EQ(r.status, 1) << r.err;
    const std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 5u) << r.out;
    for (int i : {0, 1, 3})
        EXPECT_NE(out[static_cast<std::size_t>(i)].find("\tdone\tDownloaded and verified: "), std::string::npos)
            << out[static_cast<std::size_t>(i)];
    EXPECT_EQ(out[2], "5\trefused\tThe settings of a different device cannot be downloaded: the meter is model 0 "
                      "V6ED-10o0 Voltage input, the settings are for model 15 Z6OR-11u4 Voltage input, Dc output x 1, "
                      "Network: RS-485 / Modbus RTU.");
    EXPECT_EQ(out[4], "4 meter(s): 3 done, 1 refused, 0 failed.");
    EXPECT_EQ(r.err.rfind("Warning: --force: 111 value(s) of " + golden + " that a meter does not take", 0), 0u)
        << r.err;

    ASSERT_EQ(sim->Stop(), 0);
    // Each meter at its own address and the line's settings (19200 bit/s,
    // no parity, one stop bit), every other word as the file says.
    for (int address : {1, 2, 6}) {
        const CRegisterImage meter = Unit(address);
        const std::uint16_t own[4] = {static_cast<std::uint16_t>(address), 4, 0, 0};
        for (int w = 0; w < CRegisterImage::kWordCount; ++w) {
            const bool linkWord = w >= 70 && w < 74;
            ASSERT_EQ(meter.GetWord(w), linkWord ? own[w - 70] : image.GetWord(w)) << address << " word " << w;
        }
    }
    // Refused: nothing written.
    CRegisterImage factory;
    factory.ResetForModel(0, true);
    CConfigFile::Save(factory, Path("factory.cfg"));
    EXPECT_TRUE(Unit(5) == CConfigFile::Read(Path("factory.cfg")));
}

TEST_F(CliBus, ForASingleMeterTheWholeImageUnlessTheLinkIsKept)
{
    auto sim = Bus({"--units", "3,4", "--model", "15"});
    const std::string golden = Path("golden.cfg");
    CConfigFile::Save(Golden(), golden);
    CliRun r = Cli(Line(*sim) + "--address 3 download " + golden + " --keep-link" + kForce);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("After this download"), std::string::npos) << r.out;
    r = Cli(Line(*sim) + "--address 4 download " + golden + kForce);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nAfter this download the meter answers at address 9, 4800 bit/s, even parity, 2 stop "
                         "bits.\nDownloaded and verified: "),
              std::string::npos)
        << r.out;
    // A list of one meter keeps it too, and reports as a list does.
    r = Cli(Line(*sim) + "--address 3-3 download " + golden + kForce);
    EXPECT_EQ(r.out, "3\tdone\tThe meter already holds these settings.\n1 meter(s): 1 done, 0 refused, 0 failed.\n");
    ASSERT_EQ(sim->Stop(), 0);
    EXPECT_EQ(Unit(3).GetWord(70), 3);
    EXPECT_EQ(Unit(3).GetWord(71), 5);
    EXPECT_EQ(Unit(4).GetWord(70), 9); // the file's address: this meter now answers at 9
    EXPECT_EQ(Unit(4).GetWord(73), 1);
}

TEST_F(CliBus, KeepingTheLinkLeavesOnlyTheOtherDifferencesToWrite)
{
    // A golden file saying address 1 for a meter at address 3, which differs
    // from it in one more word only.
    auto sim = Bus({"--units", "3", "--model", "15"});
    CliRun r = Cli(Line(*sim) + "--address 3 upload " + Path("own.cfg"));
    ASSERT_EQ(r.status, 0) << r.err;
    CRegisterImage golden = CConfigFile::Read(Path("own.cfg"));
    const int other = kBlockTable[0].firstWord; // a word of every model, not of the link
    ASSERT_TRUE(other < 70 || other > 73);
    golden.SetWord(70, 1);
    golden.SetWord(other, static_cast<std::uint16_t>(golden.GetWord(other) ^ 1));
    CConfigFile::Save(golden, Path("golden.cfg"));

    r = Cli(Line(*sim) + "--address 3 download " + Path("golden.cfg") + " --keep-link --dry-run --json" + kForce);
    EXPECT_EQ(r.status, 3) << r.err;
    json doc = Parse(r.out);
    ASSERT_EQ(doc["meters"][0]["changes"].size(), 1u) << r.out;
    EXPECT_NE(doc["meters"][0]["changes"][0]["name"], "Device address");
    EXPECT_FALSE(doc["meters"][0].contains("link_change"));

    r = Cli(Line(*sim) + "--address 3 download " + Path("golden.cfg") + " --keep-link --json" + kForce);
    ASSERT_EQ(r.status, 0) << r.err;
    doc = Parse(r.out);
    EXPECT_EQ(doc["meters"][0]["changes"].size(), 1u);
    EXPECT_EQ(doc["meters"][0]["verified"], true);
    // Without it the file's address is written too, and the meter moves.
    r = Cli(Line(*sim) + "--address 3 download " + Path("golden.cfg") + kForce);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Device address"), std::string::npos) << r.out;
    ASSERT_EQ(sim->Stop(), 0);
    EXPECT_EQ(Unit(3).GetWord(70), 1);
    EXPECT_EQ(Unit(3).GetWord(other), golden.GetWord(other));
}

TEST_F(CliBus, AMeterUnpluggedInTheMiddleIsReportedAndTheRunGoesOn)
{
    // Meter 2 answers 30 requests, a third of an upload.
    auto sim = Bus({"--units", "1-3", "--model", "15", "--unit", "2", "--unplug-after", "30"});
    const std::string dir = Path("fleet");
    CliRun r = Cli(Line(*sim) + "upload " + dir + " --address 1-3 --json");
    EXPECT_EQ(r.status, 1) << r.err;
    const json doc = Parse(r.out);
    EXPECT_EQ(doc["command"], "upload");
    EXPECT_EQ(doc["directory"], dir);
    ASSERT_EQ(doc["meters"].size(), 3u);
    EXPECT_EQ(doc["meters"][0]["result"], "done");
    EXPECT_EQ(doc["meters"][0]["file"], dir + "/addr-001.cfg");
    EXPECT_EQ(doc["meters"][1]["result"], "failed");
    EXPECT_EQ(doc["meters"][1]["model"], 15); // identified before it went
    const std::string message = doc["meters"][1]["message"];
    EXPECT_EQ(message.rfind("Modbus command failed. command=ReadHoldingRegister address=", 0), 0u) << message;
    EXPECT_NE(message.find("reason=timeout."), std::string::npos) << message;
    EXPECT_EQ(doc["meters"][2]["result"], "done");
    EXPECT_EQ(doc["summary"],
              json::parse(R"({"meters": 3, "done": 2, "refused": 0, "failed": 1, "cancelled": false})"));

    // The files are the meters' settings.
    EXPECT_FALSE(std::filesystem::exists(dir + "/addr-002.cfg"));
    const CRegisterImage three = CConfigFile::Read(dir + "/addr-003.cfg");
    EXPECT_EQ(three.GetWord(70), 3);
    ASSERT_EQ(sim->Stop(), 0);
    EXPECT_TRUE(three == Unit(3));
}

TEST_F(CliBus, AFleetReportCountsTheDifferencesOfEachMeter)
{
    auto sim = Bus({"--units", "1,2,4", "--model", "15", "--unit", "4", "--model", "12"});
    const std::string golden = Path("golden.cfg");
    CConfigFile::Save(Golden(), golden);
    ASSERT_EQ(Cli(Line(*sim) + "download " + golden + " --address 1,2" + kForce).status, 0);
    // Meter 2's decimal point changed by hand since.
    ASSERT_EQ(Cli(Line(*sim) + "--address 2 write 1060 1").status, 0);

    CliRun r = Cli(Line(*sim) + "report " + golden + " --compare-device --address 1,2,4");
    EXPECT_EQ(r.status, 1) << r.err;
    std::istringstream lines(r.out);
    std::string one, two, diff, four, summary;
    std::getline(lines, one);
    std::getline(lines, two);
    std::getline(lines, diff);
    std::getline(lines, four);
    std::getline(lines, summary);
    EXPECT_EQ(one, "1\tdone\tAll parameters matching.");
    EXPECT_EQ(two, "2\tdone\t1 parameter(s) not matching.");
    EXPECT_EQ(diff.rfind("  Input\tDecimal point position\t", 0), 0u) << diff;
    EXPECT_EQ(four.rfind("4\trefused\tThe meter is of another model than the file. (The meter is model 12,", 0), 0u)
        << four;
    EXPECT_EQ(summary, "3 meter(s): 2 compared (1 with differences), 1 refused, 0 failed.");

    // Without the meters' own link words the four link settings differ too.
    r = Cli(Line(*sim) + "report " + golden + " --compare-device --address 1-2 --no-keep-link --json");
    EXPECT_EQ(r.status, 0) << r.err;
    const json doc = Parse(r.out);
    EXPECT_EQ(doc["keep_link"], false);
    EXPECT_EQ(doc["meters"][0]["mismatches"], 4);
    EXPECT_EQ(doc["meters"][1]["mismatches"], 5);
    EXPECT_EQ(doc["meters"][0]["status_text"], "4 parameter(s) not matching.");
    ASSERT_EQ(doc["meters"][0]["differences"].size(), 4u);
    EXPECT_EQ(doc["meters"][0]["differences"][0]["name"], "Device address");
    EXPECT_EQ(doc["meters"][0]["differences"][0]["device_value"], "1");
    EXPECT_EQ(doc["meters"][0]["differences"][0]["value"], "9");
}

TEST_F(CliBus, EveryJsonDocumentParses)
{
    CliRun r = Cli("models --json");
    ASSERT_EQ(r.status, 0);
    json doc = Parse(r.out);
    ASSERT_EQ(doc["models"].size(), 154u);
    EXPECT_EQ(doc["models"][12]["model"], 12);
    EXPECT_EQ(doc["models"][12]["extension_id"], 5);
    EXPECT_EQ(doc["models"][12]["flags"], 0x950D0001u);
    EXPECT_EQ(doc["models"][12]["description"], "Z6OR-11u1 Voltage input, Dc output x 1, Alarm: N.O. relay x 4");

    auto sim = Bus({"--units", "7", "--model", "18"});
    r = Cli(Line(*sim) + "--address 7 identify --json");
    ASSERT_EQ(r.status, 0) << r.err;
    doc = Parse(r.out);
    EXPECT_EQ(doc["address"], 7);
    EXPECT_EQ(doc["model"], 18);
    EXPECT_EQ(doc["extension_id"], 7);

    const std::string file = Path("m.cfg");
    ASSERT_EQ(Cli("new 18 " + file).status, 0);
    r = Cli(Line(*sim) + "--address 7 report " + file + " --compare-device --json");
    ASSERT_EQ(r.status, 0) << r.err;
    doc = Parse(r.out);
    EXPECT_EQ(doc["compared_with"], "device");
    EXPECT_EQ(doc["parameters"].size(), 163u);
    // The new file says address 1 and odd parity; the meter is at 7 on a
    // line without parity.
    EXPECT_EQ(doc["mismatches"], 2);
    EXPECT_EQ(doc["status_text"], "2 parameter(s) not matching.");
    std::vector<std::string> different;
    for (const json& p : doc["parameters"])
        if (p["status"] == "different")
            different.push_back(std::string(p["name"]) + ": " + std::string(p["value"]) + " / " +
                                std::string(p["comparison_value"]));
    EXPECT_EQ(different, (std::vector<std::string>{"Device address: 1 / 7", "Parity bit: Odd / None"}));
    r = Cli("report " + file + " --json");
    doc = Parse(r.out);
    EXPECT_TRUE(doc["compared_with"].is_null());
    EXPECT_FALSE(doc.contains("mismatches"));

    // A tag of characters beyond ASCII, as the meter holds them.
    ASSERT_EQ(Cli(Line(*sim) + "--address 7 write 9631 65 255").status, 0);
    r = Cli(Line(*sim) + "--address 7 monitor --count 2 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    int polls = 0;
    while (std::getline(lines, line)) {
        const json poll = Parse(line);
        EXPECT_EQ(poll["tag"], "A\xC3\xBFMULATOR");
        EXPECT_EQ(poll["model_name"], "Z6OR-11u");
        EXPECT_EQ(std::string(poll["time"]).size(), 24u);
        ++polls;
    }
    EXPECT_EQ(polls, 2);
}

TEST_F(CliBus, OptionsACommandDoesNotTakeAreRefused)
{
    const std::string file = Path("m.cfg");
    ASSERT_EQ(Cli("new 15 " + file).status, 0);
    for (const std::string& bad : std::vector<std::string>{
             "upload " + file + " --count 3", "scan --address 3", "--address 1-3 tag", "--address 1,2 read 0",
             "download " + file + " --keep-link --no-keep-link", "report " + file + " --address 1,2",
             "report " + file + " --keep-link", "--link ir scan", "--link ir --address 1-2 upload x",
             "scan --from 9 --to 3", "scan --timeout 0", "scan --to 248", "--address 1-300 upload x",
             "--address 3,,4 upload x", "models --yes", "new 15 x.cfg --json"}) {
        CliRun r = Cli(bad);
        EXPECT_EQ(r.status, 2) << bad << ": " << r.err;
        EXPECT_NE(r.err.find("Try 'v6uvuv-cli --help'."), std::string::npos) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists("x"));
}

TEST_F(CliBus, CtrlCEndsARunAfterTheMeterInProgress)
{
    auto sim = Bus({"--units", "1-3", "--model", "15", "--delay", "5"});
    const std::string dir = Path("fleet");
    CliOptions options;
    options.interruptOnOut = "1\tdone";
    CliRun r = Cli(Line(*sim) + "upload " + dir + " --address 1-3", options);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.out, "1\tdone\t" + dir + "/addr-001.cfg\n2\tcancelled\n2 meter(s): 1 done, 0 refused, 0 failed.\n");
    EXPECT_EQ(r.err, "Cancelled.\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/addr-002.cfg"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/addr-003.cfg"));
}
