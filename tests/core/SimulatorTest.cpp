// The meter simulator as a real process, reached by our client over TCP and
// RTU, with each kind of injected fault.
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "comm/Crc16.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "model/DeviceType.h"
#include "model/RegisterImage.h"

#include <arpa/inet.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;

namespace {

std::uint16_t ReadOne(CModbusInterface& c, unsigned reg)
{
    std::uint16_t v = 0;
    c.ReadHoldingRegisters(reg, 1, &v);
    return v;
}

} // namespace

TEST(Simulator, ServesTheRegisterMapOfItsModel)
{
    SimProcess sim({"--model", "0", "--tcp", "0"});
    CModbusInterface c(SimTcp(sim));
    c.Open();
    CDeviceType id;
    id.Identify(c);
    EXPECT_EQ(id.Code(), 0);

    CRegisterImage expected;
    expected.ResetForModel(0, true);
    std::uint16_t scaling[4];
    c.ReadHoldingRegisters(1052, 4, scaling);
    EXPECT_EQ(scaling[0] | scaling[1] << 16, static_cast<std::uint32_t>(expected.GetLong(2)));
    EXPECT_EQ(ReadOne(c, 7006), 0);

    // Temperature unit belongs to TC and RTD models only; 0x10 elsewhere.
    EXPECT_NE(FailureOf([&] { ReadOne(c, 1051); }).find("reason=receive exception 2."), std::string::npos);
    const std::uint16_t one = 1;
    EXPECT_NE(FailureOf([&] { c.WriteMultipleRegisters(9600, 1, &one); }).find("receive exception 2"),
              std::string::npos);

    // A parameter write changes the simulated settings.
    const std::uint16_t dp = 2;
    c.WriteMultipleRegisters(1060, 1, &dp);
    EXPECT_EQ(ReadOne(c, 1060), 2);

    // Tag: one character a register; model text: two a register, low byte first.
    const std::uint16_t tag[3] = {'T', 'K', '1'};
    c.WriteMultipleRegisters(9631, 3, tag);
    EXPECT_EQ(ReadOne(c, 9632), 'K');
    const std::string name = id.ModelName();
    EXPECT_EQ(ReadOne(c, 9613), static_cast<std::uint8_t>(name[0]) | static_cast<std::uint8_t>(name[1]) << 8);
}

TEST(Simulator, LongRegisterSetsTheWordOrderOfEveryPair)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--swap"});
    CModbusInterface c(SimTcp(sim));
    c.Open();
    EXPECT_EQ(ReadOne(c, 7006), 1);
    EXPECT_EQ(ReadOne(c, 7007), 1);
    CRegisterImage expected;
    expected.ResetForModel(15, true);
    std::uint16_t pair[2];
    c.ReadHoldingRegisters(1054, 2, pair); // input scaling span, high word first
    EXPECT_EQ(pair[0] << 16 | pair[1], static_cast<std::uint32_t>(expected.GetLong(4)));

    // Live values follow the same order; a reset makes maximum and minimum
    // the present value. The values move all the time: one request must
    // still answer them from one reading, however slowly it is served.
    const std::uint16_t reset = 1;
    for (int i = 0; i < 1000; ++i) {
        c.WriteMultipleRegisters(801, 1, &reset);
        std::uint16_t live[6];
        c.ReadHoldingRegisters(2, 6, live);
        ASSERT_EQ(live[0] << 16 | live[1], live[2] << 16 | live[3]) << "read " << i;
        ASSERT_EQ(live[0] << 16 | live[1], live[4] << 16 | live[5]) << "read " << i;
    }
}

TEST(Simulator, TcpFaults)
{
    std::uint16_t v;
    {
        SimProcess sim({"--tcp", "0", "--split-tcp"});
        CModbusInterface c(SimTcp(sim));
        c.Open();
        EXPECT_EQ(ReadOne(c, 9600), 2001);
        EXPECT_EQ(c.LinkQuality(), 100.0);
    }
    {
        SimProcess sim({"--tcp", "0", "--wrong-tid", "1"});
        CModbusInterface c(SimTcp(sim));
        c.Open();
        EXPECT_EQ(FailureOf([&] { c.ReadHoldingRegisters(9600, 1, &v); }),
                  "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=invalid transaction.");
    }
    {
        SimProcess sim({"--tcp", "0", "--exception", "6"});
        CModbusInterface c(SimTcp(sim));
        c.Open();
        EXPECT_EQ(FailureOf([&] { c.ReadHoldingRegisters(0, 1, &v); }),
                  "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=receive exception 6.");
    }
    {
        // The server hangs up after every two requests, once leaving the
        // second unanswered: the client reconnects each time.
        for (const char* unanswered : {"", "--close-unanswered"}) {
            std::vector<std::string> args{"--tcp", "0", "--close-after", "2"};
            if (*unanswered)
                args.push_back(unanswered);
            SimProcess sim(args);
            CModbusInterface c(SimTcp(sim));
            c.Open();
            for (int i = 0; i < 7; ++i)
                EXPECT_EQ(ReadOne(c, 9600), 2001) << unanswered << " " << i;
        }
    }
    {
        // Abort ends a receive that waits for a slow answer, at once.
        SimProcess sim({"--tcp", "0", "--delay", "4000"});
        CModbusInterface c(SimTcp(sim));
        c.Open();
        std::thread aborter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            c.Abort();
        });
        EXPECT_EQ(FailureOf([&] { c.ReadHoldingRegisters(0, 1, &v); }), "");
        aborter.join();
    }
}

