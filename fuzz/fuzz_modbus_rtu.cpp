// The Modbus client's answer path on RTU framing, on an RS-485 line and on
// the infrared port: after each request the meter's end of the line sends
// what the fuzzer chooses (answers built for the request, damaged ones,
// noise, answers held back until a later request, hang-ups). A call that
// succeeds must have read values that stand in a whole answer with a good
// CRC that echoes the request's unit, function and byte count.

#include "ModbusFuzzLine.h"

#include "app/PrivateException.h"
#include "comm/Crc16.h"
#include "comm/RtuTransport.h"
#include "comm/SerialIO.h"

#include <memory>

namespace {

using fuzzline::Bytes;

class CFuzzPort : public CSerialIO
{
public:
    explicit CFuzzPort(fuzzline::CFarEnd& far) : m_far(far) {}
    void Setup() override
    {
        const int fd = m_far.Connect();
        if (fd < 0)
            throw CPrivateException("Communication port (fuzz) can not be opened.");
        Adopt(fd);
    }
    void Pause(unsigned) override {}

private:
    fuzzline::CFarEnd& m_far;
};

Bytes WithCrc(Bytes frame)
{
    const std::uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

class CFuzzRtu : public CRtuTransport
{
public:
    CFuzzRtu(const ComSettings& settings, FuzzedDataProvider& fuzz, fuzzline::CFarEnd& far)
        : CRtuTransport(settings, std::make_unique<CFuzzPort>(far)), m_fuzz(fuzz), m_far(far)
    {}
    std::uint16_t SendRequest(const std::vector<std::uint8_t>& request) override
    {
        const std::uint16_t tid = CRtuTransport::SendRequest(request);
        m_far.Answer(request, [this](const Bytes& pdu, std::uint8_t action) { return Build(pdu, action); });
        return tid;
    }
    // Everything the far end will send is on the line already: no waiting.
    void SetResponseTimeout(unsigned) override { CRtuTransport::SetResponseTimeout(1); }
    bool Resynchronise(unsigned) override { return CRtuTransport::Resynchronise(1); }

private:
    Bytes Build(const Bytes& pdu, std::uint8_t action)
    {
        const std::uint8_t unit = (action & fuzzline::kOtherUnit) ? m_fuzz.ConsumeIntegral<std::uint8_t>() : pdu[0];
        Bytes out;
        if (action & fuzzline::kException) {
            out = {unit, static_cast<std::uint8_t>(pdu[1] | 0x80), m_fuzz.ConsumeIntegral<std::uint8_t>()};
        } else if (pdu[1] == 0x04) {
            std::uint8_t count = static_cast<std::uint8_t>(2 * pdu[5]);
            if (action & fuzzline::kDamaged && m_fuzz.ConsumeBool())
                count = m_fuzz.ConsumeIntegral<std::uint8_t>();
            out = {unit, 0x04, count};
            Bytes data = m_fuzz.ConsumeBytes<std::uint8_t>(2u * pdu[5]);
            data.resize(2u * pdu[5]);
            out.insert(out.end(), data.begin(), data.end());
        } else {
            out.assign(pdu.begin(), pdu.begin() + 6);
            out[0] = unit;
        }
        out = WithCrc(out);
        if (action & fuzzline::kDamaged) {
            if (m_fuzz.ConsumeBool())
                out[out.size() - 1] ^= 0xA5;
            else
                out.resize(m_fuzz.ConsumeIntegralInRange<std::size_t>(0, out.size()));
        }
        return out;
    }

    FuzzedDataProvider& m_fuzz;
    fuzzline::CFarEnd& m_far;
};

class CFuzzClient : public CModbusInterface
{
public:
    CFuzzClient(const ComSettings& settings, FuzzedDataProvider& fuzz, fuzzline::CFarEnd& far)
        : CModbusInterface(settings), m_fuzz(fuzz), m_far(far)
    {}

protected:
    std::unique_ptr<CModbusTransport> CreateTransport() const override
    {
        return std::make_unique<CFuzzRtu>(Settings(), m_fuzz, m_far);
    }

private:
    FuzzedDataProvider& m_fuzz;
    fuzzline::CFarEnd& m_far;
};

// A frame `prefix` + `length - prefix` more bytes + a good CRC in `stream`.
bool HasFrame(const Bytes& stream, const Bytes& prefix, std::size_t length)
{
    for (auto it = stream.begin(); (it = std::search(it, stream.end(), prefix.begin(), prefix.end())) != stream.end();
         ++it) {
        const auto at = static_cast<std::size_t>(it - stream.begin());
        if (at + length + 2 > stream.size())
            return false;
        const std::uint16_t crc = Crc16Modbus(stream.data() + at, length);
        if (stream[at + length] == (crc & 0xFF) && stream[at + length + 1] == (crc >> 8))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fuzz(data, size);
    ComSettings settings{ComSettings::NoLoad{}};
    const bool infrared = fuzz.ConsumeBool();
    settings.Mode = infrared ? kModeInfrared : kModeRs485;
    settings.IRCOMPortName = settings.COMPortName = "fuzz";
    settings.Address = fuzz.ConsumeIntegralInRange<int>(1, 247);
    const std::uint8_t unit = infrared ? 1 : static_cast<std::uint8_t>(settings.Address);

    fuzzline::CFarEnd far(fuzz);
    CFuzzClient client(settings, fuzz, far);
    const unsigned chunk = infrared ? 8 : 10000;
    fuzzline::RunCalls(
        fuzz, client, infrared ? 20 : 12, [] {},
        [&](unsigned, unsigned count, const std::vector<std::uint16_t>& values, bool write) {
            const Bytes& sent = far.Sent();
            if (write)
                return HasFrame(sent, {unit, 0x10}, 6);
            // Each request of the call must have had its answer.
            for (unsigned done = 0; done < count; done += chunk) {
                const unsigned n = std::min(chunk, count - done);
                Bytes prefix{unit, 0x04, static_cast<std::uint8_t>(2 * n)};
                for (unsigned i = 0; i < n; ++i) {
                    prefix.push_back(static_cast<std::uint8_t>(values[done + i] >> 8));
                    prefix.push_back(static_cast<std::uint8_t>(values[done + i] & 0xFF));
                }
                if (!HasFrame(sent, prefix, prefix.size()))
                    return false;
            }
            return true;
        });
    return 0;
}
