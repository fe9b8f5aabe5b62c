#include "ui/comm/CommDialog.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "model/ScalingParameterResolver.h"
#include "ui/comm/ComPortDiscovery.h"
#include "ui/comm/MeterFinder.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kBaudRateCount = static_cast<int>(kBaudRates.size());
constexpr int kParityCount = 3;
constexpr int kStopBitCount = 2;
constexpr int kLowestAddress = kFirstDeviceAddress;
constexpr int kHighestAddress = kLastDeviceAddress;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

void FillOptions(QComboBox* box, unsigned firstId, int count)
{
    for (int i = 0; i < count; ++i)
        box->addItem(UiText(firstId + static_cast<unsigned>(i)));
}

// A stored index taken as unsigned: a negative value selects the last option.
int ClampedIndex(int stored, int count)
{
    return static_cast<int>(std::min(static_cast<unsigned>(stored), static_cast<unsigned>(count - 1)));
}

// A remembered name that names no listed port but is a device path was typed
// by the user; it is offered again rather than silently replaced.
bool IsTypedPath(const std::string& name)
{
    return !name.empty() && name.front() == '/';
}

QLabel* NamedLabel(QWidget* parent, unsigned id, const char* name)
{
    auto* l = new QLabel(UiText(id), parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QComboBox* NamedCombo(QWidget* parent, const char* name, bool editable)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(editable);
    if (editable)
        c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

} // namespace

CCommDialog::CCommDialog(QWidget* parent) : CCommDialog(BuildComPortList(), parent) {}

CCommDialog::CCommDialog(ComPortList ports, QWidget* parent) : QDialog(parent), m_ports(std::move(ports))
{
    BuildControls();
    SetSettings(m_settings);
}

void CCommDialog::BuildControls()
{
    setWindowTitle(UiText(commtext::kConnect));
    // Made in the order Tab goes through them.
    QGroupBox* portGroup = BuildPortGroup();
    QGroupBox* targetGroup = BuildTargetGroup();
    QLayout* buttons = BuildButtons();
    auto* top = new QVBoxLayout(this);
    top->addWidget(portGroup);
    top->addWidget(targetGroup);
    top->addLayout(buttons);

    // Only the user's own actions count: a selection made by ModeUpdate
    // must not overwrite what the other mode remembers.
    for (QRadioButton* radio : {m_infraredRadio, m_rs485Radio, m_tcpRadio, m_rtuTcpRadio})
        connect(radio, &QRadioButton::clicked, this, &CCommDialog::ModeUpdate);
    connect(m_port, &QComboBox::activated, this, &CCommDialog::OnPortChosen);
    connect(m_port->lineEdit(), &QLineEdit::textEdited, this, &CCommDialog::OnPortChosen);
    connect(m_connectButton, &QPushButton::clicked, this, &CCommDialog::OnConnect);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QGroupBox* CCommDialog::BuildPortGroup()
{
    // "PC Communication Port Setting": link type and its settings.
    auto* portGroup = new QGroupBox(UiText(commtext::kPortSettingGroup), this);
    m_infraredRadio = new QRadioButton(UiText(commtext::kInfrared), portGroup);
    m_infraredRadio->setObjectName(QStringLiteral("infraredRadio"));
    m_rs485Radio = new QRadioButton(UiText(commtext::kRs485), portGroup);
    m_rs485Radio->setObjectName(QStringLiteral("rs485Radio"));
    m_tcpRadio = new QRadioButton(UiText(commtext::kTcp), portGroup);
    m_tcpRadio->setObjectName(QStringLiteral("tcpRadio"));
    m_rtuTcpRadio = new QRadioButton(CommandCaption(commtext::kRtuTcp), portGroup);
    m_rtuTcpRadio->setObjectName(QStringLiteral("rtuTcpRadio"));

    m_portLabel = NamedLabel(this, commtext::kComPort, "comPortLabel");
    // Editable, so that a device path the list does not know (a
    // pseudo-terminal, say) can be typed.
    m_port = NamedCombo(this, "comPort", true);
    m_port->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_baudLabel = NamedLabel(this, commtext::kBaudRate, "baudRateLabel");
    m_baud = NamedCombo(this, "baudRate", false);
    m_parityLabel = NamedLabel(this, commtext::kParityBit, "parityBitLabel");
    m_parity = NamedCombo(this, "parityBit", false);
    m_stopLabel = NamedLabel(this, commtext::kStopBit, "stopBitLabel");
    m_stop = NamedCombo(this, "stopBit", false);
    m_stationLabel = NamedLabel(this, commtext::kStationAddress, "stationAddressLabel");
    m_station = new QLineEdit(this);
    m_station->setObjectName(QStringLiteral("stationAddress"));
    m_servicePortLabel = NamedLabel(this, commtext::kServicePort, "servicePortLabel");
    m_servicePort = NamedCombo(this, "servicePort", true);

    FillOptions(m_baud, commtext::kBaudRateOptions, kBaudRateCount);
    FillOptions(m_parity, commtext::kParityOptions, kParityCount);
    FillOptions(m_stop, commtext::kStopBitOptions, kStopBitCount);

    // Two rows: the fourth caption is long.
    auto* radios = new QGridLayout;
    radios->addWidget(m_infraredRadio, 0, 0);
    radios->addWidget(m_rs485Radio, 0, 1);
    radios->addWidget(m_tcpRadio, 0, 2);
    radios->addWidget(m_rtuTcpRadio, 1, 0, 1, 3);
    auto* grid = new QGridLayout;
    int row = 0;
    const std::initializer_list<std::pair<QLabel*, QWidget*>> rows = {
        {m_portLabel, m_port}, {m_baudLabel, m_baud},       {m_parityLabel, m_parity},
        {m_stopLabel, m_stop}, {m_stationLabel, m_station}, {m_servicePortLabel, m_servicePort}};
    for (auto [l, w] : rows) {
        l->setBuddy(w);
        grid->addWidget(l, row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    // A meter of unknown line settings and address: try them all.
    m_findMeterButton = new QPushButton(CommandCaption(commtext::kFindMeter), this);
    m_findMeterButton->setObjectName(QStringLiteral("findMeterButton"));
    grid->addWidget(m_findMeterButton, row, 1, Qt::AlignLeft);
    connect(m_findMeterButton, &QPushButton::clicked, this, &CCommDialog::OnFindMeter);
    auto* portLayout = new QVBoxLayout(portGroup);
    portLayout->addLayout(radios);
    portLayout->addLayout(grid);
    return portGroup;
}

QGroupBox* CCommDialog::BuildTargetGroup()
{
    // "Connect to": the meter's device address.
    auto* targetGroup = new QGroupBox(UiText(commtext::kConnectToGroup), this);
    m_addressLabel = NamedLabel(this, commtext::kDeviceAddress, "deviceAddressLabel");
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("deviceAddress"));
    m_addressLabel->setBuddy(m_address);
    auto* targetLayout = new QHBoxLayout(targetGroup);
    targetLayout->addWidget(m_addressLabel);
    targetLayout->addWidget(m_address);
    return targetGroup;
}

QLayout* CCommDialog::BuildButtons()
{
    m_connectButton = new QPushButton(CommandCaption(commtext::kConnect), this);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_connectButton->setDefault(true);
    m_cancelButton = new QPushButton(UiText(uitext::kCancel), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_connectButton);
    buttons->addWidget(m_cancelButton);
    return buttons;
}

void CCommDialog::SetSettings(const ComSettings& settings)
{
    m_settings = settings;
    m_rs485PortName = m_settings.COMPortDisplayName;
    m_infraredPortName = m_settings.IRCOMPortDisplayName;
    for (const std::string& name : {m_rs485PortName, m_infraredPortName}) {
        if (IsTypedPath(name) && m_ports.FindDisplayName(name) < 0)
            m_ports.AddTyped(name);
    }

    m_port->clear();
    for (std::size_t i = 0; i < m_ports.GetCount(); ++i)
        m_port->addItem(Q(m_ports.GetDisplayName(i)));
    m_port->setCurrentIndex(m_port->count() > 0 ? 0 : -1);

    m_address->setText(QString::number(m_settings.Address));
    switch (m_settings.Mode) {
    case kModeRs485: m_rs485Radio->setChecked(true); break;
    case kModeTcp: m_tcpRadio->setChecked(true); break;
    case kModeRtuTcp: m_rtuTcpRadio->setChecked(true); break;
    default: m_infraredRadio->setChecked(true); break;
    }
    m_baud->setCurrentIndex(ClampedIndex(m_settings.Baudrate, kBaudRateCount));
    m_parity->setCurrentIndex(ClampedIndex(m_settings.Parity, kParityCount));
    m_stop->setCurrentIndex(ClampedIndex(m_settings.Stop, kStopBitCount));
    m_station->setText(Q(m_settings.ServerAddress));
    m_tcpServicePort = m_settings.ServicePort;
    m_rtuTcpServicePort = m_settings.RtuTcpServicePort;
    m_servicePortMode = -1;
    ShowServicePort(m_settings.Mode == kModeRtuTcp ? kModeRtuTcp : kModeTcp);
    ModeUpdate();
    // The first focus is on the chosen mode: on another radio, Space (or an
    // arrow key) would switch the link the user only tabbed past.
    QRadioButton* checked = SelectedMode() == kModeRs485    ? m_rs485Radio
                            : SelectedMode() == kModeTcp    ? m_tcpRadio
                            : SelectedMode() == kModeRtuTcp ? m_rtuTcpRadio
                                                            : m_infraredRadio;
    checked->setFocus(Qt::OtherFocusReason);
}

int CCommDialog::SelectedMode() const
{
    if (m_rs485Radio->isChecked())
        return kModeRs485;
    if (m_tcpRadio->isChecked())
        return kModeTcp;
    if (m_rtuTcpRadio->isChecked())
        return kModeRtuTcp;
    return kModeInfrared;
}

void CCommDialog::ModeUpdate()
{
    const int mode = SelectedMode();
    const bool rs485 = mode == kModeRs485, infrared = mode == kModeInfrared, rtuTcp = mode == kModeRtuTcp;
    const bool network = mode == kModeTcp || rtuTcp;
    auto enable = [](std::initializer_list<QWidget*> widgets, bool on) {
        for (QWidget* w : widgets)
            w->setEnabled(on);
    };
    enable({m_addressLabel, m_address}, !infrared);
    enable({m_portLabel, m_port}, rs485 || infrared);
    // Through a device server the meter's line is the server's: its speed
    // sets the time-outs; parity and stop bit are the server's own setting.
    enable({m_baudLabel, m_baud}, rs485 || rtuTcp);
    enable({m_parityLabel, m_parity, m_stopLabel, m_stop, m_findMeterButton}, rs485);
    enable({m_stationLabel, m_station, m_servicePortLabel, m_servicePort}, network);
    m_baudLabel->setText(UiText(rtuTcp ? commtext::kServerBaudRate : commtext::kBaudRate));
    ShowServicePort(mode);

    if (rs485)
        SelectRemembered(m_rs485PortName);
    else if (infrared)
        SelectRemembered(m_infraredPortName);
}

void CCommDialog::ShowServicePort(int mode)
{
    if (mode != kModeTcp && mode != kModeRtuTcp)
        return; // the field keeps the last network link's, disabled
    if (mode == m_servicePortMode)
        return;
    if (m_servicePortMode >= 0)
        (m_servicePortMode == kModeRtuTcp ? m_rtuTcpServicePort : m_tcpServicePort) =
            m_servicePort->currentText().toStdString();
    m_servicePort->clear();
    m_servicePort->addItem(UiText(mode == kModeRtuTcp ? commtext::kDefaultRtuTcpPort : commtext::kDefaultServicePort));
    m_servicePort->setEditText(Q(mode == kModeRtuTcp ? m_rtuTcpServicePort : m_tcpServicePort));
    m_servicePortMode = mode;
}

std::string CCommDialog::ReadServicePort()
{
    const std::string port = m_servicePort->currentText().trimmed().toStdString();
    if (ComSettings::IsValidServicePort(port))
        return port;
    m_servicePort->setFocus();
    m_servicePort->lineEdit()->selectAll();
    throw CPrivateException(commtext::kInvalidServicePort);
}

void CCommDialog::SelectRemembered(const std::string& displayName)
{
    int index = m_ports.FindDisplayName(displayName);
    if (index < 0 && IsTypedPath(displayName)) {
        index = static_cast<int>(m_ports.AddTyped(displayName));
        if (index == m_port->count())
            m_port->addItem(Q(displayName));
    }
    if (index >= 0)
        m_port->setCurrentIndex(index);
}

void CCommDialog::OnPortChosen()
{
    std::string devicePath, displayName;
    SelectedPort(devicePath, displayName);
    switch (SelectedMode()) {
    case kModeRs485: m_rs485PortName = displayName; break;
    case kModeInfrared: m_infraredPortName = displayName; break;
    default: break;
    }
}

void CCommDialog::SelectedPort(std::string& devicePath, std::string& displayName)
{
    const QString text = m_port->currentText().trimmed();
    int index = m_port->currentIndex();
    if (index < 0 || m_port->itemText(index) != text)
        index = m_ports.FindDisplayName(text.toStdString());
    if (index >= 0) {
        devicePath = m_ports.GetDevicePath(static_cast<std::size_t>(index));
        displayName = m_ports.GetDisplayName(static_cast<std::size_t>(index));
    } else {
        // A typed device path names itself.
        devicePath = displayName = text.toStdString();
    }
}

int CCommDialog::ReadDeviceAddress()
{
    try {
        return CScalingParameterResolver::ParseScaled(m_address->text().toStdString(), kLowestAddress, kHighestAddress,
                                                      1, commtext::kDeviceAddress);
    } catch (const CPrivateException&) {
        m_address->setFocus();
        m_address->selectAll();
        throw;
    }
}

void CCommDialog::OnConnect()
{
    RunCommand(this, [this] {
        // Work on a copy: a refused address leaves the settings unchanged.
        ComSettings s = m_settings;
        switch (SelectedMode()) {
        case kModeRs485:
            s.Address = ReadDeviceAddress();
            s.Mode = kModeRs485;
            SelectedPort(s.COMPortName, s.COMPortDisplayName);
            s.Baudrate = m_baud->currentIndex();
            s.Parity = m_parity->currentIndex();
            s.Stop = m_stop->currentIndex();
            break;
        case kModeTcp:
            s.Address = ReadDeviceAddress();
            s.Mode = kModeTcp;
            s.ServerAddress = m_station->text().toStdString();
            s.ServicePort = m_servicePort->currentText().toStdString();
            break;
        case kModeRtuTcp:
            s.Address = ReadDeviceAddress();
            s.Mode = kModeRtuTcp;
            s.ServerAddress = m_station->text().toStdString();
            s.RtuTcpServicePort = ReadServicePort();
            s.Baudrate = m_baud->currentIndex();
            break;
        default:
            s.Mode = kModeInfrared;
            SelectedPort(s.IRCOMPortName, s.IRCOMPortDisplayName);
            break;
        }
        m_settings = s;
        accept();
    });
}

void CCommDialog::OnFindMeter()
{
    RunCommand(this, [this] {
        ComSettings s = m_settings;
        SelectedPort(s.COMPortName, s.COMPortDisplayName);
        if (const std::optional<SSweepFinding> f = FindMeter(this, s)) {
            m_baud->setCurrentIndex(f->setting.baudrate);
            m_parity->setCurrentIndex(f->setting.parity);
            m_stop->setCurrentIndex(f->setting.stop);
            m_address->setText(QString::number(f->meter.address));
        }
    });
}

bool CCommDialog::ConnectStep(QWidget* parent, CModbusInterface& client)
{
    CCommDialog dialog(parent);
    dialog.SetSettings(ComSettings{});
    if (dialog.exec() != QDialog::Accepted)
        return false;
    try {
        dialog.Settings().Save();
        client.SetSettings(dialog.Settings());
        return true;
    } catch (const CPrivateException& e) {
        ShowMessage(parent, Q(e.Text()), MessageIcon::Error);
    } catch (const std::exception& e) {
        ShowMessage(parent, QString::fromUtf8(e.what()), MessageIcon::Error);
    }
    return false;
}
