#include "Windows.h"

#include "app/AppSettings.h"
#include "app/Language.h"
#include "app/MessageFormat.h"
#include "app/StringTable.h"
#include "comm/ComPortList.h"
#include "comm/ModbusInterface.h"
#include "files/MeterHistory.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "report/CommissioningReport.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/app/OptionDialog.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/UiText.h"
#include "ui/editors/AlarmTable.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/dialogs/AlarmDialogs.h"
#include "ui/editors/dialogs/FrontPanelDialogs.h"
#include "ui/editors/dialogs/InputDialogs.h"
#include "ui/editors/dialogs/InterfaceDialogs.h"
#include "ui/files/CompareDialog.h"
#include "ui/jobs/DeviceInformationDialog.h"
#include "ui/jobs/DownloadPreviewDialog.h"
#include "ui/jobs/HistoryDialog.h"
#include "ui/jobs/LineWindow.h"
#include "ui/jobs/ProgressDialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>

#include <cmath>

namespace {

// A window's link must outlive it; these sample links are never opened.
CModbusInterface& SampleLink(int mode)
{
    static CModbusInterface rs485{[] {
        ComSettings s{ComSettings::NoLoad{}};
        s.Mode = kModeRs485;
        return s;
    }()};
    static CModbusInterface infrared{[] {
        ComSettings s{ComSettings::NoLoad{}};
        s.Mode = kModeInfrared;
        return s;
    }()};
    return mode == kModeInfrared ? infrared : rs485;
}

std::unique_ptr<QWidget> Progress(int mode)
{
    auto d = std::make_unique<CProgressDialog>(SampleLink(mode), CProgressThread::kUpload);
    d->ProgressBar()->setValue(42);
    if (mode == kModeInfrared) {
        d->QualityText()->setText("87.5");
        d->QualityIcon()->setPixmap(CProgressDialog::QualityPixmap(CProgressDialog::QualityLevel(87.5)));
    }
    return d;
}

std::unique_ptr<QWidget> Connect()
{
    ComPortList ports({{"ttyS0", "/dev/ttyS0", "", "", ""},
                       {"ttyUSB0", "/dev/ttyUSB0", "USB-RS485 Cable", "FTDI",
                        "/dev/serial/by-id/usb-FTDI_USB-RS485_Cable_FT1ABCDE-if00-port0"}});
    auto d = std::make_unique<CCommDialog>(std::move(ports));
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeRs485;
    s.Address = 3;
    s.COMPortName = "/dev/serial/by-id/usb-FTDI_USB-RS485_Cable_FT1ABCDE-if00-port0";
    s.COMPortDisplayName = "FTDI USB-RS485 Cable (ttyUSB0)";
    d->SetSettings(s);
    return d;
}

// An input sub-setting dialog as its page opens it: on an image of `model`
// that `set` changes, shown as InitDialog shows it.
template <typename TDialog>
std::function<std::unique_ptr<QWidget>()> SubDialog(int model, std::function<void(CRegisterImage&)> set)
{
    return [model, set] {
        auto d = std::make_unique<TDialog>();
        d->Image().ResetForModel(model, true);
        set(d->Image());
        d->InitDialog();
        return std::unique_ptr<QWidget>(std::move(d));
    };
}

constexpr int kDcModel = 15;        // voltage input, analog output, Modbus
constexpr int kTcModel = 44;        // thermocouple input
constexpr int kAlarmModel = 18;     // voltage input, four alarms, analog output, Modbus
constexpr int kBcdEventModel = 21;  // voltage input, analog output, event input, BCD output
constexpr int kRtdModbusModel = 73; // RTD input, four alarms, Modbus

// The main window on the factory settings of a model of each input kind.
int FirstModelWith(std::uint32_t flag)
{
    for (int code = 0; code < kDeviceModelCount; ++code)
        if (CDeviceType::FromCode(code).Has(flag))
            return code;
    return 15;
}

std::unique_ptr<QWidget> MainWindow(std::uint32_t inputKind)
{
    static CAppSettings settings;
    settings.m_deviceId = FirstModelWith(inputKind);
    auto window = std::make_unique<CMyQ6KDlg>(settings);
    window->Build();
    window->resize(window->sizeHint());
    return window;
}

// The main window's alarm table, alone, with a cell current.
std::unique_ptr<QWidget> AlarmTable()
{
    static CAppSettings settings;
    settings.m_deviceId = FirstModelWith(CAP_FOUR_ALARMS);
    static CMyQ6KDlg window(settings);
    window.Build();
    CDataGridView* grid = window.AlarmTable()->Grid();
    grid->SetCurrentCell(2, 2);
    grid->setParent(nullptr);
    grid->setFocus();
    return std::unique_ptr<QWidget>(grid);
}

// The Language Setting dialog in the language it offers selected; nothing
// when that language's module is missing, so that a picture never shows
// English under a Japanese name.
std::unique_ptr<QWidget> Language(int index)
{
    if (!LoadDisplayLanguage(index))
        return nullptr;
    CAppSettings settings;
    settings.m_displayLanguage = index;
    return std::make_unique<COptionDialog>(settings);
}

// A DC voltage meter set up by hand, as a technician would report it.
CRegisterImage SampleWorking()
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    image.SetWord(image_words::kDecimalPoint, 2);
    image.SetLong(image_words::kDisplayScalingSpan, 5000);
    return image;
}

