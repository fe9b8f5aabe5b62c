// The plant file: what a correct one gives, and the message of each mistake,
// naming the line and the field.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "files/ConfigFile.h"
#include "files/PlantFile.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class PlantFile : public ::testing::Test
{
protected:
    PlantFile()
    {
        std::filesystem::create_directories(home.Dir() + "/golden");
        CRegisterImage image;
        image.ResetForModel(15, true);
        CConfigFile::Save(image, home.Dir() + "/golden/flow.cfg");
        image.ResetForModel(44, true);
        CConfigFile::Save(image, home.Dir() + "/golden/level.cfg");
        std::ofstream(home.Dir() + "/broken.cfg") << "not a settings file\n";
    }
    std::string Write(const std::string& text) const
    {
        std::ofstream(Path()) << text;
        return Path();
    }
    std::string Path() const { return home.Dir() + "/plant.yaml"; }
    // The message without the file's name before it.
    std::string Error(const std::string& text) const
    {
        try {
            ReadPlantFile(Write(text));
        } catch (const CPrivateException& e) {
            EXPECT_EQ(e.Text().rfind(Path() + ": ", 0), 0u) << e.Text();
            return e.Text().substr(Path().size() + 2);
        }
        return "(read)";
    }
    TempConfigHome home;
};

const char* const kGood = R"(lines:
  - name: panel-A
    link: tcp            # a gateway
    host: 10.0.5.21
    service: 502
    meters:
      - {address: 1-6, file: golden/flow.cfg}
      - {address: 7, file: golden/level.cfg, keep_link: false}
  - link: rtu
    port: /dev/ttyUSB0
    baud: 9600
    parity: even
    stop: 2
    keep_link: no
    meters:
      - {address: "12", file: golden/flow.cfg, keep_link: true}
      - {address: 3, file: ./golden/flow.cfg}
  - {name: bench, link: rtu-tcp, host: ds.local, service: 4001, baud: 19200, meters: [{address: 9, file: golden/flow.cfg}]}
  - {name: front, link: ir, port: /dev/ttyUSB1, meters: [{address: 1, file: golden/flow.cfg}]}
)";

} // namespace

TEST_F(PlantFile, EveryFieldOfEveryKindOfLink)
{
    const SPlant plant = ReadPlantFile(Write(kGood));
    ASSERT_EQ(plant.lines.size(), 4u);
    const SPlantLine& a = plant.lines[0];
    EXPECT_EQ(a.name, "panel-A");
    EXPECT_EQ(a.settings.Mode, kModeTcp);
    EXPECT_EQ(a.settings.ServerText(), "10.0.5.21:502");
    ASSERT_EQ(a.meters.size(), 7u);
    EXPECT_EQ(a.meters[5].address, 6);
    EXPECT_TRUE(a.meters[5].keepLink);
    EXPECT_EQ(a.meters[6].path, home.Dir() + "/golden/level.cfg");
    EXPECT_FALSE(a.meters[6].keepLink);

    const SPlantLine& b = plant.lines[1];
    EXPECT_EQ(b.name, "line 2");
    EXPECT_EQ(b.settings.COMPortName, "/dev/ttyUSB0");
    EXPECT_EQ(b.settings.BaudRate(), 9600u);
    EXPECT_EQ(b.settings.Parity, 2);
    EXPECT_EQ(b.settings.Stop, 1);
    EXPECT_TRUE(b.meters[0].keepLink);  // its own, over the line's
    EXPECT_FALSE(b.meters[1].keepLink); // the line's
    EXPECT_EQ(b.meters[1].path, a.meters[0].path);

    EXPECT_EQ(plant.lines[2].settings.Mode, kModeRtuTcp);
    EXPECT_EQ(plant.lines[2].settings.NetworkPort(), "4001");
    EXPECT_EQ(plant.lines[2].settings.BaudRate(), 19200u);
    EXPECT_EQ(plant.lines[3].settings.IRCOMPortName, "/dev/ttyUSB1");
    // Each file loaded once, with its model.
    ASSERT_EQ(plant.files.size(), 2u);
    EXPECT_EQ(plant.files.at(a.meters[6].path).Identity().Code(), 44);
    EXPECT_EQ(PlantConnection(plant.lines[2]), "tcp ds.local:4001");
    EXPECT_EQ(PlantConnection(plant.lines[3]), "port /dev/ttyUSB1");

    // JSON is YAML too.
    const SPlant json = ReadPlantFile(Write(
        R"({"lines": [{"name": "j", "link": "tcp", "host": "h", "meters": [{"address": 5, "file": "golden/flow.cfg"}]}]})"));
    EXPECT_EQ(json.lines[0].settings.ServicePort, "502");
    EXPECT_EQ(json.lines[0].meters[0].address, 5);
}

