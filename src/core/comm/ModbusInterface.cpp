#include "comm/ModbusInterface.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "app/StringTable.h"
#include "app/Trace.h"
#include "comm/RtuTransport.h"
#include "comm/SocketStreamIO.h"
#include "comm/TcpTransport.h"

#include <algorithm>
#include <optional>
#include <poll.h>

namespace {

constexpr unsigned kReadBaseTimeout = 200;
constexpr unsigned kWriteBaseTimeout = 4000;
constexpr unsigned kTcpTimeout = 5000;
// A serial device server adds the network's round trip and its own wait for
// the end of the meter's frame (its character time-out, a few milliseconds)
// to what the RS-485 line takes; 100 ms covers a busy LAN and a server set
// up with a long time-out, and still finds a silent meter quickly.
constexpr unsigned kDeviceServerAllowance = 100;
constexpr std::size_t kHistoryLength = 8;

} // namespace

CModbusInterface::CModbusInterface() : m_settings() {}

CModbusInterface::CModbusInterface(const ComSettings& settings) : m_settings(settings) {}

CModbusInterface::~CModbusInterface()
{
    Close();
}

void CModbusInterface::SetSettings(const ComSettings& settings)
{
    if (settings.Baudrate != m_settings.Baudrate || settings.Parity != m_settings.Parity)
        m_lateAnswers.clear();
    m_settings = settings;
}

void CModbusInterface::Open()
{
    Close();
    CModbusTransport* transport;
    {
        // Published before it connects, so that Abort can end the connect.
        std::lock_guard guard(m_transportLock);
        m_transport = CreateTransport();
        m_transport->SetCancelDescriptor(m_cancelFd);
        transport = m_transport.get();
    }
    transport->Open();
}

std::unique_ptr<CModbusTransport> CModbusInterface::CreateTransport() const
{
    if (m_settings.Mode == kModeTcp)
        return std::make_unique<CTcpTransport>(m_settings);
    if (m_settings.Mode == kModeRtuTcp)
        return std::make_unique<CRtuTransport>(m_settings, std::make_unique<CSocketStreamIO>());
    return std::make_unique<CRtuTransport>(m_settings);
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

void CModbusInterface::SetCancelDescriptor(int fd)
{
    std::lock_guard guard(m_transportLock);
    m_cancelFd = fd;
    if (m_transport)
        m_transport->SetCancelDescriptor(fd);
}

bool CModbusInterface::AbortRequested()
{
    if (m_abort.load())
        return true;
    if (m_cancelFd >= 0) {
        pollfd p{m_cancelFd, POLLIN, 0};
        if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
            m_abort.store(true);
            return true;
        }
    }
    return false;
}

unsigned CModbusInterface::ComputeResponseTimeout(const ComSettings& settings, unsigned base, std::size_t requestLength,
                                                  std::size_t expectedLength)
{
    const auto bytes = static_cast<std::uint32_t>(requestLength + expectedLength + 4);
    switch (settings.Mode) {
    case kModeTcp: return kTcpTimeout;
    case kModeInfrared: return base + bytes * 17000u / 1200u;
    case kModeRtuTcp: return base + bytes * 17000u / settings.BaudRate() + kDeviceServerAllowance;
    default: return base + bytes * 17000u / settings.BaudRate();
    }
}

void CModbusInterface::ReadHoldingRegisters(unsigned address, unsigned count, std::uint16_t* values)
{
    Transact(Operation::Read, address, count, values, nullptr);
}

void CModbusInterface::WriteMultipleRegisters(unsigned address, unsigned count, const std::uint16_t* values)
{
    Transact(Operation::Write, address, count, nullptr, values);
}