TEST(Simulator, RtuFaults)
{
    std::uint16_t v;
    {
        // A third of the answers lost: the retries absorb them.
        SimProcess sim({"--rtu", "--parity", "none", "--drop", "0.3", "--seed", "7"});
        CModbusInterface c(SimRtu(sim));
        c.Open();
        int failures = 0;
        for (int i = 0; i < 12; ++i)
            failures += FailureOf([&] {
                            std::uint16_t two[2];
                            c.ReadHoldingRegisters(9600, 2, two);
                        }) != "(no failure)";
        EXPECT_LE(failures, 1);
    }
    {
        SimProcess sim({"--rtu", "--parity", "none", "--corrupt-crc", "1"});
        CModbusInterface c(SimRtu(sim));
        c.Open();
        EXPECT_EQ(FailureOf([&] { c.ReadHoldingRegisters(9600, 1, &v); }),
                  "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=crc error.");
    }
    {
        SimProcess sim({"--rtu", "--parity", "none", "--delay", "1000"});
        CModbusInterface c(SimRtu(sim));
        c.Open();
        EXPECT_EQ(FailureOf([&] { c.ReadHoldingRegisters(9600, 1, &v); }),
                  "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=timeout.");
    }
    {
        SimProcess sim({"--rtu", "--parity", "none", "--exception", "4", "--exception-rate", "0.3", "--seed", "2"});
        CModbusInterface c(SimRtu(sim));
        c.Open();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(ReadOne(c, 9600), 2001); // a third of the answers exceptions: retried
        EXPECT_LT(c.LinkQuality(), 100.0);
    }
    {
        // Infrared: unit 1 whatever the address, requests of eight.
        SimProcess sim({"--rtu", "--infrared", "--wire-timing"});
        ComSettings s = InfraredSettings(sim.RtuPath());
        CModbusInterface c(s);
        c.Open();
        std::uint16_t text[16];
        c.ReadHoldingRegisters(9613, 16, text);
        EXPECT_EQ(text[0] & 0xFF, 'Z');
    }
}

