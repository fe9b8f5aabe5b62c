#pragma once
// The Connect dialog: link type, COM port and line settings or TCP server,
// and the device address. It fills a ComSettings record and knows nothing of
// Modbus; the command's client reads the record.

#include "comm/ComPortList.h"
#include "comm/ComSettings.h"

#include <QDialog>
#include <string>

class CModbusInterface;
class QComboBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Caption numbers of the dialog's controls.
namespace commtext {
inline constexpr unsigned kConnect = 12650;
inline constexpr unsigned kDeviceAddress = 12651;
inline constexpr unsigned kInfrared = 12652;
inline constexpr unsigned kRs485 = 12653;
inline constexpr unsigned kTcp = 12654;
inline constexpr unsigned kComPort = 12655;
inline constexpr unsigned kBaudRate = 12656;
inline constexpr unsigned kParityBit = 12657;
inline constexpr unsigned kStopBit = 12658;
inline constexpr unsigned kStationAddress = 12659;
inline constexpr unsigned kServicePort = 12660;
inline constexpr unsigned kPortSettingGroup = 12661;
inline constexpr unsigned kConnectToGroup = 12662;
inline constexpr unsigned kDefaultServicePort = 12663;
inline constexpr unsigned kRtuTcp = 12612;
inline constexpr unsigned kServerBaudRate = 12613; // the baud rate's caption on kRtuTcp
inline constexpr unsigned kDefaultRtuTcpPort = 12614;
inline constexpr unsigned kInvalidServicePort = 12615;
// First texts of the option lists; an option's index is its stored value.
inline constexpr unsigned kBaudRateOptions = 1900; // 6 texts
inline constexpr unsigned kParityOptions = 1950;   // 3 texts
inline constexpr unsigned kStopBitOptions = 2000;  // 2 texts
} // namespace commtext

class CCommDialog : public QDialog
{
    Q_OBJECT

public:
    // Builds the port list from the ports the system has.
    explicit CCommDialog(QWidget* parent = nullptr);
    // Takes a ready port list (tests, or a caller that built it already).
    explicit CCommDialog(ComPortList ports, QWidget* parent = nullptr);

    // Replaces the dialog's settings and fills the controls from them.
    void SetSettings(const ComSettings& settings);
    // The settings as taken over by "Connect".
    const ComSettings& Settings() const { return m_settings; }
    const ComPortList& PortList() const { return m_ports; }

    // The Connect step of every command that talks to a meter: runs the
    // dialog on the stored settings; on "Connect" stores the choice and gives
    // it to `client`. False on "Cancel" or when the choice cannot be stored
    // (the user has then seen why).
    static bool ConnectStep(QWidget* parent, CModbusInterface& client);

private:
    void BuildControls();
    // The parts of the window, each made in the order Tab goes through it.
    QGroupBox* BuildPortGroup();
    QGroupBox* BuildTargetGroup();
    QLayout* BuildButtons();
    void ModeUpdate();
    int SelectedMode() const;
    void OnPortChosen();
    void OnConnect();
    // Runs the line sweep on the chosen port and takes what it found.
    void OnFindMeter();
    int ReadDeviceAddress();
    // Device path and display name of the port shown in the port list.
    void SelectedPort(std::string& devicePath, std::string& displayName);
    void SelectRemembered(const std::string& displayName);
    // Shows the service port of `mode`'s server, keeping what the other
    // network link's showed; nothing for a serial link.
    void ShowServicePort(int mode);
    // The device server's port; a text that is none is refused here, as it
    // would fail only at the connect.
    std::string ReadServicePort();

    ComSettings m_settings;
    ComPortList m_ports;
    std::string m_rs485PortName;
    std::string m_infraredPortName;
    // The service port of each network link, and the link whose the field shows.
    std::string m_tcpServicePort;
    std::string m_rtuTcpServicePort;
    int m_servicePortMode = -1;

    QLabel* m_addressLabel = nullptr;
    QLineEdit* m_address = nullptr;
    QRadioButton* m_infraredRadio = nullptr;
    QRadioButton* m_rs485Radio = nullptr;
    QRadioButton* m_tcpRadio = nullptr;
    QRadioButton* m_rtuTcpRadio = nullptr;
    QLabel* m_portLabel = nullptr;
    QComboBox* m_port = nullptr;
    QLabel* m_baudLabel = nullptr;
    QComboBox* m_baud = nullptr;
    QLabel* m_parityLabel = nullptr;
    QComboBox* m_parity = nullptr;
    QLabel* m_stopLabel = nullptr;
    QComboBox* m_stop = nullptr;
    QLabel* m_stationLabel = nullptr;
    QLineEdit* m_station = nullptr;
    QLabel* m_servicePortLabel = nullptr;
    QComboBox* m_servicePort = nullptr;
    QPushButton* m_findMeterButton = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
