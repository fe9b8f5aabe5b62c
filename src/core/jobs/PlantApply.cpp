#include "jobs/PlantApply.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

namespace {

namespace text {
inline constexpr unsigned kLineDown = 17430; // %1 why the line's connection failed
inline constexpr unsigned kNotHeld = 17431;  // %1 how many values
} // namespace text

constexpr std::size_t kMaxWorkers = 16;

class CPlantRun
{
public:
    CPlantRun(const SPlant& plant, const SPlantApplyOptions& options) : m_plant(plant), m_options(options)
    {
        for (std::size_t l = 0; l < plant.lines.size(); ++l) {
            m_first.push_back(m_results.size());
            for (const SPlantMeter& meter : plant.lines[l].meters) {
                SPlantMeterResult r;
                r.line = l;
                r.address = meter.address;
                r.file = meter.path;
                m_results.push_back(r);
            }
        }
    }

    std::vector<SPlantMeterResult> Run();

private:
    bool Stopped() const { return m_options.cancelled && m_options.cancelled(); }
    void Finish(const SPlantMeterResult& r)
    {
        std::lock_guard<std::mutex> lock(m_reportLock);
        if (m_options.finished)
            m_options.finished(r);
    }
    void RunLine(std::size_t l);
    // Empty, or why the line's connection cannot be opened.
    std::string LineDown(CModbusInterface& link) const;
    void RunMeter(CModbusInterface& link, const SPlantMeter& meter, SPlantMeterResult& r) const;

    const SPlant& m_plant;
    const SPlantApplyOptions& m_options;
    std::vector<SPlantMeterResult> m_results;
    std::vector<std::size_t> m_first; // each line's first result
    std::mutex m_reportLock;
};

std::string CPlantRun::LineDown(CModbusInterface& link) const
{
    try {
        link.Open();
        link.Close();
        return std::string();
    } catch (const CPrivateException& e) {
        return Stopped() ? std::string() : LoadMessage(text::kLineDown, {CommunicationErrorDetail(e.Text())});
    }
}

void CPlantRun::RunLine(std::size_t l)
{
    const SPlantLine& line = m_plant.lines[l];
    CModbusInterface link(line.settings);
    link.SetCancelDescriptor(m_options.cancelDescriptor);
    // A gateway that is down fails every meter behind it at once, rather
    // than each after its own time-out.
    const std::string down = Stopped() ? std::string() : LineDown(link);
    for (std::size_t i = 0; i < line.meters.size() && !Stopped(); ++i) {
        SPlantMeterResult& r = m_results[m_first[l] + i];
        if (!down.empty()) {
            r.status = EPlantStatus::Failed;
            r.message = down;
        } else {
            link.SetAddress(line.meters[i].address);
            RunMeter(link, line.meters[i], r);
        }
        Finish(r);
    }
}

void CPlantRun::RunMeter(CModbusInterface& link, const SPlantMeter& meter, SPlantMeterResult& r) const
{
    SSafeDownloadOptions o;
    o.keepLink = meter.keepLink;
    o.backup = m_options.backup;
    o.verify = m_options.verify;
    o.sourceFile = meter.path;
    const CRegisterImage& image = m_plant.files.at(meter.path);
    CSafeDownload job(image, o, m_options.history);
    const ProgressReport going = [this](double) { return !Stopped(); };
    auto stopped = [&] {
        r.status = EPlantStatus::Cancelled;
        if (job.AnyWriteSent())
            r.message = job.InterruptedText(); // where the meter's previous settings are
    };
    DownloadEnd end = DownloadEnd::Cancelled;
    try {
        end = RunSafeDownload(link, job, m_options.checkOnly, going);
    } catch (const CPrivateException& e) {
        r.findings = job.Findings();
        if (Stopped())
            return stopped();
        r.status = OtherModel(r.findings, image) ? EPlantStatus::Refused : EPlantStatus::Failed;
        r.message = CommunicationErrorDetail(e.Text());
        return;
    } catch (const std::exception& e) {
        r.status = EPlantStatus::Failed;
        r.message = e.what();
        return;
    }
    r.findings = job.Findings();
    r.serial = job.Serial();
    if (end == DownloadEnd::Cancelled)
        return stopped();
    r.changes = job.Changes();
    r.notHeld = job.NotHeld();
    r.backup = job.BackupPath();
    if (job.Verification() != CSafeDownload::EVerification::NotRun)
        r.verified = job.Verification() == CSafeDownload::EVerification::Verified;
    switch (end) {
    case DownloadEnd::AlreadyHeld: r.status = EPlantStatus::Held; break;
    case DownloadEnd::WouldChange: r.status = EPlantStatus::Differs; break;
    case DownloadEnd::Mismatch:
        r.status = EPlantStatus::Failed;
        r.message = LoadMessage(text::kNotHeld, {static_cast<int>(r.notHeld.size())});
        break;
    default: r.status = EPlantStatus::Written; break;
    }
}

std::vector<SPlantMeterResult> CPlantRun::Run()
{
    std::vector<std::vector<std::size_t>> groups = PlantConnections(m_plant);
    // The longest connections first: with fewer workers than connections the
    // run then ends close to the longest one.
    auto meters = [this](const std::vector<std::size_t>& group) {
        std::size_t n = 0;
        for (std::size_t l : group)
            n += m_plant.lines[l].meters.size();
        return n;
    };
    std::stable_sort(groups.begin(), groups.end(), [&](const auto& a, const auto& b) { return meters(a) > meters(b); });
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t g = next++; g < groups.size(); g = next++)
            for (std::size_t l : groups[g])
                RunLine(l);
    };
    std::vector<std::thread> workers;
    const unsigned count = PlantWorkers(m_plant, m_options.jobs);
    for (unsigned i = 0; i < count; ++i)
        workers.emplace_back(work);
    for (std::thread& t : workers)
        t.join();
    // What a stop left untouched, said too.
    for (const SPlantMeterResult& r : m_results)
        if (r.status == EPlantStatus::NotTried)
            Finish(r);
    return std::move(m_results);
}

} // namespace

std::vector<std::vector<std::size_t>> PlantConnections(const SPlant& plant)
{
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::string, std::size_t> byConnection;
    for (std::size_t l = 0; l < plant.lines.size(); ++l) {
        const auto [it, added] = byConnection.emplace(PlantConnection(plant.lines[l]), groups.size());
        if (added)
            groups.emplace_back();
        groups[it->second].push_back(l);
    }
    return groups;
}

unsigned PlantWorkers(const SPlant& plant, unsigned jobs)
{
    const std::size_t connections = PlantConnections(plant).size();
    const std::size_t cap = jobs ? jobs : kMaxWorkers;
    return static_cast<unsigned>(std::max<std::size_t>(1, std::min(connections, cap)));
}

bool HoldsItsFile(const SPlantMeterResult& r)
{
    // A value not held after the write made the meter Failed.
    return r.status == EPlantStatus::Held || r.status == EPlantStatus::Written;
}

std::vector<SPlantMeterResult> ApplyPlant(const SPlant& plant, const SPlantApplyOptions& options)
{
    return CPlantRun(plant, options).Run();
}
