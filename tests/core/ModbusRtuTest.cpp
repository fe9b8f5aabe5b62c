// CModbusInterface over a real pseudo-terminal with a scripted meter.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "app/Trace.h"
#include "comm/ModbusInterface.h"
#include "comm/RtuTransport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class ModbusRtu : public ::testing::Test
{
protected:
    PtyPair pty;
    FakeMeter meter{pty.Master()};

    std::unique_ptr<CModbusInterface> OpenClient(const ComSettings& s)
    {
        auto client = std::make_unique<CModbusInterface>(s);
        client->Open();
        return client;
    }
};

Bytes Frame(const Bytes& pdu) { return WithCrc(pdu); }

} // namespace

TEST(ModbusFraming, CrcCheckValueAndRequestExample)
{
    const std::string digits = "123456789";
    EXPECT_EQ(Crc16Modbus(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()), 0x4B37);
    EXPECT_EQ(WithCrc({0x01, 0x04, 0x00, 0x00, 0x00, 0x01}), (Bytes{0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA}));
}

TEST(ModbusFraming, ResponseTimeoutsAndPauses)
{
    ComSettings rs485 = Rs485Settings("x", 3); // 9600 bit/s
    // Read of 125 registers: 6 + 253 + 4 bytes.
    EXPECT_EQ(CModbusInterface::ComputeResponseTimeout(rs485, 200, 6, 253), 665u);
    ComSettings ir = InfraredSettings("x");
    ir.Baudrate = 3; // ignored on the infrared port
    EXPECT_EQ(CModbusInterface::ComputeResponseTimeout(ir, 200, 6, 19), 610u);
    EXPECT_EQ(CModbusInterface::ComputeResponseTimeout(ir, 4000, 23, 6), 4467u);
    ComSettings tcp = rs485;
    tcp.Mode = kModeTcp;
    EXPECT_EQ(CModbusInterface::ComputeResponseTimeout(tcp, 200, 6, 253), 5000u);
    rs485.Baudrate = 9; // out of range: 1200 bit/s
    EXPECT_EQ(CModbusInterface::ComputeResponseTimeout(rs485, 200, 6, 5), 200u + 15u * 17000u / 1200u);

    EXPECT_EQ(CRtuTransport::PauseAfterAnswer(Rs485Settings("x", 5)), 4u);
    EXPECT_EQ(CRtuTransport::PauseAfterAnswer(Rs485Settings("x", 3)), 13u);
    EXPECT_EQ(CRtuTransport::PauseAfterAnswer(Rs485Settings("x", 0)), 101u);
    // The infrared line runs at 1200 bit/s, but the pause follows the index.
    EXPECT_EQ(CRtuTransport::PauseAfterAnswer(InfraredSettings("x")), 4u);
}

TEST_F(ModbusRtu, ReadAndWriteRequestLayout)
{
    ComSettings s = Rs485Settings(pty.SlavePath());
    s.Address = 7;
    auto client = OpenClient(s);
    meter.Register(0x0123) = 0xBEEF;
    meter.Register(0x0124) = 0x0102;
    std::uint16_t values[2] = {};
    ASSERT_TRUE(client->ReadHoldingRegisters(0x0123, 2, values));
    EXPECT_EQ(values[0], 0xBEEF);
    EXPECT_EQ(values[1], 0x0102);

    const std::uint16_t out[2] = {0xA1B2, 0x0003};
    ASSERT_TRUE(client->WriteMultipleRegisters(900, 2, out));
    EXPECT_EQ(meter.Register(900), 0xA1B2);
    EXPECT_EQ(meter.Register(901), 0x0003);

    auto req = meter.Requests();
    ASSERT_EQ(req.size(), 2u);
    EXPECT_EQ(req[0], Frame({7, 0x04, 0x01, 0x23, 0x00, 0x02}));
    EXPECT_EQ(req[1], Frame({7, 0x10, 0x03, 0x84, 0x00, 0x02, 0x04, 0xA1, 0xB2, 0x00, 0x03}));
}

TEST_F(ModbusRtu, Rs485NeverSplitsButInfraredUsesChunksOfEightWithUnitOne)
{
    {
        auto client = OpenClient(Rs485Settings(pty.SlavePath()));
        std::uint16_t values[40];
        client->ReadHoldingRegisters(0, 40, values);
        auto req = meter.Requests();
        ASSERT_EQ(req.size(), 1u);
        EXPECT_EQ(req[0][5], 40);
    }
    for (unsigned i = 0; i < 20; ++i)
        meter.Register(100 + i) = static_cast<std::uint16_t>(1000 + i);
    ComSettings ir = InfraredSettings(pty.SlavePath());
    ir.Address = 42;
    auto client = OpenClient(ir);
    std::uint16_t values[20] = {};
    CTrace::SetEnabled(true);
    testing::internal::CaptureStderr();
    client->ReadHoldingRegisters(100, 20, values);
    std::string trace = testing::internal::GetCapturedStderr();
    CTrace::SetEnabled(false);
    for (unsigned i = 0; i < 20; ++i)
        EXPECT_EQ(values[i], 1000 + i);
    auto req = meter.Requests();
    ASSERT_EQ(req.size(), 4u);
    EXPECT_EQ(req[1], Frame({1, 0x04, 0x00, 100, 0x00, 8}));
    EXPECT_EQ(req[2], Frame({1, 0x04, 0x00, 108, 0x00, 8}));
    EXPECT_EQ(req[3], Frame({1, 0x04, 0x00, 116, 0x00, 4}));
    EXPECT_EQ(trace, "ReadHoldingRegisters: adrs=101 size=8\nReadHoldingRegisters: adrs=109 size=8\n"
                     "ReadHoldingRegisters: adrs=117 size=4\n");
}

