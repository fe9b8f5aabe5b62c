#include "Windows.h"

#include "comm/ModbusInterface.h"
#include "comm/ComPortList.h"
#include "ui/comm/CommDialog.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/dialogs/InputDialogs.h"
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

constexpr int kDcModel = 15; // voltage input, analog output, Modbus
constexpr int kTcModel = 44; // thermocouple input

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

} // namespace

const std::vector<ShotWindow>& ShotWindows()
{
    static const std::vector<ShotWindow> windows = {
        {"progress", [] { return Progress(kModeRs485); }},
        {"progress-infrared", [] { return Progress(kModeInfrared); }},
        {"connect", Connect},
        {"decimal-point", SubDialog<CDecimalPointDialog>(kDcModel, [](CRegisterImage& i) { i.SetWord(10, 2); })},
        {"low-end-cutout", SubDialog<CZeroLimitDialog>(kDcModel,
                                                       [](CRegisterImage& i) {
                                                           i.SetWord(10, 2);
                                                           i.SetWord(21, 1);
                                                           i.SetWord(22, 150);
                                                       })},
        {"filter", SubDialog<CFilterDialog>(kDcModel,
                                            [](CRegisterImage& i) {
                                                i.SetWord(28, 1);
                                                i.SetWord(29, 4);
                                                i.SetWord(30, 0);
                                            })},
        {"forced-zero", SubDialog<CForceZeroDialog>(kDcModel,
                                                    [](CRegisterImage& i) {
                                                        i.SetWord(10, 2);
                                                        i.SetWord(23, 2);
                                                        i.SetLong(24, 125);
                                                        i.SetLong(26, -50);
                                                    })},
        {"adjust", SubDialog<CAdjustDialog>(kTcModel,
                                            [](CRegisterImage& i) {
                                                i.SetLong(13, 10000);
                                                i.SetLong(15, 50000);
                                                i.SetLong(17, 25);
                                                i.SetLong(19, -10);
                                            })},
        {"burnout", SubDialog<CBurnoutDialog>(kTcModel, [](CRegisterImage& i) { i.SetWord(11, 1); })},
        {"cold-junction", SubDialog<CCJCDialog>(kTcModel, [](CRegisterImage& i) { i.SetWord(12, 1); })},
        {"grid", Grid},
    };
    return windows;
}