void CModbusInterface::Transact(Operation op, unsigned address, unsigned count, std::uint16_t* readValues,
                                const std::uint16_t* writeValues)
{
    const bool infrared = m_settings.Mode == kModeInfrared;
    const unsigned chunkSize = infrared ? 8 : 10000;
    const bool read = op == Operation::Read;
    const std::uint8_t unit = static_cast<std::uint8_t>(infrared ? 1 : m_settings.Address);

    for (unsigned done = 0; done < count;) {
        SRequest request;
        request.read = read;
        request.command = read ? "ReadHoldingRegister" : "WriteMultipleRegisters";
        request.address = address + done;
        request.count = std::min(chunkSize, count - done);
        request.bytes = BuildRequest(unit, read, request.address, request.count, read ? nullptr : writeValues + done);
        request.expected = AnswerLength(read, request.count);
        m_abort.store(false);
        if (m_transport)
            m_transport->ClearInterrupt();
        CTrace::Write(read ? "ReadHoldingRegisters: adrs=%d size=%d\n" : "WriteMultipleRegisters: adrs=%d size=%d\n",
                      {request.address + 1, request.count});
        request.timeout = m_policy.timeoutMs > 0
                              ? m_policy.timeoutMs
                              : ComputeResponseTimeout(m_settings, read ? kReadBaseTimeout : kWriteBaseTimeout,
                                                       request.bytes.size(), request.expected);
        TransactChunk(request, read ? readValues + done : nullptr);
        done += request.count;
    }
    Record(true);
}

std::vector<std::uint8_t> CModbusInterface::BuildRequest(std::uint8_t unit, bool read, unsigned address, unsigned count,
                                                         const std::uint16_t* values)
{
    std::vector<std::uint8_t> request{unit,
                                      static_cast<std::uint8_t>(read ? 0x04 : 0x10),
                                      static_cast<std::uint8_t>(address >> 8),
                                      static_cast<std::uint8_t>(address & 0xFF),
                                      0x00,
                                      static_cast<std::uint8_t>(count & 0xFF)};
    if (!read) {
        request.push_back(static_cast<std::uint8_t>((2 * count) & 0xFF));
        for (unsigned i = 0; i < count; ++i) {
            request.push_back(static_cast<std::uint8_t>(values[i] >> 8));
            request.push_back(static_cast<std::uint8_t>(values[i] & 0xFF));
        }
    }
    return request;
}

std::size_t CModbusInterface::AnswerLength(bool read, unsigned count)
{
    return read ? 2 * count + 3 : 6;
}

void CModbusInterface::TransactChunk(const SRequest& request, std::uint16_t* readValues)
{
    const int attemptLimit = m_policy.attempts > 0 ? m_policy.attempts : m_settings.Mode == kModeInfrared ? 10 : 3;
    // Attempts of this chunk whose answer has not come (it may still:
    // a meter that answers late); retries are made only once the line
    // has fallen quiet, for longer after each such attempt.
    int unanswered = 0;
    if (m_resyncFirst > 0 && m_transport) {
        // What the failed call before this one may still have coming.
        m_transport->Resynchronise(m_resyncFirst);
        m_resyncFirst = 0;
    }
    // This chunk's unanswered attempts: a late answer to one of them is
    // still this chunk's, so only what comes after it must wait them out.
    std::vector<SLateAnswer> late;
    struct KeepLate
    {
        std::vector<SLateAnswer>& from;
        std::vector<SLateAnswer>& to;
        ~KeepLate() { to.insert(to.end(), from.begin(), from.end()); }
    } keepLate{late, m_lateAnswers};
    WaitOutLateAnswers(request.bytes);
    for (int failures = 0;;) {
        std::optional<std::chrono::steady_clock::time_point> sent;
        try {
            Attempt(request, readValues, sent);
            // The answer taken may have been an earlier attempt's; the
            // later ones' must not meet the next request.
            if (unanswered > 0)
                m_transport->Resynchronise(request.timeout);
            m_attemptEnd = AttemptEnd::Answered;
            return;
        } catch (const std::exception& e) {
            Record(false);
            // A read given up on request ends without a text of its own:
            // the user asked for it, there is nothing to report.
            if (request.read && AbortRequested())
                throw CCancelled();
            // On a link that was lost and opened again nothing of the
            // old one's can still arrive.
            const bool silent = m_attemptEnd == AttemptEnd::NoAnswer;
            if ((silent || m_attemptEnd == AttemptEnd::LinkFailure) && m_transport && m_transport->IsOpen())
                ++unanswered;
            // Nor can a link that is closed now (a server that closed the
            // connection) still bring this attempt's answer.
            if ((silent || m_attemptEnd == AttemptEnd::LinkFailure) && sent && m_transport && m_transport->IsOpen() &&
                !m_transport->TellsAnswersApart())
                late.push_back({AnswerEcho(request.bytes), request.expected, request.timeout,
                                *sent + std::chrono::milliseconds(kLateAnswerTimeouts * request.timeout)});
            if (++failures >= attemptLimit || AbortRequested()) {
                // Reported at once; the next call waits out the rest.
                const bool skipQuiet = silent && m_policy.noQuietAfterSilence;
                if (!skipQuiet && (unanswered > 0 || m_attemptEnd == AttemptEnd::BadAnswer))
                    m_resyncFirst = request.timeout;
                RethrowAsLinkFailure(e);
            }
            // A whole exception answer leaves nothing behind on the line.
            if (m_attemptEnd != AttemptEnd::ExceptionAnswer && m_transport) {
                const unsigned quiet = request.timeout * static_cast<unsigned>(std::clamp(unanswered, 1, 4));
                if (m_transport->Resynchronise(quiet) && unanswered > 0)
                    --unanswered;
            }
            if (AbortRequested()) {
                if (request.read)
                    throw CCancelled();
                RethrowAsLinkFailure(e);
            }
        }
    }
}

