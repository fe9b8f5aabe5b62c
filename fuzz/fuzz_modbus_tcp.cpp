// The Modbus client's answer path on Modbus TCP: after each request the
// server's end of the connection sends what the fuzzer chooses (answers
// built for the request, damaged headers, answers with another or an
// earlier transaction, noise, a closed connection). A call that succeeds
// must have read values that stand in an answer carrying the transaction of
// one of its requests, function 4 and the byte count asked for.

#include "ModbusFuzzLine.h"

#include "app/PrivateException.h"
#include "comm/TcpTransport.h"

#include <memory>

namespace {

using fuzzline::Bytes;

class CFuzzTcp : public CTcpTransport
{
public:
    CFuzzTcp(const ComSettings& settings, FuzzedDataProvider& fuzz, fuzzline::CFarEnd& far,
             std::vector<std::uint16_t>& tids)
        : CTcpTransport(settings), m_fuzz(fuzz), m_far(far), m_tids(tids)
    {}
    void Open() override
    {
        const int fd = m_far.Connect();
        if (fd < 0)
            throw CPrivateException("Modbus-TCP Error. Connection refused");
        Adopt(fd);
    }
    std::uint16_t SendRequest(const std::vector<std::uint8_t>& request) override
    {
        const std::uint16_t tid = CTcpTransport::SendRequest(request);
        m_tids.push_back(tid);
        m_far.Answer(request, [this, tid](const Bytes& pdu, std::uint8_t action) { return Build(pdu, action, tid); });
        return tid;
    }
    // Everything the far end will send is on its way already: no waiting.
    void SetResponseTimeout(unsigned) override { CTcpTransport::SetResponseTimeout(1); }

private:
    Bytes Build(const Bytes& pdu, std::uint8_t action, std::uint16_t tid)
    {
        // Near the request's own (a late or an early answer) or anywhere.
        if (action & fuzzline::kOtherUnit)
            tid = m_fuzz.ConsumeBool() ? static_cast<std::uint16_t>(tid - m_fuzz.ConsumeIntegralInRange<int>(-3, 3))
                                       : m_fuzz.ConsumeIntegral<std::uint16_t>();
        Bytes body;
        if (action & fuzzline::kException) {
            body = {pdu[0], static_cast<std::uint8_t>(pdu[1] | 0x80), m_fuzz.ConsumeIntegral<std::uint8_t>()};
        } else if (pdu[1] == 0x04) {
            body = {pdu[0], 0x04, static_cast<std::uint8_t>(2 * pdu[5])};
            Bytes data = m_fuzz.ConsumeBytes<std::uint8_t>(2u * pdu[5]);
            data.resize(2u * pdu[5]);
            body.insert(body.end(), data.begin(), data.end());
        } else {
            body.assign(pdu.begin(), pdu.begin() + 6);
        }
        std::size_t length = body.size();
        if (action & fuzzline::kDamaged) {
            if (m_fuzz.ConsumeBool())
                length = m_fuzz.ConsumeIntegral<std::uint16_t>();
            else
                body.resize(m_fuzz.ConsumeIntegralInRange<std::size_t>(0, body.size()));
        }
        Bytes out{static_cast<std::uint8_t>(tid >> 8),    static_cast<std::uint8_t>(tid & 0xFF),   0, 0,
                  static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)};
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    FuzzedDataProvider& m_fuzz;
    fuzzline::CFarEnd& m_far;
    std::vector<std::uint16_t>& m_tids;
};

class CFuzzClient : public CModbusInterface
{
public:
    CFuzzClient(const ComSettings& settings, FuzzedDataProvider& fuzz, fuzzline::CFarEnd& far,
                std::vector<std::uint16_t>& tids)
        : CModbusInterface(settings), m_fuzz(fuzz), m_far(far), m_tids(tids)
    {}

protected:
    std::unique_ptr<CModbusTransport> CreateTransport() const override
    {
        return std::make_unique<CFuzzTcp>(Settings(), m_fuzz, m_far, m_tids);
    }

private:
    FuzzedDataProvider& m_fuzz;
    fuzzline::CFarEnd& m_far;
    std::vector<std::uint16_t>& m_tids;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fuzz(data, size);
    ComSettings settings{ComSettings::NoLoad{}};
    settings.Mode = kModeTcp;
    settings.Address = fuzz.ConsumeIntegralInRange<int>(1, 247);
    CTcpTransport::SetTransactionCounter(fuzz.ConsumeIntegral<std::uint16_t>()); // wraps too

    fuzzline::CFarEnd far(fuzz);
    std::vector<std::uint16_t> tids;
    CFuzzClient client(settings, fuzz, far, tids);
    // Only this call's requests count: an answer to an earlier one is stale.
    fuzzline::RunCalls(
        fuzz, client, 125, [&] { tids.clear(); },
        [&](unsigned, unsigned count, const std::vector<std::uint16_t>& values, bool write) {
            const Bytes& sent = far.Sent();
            for (std::uint16_t tid : tids) {
                for (std::size_t at = 0; at + 6 <= sent.size(); ++at) {
                    if (sent[at] != (tid >> 8) || sent[at + 1] != (tid & 0xFF))
                        continue;
                    const std::size_t announced = static_cast<std::size_t>(sent[at + 4]) << 8 | sent[at + 5];
                    const std::size_t expected = write ? 6 : 3 + 2 * count;
                    if (announced < expected || at + 6 + expected > sent.size())
                        continue;
                    if (write) {
                        if (sent[at + 7] == 0x10)
                            return true;
                        continue;
                    }
                    bool same = sent[at + 7] == 0x04 && sent[at + 8] == 2 * count;
                    for (unsigned i = 0; same && i < count; ++i)
                        same = sent[at + 9 + 2 * i] == (values[i] >> 8) && sent[at + 10 + 2 * i] == (values[i] & 0xFF);
                    if (same)
                        return true;
                }
            }
            return false;
        });
    return 0;
}