TEST(Simulator, RtuOverTcpJoinsAFrameSplitAcrossSegmentsAndServesSeveralClients)
{
    SimProcess sim({"--rtu-tcp", "0", "--address", "5"});
    ASSERT_NE(sim.RtuTcpPort(), 0);
    // Our client keeps its connection while a raw one sends a request in
    // two segments: the server must join them into one frame.
    ComSettings at5 = SimRtuTcp(sim);
    at5.Address = 5;
    CModbusInterface client(at5);
    client.Open();
    EXPECT_EQ(ReadOne(client, 9600), 2001);

    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(sim.RtuTcpPort());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    std::vector<std::uint8_t> request{5, 0x04, 0x25, 0x80, 0x00, 0x01}; // register 9600
    const std::uint16_t crc = Crc16Modbus(request.data(), request.size());
    request.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    request.push_back(static_cast<std::uint8_t>(crc >> 8));
    ASSERT_EQ(send(fd, request.data(), 3, 0), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(send(fd, request.data() + 3, 5, 0), 5);
    std::uint8_t answer[7] = {};
    std::size_t got = 0;
    pollfd p{fd, POLLIN, 0};
    while (got < sizeof answer && poll(&p, 1, 3000) > 0) {
        const ssize_t r = recv(fd, answer + got, sizeof answer - got, 0);
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    close(fd);
    ASSERT_EQ(got, sizeof answer);
    EXPECT_EQ(answer[0], 5);
    EXPECT_EQ(answer[2], 2);
    EXPECT_EQ(answer[3] << 8 | answer[4], 2001);
    const std::uint16_t answerCrc = Crc16Modbus(answer, 5);
    EXPECT_EQ(answer[5] | answer[6] << 8, answerCrc);
    // The first client's connection still serves.
    EXPECT_EQ(ReadOne(client, 9600), 2001);
}

TEST(Simulator, StopsCleanlyAndRemovesItsLink)
{
    const std::string link = "/tmp/q6k-sim-test-link-" + std::to_string(getpid());
    SimProcess sim({"--rtu", "--link", link, "--parity", "none"});
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ComSettings s = Rs485Settings(link);
    s.Parity = 0;
    CModbusInterface c(s);
    c.Open();
    EXPECT_EQ(ReadOne(c, 9600), 2001);
    c.Close();
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(link));
}

TEST(Simulator, AStopAsSoonAsItIsReadyEndsItCleanlyWithItsMeterSaved)
{
    // Scripts and tests stop it the moment it says "ready": that stop must
    // neither kill it unsaved nor be lost (the caller would wait for ever).
    TempConfigHome home;
    for (int round = 0; round < 25; ++round) {
        const std::string file = home.Dir() + "/m" + std::to_string(round) + ".cfg";
        SimProcess sim({"--tcp", "0", "--save", file});
        ASSERT_EQ(sim.Stop(), 0) << "round " << round;
        ASSERT_TRUE(std::filesystem::exists(file)) << "round " << round;
    }
}

TEST(Simulator, ABusServesEachUnitWithItsOwnImageAndFaultsAndLeavesOtherAddressesAlone)
{
    TempConfigHome home;
    const std::string dir = home.Dir() + "/units";
    SimProcess sim({"--units",    "1-2,5",   "--model",
                    "15",         "--rtu",   "--parity",
                    "none",       "--baud",  "19200",
                    "--save-dir", dir,       "--unit",
                    "2",          "--model", "0",
                    "--unit",     "5",       "--unplug-after",
                    "2",          "--save",  home.Dir() + "/five.cfg"});
    ComSettings s = SimRtu(sim);
    s.Baudrate = 4; // 19200 bit/s, the line's
    CModbusInterface c(s);
    CModbusInterface::SCallPolicy quick;
    quick.attempts = 1;
    quick.timeoutMs = 100;
    c.SetCallPolicy(quick);
    c.Open();
    std::uint16_t link[4] = {};
    // Each Modbus meter holds its own address and the line's settings.
    c.ReadHoldingRegisters(7000, 4, link);
    EXPECT_EQ((std::vector<std::uint16_t>(link, link + 4)), (std::vector<std::uint16_t>{1, 4, 0, 0}));
    c.SetAddress(2);
    EXPECT_EQ(ReadOne(c, 9601), 0); // model 0
    EXPECT_NE(FailureOf([&] { ReadOne(c, 7000); }).find("receive exception 2"), std::string::npos);
    c.SetAddress(3);
    const SLinkFailure silent = LinkFailureOf([&] { ReadOne(c, 9600); });
    EXPECT_NE(silent.text.find("reason=timeout."), std::string::npos);
    EXPECT_EQ(silent.end, ELinkAttemptEnd::NoAnswer);

    // A write reaches its own unit only.
    c.SetAddress(1);
    const std::uint16_t dp = 3;
    c.WriteMultipleRegisters(1060, 1, &dp);
    c.SetAddress(5);
    EXPECT_NE(ReadOne(c, 1060), 3);
    c.ReadHoldingRegisters(7000, 4, link);
    EXPECT_EQ(link[0], 5);
    // Its second request was the last unit 5 answers: unplugged.
    EXPECT_NE(FailureOf([&] { ReadOne(c, 9600); }).find("reason=timeout."), std::string::npos);
    c.SetAddress(1);
    EXPECT_EQ(ReadOne(c, 1060), 3);
    c.Close();

    EXPECT_EQ(sim.Stop(), 0);
    CRegisterImage one, two, five;
    CConfigFile::Load(one, dir + "/addr-001.cfg");
    CConfigFile::Load(two, dir + "/addr-002.cfg");
    CConfigFile::Load(five, home.Dir() + "/five.cfg");
    EXPECT_EQ(one.GetWord(10), 3);
    EXPECT_EQ(one.GetWord(70), 1);
    EXPECT_EQ(two.Identity().Code(), 0);
    EXPECT_EQ(five.GetWord(70), 5);
    EXPECT_NE(five.GetWord(10), 3);
    EXPECT_TRUE(std::filesystem::exists(dir + "/addr-005.cfg"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/addr-003.cfg"));
}

TEST(Simulator, ABusOverTcpAnswersItsUnitsAndOthersAsAGatewayDoes)
{
    SimProcess sim({"--units", "4", "--tcp", "0", "--model", "7", "--identity", "2001:12"});
    CModbusInterface c(SimTcp(sim));
    c.Open();
    c.SetAddress(4);
    EXPECT_EQ(ReadOne(c, 9601), 12);
    c.SetAddress(9);
    std::uint16_t v;
    EXPECT_NE(FailureOf([&] { c.ReadHoldingRegisters(9600, 1, &v); }).find("receive exception 11."), std::string::npos);
}

TEST(Simulator, BusOptionsThatCannotBeServedAreRefused)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--units", "1,2", "--rtu", "--unit", "3", "--drop", "1"},
          {"--units", "1,2", "--rtu", "--save", "/tmp/never.cfg"},
          {"--units", "1,2", "--rtu", "--infrared"},
          {"--units", "1,,2", "--rtu"},
          {"--units", "1", "--rtu", "--unit", "1", "--model", "154"},
          {"--rtu", "--identity", "2001"}}) {
        SimProcess sim(args);
        EXPECT_EQ(sim.Stop(), 2) << args[0] << " " << args[1] << " " << args.back();
    }
}
