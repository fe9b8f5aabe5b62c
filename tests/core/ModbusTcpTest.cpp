// CModbusInterface in TCP mode against a scripted server on 127.0.0.1.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "comm/TcpTransport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

using namespace testsupport;

namespace {

// One answer as the server sends it: segments with a pause before each.
struct Segment
{
    int delayMs;
    Bytes bytes;
};
using Reply = std::vector<Segment>;

// A TCP socket bound to 127.0.0.1 on a free port; `address` gets the port.
int BoundLoopbackSocket(sockaddr_in& address)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t len = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &len);
    return fd;
}

class FakeTcpServer
{
public:
    using Responder = std::function<Reply(std::uint16_t tid, const Bytes& pdu, int index)>;

    FakeTcpServer()
    {
        sockaddr_in a;
        m_listen = BoundLoopbackSocket(a);
        m_port = ntohs(a.sin_port);
        listen(m_listen, 4);
        m_responder = [](std::uint16_t tid, const Bytes& pdu, int) { return Reply{{0, Healthy(tid, pdu)}}; };
        m_thread = std::thread([this] { Run(); });
    }
    ~FakeTcpServer()
    {
        m_stop = true;
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        m_thread.join();
    }
    unsigned short Port() const { return m_port; }
    void SetResponder(Responder r)
    {
        std::lock_guard g(m_lock);
        m_responder = std::move(r);
    }
    std::vector<Bytes> Requests()
    {
        std::lock_guard g(m_lock);
        return m_requests;
    }

    // A meter whose register n holds n + 1000.
    static Bytes Healthy(std::uint16_t tid, const Bytes& pdu)
    {
        Bytes body;
        if (pdu[1] == 0x04) {
            unsigned addr = pdu[2] << 8 | pdu[3];
            body = {pdu[0], 0x04, static_cast<std::uint8_t>(2 * pdu[5])};
            for (unsigned i = 0; i < pdu[5]; ++i) {
                body.push_back(static_cast<std::uint8_t>((addr + i + 1000) >> 8));
                body.push_back(static_cast<std::uint8_t>((addr + i + 1000) & 0xFF));
            }
        } else {
            body.assign(pdu.begin(), pdu.begin() + 6);
        }
        return Mbap(tid, body);
    }
    static Bytes Mbap(std::uint16_t tid, const Bytes& body)
    {
        // Sized once and filled: GCC 12 under -fsanitize=thread sees a false
        // array bound in appending to a six-byte vector.
        Bytes out(6 + body.size(), 0);
        out[0] = static_cast<std::uint8_t>(tid >> 8);
        out[1] = static_cast<std::uint8_t>(tid & 0xFF);
        out[5] = static_cast<std::uint8_t>(body.size());
        std::copy(body.begin(), body.end(), out.begin() + 6);
        return out;
    }

private:
    void Run()
    {
        while (!m_stop) {
            int c = accept(m_listen, nullptr, nullptr);
            if (c < 0)
                return;
            Serve(c);
            close(c);
        }
    }
    void Serve(int c)
    {
        Bytes buf;
        while (!m_stop) {
            pollfd p{c, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            std::uint8_t tmp[512];
            ssize_t r = recv(c, tmp, sizeof tmp, 0);
            if (r <= 0)
                return;
            buf.insert(buf.end(), tmp, tmp + r);
            while (buf.size() >= 6 && buf.size() >= 6u + buf[5]) {
                std::size_t len = 6u + buf[5];
                std::uint16_t tid = static_cast<std::uint16_t>(buf[0] << 8 | buf[1]);
                Bytes frame(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(len));
                buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(len));
                Responder responder;
                int index;
                {
                    std::lock_guard g(m_lock);
                    m_requests.push_back(frame);
                    index = static_cast<int>(m_requests.size()) - 1;
                    responder = m_responder;
                }
                for (const Segment& s : responder(tid, Bytes(frame.begin() + 6, frame.end()), index)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(s.delayMs));
                    if (s.bytes.empty()) { // an empty segment closes the connection
                        return;
                    }
                    send(c, s.bytes.data(), s.bytes.size(), MSG_NOSIGNAL);
                }
            }
        }
    }

    int m_listen = -1;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<Bytes> m_requests;
    Responder m_responder;
    std::thread m_thread;
};

// Unit 9, so that the unit byte cannot pass for a default.
ComSettings Unit9(const std::string& host, unsigned short port)
{
    ComSettings s = TcpSettings(host, port);
    s.Address = 9;
    return s;
}

class ModbusTcp : public ::testing::Test
{
protected:
    FakeTcpServer server;
    CModbusInterface client{Unit9("127.0.0.1", server.Port())};
    void SetUp() override { client.Open(); }
};

} // namespace

