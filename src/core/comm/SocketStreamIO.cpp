#include "comm/SocketStreamIO.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "comm/TcpConnect.h"

#include <cerrno>

void CSocketStreamIO::Setup()
{
    Close();
    const ComSettings& s = Settings();
    AdoptStream(ConnectTcp(
        s.ServerAddress, s.RtuTcpServicePort,
        STcpConnectWait{WakeDescriptor(), CancelDescriptor(), kConnectTimeoutMs, ids::kDeviceServerNotReached}));
}

std::string CSocketStreamIO::LostText() const
{
    // A broken pipe says no more than that the server closed the connection.
    const int error = LostError();
    const std::string reason = error > 0 && error != EPIPE ? "\r" + CPrivateException::SystemErrorText(error) : "";
    return LoadMessage(ids::kDeviceServerClosed, {Settings().ServerText()}) + reason;
}
