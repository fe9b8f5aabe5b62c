#include "jobs/LineSweep.h"

#include "app/PrivateException.h"
#include "comm/ComSettings.h"
#include "comm/ModbusInterface.h"

#include <algorithm>
#include <set>

namespace {

constexpr int kParityCount = 3;
constexpr int kStopCount = 2;

// The link's settings as they were, again at the end of the sweep.
class SettingsScope
{
public:
    explicit SettingsScope(CModbusInterface& link) : m_link(link), m_old(link.Settings()) {}
    ~SettingsScope() { m_link.SetSettings(m_old); }
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;
    const ComSettings& Old() const { return m_old; }

private:
    CModbusInterface& m_link;
    ComSettings m_old;
};

} // namespace

unsigned SLineSetting::BaudRate() const
{
    return ComSettings::BaudRateOf(baudrate);
}

const char* SLineSetting::ParityWord() const
{
    static const char* const kWords[kParityCount] = {"none", "odd", "even"};
    return parity >= 0 && parity < kParityCount ? kWords[parity] : kWords[0];
}

std::vector<SLineSetting> SweepOrder()
{
    const ComSettings factory{ComSettings::NoLoad{}};
    // The factory parity, then even (the usual one on Modbus lines), then
    // none and odd.
    std::vector<int> parities = {factory.Parity};
    for (int parity : {2, 0, 1})
        if (parity != factory.Parity)
            parities.push_back(parity);
    const int stops[kStopCount] = {factory.Stop, 1 - factory.Stop};

    std::vector<SLineSetting> order;
    for (int baud = static_cast<int>(kBaudRates.size()) - 1; baud >= 0; --baud)
        for (int stop : stops)
            for (int parity : parities)
                order.push_back({baud, parity, stop});
    // The factory speed is the fastest today; should that change, its
    // setting still comes first.
    const SLineSetting first{factory.Baudrate, factory.Parity, factory.Stop};
    std::stable_partition(order.begin(), order.end(), [&](const SLineSetting& s) { return s == first; });
    return order;
}

void ApplyLineSetting(ComSettings& settings, const SLineSetting& setting)
{
    settings.Baudrate = setting.baudrate;
    settings.Parity = setting.parity;
    settings.Stop = setting.stop;
}

SSweepResult SweepLine(CModbusInterface& link, const SSweepOptions& options,
                       const std::function<bool(const SSweepProgress&)>& progress,
                       const std::function<void(const SSweepFinding&)>& found)
{
    if (link.Settings().Mode != kModeRs485)
        throw CPrivateException(sweep_ids::kRs485Only);
    SettingsScope scope(link);
    const std::vector<SLineSetting> order = SweepOrder();
    const double addresses = options.to - options.from + 1;
    const double steps = addresses * static_cast<double>(order.size());
    SSweepResult sweep;
    std::set<int> meterAddresses;
    bool enough = false; // a meter was found and one is all that was asked

    for (std::size_t i = 0; i < order.size() && !enough; ++i) {
        ComSettings settings = scope.Old();
        ApplyLineSetting(settings, order[i]);
        link.SetSettings(settings);
        SScanOptions scan;
        scan.from = options.from;
        scan.to = options.to;
        scan.timeoutMs = options.timeoutMs;
        auto step = [&](int address) {
            if (enough)
                return false;
            SSweepProgress p{order[i], static_cast<int>(i) + 1, static_cast<int>(order.size()), address, 0.0};
            p.fraction = (static_cast<double>(i) * addresses + (address - options.from)) / steps;
            return !progress || progress(p);
        };
        auto take = [&](const SScanFinding& f) {
            if (!f.IsMeter() || !meterAddresses.insert(f.address).second)
                return;
            sweep.meters.push_back({order[i], f});
            if (found)
                found(sweep.meters.back());
            enough = !options.all;
        };
        if (ScanBus(link, scan, step, take) == TransferResult::Cancelled && !enough) {
            sweep.result = TransferResult::Cancelled;
            break;
        }
    }
    return sweep;
}

unsigned long SweepWorstCaseMs(const SSweepOptions& options)
{
    const unsigned long addresses = static_cast<unsigned long>(options.to - options.from + 1);
    unsigned long total = 0;
    ComSettings settings{ComSettings::NoLoad{}};
    for (const SLineSetting& s : SweepOrder()) {
        ApplyLineSetting(settings, s);
        total += addresses * (options.timeoutMs ? options.timeoutMs : ScanTimeout(settings));
    }
    return total;
}
