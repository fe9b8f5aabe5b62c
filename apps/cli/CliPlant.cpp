// apply: a whole plant of meters brought to its plant file, or (--check)
// compared with it; the core's plant job does the work, this file prints it.
#include "Commands.h"

#include "CliCancel.h"
#include "CliDownload.h"
#include "CliJson.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/MeterHistory.h"
#include "jobs/PlantApply.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

// The words of the JSON documents, never translated; in EPlantStatus order.
const char* const kStatusKeys[] = {"held", "written", "differs", "failed", "refused", "stopped", "not_tried"};
constexpr int kStatusCount = 7;

int StatusIndex(const SPlantMeterResult& r)
{
    return static_cast<int>(r.status);
}

void PrintMeter(const SPlant& plant, const SPlantMeterResult& r, bool diff)
{
    std::string line = plant.lines[r.line].name + "\t" + std::to_string(r.address) + "\t" +
                       CStringTable::Get(text::kPlantStatusWords + static_cast<unsigned>(StatusIndex(r))) + "\t" +
                       std::to_string(r.changes.size());
    if (!r.message.empty()) {
        std::string message = r.message;
        std::replace(message.begin(), message.end(), '\r', ' ');
        line += "\t" + message;
    }
    std::printf("%s\n", line.c_str());
    if (diff)
        std::fputs(ChangeLines(r.status == EPlantStatus::Failed ? r.notHeld : r.changes).c_str(), stdout);
    std::fflush(stdout);
}

Json Changes(const std::vector<SParameterChange>& changes, const char* newKey)
{
    Json list = Json::array();
    for (const SParameterChange& c : changes)
        list.push_back({{"group", c.group}, {"name", c.name}, {"meter_value", c.meterValue}, {newKey, c.newValue}});
    return list;
}

Json MeterJson(const SPlant& plant, const SPlantMeterResult& r)
{
    Json m;
    m["line"] = plant.lines[r.line].name;
    m["link"] = CMeterHistory::LinkText(plant.lines[r.line].settings);
    m["address"] = r.address;
    if (r.findings.identityRead)
        AddIdentity(m, r.findings.identity);
    m["serial"] = r.serial.empty() ? Json() : Json(r.serial);
    m["file"] = r.file;
    m["status"] = kStatusKeys[StatusIndex(r)];
    m["changes"] = Changes(r.changes, "new_value");
    m["not_held"] = Changes(r.notHeld, "sent_value");
    m["verified"] = r.verified ? Json(*r.verified) : Json();
    m["backup"] = r.backup.empty() ? Json() : Json(r.backup);
    m["message"] = r.message.empty() ? Json() : Json(r.message);
    return m;
}

// The plant file says how every line is reached.
void NoLinkOptions(const Invocation& inv)
{
    for (const char* name : {"--link", "--port", "--baud", "--parity", "--stop", "--address", "--host", "--service"})
        if (inv.Option(name))
            Usage(text::kOptionNotForCommand, {name, inv.command});
}

// The exit status: apply 0 when every meter holds its file; --check 3 when
// some differ (and every one was read).
int ExitStatus(bool check, const int (&count)[kStatusCount], std::size_t total)
{
    const int held = count[static_cast<int>(EPlantStatus::Held)];
    if (!check)
        return held + count[static_cast<int>(EPlantStatus::Written)] == static_cast<int>(total) ? 0 : 1;
    if (held == static_cast<int>(total))
        return 0;
    return held + count[static_cast<int>(EPlantStatus::Differs)] == static_cast<int>(total) ? 3 : 1;
}

} // namespace

int CmdApply(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    NoLinkOptions(inv);
    const bool check = inv.Flag("--check"), json = inv.Flag("--json"), diff = inv.Flag("--diff");
    if (check && (inv.Flag("--no-backup") || inv.Flag("--no-verify")))
        Usage(text::kOptionsExclusive, {"--check", inv.Flag("--no-backup") ? "--no-backup" : "--no-verify"});
    const auto jobs = static_cast<unsigned>(IntegerOption(inv, "--jobs", 0, 1, 1024));
    SPlant plant;
    try {
        plant = ReadPlantFile(inv.args[0]);
    } catch (const CPrivateException& e) {
        PrintError(e.Text()); // refused as a wrong command line is: nothing was touched
        return 2;
    }

    CMeterHistory history;
    CancelWatch watch(nullptr);
    SPlantApplyOptions options;
    options.checkOnly = check;
    options.jobs = jobs;
    options.backup = !inv.Flag("--no-backup");
    options.verify = !inv.Flag("--no-verify");
    options.history = &history;
    options.cancelDescriptor = watch.Descriptor();
    options.cancelled = [&watch] { return watch.Cancelled(); };
    if (!json)
        options.finished = [&](const SPlantMeterResult& r) { PrintMeter(plant, r, diff); };
    const std::vector<SPlantMeterResult> results = ApplyPlant(plant, options);

    int count[kStatusCount] = {};
    Json list = Json::array();
    for (const SPlantMeterResult& r : results) {
        ++count[StatusIndex(r)];
        list.push_back(MeterJson(plant, r));
    }
    const int total = static_cast<int>(results.size()), lines = static_cast<int>(plant.lines.size());
    if (json) {
        Json document;
        document["command"] = "apply";
        document["plant"] = inv.args[0];
        document["check"] = check;
        document["jobs"] = PlantWorkers(plant, jobs);
        document["meters"] = list;
        Json summary = {{"meters", total}, {"lines", lines}};
        for (int i = 0; i < kStatusCount; ++i)
            summary[kStatusKeys[i]] = count[i];
        document["summary"] = summary;
        PrintJson(document);
    } else {
        const int stopped = count[static_cast<int>(EPlantStatus::Cancelled)];
        const int notTried = count[static_cast<int>(EPlantStatus::NotTried)];
        const int failed = count[static_cast<int>(EPlantStatus::Failed)];
        const int refused = count[static_cast<int>(EPlantStatus::Refused)];
        const int held = count[static_cast<int>(EPlantStatus::Held)];
        std::printf("%s\n", (check ? LoadMessage(text::kCheckSummary,
                                                 {total, lines, held, count[static_cast<int>(EPlantStatus::Differs)],
                                                  failed, refused, stopped, notTried})
                                   : LoadMessage(text::kApplySummary,
                                                 {total, lines, held, count[static_cast<int>(EPlantStatus::Written)],
                                                  failed, refused, stopped, notTried}))
                                .c_str());
        std::fflush(stdout);
    }
    if (watch.Cancelled())
        throw Cancelled{};
    return ExitStatus(check, count, results.size());
}

} // namespace cli
