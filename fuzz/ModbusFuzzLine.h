#pragma once
// What the two Modbus answer-path targets share: the far end of the link as
// the fuzzer plays it, a record of every byte it sent, and the invariant that
// a call which succeeded read values that stand in one whole, well-formed
// answer among those bytes.

#include "FuzzCheck.h"

#include "comm/ModbusInterface.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <functional>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace fuzzline {

using Bytes = std::vector<std::uint8_t>;

// How the far end answers one request; one fuzzer byte.
enum Action : std::uint8_t {
    kWellFormed = 0x01,  // an answer built for the request (else raw bytes)
    kNoisePrefix = 0x02, // bytes before it
    kDamaged = 0x04,     // its check bytes (CRC) or length broken
    kHeldBack = 0x08,    // sent only after the next request, as a late answer
    kHangUp = 0x10,      // the line or connection goes away after it
    kOtherUnit = 0x20,   // another unit answers (or another transaction)
    kException = 0x40,   // an exception answer
};

// The far end of a socket pair that stands in for the meter.
class CFarEnd
{
public:
    explicit CFarEnd(FuzzedDataProvider& fuzz) : m_fuzz(fuzz) {}
    ~CFarEnd() { Close(); }

    // A new link: returns the near end, or -1 once the fuzzer says the device
    // is gone for good.
    int Connect()
    {
        Close();
        if (m_connects++ > 6 || (m_connects > 1 && m_fuzz.ConsumeBool()))
            return -1;
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return -1;
        m_peer = fds[1];
        return fds[0];
    }

    void Close()
    {
        if (m_peer >= 0)
            close(m_peer);
        m_peer = -1;
    }

    // Takes the request off the line (the bytes are known already) and sends
    // what the fuzzer chooses, after anything held back from before.
    void Answer(const Bytes& frame, const std::function<Bytes(const Bytes& pdu, std::uint8_t action)>& build)
    {
        if (m_peer < 0)
            return;
        std::uint8_t junk[1024];
        while (recv(m_peer, junk, sizeof junk, MSG_DONTWAIT) > 0) {
        }
        const std::uint8_t action = m_fuzz.ConsumeIntegral<std::uint8_t>();
        Bytes out = m_heldBack;
        m_heldBack.clear();
        if (action & kNoisePrefix) {
            Bytes noise = m_fuzz.ConsumeBytes<std::uint8_t>(m_fuzz.ConsumeIntegralInRange<std::size_t>(1, 8));
            out.insert(out.end(), noise.begin(), noise.end());
        }
        Bytes answer = (action & kWellFormed)
                           ? build(frame, action)
                           : m_fuzz.ConsumeBytes<std::uint8_t>(m_fuzz.ConsumeIntegralInRange<std::size_t>(0, 48));
        if (action & kHeldBack)
            m_heldBack = std::move(answer);
        else
            out.insert(out.end(), answer.begin(), answer.end());
        Send(out);
        if (action & kHangUp)
            Close();
    }

    // Every byte sent so far. (An answer held back may be taken for a later
    // request of the same shape: nothing on an RTU line tells them apart.)
    const Bytes& Sent() const { return m_sent; }

private:
    void Send(const Bytes& bytes)
    {
        if (bytes.empty() || m_peer < 0)
            return;
        m_sent.insert(m_sent.end(), bytes.begin(), bytes.end());
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = send(m_peer, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
    }

    FuzzedDataProvider& m_fuzz;
    int m_peer = -1;
    int m_connects = 0;
    Bytes m_heldBack;
    Bytes m_sent;
};

// Whether `needle` stands in `haystack`.
inline bool Contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// The calls the fuzzer makes on the client: `starting()` before each, and
// `wasAnswered(address, count, values, write)` after each one that succeeds.
template <class Start, class Check>
void RunCalls(FuzzedDataProvider& fuzz, CModbusInterface& client, unsigned maxCount, Start starting, Check wasAnswered)
{
    signal(SIGPIPE, SIG_IGN);
    try {
        client.Open();
    } catch (const std::exception&) {
        return;
    }
    for (int call = 0; call < 12 && fuzz.remaining_bytes() > 0; ++call) {
        const bool write = fuzz.ConsumeBool();
        const unsigned address = fuzz.ConsumeIntegral<std::uint16_t>();
        const unsigned count = fuzz.ConsumeIntegralInRange<unsigned>(0, maxCount);
        std::vector<std::uint16_t> values(count);
        if (write)
            for (auto& v : values)
                v = fuzz.ConsumeIntegral<std::uint16_t>();
        bool ok = false;
        starting();
        try {
            if (write)
                client.WriteMultipleRegisters(address, count, values.data());
            else
                client.ReadHoldingRegisters(address, count, values.data());
            ok = true;
        } catch (const std::exception& e) {
            // Every failure carries a text: the user must see what went wrong
            // (a cancel has none, and nobody cancels here).
            FUZZ_CHECK(std::string(e.what()).size() > 0);
        }
        if (ok && count > 0)
            FUZZ_CHECK(wasAnswered(address, count, values, write));
        FUZZ_CHECK(client.LinkQuality() >= 0.0 && client.LinkQuality() <= 100.0);
    }
    client.Close();
}

} // namespace fuzzline