std::unique_ptr<QWidget> Report()
{
    return std::make_unique<CCompareDialog>(SampleWorking());
}

// Compared with a golden file that differs in two settings.
std::unique_ptr<QWidget> ReportCompared()
{
    auto d = std::make_unique<CCompareDialog>(SampleWorking());
    CRegisterImage golden = SampleWorking();
    golden.SetWord(image_words::kDecimalPoint, 3);
    golden.SetLong(image_words::kDisplayScalingSpan, 10000);
    d->CompareWith(golden, QStringLiteral("golden.cfg"));
    return d;
}

// Page 1 of the commissioning report of a meter compared with the file it
// was set up from, on A4 at 60 dpi (as pdftoppm -r 60 shows the PDF).
std::unique_ptr<QWidget> CommissioningReport()
{
    CRegisterImage meter = SampleWorking();
    meter.SetWord(image_words::kDecimalPoint, 3);
    CParameterReport report(SampleWorking());
    report.SetComparison(meter, CStringTable::Get(2453));
    SMeterIdentity identity = IdentityOfImage(meter);
    identity.readFromMeter = true;
    identity.serial = "Q6K00417";
    identity.hardwareVersion = "1.05";
    identity.firmwareVersion = "2.12";
    identity.tag = "FT-101";
    SCommissioningRecord record = RecordHeader("A. Technician", "rtu /dev/ttyUSB0 38400 8O1", 12);
    record.user = "tech";
    record.time = "2026-12-09 10:30:00 UTC";
    record.workingTitle = "line-3.cfg";
    FillRecord(record, report, identity, nullptr);
    record.download =
        SVerifiedDownload{"2026-12-09T10:24:51.302Z", "line-3.cfg",
                          "~/.local/share/v6uvuv/" + CMeterHistory::FolderName(meter.Identity(), identity.serial) +
                              "/2026-12-09T10-24-50Z.cfg"};
    const QImage page =
        CCommissioningReport(std::move(record))
            .PageImage(0, CCommissioningReport::PaperLayout(QLocale(QLocale::English, QLocale::Germany)), 60);
    auto label = std::make_unique<QLabel>();
    label->setPixmap(QPixmap::fromImage(page));
    label->resize(page.size());
    return label;
}