TEST_F(ModbusRtu, InfraredHuntSkipsNoiseBeforeTheAnswer)
{
    meter.Register(5) = 0x1234;
    meter.SetResponder([&](const Bytes& req, int) {
        Bytes out{0x00, 0xFF, 0x7E};
        Bytes answer = meter.Answer(req);
        out.insert(out.end(), answer.begin(), answer.end());
        return out;
    });
    auto client = OpenClient(InfraredSettings(pty.SlavePath()));
    std::uint16_t v = 0;
    client->ReadHoldingRegisters(5, 1, &v);
    EXPECT_EQ(v, 0x1234);
    EXPECT_EQ(meter.Requests().size(), 1u);
}

TEST_F(ModbusRtu, FailureReasonsAfterTheLastAttempt)
{
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    std::uint16_t v;

    meter.SetResponder([](const Bytes& req, int) { return WithCrc({req[0], 0x84, 0x02}); });
    EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=receive exception 2.");
    EXPECT_EQ(meter.Requests().size(), 3u);

    // An exception answer is taken as it stands: its CRC is not tested.
    meter.SetResponder([](const Bytes& req, int) { return Bytes{req[0], 0x90, 0x03, 0x00, 0x00}; });
    const std::uint16_t w = 1;
    EXPECT_EQ(FailureOf([&] { client->WriteMultipleRegisters(9, 1, &w); }),
              "Modbus command failed. command=WriteMultipleRegisters address=10 size=1 reason=receive exception 3.");

    meter.SetResponder([&](const Bytes& req, int) {
        Bytes a = meter.Answer(req);
        a.back() ^= 0x55;
        return a;
    });
    EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(99, 2, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=100 size=2 reason=crc error.");

    meter.SetResponder([&](const Bytes& req, int) {
        Bytes a = meter.Answer(req);
        a.resize(a.size() - 3); // one data byte and the CRC short
        return WithCrc(a);
    });
    EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=invalid response.");

    meter.SetResponder([](const Bytes&, int) { return Bytes{}; });
    EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=timeout.");
    EXPECT_EQ(client->LinkQuality(), 0.0);
    // The link stays usable after a failure.
    meter.SetResponder([&](const Bytes& req, int) { return meter.Answer(req); });
    EXPECT_TRUE(client->ReadHoldingRegisters(0, 1, &v));
}

TEST_F(ModbusRtu, RetriesAndLinkQuality)
{
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    meter.Register(3) = 77;
    meter.SetResponder([&](const Bytes& req, int i) { return i < 2 ? Bytes{} : meter.Answer(req); });
    std::uint16_t v = 0;
    EXPECT_TRUE(client->ReadHoldingRegisters(3, 1, &v));
    EXPECT_EQ(v, 77);
    EXPECT_NEAR(client->LinkQuality(), 100.0 / 3.0, 1e-9);
    EXPECT_EQ(meter.Requests().size(), 3u);

    meter.SetResponder([&](const Bytes& req, int) { return meter.Answer(req); });
    for (int i = 0; i < 9; ++i)
        client->ReadHoldingRegisters(3, 1, &v);
    EXPECT_EQ(client->LinkQuality(), 100.0); // only the last eight count

    // Count 0 sends nothing and still counts as a success.
    auto sent = meter.Requests().size();
    EXPECT_TRUE(client->WriteMultipleRegisters(3, 0, nullptr));
    EXPECT_EQ(meter.Requests().size(), sent);
}

TEST_F(ModbusRtu, InfraredRetriesTenTimes)
{
    auto client = OpenClient(InfraredSettings(pty.SlavePath()));
    meter.SetResponder([](const Bytes& req, int) { return WithCrc({req[0], 0x84, 0x04}); });
    std::uint16_t v;
    EXPECT_NE(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }).find("receive exception 4"),
              std::string::npos);
    EXPECT_EQ(meter.Requests().size(), 10u);
}

TEST_F(ModbusRtu, AbortEndsABlockedReadWithoutRetryOrText)
{
    auto client = OpenClient(InfraredSettings(pty.SlavePath()));
    meter.SetResponder([](const Bytes&, int) { return Bytes{}; });
    std::thread aborter([&] {
        while (meter.Requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        client->Abort();
    });
    std::uint16_t v;
    std::string text = FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); });
    aborter.join();
    EXPECT_EQ(text, "");
    EXPECT_EQ(meter.Requests().size(), 1u);

    // The next call starts afresh.
    meter.SetResponder([&](const Bytes& req, int) { return meter.Answer(req); });
    EXPECT_TRUE(client->ReadHoldingRegisters(0, 1, &v));
}

TEST_F(ModbusRtu, OpenFailuresNameThePortTheUserChose)
{
    ComSettings s = Rs485Settings("/dev/does-not-exist");
    s.COMPortDisplayName = "COM9 (USB adapter)";
    CModbusInterface client(s);
    EXPECT_EQ(FailureOf([&] { client.Open(); }), "Communication port COM9 (USB adapter) can not be opened.");

    ComSettings ir = InfraredSettings("/dev/does-not-exist");
    ir.COMPortName = pty.SlavePath(); // not used in infrared mode
    CModbusInterface irClient(ir);
    EXPECT_EQ(FailureOf([&] { irClient.Open(); }), "Communication port Test IR port can not be opened.");

    std::uint16_t v;
    EXPECT_FALSE(FailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); }).empty());
}
