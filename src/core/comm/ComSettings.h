#pragma once
// The connection settings of one link, kept in section "ComSettings" of the
// per-user settings store. Constructing a record loads it from the store.

#include "model/RegisterMap.h"

#include <string>
#include <string_view>

enum ComMode : int {
    kModeRs485 = 0,    // Modbus RTU over an RS-485 line
    kModeTcp = 1,      // Modbus TCP
    kModeInfrared = 2, // Modbus RTU over the meter's infrared CONFIG port
    kModeRtuTcp = 3,   // Modbus RTU frames through a serial device server's TCP port
};

struct ComSettings
{
    struct NoLoad
    {};

    ComSettings() { Load(); }
    explicit ComSettings(NoLoad) {}

    int Mode = kModeRs485;
    int Address = 1;
    int COMPort = 0; // legacy number, kept unchanged
    std::string COMPortName;
    std::string COMPortDisplayName;
    std::string IRCOMPortName;
    std::string IRCOMPortDisplayName;
    int Baudrate = 5;  // 38400 bit/s
    int Character = 1; // 8 data bits
    int Parity = 1;    // odd
    int Stop = 0;      // one stop bit
    std::string ServerAddress = "192.168.0.1";
    std::string ServicePort = "502";
    // The device server's port of its own, so that a Modbus TCP gateway's
    // port is not lost by trying a device server, nor the other way round.
    std::string RtuTcpServicePort = "4001";

    // Missing values give the defaults; "Character" is always loaded as 1.
    // A value that is not valid gives its default, with the store's warning;
    // a Mode that is not valid leaves every port name empty, so that no
    // port the user did not choose is opened.
    void Load();
    // 1 ... 65535 in decimal digits.
    static bool IsValidServicePort(std::string_view text);
    // Raises CPrivateException when the store cannot be written.
    void Save() const;

    // Line settings from the indexes; out-of-range indexes fall back.
    static unsigned BaudRateOf(int index);
    static int DataBitsOf(int index);
    static int StopBitsOf(int index);
    unsigned BaudRate() const { return BaudRateOf(Baudrate); }
    // Whether the link reaches the meter through a TCP server (a gateway or
    // a serial device server), and that server's port.
    bool IsNetworkLink() const { return Mode == kModeTcp || Mode == kModeRtuTcp; }
    const std::string& NetworkPort() const { return Mode == kModeRtuTcp ? RtuTcpServicePort : ServicePort; }
    // "host:port" of the server, for messages.
    std::string ServerText() const { return ServerAddress + ":" + NetworkPort(); }
};