// A download about to change a meter set up by hand: the display span, a
// setpoint, and the meter's address (said in red).
std::unique_ptr<QWidget> DownloadPreview()
{
    const CRegisterImage meter = SampleWorking();
    CRegisterImage toWrite = meter;
    toWrite.SetLong(image_words::kDisplayScalingSpan, 10000);
    toWrite.SetLong(CRegisterImage::BankSetpointWord(1, CRegisterImage::TripHH), 9000);
    toWrite.SetWord(image_words::kDeviceAddress, 5);
    ComSettings link{ComSettings::NoLoad{}};
    link.Address = 3;
    const std::string moved =
        LoadMessage(12512, {5, LoadMessage(12513, {38400}), CStringTable::Get(12515), CStringTable::Get(12517)});
    return CDownloadPreviewDialog::MakePreview(meter, toWrite, "Q6K00417", link, moved, nullptr);
}

// A meter that kept one value of its own.
std::unique_ptr<QWidget> VerificationFailed()
{
    CRegisterImage sent = SampleWorking();
    sent.SetLong(image_words::kBargraphLower, 100);
    CRegisterImage after = SampleWorking();
    return CDownloadPreviewDialog::MakeNotHeld(
        sent, after, "/home/tech/.local/share/v6uvuv/Z6OR-11u4_Q6K00417/2026-12-08T11-43-05Z.cfg", nullptr);
}

// Three meters of a panel, kept in a history folder of the picture's own.
std::unique_ptr<QWidget> History()
{
    static QTemporaryDir dir;
    CMeterHistory history(dir.path().toStdString() + "/v6uvuv");
    if (history.Meters().empty()) {
        for (int code : {15, 18, 44}) {
            CRegisterImage image;
            image.ResetForModel(code, true);
            const std::string serial = "Q6K0" + std::to_string(4100 + code);
            history.KeepBackup(image, serial);
            if (code == 15) {
                image.SetLong(image_words::kDisplayScalingSpan, 5000);
                history.KeepBackup(image, serial); // a second download, within the same second
            }
        }
    }
    auto d = std::make_unique<CHistoryDialog>(history);
    d->Tree()->setCurrentItem(d->Tree()->topLevelItem(0)->child(0));
    return d;
}

// The main window after a download, its status line saying so.
std::unique_ptr<QWidget> MainDownloaded()
{
    static CAppSettings settings;
    settings.m_deviceId = kDcModel;
    auto window = std::make_unique<CMyQ6KDlg>(settings);
    window->Build();
    window->SayDone(UiMessage(LoadMessage(13302, {3})));
    window->resize(window->sizeHint());
    return window;
}

// The monitor of a meter in the middle of its wave, with five minutes of it.
std::unique_ptr<QWidget> Monitor()
{
    auto d = std::make_unique<CDeviceInformationDialog>(SampleLink(kModeRs485));
    d->ShowPoll(false, CMeasurands());
    d->ShowPoll(false, CMeasurands()); // the second lights the lamp
    const QString values[CDeviceInformationDialog::kValueRows] = {
        "LINE-A PUMP 3",
        "42.17",
        "48.90",
        "35.02",
        "H",
        "0000",
        "",
        QString::fromStdString(CDeviceType::FromCode(15).ModelName()),
        "Q6KSIM01",
        "1.05",
        "2.12"};
    d->ValueTable()->ClearCells();
    for (int r = 0; r < CDeviceInformationDialog::kValueRows; ++r)
        d->ValueTable()->SetCell(1, r, values[r]);
    d->Trend().Clear();
    for (int i = 0; i <= 3000; ++i) {
        const double t = i * 0.1;
        const double v = 42.0 + 6.0 * std::sin(2 * M_PI * t / 60.0) + 0.4 * std::sin(t * 1.7);
        d->Trend().Add({t, v, 48.90, 35.02, false});
    }
    d->resize(d->sizeHint());
    return d;
}

