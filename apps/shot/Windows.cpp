#include "Windows.h"

#include "comm/ModbusInterface.h"
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

} // namespace

const std::vector<ShotWindow>& ShotWindows()
{
    static const std::vector<ShotWindow> windows = {
        {"progress", [] { return Progress(kModeRs485); }},
        {"progress-infrared", [] { return Progress(kModeInfrared); }},
    };
    return windows;
}