TEST_F(PlantFile, EachMistakeNamesItsLineAndField)
{
    const std::string tcp = "lines:\n  - name: A\n    link: tcp\n    host: h\n";
    const std::string one = "    meters:\n      - {address: 1, file: golden/flow.cfg}\n";
    const struct
    {
        std::string text, error;
    } cases[] = {
        {tcp +
             "    meters:\n      - {address: 1, file: golden/flow.cfg}\n      - {address: 7-, file: golden/flow.cfg}\n",
         R"(line "A", meters[1].address: "7-" is not an address or a range 1-247)"},
        {tcp + "    meters:\n      - {address: 248, file: golden/flow.cfg}\n",
         R"(line "A", meters[0].address: "248" is not an address or a range 1-247)"},
        {tcp + "    meters:\n      - {address: 1-4, file: golden/flow.cfg}\n      - {address: 4, file: "
               "golden/flow.cfg}\n",
         R"(line "A", meters[1].address: address 4 is also given in meters[0])"},
        {tcp + "    meters:\n      - {address: 1, file: golden/flow.cfg, colour: red}\n",
         R"(line "A", meters[0].colour: unknown field)"},
        {tcp + "    meters:\n      - {file: golden/flow.cfg}\n", R"(line "A", meters[0].address: missing)"},
        {tcp + "    meters:\n      - {address: 1, file: golden/flow.cfg, keep_link: maybe}\n",
         R"(line "A", meters[0].keep_link: neither true nor false)"},
        {tcp + "    meters: []\n", R"(line "A", meters: empty)"},
        {tcp + "    meters: {address: 1}\n", R"(line "A", meters: not a list)"},
        {tcp + "    port: /dev/ttyUSB0\n" + one, R"(line "A", port: not a field of a tcp link)"},
        {tcp + "    service: 70000\n" + one, R"(line "A", service: "70000" is not a service port 1-65535)"},
        {"lines:\n  - {name: A, link: udp}\n", R"(line "A", link: "udp" is not one of rtu, tcp, ir, rtu-tcp)"},
        {"lines:\n  - {link: rtu, port: p, baud: 600}\n",
         "line 1, baud: \"600\" is not one of 1200, 2400, 4800, 9600, 19200, 38400"},
        {"lines:\n  - {link: rtu, port: p, parity: mark}\n", R"(line 1, parity: "mark" is not one of none, odd, even)"},
        {"lines:\n  - {link: rtu, meters: []}\n", "line 1, port: missing"},
        {"lines:\n  - {link: tcp}\n", "line 1, host: missing"},
        {tcp + "    meters:\n      - {address: 1, file: golden/none.cfg}\n",
         R"(line "A", meters[0].file: the settings file )" + home.Dir() + "/golden/none.cfg cannot be used: "},
        {tcp + "    meters:\n      - {address: 1, file: broken.cfg}\n",
         R"(line "A", meters[0].file: the settings file )" + home.Dir() + "/broken.cfg cannot be used: "},
        {tcp + one + "  - {name: A, link: tcp, host: h, meters: [{address: 2, file: golden/flow.cfg}]}\n",
         R"(line "A", name: the same name as line 1)"},
        {"lines:\n  - 7\n", "lines[0]: not a set of fields"},
        {"lines: []\n", "lines: empty"},
        {"line: []\n", "line: unknown field"},
        {"lines:\n  - {name: A\n", "not a YAML document: "},
        {"[1, 2]\n", "not a set of fields"},
    };
    for (const auto& c : cases) {
        const std::string error = Error(c.text);
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text;
    }
    EXPECT_THROW(ReadPlantFile(home.Dir() + "/none.yaml"), CPrivateException);
}