// The line window after a scan of a simulated line of five meters (q6k-sim,
// next to q6k-shot) and a Compare of the four of the window's model; nothing
// when the simulator cannot be started.
std::unique_ptr<QWidget> Line()
{
    static QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + "/q6k-sim",
              {"--units",  "1,4,5,12,30", "--model",  "15",       "--rtu",   "--parity", "none",     "--unit",
               "1",        "--serial",    "Q6K00417", "--unit",   "4",       "--serial", "Q6K00422", "--unit",
               "5",        "--serial",    "Q6K00509", "--unit",   "12",      "--model",  "44",       "--serial",
               "Q6K01233", "--unit",      "30",       "--serial", "Q6K02871"});
    QString rtu;
    while (sim.waitForReadyRead(5000)) {
        const QString out = QString::fromUtf8(sim.readAll());
        for (const QString& line : out.split('\n'))
            if (line.startsWith("RTU "))
                rtu = line.mid(4);
        if (out.contains("ready"))
            break;
    }
    if (rtu.isEmpty())
        return nullptr;
    ComSettings link{ComSettings::NoLoad{}};
    link.Mode = kModeRs485;
    link.COMPortName = rtu.toStdString();
    link.Parity = 0;
    static CRegisterImage settings;
    settings.ResetForModel(kDcModel, true);
    auto w = std::make_unique<CLineWindow>(settings, link);
    auto waitForWork = [&w] {
        QEventLoop loop;
        QObject::connect(w.get(), &CLineWindow::workFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    };
    w->ToBox()->setText("40");
    w->OnScan();
    waitForWork();
    for (int address : {1, 4, 5, 30})
        w->List()->selectionModel()->select(w->Model()->index(w->RowOf(address), 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->OnCompare();
    waitForWork();
    sim.terminate();
    sim.waitForFinished();
    return w;
}

// The picture in Japanese; nothing when the module is missing, as for the
// Language Setting dialog.
std::function<std::unique_ptr<QWidget>()> Japanese(std::function<std::unique_ptr<QWidget>()> make)
{
    return [make]() -> std::unique_ptr<QWidget> {
        if (!LoadDisplayLanguage(1))
            return nullptr;
        return make();
    };
}

// The setting dialogs, each over an image set up so that its controls show
// something worth seeing.
void AddSettingDialogs(std::vector<ShotWindow>& windows)
{
    using namespace image_words;
    // The words, then the 32-bit pairs, of an image to show. Copied: an
    // initializer list's values live only as long as the call.
    using Values = std::initializer_list<std::pair<int, std::int32_t>>;
    auto values = [](Values wordValues, Values longValues = {}) {
        return [w = std::vector(wordValues), l = std::vector(longValues)](CRegisterImage& i) {
            for (auto [word, value] : w)
                i.SetWord(word, static_cast<std::uint16_t>(value));
            for (auto [word, value] : l)
                i.SetLong(word, value);
        };
    };
    windows.insert(
        windows.end(),
        {
            {"decimal-point", SubDialog<CDecimalPointDialog>(kDcModel, values({{kDecimalPoint, 2}}))},
            {"low-end-cutout",
             SubDialog<CZeroLimitDialog>(kDcModel, values({{kDecimalPoint, 2}, {kLowEndCutout, 1}, {kCutBelow, 150}}))},
            {"filter", SubDialog<CFilterDialog>(
                           kDcModel, values({{kAveragingMode, 1}, {kAveragingTime, 4}, {kHighPassFilter, 0}}))},
            {"forced-zero",
             SubDialog<CForceZeroDialog>(kDcModel, values({{kDecimalPoint, 2}, {kForcedZero, 2}},
                                                          {{kForcedZeroValue, 125}, {kTareZeroValue, -50}}))},
            {"adjust", SubDialog<CAdjustDialog>(kTcModel, values({}, {{kInputAdjustXA, 10000},
                                                                      {kInputAdjustXB, 50000},
                                                                      {kInputAdjustYA, 25},
                                                                      {kInputAdjustYB, -10}}))},
            {"burnout", SubDialog<CBurnoutDialog>(kTcModel, values({{kBurnout, 1}}))},
            {"cold-junction", SubDialog<CCJCDialog>(kTcModel, values({{kColdJunction, 1}}))},
            {"alarm-bank", SubDialog<CAlarmBankDialog>(kAlarmModel,
                                                       [](CRegisterImage& i) {
                                                           i.SetWord(kDecimalPoint, 1);
                                                           i.SetWord(kBankSwitching, 1);
                                                           i.SetWord(kBankNo, 3);
                                                           for (int bank = 1; bank <= CRegisterImage::kBankCount;
                                                                ++bank)
                                                               i.SetLong(CRegisterImage::BankSetpointWord(
                                                                             bank, CRegisterImage::TripHH),
                                                                         9000 + 100 * bank);
                                                       })},
            {"alarm-advanced", SubDialog<CAdvancedAlarmDialog>(
                                   kAlarmModel, values({{kBankSwitching, 1}, {kPOutput, 4}, {kPowerOnDelay, 25}}))},
            {"analog-output",
             SubDialog<CAnalogOutputDialog>(kAlarmModel, values({{kDecimalPoint, 1}, {kAnalogOutputType, 4}}))},
            {"bcd-output", SubDialog<CBCDOutputDialog>(kBcdEventModel, values({{kBcdLogicLast, 1}}))},
            {"event-trigger", SubDialog<CEventInputDialog>(kBcdEventModel, values({{kEventTriggerMode, 2}}))},
            {"modbus", SubDialog<CModbusDialog>(kAlarmModel, values({{kDeviceAddress, 12}}))},
            {"modbus-advanced", SubDialog<CAdvancedModbusDialog>(kAlarmModel, [](CRegisterImage&) {})},
            {"control", SubDialog<COperationDialog>(kAlarmModel, values({{kAutoReturnTime, 30}}))},
            {"display", SubDialog<CDisplayDialog>(kRtdModbusModel, values({{kBacklight, 2}, {kLcdContrast, 7}}))},
            {"lockout", SubDialog<CProtectDialog>(kTcModel, values({{kAlarmLockout, 1}}))},
        });
}

std::vector<ShotWindow> AllWindows()
{
    std::vector<ShotWindow> windows = {
        {"progress", [] { return Progress(kModeRs485); }},
        {"progress-infrared", [] { return Progress(kModeInfrared); }},
        {"connect", Connect},
    };
    AddSettingDialogs(windows);
    windows.insert(windows.end(), {
                                      {"main-dc", [] { return MainWindow(CAP_DC_INPUT); }},
                                      {"main-thermocouple", [] { return MainWindow(CAP_TC_INPUT); }},
                                      {"main-rtd", [] { return MainWindow(CAP_RTD_INPUT); }},
                                      {"main-potentiometer", [] { return MainWindow(CAP_PTM_INPUT); }},
                                      {"main-ac", [] { return MainWindow(CAP_AC_INPUT); }},
                                      {"alarm-table", AlarmTable},
                                      {"language", [] { return Language(0); }},
                                      {"language-ja", [] { return Language(1); }},
                                      {"report", Report},
                                      {"report-compared", ReportCompared},
                                      {"monitor", Monitor},
                                      {"report-ja", Japanese(Report)},
                                      {"report-compared-ja", Japanese(ReportCompared)},
                                      {"monitor-ja", Japanese(Monitor)},
                                      {"download-preview", DownloadPreview},
                                      {"verification-failed", VerificationFailed},
                                      {"history", History},
                                      {"main-downloaded", MainDownloaded},
                                      {"download-preview-ja", Japanese(DownloadPreview)},
                                      {"history-ja", Japanese(History)},
                                      {"line", Line},
                                      {"commissioning-report", CommissioningReport},
                                  });
    return windows;
}

} // namespace

const std::vector<ShotWindow>& ShotWindows()
{
    static const std::vector<ShotWindow> windows = AllWindows();
    return windows;
}
