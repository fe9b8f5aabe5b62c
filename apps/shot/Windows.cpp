#include "Windows.h"

#include "app/AppSettings.h"
#include "app/Language.h"
#include "comm/ModbusInterface.h"
#include "comm/ComPortList.h"
#include "ui/app/OptionDialog.h"
#include "ui/comm/CommDialog.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/SettingDialog.h"
#include "ui/jobs/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>

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

// The Language Setting dialog in the language it offers selected; nothing
// when that language's module is missing, so that a picture never shows
// English under a Japanese name.
std::unique_ptr<QWidget> Language(int index)
{
    if (!LoadLanguage(index))
        return nullptr;
    CAppSettings settings;
    settings.m_displayLanguage = index;
    return std::make_unique<COptionDialog>(settings);
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
        {"language", [] { return Language(0); }},
        {"language-ja", [] { return Language(1); }},
    };
    return windows;
}
