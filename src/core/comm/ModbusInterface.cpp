#include "comm/ModbusInterface.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/StringTable.h"
#include "app/Trace.h"
#include "comm/RtuTransport.h"
#include "comm/TcpTransport.h"


namespace {

constexpr unsigned kReadBaseTimeout = 200;
constexpr unsigned kWriteBaseTimeout = 4000;
constexpr unsigned kTcpTimeout = 5000;
constexpr std::size_t kHistoryLength = 8;

} // namespace

CModbusInterface::CModbusInterface() : m_settings() {}

CModbusInterface::CModbusInterface(const ComSettings& settings) : m_settings(settings) {}

CModbusInterface::~CModbusInterface()
{
    Close();
}

void CModbusInterface::Open()
{
    Close();
    CModbusTransport* transport;
    {
        // Published before it connects, so that Abort can end the connect.
        std::lock_guard guard(m_transportLock);
        if (m_settings.Mode == kModeTcp)
            m_transport = std::make_unique<CTcpTransport>(m_settings);
        else
            m_transport = std::make_unique<CRtuTransport>(m_settings);
        transport = m_transport.get();
    }
    transport->Open();
}

void CModbusInterface::Close()
{
    std::lock_guard guard(m_transportLock);
    if (m_transport) {
        m_transport->Close();
        m_transport.reset();
    }
}

bool CModbusInterface::IsOpen() const
{
    return m_transport && m_transport->IsOpen();
}

void CModbusInterface::Abort()
{
    // The lock keeps the worker from closing the link under our feet.
    std::lock_guard guard(m_transportLock);
    if (m_transport && !m_transport->AcceptsAbort())
        return;
    m_abort.store(true);
    if (m_transport)
        m_transport->Interrupt();
}

unsigned CModbusInterface::ComputeResponseTimeout(const ComSettings& settings, unsigned base,
                                                  std::size_t requestLength, std::size_t expectedLength)
{
    const auto bytes = static_cast<std::uint32_t>(requestLength + expectedLength + 4);
    switch (settings.Mode) {
    case kModeTcp:
        return kTcpTimeout;
    case kModeInfrared:
        return base + bytes * 17000u / 1200u;
    default:
        return base + bytes * 17000u / settings.BaudRate();
    }
}

bool CModbusInterface::ReadHoldingRegisters(unsigned address, unsigned count, std::uint16_t* values)
{
    Transact(Operation::Read, address, count, values, nullptr);
    return true;
}

bool CModbusInterface::WriteMultipleRegisters(unsigned address, unsigned count, const std::uint16_t* values)
{
    Transact(Operation::Write, address, count, nullptr, values);
    return true;
}

void CModbusInterface::Transact(Operation op, unsigned address, unsigned count, std::uint16_t* readValues,
                                const std::uint16_t* writeValues)
{
    const bool infrared = m_settings.Mode == kModeInfrared;
    const unsigned chunkSize = infrared ? 8 : 10000;
    const int attemptLimit = infrared ? 10 : 3;
    const bool read = op == Operation::Read;
    const char* command = read ? "ReadHoldingRegister" : "WriteMultipleRegisters";
    const std::uint8_t unit = static_cast<std::uint8_t>(infrared ? 1 : m_settings.Address);

    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> response;
    for (unsigned done = 0; done < count;) {
        const unsigned s = address + done;
        const unsigned n = std::min(chunkSize, count - done);
        request.assign({unit, static_cast<std::uint8_t>(read ? 0x04 : 0x10), static_cast<std::uint8_t>(s >> 8),
                        static_cast<std::uint8_t>(s & 0xFF), 0x00, static_cast<std::uint8_t>(n & 0xFF)});
        if (!read) {
            request.push_back(static_cast<std::uint8_t>((2 * n) & 0xFF));
            for (unsigned i = 0; i < n; ++i) {
                request.push_back(static_cast<std::uint8_t>(writeValues[done + i] >> 8));
                request.push_back(static_cast<std::uint8_t>(writeValues[done + i] & 0xFF));
            }
        }
        const std::size_t expected = read ? 2 * n + 3 : 6;
        m_abort.store(false);
        if (m_transport)
            m_transport->ClearInterrupt();
        CTrace::Write(read ? "ReadHoldingRegisters: adrs=%d size=%d\n" : "WriteMultipleRegisters: adrs=%d size=%d\n",
                      {s + 1, n});

        for (int failures = 0;;) {
            try {
                if (!m_transport)
                    throw CPrivateException(ids::kPortSettingsFailed);
                const std::uint16_t tid = m_transport->SendRequest(request);
                m_responseTimeout = ComputeResponseTimeout(m_settings, read ? kReadBaseTimeout : kWriteBaseTimeout,
                                                           request.size(), expected);
                m_transport->SetResponseTimeout(m_responseTimeout);
                const std::size_t received = ReceiveAndCheck(command, s, n, tid, response, expected);
                if (read) {
                    if (m_abort.load())
                        throw CPrivateException(std::string());
                    if (received >= expected)
                        for (unsigned i = 0; i < n; ++i)
                            readValues[done + i] = static_cast<std::uint16_t>(response[3 + 2 * i] << 8 | response[4 + 2 * i]);
                }
                break;
            } catch (const std::exception&) {
                Record(false);
                // A read given up on request ends without a text of its own:
                // the user asked for it, there is nothing to report.
                if (read && m_abort.load())
                    throw CPrivateException(std::string());
                if (++failures >= attemptLimit || m_abort.load())
                    throw;
            }
        }
        done += n;
    }
    Record(true);
}

std::size_t CModbusInterface::ReceiveAndCheck(const char* command, unsigned address, unsigned count,
                                              std::uint16_t transactionId, std::vector<std::uint8_t>& response,
                                              std::size_t expected)
{
    const CModbusTransport::Answer answer = m_transport->ReceiveResponse(response, expected);
    if (answer.checksumError)
        Fail(command, address, count, CStringTable::Get(ids::kReasonCrcError));
    if (answer.received == 0) {
        CTrace::Write("Timeout\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonTimeout));
    }
    if (answer.transactionId != transactionId) {
        CTrace::Write("Invalid transaction\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonInvalidTransaction));
    }
    if (answer.received >= 3 && (response[1] & 0x80)) {
        CTrace::Write("Exception %d\n", {response[2]});
        Fail(command, address, count, LoadMessage(ids::kReasonException, {response[2]}));
    }
    if (answer.received < expected) {
        CTrace::Write("Invalid response\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonInvalidResponse));
    }
    return expected;
}

void CModbusInterface::Fail(const char* command, unsigned address, unsigned count, const std::string& reason) const
{
    throw CPrivateException(LoadMessage(ids::kModbusCommandFailed, {command, address + 1, count, reason}));
}

void CModbusInterface::Record(bool success)
{
    m_history.push_back(success ? 1 : 0);
    if (m_history.size() > kHistoryLength)
        m_history.pop_front();
    std::size_t good = 0;
    for (int v : m_history)
        good += v == 1;
    m_linkQuality.store(static_cast<double>(good) / static_cast<double>(m_history.size()) * 100.0,
                        std::memory_order_relaxed);
}
