#include "comm/RtuTransport.h"

#include "app/PrivateException.h"
#include "comm/Crc16.h"

#include <chrono>

namespace {
// An exception answer (unit, function | 0x80, code) is whole after its
// five bytes with CRC; no need to wait for the full time-out.
bool IsWholeExceptionAnswer(const std::uint8_t* frame, std::size_t got)
{
    return got >= 5 && (frame[1] & 0x80) != 0;
}
} // namespace

CRtuTransport::CRtuTransport(const ComSettings& settings, std::unique_ptr<CSerialIO> port)
    : m_settings(settings), m_port(port ? std::move(port) : std::make_unique<CSerialIO>())
{}

void CRtuTransport::Open()
{
    m_port->SetComSettings(m_settings);
    OpenPort();
}

void CRtuTransport::OpenPort()
{
    m_port->Setup();
    m_port->SetReadTimeout(3000);
}

std::uint16_t CRtuTransport::SendRequest(const std::vector<std::uint8_t>& request)
{
    // A port lost in an earlier attempt is looked for again: an adapter that
    // is back carries on, one that is not fails this attempt with its reason.
    if (m_port->IsLost())
        OpenPort();

    // Drop whatever is left from an earlier exchange.
    m_port->SetPollTimeouts();
    std::uint8_t stale[512];
    m_port->Read(stale, sizeof stale);
    if (m_port->IsLost())
        OpenPort();

    std::vector<std::uint8_t> frame(request);
    std::uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    m_port->Write(frame.data(), frame.size());
    return 0;
}

void CRtuTransport::SetResponseTimeout(unsigned ms)
{
    m_responseTimeout = ms;
    m_port->SetReadTimeout(ms);
}

std::size_t CRtuTransport::ReceiveInfrared(std::vector<std::uint8_t>& buffer, std::size_t expected)
{
    using namespace std::chrono;
    const auto start = steady_clock::now();
    for (;;) {
        if (duration_cast<milliseconds>(steady_clock::now() - start).count() >= m_responseTimeout)
            return 0;
        if (m_port->Read(buffer.data(), 1) == 0)
            return 0;
        if (buffer[0] != 0x01)
            continue; // noise from the infrared link before the answer
        std::size_t rest = m_port->ReadFrame(buffer.data() + 1, expected + 1, [&](std::size_t got) {
            return IsWholeExceptionAnswer(buffer.data(), got + 1);
        });
        return rest + 1;
    }
}

CModbusTransport::Answer CRtuTransport::ReceiveResponse(std::vector<std::uint8_t>& response, std::size_t expected)
{
    std::vector<std::uint8_t> buffer(expected + 2, 0);
    Answer answer;
    std::size_t received;
    if (m_settings.Mode == kModeInfrared) {
        received = ReceiveInfrared(buffer, expected);
    } else {
        received = m_port->ReadFrame(buffer.data(), buffer.size(),
                                     [&](std::size_t got) { return IsWholeExceptionAnswer(buffer.data(), got); });
    }
    if (m_port->IsLost())
        throw CPrivateException(m_port->LostText());
    if (received >= 2)
        received -= 2;
    response.assign(expected, 0);
    if (received > 0)
        std::copy_n(buffer.begin(), std::min(received, expected), response.begin());
    answer.received = received;
    if (received >= expected) {
        std::uint16_t crc = Crc16Modbus(buffer.data(), expected);
        if (buffer[expected] != (crc & 0xFF) || buffer[expected + 1] != (crc >> 8)) {
            answer.checksumError = true;
            return answer;
        }
    }
    m_port->Pause(PauseAfterAnswer(m_settings));
    return answer;
}

bool CRtuTransport::Resynchronise(unsigned quietMs)
{
    if (!m_port->IsOpen())
        return false;
    // A line that never falls silent is given up on after a while; the
    // answer checks still stand guard.
    using namespace std::chrono;
    const auto giveUp = steady_clock::now() + milliseconds(4 * quietMs);
    std::uint8_t junk[512];
    bool caught = false;
    m_port->SetReadTimeout(quietMs);
    while (m_port->IsOpen() && steady_clock::now() < giveUp) {
        if (m_port->ReadFrame(junk, sizeof junk, [](std::size_t) { return true; }) == 0)
            break;
        caught = true;
    }
    return caught;
}

unsigned CRtuTransport::PauseAfterAnswer(const ComSettings& settings)
{
    return 120000 / settings.BaudRate() + 1;
}
