// The Connect dialog driven like a user would: radios, port list, address.
#include "ui/comm/ComPortDiscovery.h"
#include "ui/comm/CommDialog.h"
#include "ui/comm/MeterFinder.h"

#include "SimProcess.h"
#include "TestSupport.h"
#include "app/AppSettings.h"
#include "comm/ModbusInterface.h"
#include "ui/common/ErrorReport.h"
#include "ui/jobs/ProgressDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using testsupport::TempConfigHome;

namespace {

const std::vector<DiscoveredPort> kFound = {
    {"ttyS2", "/dev/ttyS2", "16550A UART", "", ""},
    {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"},
};

class CommDialogTest : public ::testing::Test
{
protected:
    void Open(const ComSettings& settings)
    {
        m_dialog = std::make_unique<CCommDialog>(ComPortList(kFound));
        m_dialog->SetSettings(settings);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    template <typename T>
    T* Get(const char* name)
    {
        T* w = m_dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* Port() { return Get<QComboBox>("comPort"); }
    QLineEdit* Address() { return Get<QLineEdit>("deviceAddress"); }
    void Click(const char* name) { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
    // The user steps through the port list with the arrow keys.
    void ChoosePort(int index)
    {
        for (int n = 0; n < 50 && Port()->currentIndex() != index; ++n)
            QTest::keyClick(Port(), Port()->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(Port()->currentIndex(), index);
    }
    void SetAddress(const QString& text)
    {
        Address()->selectAll();
        QTest::keyClick(Address(), Qt::Key_Delete);
        QTest::keyClicks(Address(), text);
    }

    TempConfigHome m_home;
    CMessageCapture m_capture;
    std::unique_ptr<CCommDialog> m_dialog;
};

} // namespace

TEST_F(CommDialogTest, EmptySettingsStartOnRs485AndConnectTakesTheLineSettings)
{
    Open(ComSettings{}); // loaded from the empty store
    EXPECT_EQ(m_dialog->windowTitle(), "Connect");
    EXPECT_TRUE(Get<QRadioButton>("rs485Radio")->isChecked());
    EXPECT_EQ(Address()->text(), "1");
    EXPECT_EQ(Get<QComboBox>("baudRate")->currentText(), "38400bps");
    EXPECT_EQ(Get<QComboBox>("parityBit")->currentText(), "Odd");
    EXPECT_EQ(Get<QComboBox>("stopBit")->currentText(), "1bit");
    EXPECT_EQ(Get<QLineEdit>("stationAddress")->text(), "192.168.0.1");
    EXPECT_EQ(Get<QComboBox>("servicePort")->currentText(), "502");
    EXPECT_EQ(Port()->currentIndex(), 0);
    EXPECT_EQ(Port()->currentText(), "COM1");
    ASSERT_EQ(Port()->count(), 17);
    EXPECT_EQ(Port()->itemText(2), "16550A UART (COM3)");
    EXPECT_EQ(Port()->itemText(16), "FTDI FT232R USB UART (ttyUSB0)");

    // 9600bps, Even, 2bit on the adapter, address 12.
    QTest::keyClick(Get<QComboBox>("baudRate"), Qt::Key_Up);
    QTest::keyClick(Get<QComboBox>("baudRate"), Qt::Key_Up);
    QTest::keyClick(Get<QComboBox>("parityBit"), Qt::Key_Down);
    QTest::keyClick(Get<QComboBox>("stopBit"), Qt::Key_Down);
    ChoosePort(16);
    SetAddress("12");
    Click("connectButton");

    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(m_capture.Messages().empty());
    const ComSettings& s = m_dialog->Settings();
    EXPECT_EQ(s.Mode, kModeRs485);
    EXPECT_EQ(s.Address, 12);
    EXPECT_EQ(s.COMPortName, "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    EXPECT_EQ(s.COMPortDisplayName, "FTDI FT232R USB UART (ttyUSB0)");
    EXPECT_EQ(s.Baudrate, 3);
    EXPECT_EQ(s.Parity, 2);
    EXPECT_EQ(s.Stop, 1);
}

TEST_F(CommDialogTest, EachModeEnablesItsOwnControls)
{
    Open(ComSettings{}); // loaded from the empty store
    const std::vector<const char*> address = {"deviceAddressLabel", "deviceAddress"};
    const std::vector<const char*> port = {"comPortLabel", "comPort"};
    const std::vector<const char*> baud = {"baudRateLabel", "baudRate"};
    const std::vector<const char*> line = {"parityBitLabel", "parityBit", "stopBitLabel", "stopBit", "findMeterButton"};
    const std::vector<const char*> tcp = {"stationAddressLabel", "stationAddress", "servicePortLabel", "servicePort"};
    struct Case
    {
        const char* radio;
        bool address, port, baud, line, tcp;
    };
    for (const Case& c :
         {Case{"tcpRadio", true, false, false, false, true}, Case{"infraredRadio", false, true, false, false, false},
          Case{"rtuTcpRadio", true, false, true, false, true}, Case{"rs485Radio", true, true, true, true, false}}) {
        Click(c.radio);
        const std::initializer_list<std::pair<const std::vector<const char*>*, bool>> groups = {
            {&address, c.address}, {&port, c.port}, {&baud, c.baud}, {&line, c.line}, {&tcp, c.tcp}};
        for (auto [names, on] : groups) {
            for (const char* n : *names)
                EXPECT_EQ(Get<QWidget>(n)->isEnabled(), on) << c.radio << ": " << n;
        }
        for (const char* n :
             {"infraredRadio", "rs485Radio", "tcpRadio", "rtuTcpRadio", "connectButton", "cancelButton"})
            EXPECT_TRUE(Get<QWidget>(n)->isEnabled()) << c.radio << ": " << n;
    }
}

TEST_F(CommDialogTest, TheFirstFocusIsOnTheCheckedModeSoSpaceKeepsIt)
{
    for (auto [mode, radio] : {std::pair{kModeRs485, "rs485Radio"},
                               {kModeTcp, "tcpRadio"},
                               {kModeInfrared, "infraredRadio"},
                               {kModeRtuTcp, "rtuTcpRadio"}}) {
        ComSettings stored{ComSettings::NoLoad{}};
        stored.Mode = mode;
        Open(stored);
        m_dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
        QWidget* focused = m_dialog->focusWidget();
        ASSERT_NE(focused, nullptr) << radio;
        EXPECT_EQ(focused->objectName().toStdString(), radio);
        QTest::keyClick(focused, Qt::Key_Space);
        EXPECT_TRUE(Get<QRadioButton>(radio)->isChecked()) << radio;
    }
}

TEST_F(CommDialogTest, StoredModeSevenIsInfraredAndAnEmptyAddressIsNotRead)
{
    ComSettings stored{ComSettings::NoLoad{}};
    stored.Mode = 7;
    stored.Address = 33;
    stored.IRCOMPortName = "COM5";
    stored.IRCOMPortDisplayName = "COM5";
    stored.COMPortName = "COM2";
    stored.COMPortDisplayName = "COM2";
    Open(stored);
    EXPECT_TRUE(Get<QRadioButton>("infraredRadio")->isChecked());
    EXPECT_EQ(Port()->currentText(), "COM5");

    Address()->clear();
    ChoosePort(2);
    Click("connectButton");
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(m_capture.Messages().empty());
    const ComSettings& s = m_dialog->Settings();
    EXPECT_EQ(s.Mode, kModeInfrared);
    EXPECT_EQ(s.Address, 33);
    EXPECT_EQ(s.IRCOMPortName, "COM3");
    EXPECT_EQ(s.IRCOMPortDisplayName, "16550A UART (COM3)");
    EXPECT_EQ(s.COMPortName, "COM2"); // the RS-485 port is not touched
}

TEST_F(CommDialogTest, EachSerialModeKeepsItsOwnPort)
{
    ComSettings stored{ComSettings::NoLoad{}};
    stored.COMPortDisplayName = "COM3"; // not listed: the real port replaced it
    stored.IRCOMPortDisplayName = "COM4";
    Open(stored);
    EXPECT_EQ(Port()->currentText(), "COM1"); // nothing matches: first stays

    ChoosePort(2);
    Click("infraredRadio");
    EXPECT_EQ(Port()->currentText(), "COM4");
    Click("rs485Radio");
    EXPECT_EQ(Port()->currentText(), "16550A UART (COM3)");
    Click("tcpRadio"); // remembers nothing and selects nothing
    EXPECT_EQ(Port()->currentText(), "16550A UART (COM3)");
    Click("infraredRadio");
    EXPECT_EQ(Port()->currentText(), "COM4");
    ChoosePort(5);
    Click("rs485Radio");
    EXPECT_EQ(Port()->currentText(), "16550A UART (COM3)");
    Click("infraredRadio");
    EXPECT_EQ(Port()->currentText(), "COM6");

    Click("rs485Radio");
    Click("connectButton");
    const ComSettings& s = m_dialog->Settings();
    EXPECT_EQ(s.COMPortName, "COM3");
    EXPECT_EQ(s.COMPortDisplayName, "16550A UART (COM3)");
    EXPECT_EQ(s.IRCOMPortDisplayName, "COM4"); // infrared fields keep their stored values
}

TEST_F(CommDialogTest, ADeviceServerHasItsOwnServicePortAndTheLineSpeed)
{
    ComSettings stored{ComSettings::NoLoad{}};
    stored.Mode = kModeTcp;
    stored.ServicePort = "1502";
    stored.RtuTcpServicePort = "4002";
    Open(stored);
    QComboBox* service = Get<QComboBox>("servicePort");
    EXPECT_EQ(service->currentText(), "1502");
    Click("rtuTcpRadio");
    EXPECT_EQ(service->currentText(), "4002");
    EXPECT_EQ(Get<QLabel>("baudRateLabel")->text(), "Baud rate of the server's RS-485 line");
    EXPECT_EQ(Get<QLabel>("baudRateLabel")->buddy(), Get<QWidget>("baudRate"));

    // Each network link keeps what was typed for it.
    service->lineEdit()->selectAll();
    QTest::keyClicks(service->lineEdit(), "4010");
    Click("tcpRadio");
    EXPECT_EQ(service->currentText(), "1502");
    EXPECT_EQ(Get<QLabel>("baudRateLabel")->text(), "Baud rate");
    Click("rtuTcpRadio");
    EXPECT_EQ(service->currentText(), "4010");

    Get<QLineEdit>("stationAddress")->setText("127.0.0.1");
    QTest::keyClick(Get<QComboBox>("baudRate"), Qt::Key_Up); // 19200bps
    SetAddress("12");
    Click("connectButton");
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(m_capture.Messages().empty());
    const ComSettings& s = m_dialog->Settings();
    EXPECT_EQ(s.Mode, kModeRtuTcp);
    EXPECT_EQ(s.ServerAddress, "127.0.0.1");
    EXPECT_EQ(s.RtuTcpServicePort, "4010");
    EXPECT_EQ(s.ServicePort, "1502");
    EXPECT_EQ(s.Baudrate, 4);
    EXPECT_EQ(s.Address, 12);

    // A port that is no number from 1 to 65535 is refused, with the field
    // selected, and changes nothing.
    m_dialog->setResult(QDialog::Rejected);
    m_dialog->show();
    for (const char* text : {"0", "65536", "serial", ""}) {
        service->setEditText(QString::fromLatin1(text));
        Click("connectButton");
        EXPECT_EQ(m_dialog->result(), QDialog::Rejected) << text;
        ASSERT_EQ(m_capture.Messages().size(), 1u) << text;
        EXPECT_EQ(m_capture.Messages()[0].text, "The service port must be a number from 1 to 65535.");
        EXPECT_EQ(m_dialog->focusWidget(), service) << text;
        EXPECT_EQ(service->lineEdit()->selectedText(), service->currentText()) << text;
        EXPECT_EQ(m_dialog->Settings().RtuTcpServicePort, "4010") << text;
        m_capture.Clear();
    }
}

TEST_F(CommDialogTest, DeviceAddressOutsideOneTo247IsRefusedWithTheFieldSelected)
{
    ComSettings stored{ComSettings::NoLoad{}};
    stored.Address = 9;
    stored.Mode = kModeTcp;
    Open(stored);
    for (const char* text : {"0", "248", "12a", "", "  ", "5 ", "-1", "0x100", "0x10", "99999999999"}) {
        SetAddress(QString::fromLatin1(text));
        Click("connectButton");
        EXPECT_EQ(m_dialog->result(), QDialog::Rejected) << text;
        EXPECT_TRUE(m_dialog->isVisible()) << text;
        ASSERT_EQ(m_capture.Messages().size(), 1u) << text;
        EXPECT_EQ(m_capture.Messages()[0].text, "You should input Device address within the range of 1 - 247.");
        EXPECT_EQ(m_capture.Messages()[0].icon, MessageIcon::Stop);
        EXPECT_EQ(m_dialog->focusWidget(), Address()) << text;
        EXPECT_EQ(Address()->selectedText(), Address()->text()) << text;
        EXPECT_EQ(m_dialog->Settings().Address, 9) << text;
        m_capture.Clear();
    }
    const std::initializer_list<std::pair<const char*, int>> accepted = {
        {"247", 247}, {" 16", 16}, {"010", 10}, {"+1", 1}};
    for (auto [text, value] : accepted) {
        m_dialog->setResult(QDialog::Rejected);
        m_dialog->show(); // "Connect" closed it
        SetAddress(QString::fromLatin1(text));
        Click("connectButton");
        EXPECT_EQ(m_dialog->result(), QDialog::Accepted) << text;
        EXPECT_TRUE(m_capture.Messages().empty()) << text;
        EXPECT_EQ(m_dialog->Settings().Address, value) << text;
    }
}

TEST_F(CommDialogTest, TcpTakesServerAndPortAsTypedAndOutOfRangeIndexesAreClamped)
{
    ComSettings stored{ComSettings::NoLoad{}};
    stored.Mode = kModeTcp;
    stored.Baudrate = -1;
    stored.Parity = 7;
    stored.Stop = -3;
    stored.ServicePort = "1502";
    stored.COMPortName = "COM2";
    Open(stored);
    EXPECT_TRUE(Get<QRadioButton>("tcpRadio")->isChecked());
    EXPECT_EQ(Get<QComboBox>("baudRate")->currentText(), "38400bps");
    EXPECT_EQ(Get<QComboBox>("parityBit")->currentText(), "Even");
    EXPECT_EQ(Get<QComboBox>("stopBit")->currentText(), "2bit");
    EXPECT_EQ(Get<QComboBox>("servicePort")->currentText(), "1502");

    Get<QLineEdit>("stationAddress")->clear();
    QTest::keyClicks(Get<QLineEdit>("stationAddress"), "meter .local");
    Get<QComboBox>("servicePort")->clearEditText();
    QTest::keyClicks(Get<QComboBox>("servicePort")->lineEdit(), "mod bus");
    Click("connectButton");
    ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
    const ComSettings& s = m_dialog->Settings();
    EXPECT_EQ(s.ServerAddress, "meter .local");
    EXPECT_EQ(s.ServicePort, "mod bus");
    // The serial fields keep the stored values, even the out-of-range ones.
    EXPECT_EQ(s.Baudrate, -1);
    EXPECT_EQ(s.Parity, 7);
    EXPECT_EQ(s.COMPortName, "COM2");
}

TEST_F(CommDialogTest, ATypedDevicePathIsTakenAndOfferedAgain)
{
    ComSettings stored{ComSettings::NoLoad{}};
    stored.IRCOMPortDisplayName = "COM4";
    Open(stored);
    Port()->lineEdit()->selectAll();
    QTest::keyClicks(Port()->lineEdit(), "/dev/pts/7");
    Click("infraredRadio");
    EXPECT_EQ(Port()->currentText(), "COM4");
    Click("rs485Radio");
    EXPECT_EQ(Port()->currentText(), "/dev/pts/7");
    Click("connectButton");
    ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog->Settings().COMPortName, "/dev/pts/7");
    EXPECT_EQ(m_dialog->Settings().COMPortDisplayName, "/dev/pts/7");

    // The next Connect offers it again.
    const ComSettings taken = m_dialog->Settings();
    Open(taken);
    EXPECT_EQ(Port()->currentText(), "/dev/pts/7");
    EXPECT_EQ(Port()->count(), 18);
}

TEST_F(CommDialogTest, FindMeterFillsInTheSettingsOfTheMeterItFoundOrSaysNoneAnswered)
{
    SimProcess sim({"--rtu", "--model", "15", "--baud", "9600", "--parity", "even", "--stop", "2", "--address", "37"});
    SetFindMeterRange(36, 38);
    Open(ComSettings{});
    Port()->lineEdit()->selectAll();
    QTest::keyClicks(Port()->lineEdit(), QString::fromStdString(sim.RtuPath()));
    // The progress window says which setting and address it is at.
    QStringList said;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* p = qobject_cast<CProgressDialog*>(QApplication::activeModalWidget()); p && p->DetailLabel())
            said << p->DetailLabel()->text();
    });
    watcher.start(5);
    Click("findMeterButton"); // the progress window runs until the sweep ends
    watcher.stop();
    ASSERT_FALSE(said.isEmpty());
    EXPECT_TRUE(said.first().startsWith("38400 bit/s, parity Odd, stop bit 1bit: address 3"))
        << said.first().toStdString();
    EXPECT_TRUE(said.last().contains("9600 bit/s, parity Even")) << said.last().toStdString();
    EXPECT_TRUE(said.last().contains("of 36)")) << said.last().toStdString();
    ASSERT_EQ(m_capture.Messages().size(), 1u);
    EXPECT_TRUE(m_capture.Messages()[0].text.contains("at address 37: 9600 bit/s, parity Even, stop bit 2bit"))
        << m_capture.Messages()[0].text.toStdString();
    EXPECT_EQ(Get<QComboBox>("baudRate")->currentText(), "9600bps");
    EXPECT_EQ(Get<QComboBox>("parityBit")->currentText(), "Even");
    EXPECT_EQ(Get<QComboBox>("stopBit")->currentText(), "2bit");
    EXPECT_EQ(Address()->text(), "37");
    Click("connectButton");
    ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog->Settings().Baudrate, 3);
    EXPECT_EQ(m_dialog->Settings().Parity, 2);
    EXPECT_EQ(m_dialog->Settings().Stop, 1);
    EXPECT_EQ(m_dialog->Settings().Address, 37);

    // Where nothing answers, the fields stay as they were.
    SetFindMeterRange(38, 38);
    Open(ComSettings{});
    Port()->lineEdit()->selectAll();
    QTest::keyClicks(Port()->lineEdit(), QString::fromStdString(sim.RtuPath()));
    Click("findMeterButton");
    SetFindMeterRange(kFirstDeviceAddress, kLastDeviceAddress);
    ASSERT_EQ(m_capture.Messages().size(), 2u);
    EXPECT_EQ(m_capture.Messages()[1].text, "No meter answered at any line setting at addresses 38 to 38.");
    EXPECT_EQ(Get<QComboBox>("baudRate")->currentText(), "38400bps");
    EXPECT_EQ(Address()->text(), "1");
}

// The Connect step around the modal dialog: what is stored and handed over.
class CommDialogStepTest : public ::testing::Test
{
protected:
    static void WhenShown(const std::function<void(CCommDialog&)>& action)
    {
        QTimer::singleShot(0, [action] {
            auto* dialog = qobject_cast<CCommDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            action(*dialog);
        });
    }
    static void Press(CCommDialog& dialog, const char* button)
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }

