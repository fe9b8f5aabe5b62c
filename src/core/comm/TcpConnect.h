#pragma once
// Opening a TCP connection for a link: the Modbus TCP transport and the
// serial device server's byte stream both connect this way, with the same
// failure texts.

#include <string>

struct STcpConnectWait
{
    int wakeFd = -1;        // Interrupt()'s descriptor: ends the wait at once
    int cancelFd = -1;      // the owner's cancel descriptor, or -1
    int timeoutMs = -1;     // -1: the system's own time-out
    unsigned failureId = 0; // the text of a failure: %1 the reason, %2 "host:port"
};

// A connected, non-blocking stream socket to host:port. Raises
// CPrivateException with the failure text when the name is not found, the
// server refuses or is not there, the time-out passes or the wait is ended.
int ConnectTcp(const std::string& host, const std::string& port, const STcpConnectWait& wait);