TEST_F(ModbusTcp, HeaderLayoutAndTheSharedCounter)
{
    CTcpTransport::SetTransactionCounter(0);
    std::uint16_t v[2] = {};
    client.ReadHoldingRegisters(0x10, 2, v);
    EXPECT_EQ(v[0], 0x10 + 1000);
    EXPECT_EQ(v[1], 0x11 + 1000);
    const std::uint16_t w[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    client.WriteMultipleRegisters(900, 8, w);
    auto req = server.Requests();
    ASSERT_EQ(req.size(), 2u);
    EXPECT_EQ(req[0], (Bytes{0, 1, 0, 0, 0, 6, 9, 0x04, 0x00, 0x10, 0x00, 0x02}));
    EXPECT_EQ(Bytes(req[1].begin(), req[1].begin() + 8), (Bytes{0, 2, 0, 0, 0, 23, 9, 0x10}));

    // A second client continues the same counter, and it wraps to 0.
    CModbusInterface other(Unit9("localhost", server.Port()));
    CTcpTransport::SetTransactionCounter(65534);
    client.ReadHoldingRegisters(0, 1, v);
    client.Close();
    other.Open();
    other.ReadHoldingRegisters(0, 1, v);
    other.ReadHoldingRegisters(0, 1, v);
    req = server.Requests();
    ASSERT_EQ(req.size(), 5u);
    EXPECT_EQ((Bytes{req[2][0], req[2][1], req[3][0], req[3][1], req[4][0], req[4][1]}),
              (Bytes{0xFF, 0xFF, 0, 0, 0, 1}));
}

TEST_F(ModbusTcp, ASplitAnswerIsStillAnAnswer)
{
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int) {
        Bytes whole = FakeTcpServer::Healthy(tid, pdu);
        return Reply{{0, Bytes(whole.begin(), whole.begin() + 6)},
                     {50, Bytes(whole.begin() + 6, whole.begin() + 9)},
                     {50, Bytes(whole.begin() + 9, whole.end())}};
    });
    std::uint16_t v[3] = {};
    client.ReadHoldingRegisters(5, 3, v);
    EXPECT_EQ(v[2], 1007);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(ModbusTcp, ALateAnswerIsNeverTakenForTheCurrentOne)
{
    // The first answer comes after the 5 s time-out, while the retry waits:
    // it is passed over, and the retry's own answer is taken.
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int i) {
        if (i == 0)
            return Reply{};
        Bytes stale = FakeTcpServer::Mbap(static_cast<std::uint16_t>(tid - 1), {pdu[0], 0x04, 2, 0xDE, 0xAD});
        return Reply{{0, stale}, {20, FakeTcpServer::Healthy(tid, pdu)}};
    });
    std::uint16_t v = 0;
    client.ReadHoldingRegisters(1, 1, &v);
    EXPECT_EQ(v, 1001);
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_NEAR(client.LinkQuality(), 50.0, 1e-9);
}

TEST_F(ModbusTcp, FailureReasons)
{
    std::uint16_t v;
    // An identifier this client never sent (an earlier one would be a late
    // answer, and waited past).
    server.SetResponder([](std::uint16_t tid, const Bytes&, int) {
        return Reply{{0, FakeTcpServer::Mbap(static_cast<std::uint16_t>(tid + 0x8000), {9, 0x04, 2, 0, 1})}};
    });
    EXPECT_EQ(FailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=invalid transaction.");

    server.SetResponder([](std::uint16_t tid, const Bytes&, int) {
        return Reply{{0, FakeTcpServer::Mbap(tid, {9, 0x84, 0x0B})}};
    });
    EXPECT_EQ(FailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=receive exception 11.");

    server.SetResponder([](std::uint16_t tid, const Bytes&, int) {
        return Reply{{0, FakeTcpServer::Mbap(tid, {9, 0x04, 4, 0, 1})}};
    });
    EXPECT_EQ(FailureOf([&] { client.ReadHoldingRegisters(0, 2, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=2 reason=invalid response.");
    EXPECT_EQ(server.Requests().size(), 9u);

    // This request's transaction, but a protocol identifier other than
    // Modbus's 0: not an answer to take, whatever it holds.
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int) {
        Bytes foreign = FakeTcpServer::Healthy(tid, pdu);
        foreign[3] = 1;
        return Reply{{0, foreign}};
    });
    v = 0;
    EXPECT_EQ(FailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=invalid response.");
    EXPECT_EQ(v, 0);
    // Once in a while: the retry's proper answer is taken.
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int i) {
        Bytes answer = FakeTcpServer::Healthy(tid, pdu);
        answer[2] = i % 2 ? 0 : 0x80;
        answer.back() ^= i % 2 ? 0 : 0xFF;
        return Reply{{0, answer}};
    });
    client.ReadHoldingRegisters(0, 1, &v);
    EXPECT_EQ(v, 1000);
    EXPECT_EQ(server.Requests().size(), 14u);

    // The server hangs up on every request: each attempt reopens the
    // connection, and the last one's failure is reported.
    server.SetResponder([](std::uint16_t, const Bytes&, int) { return Reply{{0, {}}}; });
    EXPECT_EQ(FailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); }),
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=timeout.");
    EXPECT_EQ(server.Requests().size(), 17u);
}

TEST_F(ModbusTcp, AnEarlierAttemptsLateAnswerIsPassedOverWithoutSpendingAnAttempt)
{
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int) {
        Bytes late = FakeTcpServer::Healthy(static_cast<std::uint16_t>(tid - 1), pdu);
        late[10] ^= 0xFF; // another value, so taking it would show
        return Reply{{0, late},
                     {30, FakeTcpServer::Healthy(static_cast<std::uint16_t>(tid - 3), pdu)},
                     {30, FakeTcpServer::Healthy(tid, pdu)}};
    });
    std::uint16_t v[2] = {};
    client.ReadHoldingRegisters(4, 2, v);
    EXPECT_EQ(v[0], 1004);
    EXPECT_EQ(v[1], 1005);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(client.LinkQuality(), 100.0);
}