    TempConfigHome m_home;
    CMessageCapture m_capture;
};

TEST_F(CommDialogStepTest, ConnectStoresTheChoiceAndHandsItToTheClient)
{
    ComSettings before{ComSettings::NoLoad{}};
    before.Address = 5;
    before.ServerAddress = "10.0.0.9";
    before.Save();

    CModbusInterface client{ComSettings{ComSettings::NoLoad{}}};
    WhenShown([](CCommDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>("deviceAddress")->text(), "5");
        QTest::mouseClick(d.findChild<QRadioButton*>("tcpRadio"), Qt::LeftButton);
        d.findChild<QLineEdit*>("deviceAddress")->setText("17");
        Press(d, "connectButton");
    });
    ASSERT_TRUE(CCommDialog::ConnectStep(nullptr, client));
    EXPECT_TRUE(m_capture.Messages().empty());
    EXPECT_EQ(client.Settings().Mode, kModeTcp);
    EXPECT_EQ(client.Settings().Address, 17);
    EXPECT_EQ(client.Settings().ServerAddress, "10.0.0.9");
    const ComSettings stored;
    EXPECT_EQ(stored.Mode, kModeTcp);
    EXPECT_EQ(stored.Address, 17);
    EXPECT_EQ(stored.ServerAddress, "10.0.0.9");
}

