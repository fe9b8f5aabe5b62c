#include "Windows.h"

#include "comm/ModbusInterface.h"
#include "comm/ComPortList.h"
#include "ui/comm/CommDialog.h"
#include "ui/editors/DataGridView.h"
#include "app/StringTable.h"
#include "model/DeviceType.h"
#include "ui/editors/SettingDialog.h"
#include "ui/files/CompareDialog.h"
#include "ui/jobs/DeviceInformationDialog.h"
#include "ui/jobs/ProgressDialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

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

// A setting dialog of the common mechanism, as the filter settings use it.
class CSampleSettingDialog : public CSettingDialog
{
public:
    CSampleSettingDialog() : CSettingDialog(0)
    {
        AddOptionRow(15100, 1001, 28, 3300, 2, EOptionRule::Clamped);
        AddOptionRow(15101, 1002, 29, 4300, 10, EOptionRule::Clamped);
        AddNumberRow(15257, 1009, 84, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 9999), 15257);
    }
};

std::unique_ptr<QWidget> Setting()
{
    auto d = std::make_unique<CSampleSettingDialog>();
    d->Image().ResetForModel(15, true);
    d->Image().SetWord(28, 1);
    d->Image().SetWord(29, 3);
    d->Image().SetWord(84, 25);
    d->InitDialog();
    return d;
}

// The alarm table's layout: trip points down, their settings across.
std::unique_ptr<QWidget> Grid()
{
    auto grid = std::make_unique<CDataGridView>();
    std::vector<CGridHeaderCell> header;
    for (int c = 0; c < 9; ++c)
        header.push_back({1100 + c, c, 0});
    for (int r = 0; r < 5; ++r)
        header.push_back({1120 + r, 0, 1 + r});
    grid->SetHeader(std::move(header), 78);
    const char* rows[5][8] = {
        {"Enable", "95.00", "High", "0.50", "0.0", "0.0", "0.0", "Energize"},
        {"Enable", "90.00", "High", "0.50", "1.0", "0.0", "0.0", "Energize"},
        {"", "", "", "", "0.0", "0.0", "0.0", "Energize"},
        {"Enable", "10.00", "Low", "0.50", "1.0", "0.0", "0.0", "Energize"},
        {"Disable", "5.00", "Low", "0.50", "0.0", "0.0", "0.0", "De-energize"},
    };
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 8; ++c)
            grid->SetCell(1 + c, 1 + r, QString::fromLatin1(rows[r][c]));
    grid->SetFirstSelectable(1, 1);
    grid->SetCurrentCell(2, 2);
    grid->SetEditable(true);
    grid->resize(9 * 78 + 2, grid->sizeHint().height());
    return grid;
}

// A DC voltage meter set up by hand, as a technician would report it.
CRegisterImage SampleWorking()
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    image.SetWord(10, 2);      // decimal point position
    image.SetLong(8, 5000);    // display scaling span
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
    golden.SetWord(10, 3);
    golden.SetLong(8, 10000);
    d->CompareWith(golden, QStringLiteral("golden.cfg"));
    return d;
}

// The monitor of a meter in the middle of its wave, with five minutes of it.
std::unique_ptr<QWidget> Monitor()
{
    auto d = std::make_unique<CDeviceInformationDialog>(SampleLink(kModeRs485));
    d->ShowPoll(false, CMeasurands());
    d->ShowPoll(false, CMeasurands()); // the second lights the lamp
    const QString values[CDeviceInformationDialog::kValueRows] = {
        "LINE-A PUMP 3", "42.17", "48.90", "35.02", "H", "0000", "",
        QString::fromStdString(CDeviceType::FromCode(15).ModelName()), "Q6KSIM01", "1.05", "2.12"};
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

// The picture in Japanese: the module next to the program, when it is
// there (English otherwise).
std::function<std::unique_ptr<QWidget>()> Japanese(std::function<std::unique_ptr<QWidget>()> make)
{
    return [make] {
        const QString module = QCoreApplication::applicationDirPath() + QStringLiteral("/V6UVUV_jpn.txt");
        if (QFileInfo::exists(module))
            CStringTable::LoadLanguageFile(module.toStdString());
        return make();
    };
}

} // namespace

const std::vector<ShotWindow>& ShotWindows()
{
    static const std::vector<ShotWindow> windows = {
        {"progress", [] { return Progress(kModeRs485); }},
        {"progress-infrared", [] { return Progress(kModeInfrared); }},
        {"connect", Connect},
        {"setting-dialog", Setting},
        {"grid", Grid},
        {"report", Report},
        {"report-compared", ReportCompared},
        {"monitor", Monitor},
        {"report-ja", Japanese(Report)},
        {"report-compared-ja", Japanese(ReportCompared)},
        {"monitor-ja", Japanese(Monitor)},
    };
    return windows;
}
