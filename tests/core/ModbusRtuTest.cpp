// CModbusInterface over a real pseudo-terminal with a scripted meter.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "app/Trace.h"
#include "comm/ModbusInterface.h"
#include "comm/RtuTransport.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

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

Bytes Frame(const Bytes& pdu)
{
    return WithCrc(pdu);
}

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
    client->ReadHoldingRegisters(0x0123, 2, values);
    EXPECT_EQ(values[0], 0xBEEF);
    EXPECT_EQ(values[1], 0x0102);

    const std::uint16_t out[2] = {0xA1B2, 0x0003};
    client->WriteMultipleRegisters(900, 2, out);
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
    client->ReadHoldingRegisters(0, 1, &v);
}

TEST_F(ModbusRtu, RetriesAndLinkQuality)
{
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    meter.Register(3) = 77;
    meter.SetResponder([&](const Bytes& req, int i) { return i < 2 ? Bytes{} : meter.Answer(req); });
    std::uint16_t v = 0;
    client->ReadHoldingRegisters(3, 1, &v);
    EXPECT_EQ(v, 77);
    EXPECT_NEAR(client->LinkQuality(), 100.0 / 3.0, 1e-9);
    EXPECT_EQ(meter.Requests().size(), 3u);

    meter.SetResponder([&](const Bytes& req, int) { return meter.Answer(req); });
    for (int i = 0; i < 9; ++i)
        client->ReadHoldingRegisters(3, 1, &v);
    EXPECT_EQ(client->LinkQuality(), 100.0); // only the last eight count

    // Count 0 sends nothing and still counts as a success.
    auto sent = meter.Requests().size();
    client->WriteMultipleRegisters(3, 0, nullptr);
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
    bool cancelled = false;
    std::string text = FailureOf([&] {
        try {
            client->ReadHoldingRegisters(0, 1, &v);
        } catch (const CCancelled&) {
            cancelled = true; // a cancel of its own type, not a failure
            throw;
        }
    });
    aborter.join();
    EXPECT_EQ(text, "");
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(meter.Requests().size(), 1u);

    // The next call starts afresh.
    meter.SetResponder([&](const Bytes& req, int) { return meter.Answer(req); });
    client->ReadHoldingRegisters(0, 1, &v);
}

TEST_F(ModbusRtu, OpenFailuresNameThePortTheUserChose)
{
    ComSettings s = Rs485Settings("/dev/does-not-exist");
    s.COMPortDisplayName = "COM9 (USB adapter)";
    CModbusInterface client(s);
    EXPECT_EQ(FailureOf([&] { client.Open(); }),
              "Communication port COM9 (USB adapter) can not be opened.\rNo such file or directory");

    ComSettings ir = InfraredSettings("/dev/does-not-exist");
    ir.COMPortName = pty.SlavePath(); // not used in infrared mode
    CModbusInterface irClient(ir);
    EXPECT_EQ(FailureOf([&] { irClient.Open(); }),
              "Communication port Test IR port can not be opened.\rNo such file or directory");

    std::uint16_t v;
    const SLinkFailure unopened = LinkFailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); });
    EXPECT_FALSE(unopened.text.empty());
    EXPECT_EQ(unopened.end, ELinkAttemptEnd::LinkFailure); // no exchange: the port itself failed
}

TEST_F(ModbusRtu, ALateAnswerIsWaitedOutBeforeTheRetryAndNeverTakenForAnother)
{
    meter.Register(3) = 33;
    meter.Register(4) = 44;
    // The first request is answered well past the time-out, with a value that
    // would show if it were taken for a later request's.
    meter.SetResponder([&](const Bytes& req, int i) {
        if (i > 0)
            return meter.Answer(req);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return WithCrc({req[0], 0x04, 0x02, 0xDE, 0xAD});
    });
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    std::uint16_t v = 0;
    client->ReadHoldingRegisters(3, 1, &v);
    EXPECT_EQ(v, 33);
    client->ReadHoldingRegisters(4, 1, &v);
    EXPECT_EQ(v, 44);
    EXPECT_EQ(meter.Requests().size(), 3u);
}