void CModbusInterface::Attempt(const SRequest& request, std::uint16_t* readValues,
                               std::optional<std::chrono::steady_clock::time_point>& sent)
{
    if (!m_transport)
        throw CPrivateException(ids::kPortSettingsFailed);
    m_attemptEnd = AttemptEnd::LinkFailure; // until an answer, or none, is in
    const std::uint16_t tid = m_transport->SendRequest(request.bytes);
    sent = std::chrono::steady_clock::now();
    m_responseTimeout = request.timeout;
    m_transport->SetResponseTimeout(m_responseTimeout);
    std::vector<std::uint8_t> response;
    const std::size_t received = ReceiveAndCheck(request.command, request.address, request.count, request.bytes, tid,
                                                 response, request.expected);
    if (request.read) {
        // (A cancel descriptor is seen by the next wait.)
        if (m_abort.load())
            throw CCancelled();
        if (received >= request.expected)
            for (unsigned i = 0; i < request.count; ++i)
                readValues[i] = static_cast<std::uint16_t>(response[3 + 2 * i] << 8 | response[4 + 2 * i]);
    }
}

std::vector<std::uint8_t> CModbusInterface::AnswerEcho(const std::vector<std::uint8_t>& request)
{
    if (request[1] == 0x04)
        return {request[0], request[1], static_cast<std::uint8_t>(2 * request[5])};
    return {request.begin(), request.begin() + 6};
}

void CModbusInterface::WaitOutLateAnswers(const std::vector<std::uint8_t>& request)
{
    using Clock = std::chrono::steady_clock;
    const std::vector<std::uint8_t> echo = AnswerEcho(request);
    std::vector<std::uint8_t> caught;
    for (;;) {
        const auto now = Clock::now();
        std::erase_if(m_lateAnswers, [&](const SLateAnswer& a) { return a.until <= now; });
        // The oldest that would pass for this request's answer.
        const auto it = std::find_if(m_lateAnswers.begin(), m_lateAnswers.end(),
                                     [&](const SLateAnswer& a) { return a.echo == echo; });
        if (it == m_lateAnswers.end() || !m_transport || !m_transport->IsOpen())
            return;
        if (AbortRequested())
            throw CCancelled();
        CTrace::Write("Waiting for a late answer\n");
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(it->until - now).count();
        m_transport->SetResponseTimeout(static_cast<unsigned>(left));
        CModbusTransport::Answer answer;
        try {
            answer = m_transport->ReceiveResponse(caught, it->length);
        } catch (const CPrivateException&) {
            return; // a port that is gone: nothing more comes, and the attempt says why
        }
        // The late answer may as well be an exception of the same unit and function.
        const bool whole = answer.received >= it->length && !answer.checksumError &&
                           std::equal(echo.begin(), echo.end(), caught.begin());
        const bool exception = answer.received == 3 && caught[0] == echo[0] && caught[1] == (echo[1] | 0x80);
        if (whole || exception) {
            CTrace::Write("Late answer caught\n");
            m_lateAnswers.erase(it);
        } else if (answer.received > 0) {
            m_transport->Resynchronise(it->timeoutMs); // something else: until the line is quiet
        }
    }
}