TEST_F(CommDialogStepTest, CancelStoresNothing)
{
    ComSettings old{ComSettings::NoLoad{}};
    old.Address = 44;
    CModbusInterface client{old};
    WhenShown([](CCommDialog& d) {
        d.findChild<QLineEdit*>("deviceAddress")->setText("17");
        Press(d, "cancelButton");
    });
    EXPECT_FALSE(CCommDialog::ConnectStep(nullptr, client));
    EXPECT_EQ(client.Settings().Address, 44);
    EXPECT_FALSE(std::filesystem::exists(CSettingsStore::FilePath()));
    EXPECT_TRUE(m_capture.Messages().empty());
}

TEST_F(CommDialogStepTest, AStoreThatCannotBeWrittenIsReportedAndEndsTheCommand)
{
    // A file where the settings folder should be: no user, root included,
    // can write the store.
    std::ofstream(m_home.Dir() + "/TRELVANE") << "";
    CModbusInterface client{ComSettings{ComSettings::NoLoad{}}};
    WhenShown([](CCommDialog& d) {
        d.findChild<QLineEdit*>("deviceAddress")->setText("17");
        Press(d, "connectButton");
    });
    EXPECT_FALSE(CCommDialog::ConnectStep(nullptr, client));
    ASSERT_EQ(m_capture.Messages().size(), 1u);
    EXPECT_TRUE(m_capture.Messages()[0].text.startsWith("The settings file "))
        << m_capture.Messages()[0].text.toStdString();
    EXPECT_EQ(m_capture.Messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(client.Settings().Address, 1);
}

TEST(ComPortDiscovery, TheSystemsPortsNeverHideThePlainOnes)
{
    const ComPortList list = BuildComPortList();
    ASSERT_GE(list.GetCount(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::string com = "COM" + std::to_string(i + 1);
        const std::string name = list.GetDisplayName(i);
        EXPECT_NE(name.find(com), std::string::npos) << name;
    }
    for (std::size_t i = 16; i < list.GetCount(); ++i)
        EXPECT_FALSE(list.GetDevicePath(i).empty()) << list.GetDisplayName(i);
}
