#pragma once
// Modbus RTU over a serial port: CRC framing, the infrared start-byte hunt and
// the pause a meter needs after each answer.

#include "comm/ModbusTransport.h"
#include "comm/SerialIO.h"

#include <memory>

class CRtuTransport : public CModbusTransport
{
public:
    // `port` stands in for the serial port (a harness's); none: the real one.
    explicit CRtuTransport(const ComSettings& settings, std::unique_ptr<CSerialIO> port = nullptr);

    void Open() override;
    void Close() override { m_port->Close(); }
    bool IsOpen() const override { return m_port->IsOpen(); }
    std::uint16_t SendRequest(const std::vector<std::uint8_t>& request) override;
    void SetResponseTimeout(unsigned ms) override;
    Answer ReceiveResponse(std::vector<std::uint8_t>& response, std::size_t expected) override;
    bool Resynchronise(unsigned quietMs) override;
    void Interrupt() override { m_port->Interrupt(); }
    void ClearInterrupt() override { m_port->ClearInterrupt(); }
    void SetCancelDescriptor(int fd) override { m_port->SetCancelDescriptor(fd); }

    // Milliseconds kept between an answer and the next request.
    static unsigned PauseAfterAnswer(const ComSettings& settings);

private:
    std::size_t ReceiveInfrared(std::vector<std::uint8_t>& buffer, std::size_t expected);
    void OpenPort();

    ComSettings m_settings;
    std::unique_ptr<CSerialIO> m_port;
    unsigned m_responseTimeout = 3000;
};