std::size_t CModbusInterface::ReceiveAndCheck(const char* command, unsigned address, unsigned count,
                                              const std::vector<std::uint8_t>& request, std::uint16_t transactionId,
                                              std::vector<std::uint8_t>& response, std::size_t expected)
{
    const CModbusTransport::Answer answer = m_transport->ReceiveResponse(response, expected);
    m_attemptEnd = AttemptEnd::BadAnswer;
    if (answer.checksumError)
        Fail(command, address, count, CStringTable::Get(ids::kReasonCrcError));
    if (answer.received == 0) {
        m_attemptEnd = AttemptEnd::NoAnswer;
        CTrace::Write("Timeout\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonTimeout));
    }
    if (answer.transactionId != transactionId) {
        CTrace::Write("Invalid transaction\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonInvalidTransaction));
    }
    // An MBAP header with another protocol identifier frames something that
    // is not a Modbus answer, whatever its transaction identifier says.
    if (answer.protocolId != 0) {
        CTrace::Write("Invalid protocol identifier %d\n", {answer.protocolId});
        Fail(command, address, count, CStringTable::Get(ids::kReasonInvalidResponse));
    }
    // A meter always echoes its unit and the function; another meter on the
    // bus, or an answer to another request, does not. (A TCP gateway's unit
    // byte is not its meter's to vouch for, and is not looked at.)
    const bool unitDiffers = m_settings.Mode != kModeTcp && response[0] != request[0];
    const bool functionDiffers = answer.received >= 2 && (response[1] & 0x7F) != request[1];
    if (unitDiffers || functionDiffers) {
        CTrace::Write("Invalid response\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonInvalidResponse));
    }
    if (answer.received >= 3 && (response[1] & 0x80)) {
        m_attemptEnd = AttemptEnd::ExceptionAnswer;
        m_exceptionCode = response[2];
        CTrace::Write("Exception %d\n", {response[2]});
        Fail(command, address, count, LoadMessage(ids::kReasonException, {response[2]}));
    }
    // A read's answer echoes its byte count, a write's its address and count.
    const bool echoDiffers = request[1] == 0x04
                                 ? response[2] != static_cast<std::uint8_t>(expected - 3)
                                 : !std::equal(request.begin() + 2, request.begin() + 6, response.begin() + 2);
    if (answer.received < expected || echoDiffers) {
        CTrace::Write("Invalid response\n");
        Fail(command, address, count, CStringTable::Get(ids::kReasonInvalidResponse));
    }
    return expected;
}

void CModbusInterface::Fail(const char* command, unsigned address, unsigned count, const std::string& reason) const
{
    throw CLinkFailure(LoadMessage(ids::kModbusCommandFailed, {command, address + 1, count, reason}), m_attemptEnd,
                       m_attemptEnd == AttemptEnd::ExceptionAnswer ? m_exceptionCode : 0);
}

void CModbusInterface::RethrowAsLinkFailure(const std::exception& e) const
{
    const auto* failure = dynamic_cast<const CPrivateException*>(&e);
    if (!failure || dynamic_cast<const CLinkFailure*>(&e) || IsCancellation(*failure))
        throw;
    // The port's own failure (it could not be written, or went away).
    throw CLinkFailure(failure->Text(), m_attemptEnd);
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