TEST_F(ModbusRtu, AMeterAlwaysLaterThanTheTimeOutEndsInTimeoutAndLeavesNothingForTheNextCall)
{
    // Each answer comes 250 ms after the meter takes the request (the
    // time-out of a one-register read is 206 ms), and requests queue up at
    // the meter while it is busy, as they do at a real one.
    meter.SetResponder([&](const Bytes& req, int) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        Bytes a = meter.Answer(req);
        return a;
    });
    meter.Register(9600) = 2001;
    meter.Register(9601) = 3;
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    std::uint16_t v = 0;
    EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(9600, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=timeout.");
    // Whatever the meter still sends for those attempts is gone before the
    // next call's request.
    meter.SetResponder([&](const Bytes& req, int) { return meter.Answer(req); });
    client->ReadHoldingRegisters(9601, 1, &v);
    EXPECT_EQ(v, 3);
}

TEST_F(ModbusRtu, AnAnswerThatDoesNotEchoTheRequestIsInvalid)
{
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    std::uint16_t v;
    const std::string invalid =
        "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=invalid response.";
    // Another meter on the bus, another function, another byte count, and
    // another meter's exception: none is this request's answer.
    for (const Bytes& answer : {Bytes{2, 0x04, 0x02, 0x00, 0x07}, Bytes{1, 0x03, 0x02, 0x00, 0x07},
                                Bytes{1, 0x04, 0x04, 0x00, 0x07}, Bytes{2, 0x84, 0x02}}) {
        meter.SetResponder([answer](const Bytes&, int) { return WithCrc(answer); });
        EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }), invalid)
            << int(answer[0]) << " " << int(answer[1]);
    }
    // A write's answer echoes its function, address and count. (A short
    // time-out: a write's own is seconds, waited for quiet before each retry.)
    CModbusInterface::SCallPolicy quick;
    quick.timeoutMs = 200;
    client->SetCallPolicy(quick);
    const std::uint16_t w = 5;
    for (const Bytes& answer : {Bytes{1, 0x03, 0x00, 0x00, 0x00, 0x01}, Bytes{1, 0x10, 0x00, 0x07, 0x00, 0x01},
                                Bytes{1, 0x10, 0x00, 0x00, 0x00, 0x02}}) {
        meter.SetResponder([answer](const Bytes&, int) { return WithCrc(answer); });
        EXPECT_EQ(FailureOf([&] { client->WriteMultipleRegisters(0, 1, &w); }),
                  "Modbus command failed. command=WriteMultipleRegisters address=1 size=1 reason=invalid response.")
            << int(answer[1]) << " " << int(answer[3]) << " " << int(answer[5]);
    }
}

TEST_F(ModbusRtu, AHangUpFailsTheAttemptAtOnceAndTheRetryFindsThePortAgain)
{
    meter.Register(12) = 1212;
    meter.SetResponder([&](const Bytes& req, int i) {
        if (i > 0)
            return meter.Answer(req);
        // What the kernel does when a USB adapter is unplugged.
        int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            ioctl(fd, TIOCVHANGUP);
            close(fd);
        }
        return Bytes{};
    });
    ComSettings s = Rs485Settings(pty.SlavePath());
    s.Baudrate = 0; // 1200 bit/s: the time-out of this read is over three seconds
    auto client = OpenClient(s);
    std::uint16_t v[100] = {};
    const auto start = std::chrono::steady_clock::now();
    client->ReadHoldingRegisters(12, 100, v);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000)); // not waited out
    EXPECT_EQ(v[0], 1212);
    EXPECT_EQ(meter.Requests().size(), 2u);
}

TEST_F(ModbusRtu, APortThatIsGoneForGoodEndsWithTheReasonWhyItCannotBeOpened)
{
    PtyPair gone;
    ComSettings s = Rs485Settings(gone.SlavePath());
    auto client = OpenClient(s);
    gone.CloseMaster(); // the adapter unplugged for good: its device goes away
    std::uint16_t v;
    EXPECT_EQ(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }),
              "Communication port Test RS-485 port can not be opened.\rNo such file or directory");
}

