#include "ui/comm/MeterFinder.h"

#include "app/MessageFormat.h"
#include "comm/ModbusInterface.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/jobs/ProgressDialog.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

SSweepOptions g_options; // every address, up to the first meter

void Tell(QWidget* parent, unsigned id, std::initializer_list<CMsgArg> args)
{
    ShowMessage(parent, QString::fromStdString(LoadMessage(id, args)), MessageIcon::Information);
}

// Parity and stop bit in the words of the dialog's lists.
std::string ParityText(const SLineSetting& s)
{
    return CStringTable::Get(commtext::kParityOptions + static_cast<unsigned>(s.parity));
}

std::string StopText(const SLineSetting& s)
{
    return CStringTable::Get(commtext::kStopBitOptions + static_cast<unsigned>(s.stop));
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
    // Where the sweep is, for the line under the bar: the setting by its
    // place in the sweep's order, and the address.
    const std::vector<SLineSetting> order = SweepOrder();
    std::atomic<int> settingNumber{1}, address{options.from};
    auto detail = [&] {
        const SLineSetting& s =
            order[static_cast<std::size_t>(std::clamp<int>(settingNumber, 1, int(order.size())) - 1)];
        return UiMessage(LoadMessage(commtext::kTryingSetting,
                                     {static_cast<int>(s.BaudRate()), ParityText(s), StopText(s), address.load(),
                                      settingNumber.load(), static_cast<int>(order.size())}));
    };
    const bool completed = CProgressDialog::RunJob(
        parent, link, commtext::kLookingForMeter,
        [&](CModbusInterface& l, const ProgressReport& report) {
            auto progress = [&](const SSweepProgress& p) {
                settingNumber = p.settingNumber;
                address = p.address;
                return !report || report(p.fraction * 100.0);
            };
            return SweepLine(l, options, progress, [&](const SSweepFinding& f) { found.push_back(f); }).result;
        },
        detail);
    if (found.empty()) {
        if (completed)
            Tell(parent, commtext::kNoMeterFound, {options.from, options.to});
        else
            Tell(parent, commtext::kSearchCancelled, {});
        return std::nullopt;
    }
    const SSweepFinding& f = found.front();
    Tell(parent, commtext::kMeterFound,
         {f.meter.identity.Code(), f.meter.identity.ModelDescription(), f.meter.address,
          static_cast<int>(f.setting.BaudRate()), ParityText(f.setting), StopText(f.setting)});
    return f;
}

void SetFindMeterRange(int from, int to)
{
    g_options.from = from;
    g_options.to = to;
}
