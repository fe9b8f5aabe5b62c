#include "ui/comm/MeterFinder.h"

#include "app/MessageFormat.h"
#include "comm/ModbusInterface.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/jobs/ProgressDialog.h"

#include <vector>

namespace {

SSweepOptions g_options; // every address, up to the first meter

void Tell(QWidget* parent, unsigned id, std::initializer_list<CMsgArg> args)
{
    ShowMessage(parent, QString::fromStdString(LoadMessage(id, args)), MessageIcon::Information);
}

} // namespace

std::optional<SSweepFinding> FindMeter(QWidget* parent, const ComSettings& settings)
{
    ComSettings line = settings;
    line.Mode = kModeRs485;
    CModbusInterface link(line);
    const SSweepOptions options = g_options;
    // Taken as they come: a Cancel may end the sweep with a failure of the
    // call it interrupted, and what was found still counts.
    std::vector<SSweepFinding> found;
    const bool completed = CProgressDialog::RunJob(
        parent, link, commtext::kLookingForMeter, [&](CModbusInterface& l, const ProgressReport& report) {
            auto progress = [&](const SSweepProgress& p) { return !report || report(p.fraction * 100.0); };
            return SweepLine(l, options, progress, [&](const SSweepFinding& f) { found.push_back(f); }).result;
        });
    if (found.empty()) {
        if (completed)
            Tell(parent, commtext::kNoMeterFound, {options.from, options.to});
        else
            Tell(parent, commtext::kSearchCancelled, {});
        return std::nullopt;
    }
    const SSweepFinding& f = found.front();
    // Parity and stop bit in the words of the dialog's lists.
    Tell(parent, commtext::kMeterFound,
         {f.meter.identity.Code(), f.meter.identity.ModelDescription(), f.meter.address,
          static_cast<int>(f.setting.BaudRate()),
          CStringTable::Get(commtext::kParityOptions + static_cast<unsigned>(f.setting.parity)),
          CStringTable::Get(commtext::kStopBitOptions + static_cast<unsigned>(f.setting.stop))});
    return f;
}

void SetFindMeterRange(int from, int to)
{
    g_options.from = from;
    g_options.to = to;
}