TEST_F(ModbusTcp, AConnectionTheServerClosedIsOpenedAgain)
{
    std::uint16_t v = 0;
    // Closed while idle, after an answer: the next call reconnects before it
    // sends, and no attempt is lost.
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int) {
        return Reply{{0, FakeTcpServer::Healthy(tid, pdu)}, {0, {}}};
    });
    client.ReadHoldingRegisters(7, 1, &v);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the close arrives
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int) {
        return Reply{{0, FakeTcpServer::Healthy(tid, pdu)}};
    });
    client.ReadHoldingRegisters(8, 1, &v);
    EXPECT_EQ(v, 1008);
    EXPECT_EQ(client.LinkQuality(), 100.0);

    // Closed while a request waits: that attempt fails at once, the next one
    // runs on a new connection.
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int i) {
        return i == 2 ? Reply{{0, {}}} : Reply{{0, FakeTcpServer::Healthy(tid, pdu)}};
    });
    client.ReadHoldingRegisters(9, 1, &v);
    EXPECT_EQ(v, 1009);
    EXPECT_EQ(server.Requests().size(), 4u);
    EXPECT_NEAR(client.LinkQuality(), 300.0 / 4.0, 1e-9);
}

TEST_F(ModbusTcp, AbortEndsABlockedReceiveWithoutRetry)
{
    server.SetResponder([](std::uint16_t, const Bytes&, int) { return Reply{}; });
    std::thread aborter([&] {
        while (server.Requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        client.Abort();
    });
    std::uint16_t v;
    EXPECT_EQ(FailureOf([&] { client.ReadHoldingRegisters(0, 1, &v); }), "");
    aborter.join();
    EXPECT_EQ(server.Requests().size(), 1u);

    // With nothing blocked, Abort does nothing: the next call goes through.
    client.Abort();
    server.SetResponder([](std::uint16_t tid, const Bytes& pdu, int) {
        return Reply{{0, FakeTcpServer::Healthy(tid, pdu)}};
    });
    client.ReadHoldingRegisters(0, 1, &v);
}

TEST(ModbusTcpOpen, ResolutionAndConnectFailuresCarryTheSystemText)
{
    sockaddr_in a;
    close(BoundLoopbackSocket(a)); // nobody listens on this port now
    CModbusInterface refused(TcpSettings("127.0.0.1", ntohs(a.sin_port)));
    EXPECT_EQ(FailureOf([&] { refused.Open(); }), "Modbus-TCP Error. Connection refused");

    ComSettings s = TcpSettings("no-such-host.invalid", 502);
    CModbusInterface unresolved(s);
    std::string text = FailureOf([&] { unresolved.Open(); });
    EXPECT_EQ(text.rfind("Modbus-TCP Error. ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("Modbus-TCP Error. ").size());

    s = TcpSettings("127.0.0.1", 502);
    s.ServicePort = "no-such-service";
    CModbusInterface badService(s);
    EXPECT_EQ(FailureOf([&] { badService.Open(); }).rfind("Modbus-TCP Error. ", 0), 0u);
}

TEST(ModbusTcpOpen, AbortEndsABlockedConnect)
{
    // A listener that never accepts, with its backlog filled, leaves the next
    // connect waiting for an answer to its SYN.
    sockaddr_in a;
    int listener = BoundLoopbackSocket(a);
    listen(listener, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers.push_back(f);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    CModbusInterface client(TcpSettings("127.0.0.1", ntohs(a.sin_port)));
    std::atomic<bool> done{false};
    std::thread aborter([&] {
        for (int i = 0; i < 200 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            client.Abort();
        }
    });
    std::string text = FailureOf([&] { client.Open(); });
    done = true;
    aborter.join();
    EXPECT_EQ(text, "Modbus-TCP Error. Operation canceled");
    for (int f : fillers)
        close(f);
    close(listener);
}
