#pragma once
// The byte stream of a serial device server in transparent mode: its TCP
// port carries the RS-485 line's bytes as they are, so RTU frames pass
// through unchanged. Stands in for the serial port under CRtuTransport.

#include "comm/SerialIO.h"

class CSocketStreamIO : public CSerialIO
{
public:
    // Connects to the server (ServerAddress, RtuTcpServicePort); the line
    // settings are the server's to keep, not ours to set.
    void Setup() override;
    std::string LostText() const override;

    // How long a connect may take before it fails as a time-out.
    static constexpr int kConnectTimeoutMs = 5000;
};