TEST_F(ModbusRtu, AQuickLookAlongTheLineMakesOneAttemptAndGoesOnAtOnceAfterSilence)
{
    // Only unit 6 is on the line; every request's arrival is noted.
    std::mutex lock;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    meter.Register(9600) = 2001;
    meter.SetResponder([&](const Bytes& req, int) {
        std::lock_guard g(lock);
        arrivals.push_back(std::chrono::steady_clock::now());
        return req[0] == 6 ? meter.Answer(req) : Bytes{};
    });
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    CModbusInterface::SCallPolicy policy;
    policy.attempts = 1;
    policy.timeoutMs = 300;
    // The gap between the silent unit's request and the next one, with and
    // without the quiet wait after silence.
    auto gapAfterSilence = [&](bool noQuiet) {
        policy.noQuietAfterSilence = noQuiet;
        client->SetCallPolicy(policy);
        std::uint16_t v = 0;
        const std::size_t first = meter.Requests().size();
        client->SetAddress(5);
        const SLinkFailure silent = LinkFailureOf([&] { client->ReadHoldingRegisters(9599, 1, &v); });
        EXPECT_EQ(silent.text,
                  "Modbus command failed. command=ReadHoldingRegister address=9600 size=1 reason=timeout.");
        EXPECT_EQ(silent.end, ELinkAttemptEnd::NoAnswer);
        EXPECT_EQ(client->ResponseTimeout(), 300u);
        client->SetAddress(6);
        client->ReadHoldingRegisters(9600, 1, &v);
        EXPECT_EQ(v, 2001);
        EXPECT_EQ(meter.Requests().size(), first + 2); // one attempt each
        std::lock_guard g(lock);
        return arrivals.at(first + 1) - arrivals.at(first);
    };
    const auto waited = gapAfterSilence(false), atOnce = gapAfterSilence(true);
    // Both wait out the time-out; only the default waits as long again for
    // the line to be quiet.
    EXPECT_GT(atOnce, std::chrono::milliseconds(300));
    EXPECT_GT(waited - atOnce, std::chrono::milliseconds(150));

    // Back to the defaults: three attempts and the computed time-out.
    client->SetCallPolicy({});
    client->SetAddress(5);
    std::uint16_t v;
    const std::size_t before = meter.Requests().size();
    EXPECT_FALSE(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }).empty());
    EXPECT_EQ(meter.Requests().size(), before + 3);
    EXPECT_EQ(client->ResponseTimeout(), 206u);

    // The meter outlives this test's notes: it answers by itself again, and
    // its last notes (made under the lock) are seen before they go.
    meter.SetResponder([this](const Bytes& req, int) { return meter.Answer(req); });
    std::lock_guard g(lock);
}

TEST_F(ModbusRtu, ALateAnswerOfOneAddressIsNeverTakenForTheNextAddresses)
{
    // Unit 5 answers after the quick time-out, while unit 6's request is
    // waited on; unit 6 itself is not there.
    meter.Register(0) = 0x5555;
    meter.SetResponder([&](const Bytes& req, int) {
        if (req[0] != 5)
            return Bytes{};
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return meter.Answer(req);
    });
    auto client = OpenClient(Rs485Settings(pty.SlavePath()));
    CModbusInterface::SCallPolicy policy;
    policy.attempts = 1;
    policy.timeoutMs = 100;
    policy.noQuietAfterSilence = true;
    client->SetCallPolicy(policy);
    std::uint16_t v = 0;
    client->SetAddress(5);
    EXPECT_NE(FailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); }).find("reason=timeout."), std::string::npos);
    client->SetAddress(6);
    const SLinkFailure bad = LinkFailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); });
    EXPECT_EQ(bad.text, "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=invalid response.");
    EXPECT_EQ(bad.end, ELinkAttemptEnd::BadAnswer);
    EXPECT_EQ(v, 0);
    // What came unasked is waited out before the next request: unit 6 is
    // asked again and stays silent.
    const SLinkFailure silent = LinkFailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); });
    EXPECT_NE(silent.text.find("reason=timeout."), std::string::npos);
    EXPECT_EQ(silent.end, ELinkAttemptEnd::NoAnswer);

    meter.SetResponder([](const Bytes& req, int) { return WithCrc({req[0], 0x84, 0x0B}); });
    const SLinkFailure refused = LinkFailureOf([&] { client->ReadHoldingRegisters(0, 1, &v); });
    EXPECT_NE(refused.text.find("receive exception 11"), std::string::npos);
    EXPECT_EQ(refused.end, ELinkAttemptEnd::ExceptionAnswer);
    EXPECT_EQ(refused.exceptionCode, 11);
}
