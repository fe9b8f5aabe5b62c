// Several meters on one line: the scan along it, and upload, download and
// report run for a list of addresses, one meter after the other, each with
// its own result.
#include "Commands.h"

#include "CliCancel.h"
#include "CliDownload.h"
#include "CliJson.h"
#include "CliProgress.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/FileStringIds.h"
#include "files/MeterHistory.h"
#include "files/ParameterReport.h"
#include "jobs/BusScan.h"
#include "jobs/LineSweep.h"
#include "jobs/MeterLine.h"
#include "jobs/TransferJobs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

namespace cli {

namespace {

enum class Result { Done = 0, Refused = 1, Failed = 2, Cancelled = 3 };
// The words of the JSON documents, never translated.
const char* const kResultKeys[] = {"done", "refused", "failed", "cancelled"};

// What became of one meter of the list.
struct Outcome
{
    int address = 0;
    Result result = Result::Done;
    std::string message; // why it was refused or failed
    std::string detail;  // of a meter done: the file written, the comparison's status line
    SMeterFindings findings;
    std::string file;
    std::optional<int> mismatches;
    std::vector<SReportRow> differences;
    // A download, once the meter was read.
    struct Download
    {
        bool alreadyHeld = false;
        std::vector<SParameterChange> changes, notHeld;
        std::string backup;
        std::optional<bool> verified;
        std::string linkChange;
        bool listChanges = false; // printed under the meter's line (a dry run)
    };
    std::optional<Download> download;
};

// One meter's job: Done, Refused (with outcome.message) or Cancelled; a
// failure raises CPrivateException.
using MeterJob =
    std::function<Result(CModbusInterface& link, ProgressBar& bar, const CancelWatch& watch, Outcome& outcome)>;
// Whether a failure after these findings refuses the meter rather than
// reports a link failure.
using Refusal = std::function<bool(const SMeterFindings& findings)>;

std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

void PrintOutcome(const Outcome& o)
{
    std::string line =
        std::to_string(o.address) + "\t" + CStringTable::Get(text::kResultWords + static_cast<int>(o.result));
    const std::string& more = o.result == Result::Done ? o.detail : o.message;
    if (!more.empty())
        line += "\t" + OneLine(more);
    std::printf("%s\n", line.c_str());
    for (const SReportRow& row : o.differences)
        std::printf("  %s\t%s\t%s\t%s\n", row.group.c_str(), row.name.c_str(), row.value.c_str(),
                    row.comparisonValue.c_str());
    if (o.download) {
        std::fputs(ChangeLines(o.download->listChanges ? o.download->changes : o.download->notHeld).c_str(), stdout);
        if (!o.download->linkChange.empty())
            std::printf("  %s\n", o.download->linkChange.c_str());
    }
    std::fflush(stdout);
}

Json OutcomeJson(const Outcome& o)
{
    Json m;
    m["address"] = o.address;
    m["result"] = kResultKeys[static_cast<int>(o.result)];
    if (!o.message.empty())
        m["message"] = OneLine(o.message);
    if (o.findings.identityRead)
        AddIdentity(m, o.findings.identity);
    if (!o.file.empty())
        m["file"] = o.file;
    if (o.mismatches) {
        m["mismatches"] = *o.mismatches;
        m["status_text"] = o.detail;
        Json rows = Json::array();
        for (const SReportRow& row : o.differences)
            rows.push_back({{"group", row.group},
                            {"name", row.name},
                            {"value", row.value},
                            {"device_value", row.comparisonValue}});
        m["differences"] = rows;
    }
    if (o.download) {
        const Outcome::Download& d = *o.download;
        m["already_held"] = d.alreadyHeld;
        Json changes = Json::array(), notHeld = Json::array();
        for (const SParameterChange& c : d.changes)
            changes.push_back(
                {{"group", c.group}, {"name", c.name}, {"meter_value", c.meterValue}, {"new_value", c.newValue}});
        for (const SParameterChange& c : d.notHeld)
            notHeld.push_back(
                {{"group", c.group}, {"name", c.name}, {"meter_value", c.meterValue}, {"sent_value", c.newValue}});
        m["changes"] = changes;
        m["backup"] = d.backup.empty() ? Json() : Json(d.backup);
        m["verified"] = d.verified ? Json(*d.verified) : Json();
        m["not_held"] = notHeld;
        if (!d.linkChange.empty())
            m["link_change"] = d.linkChange;
    }
    return m;
}

// Runs `job` for every address of the list in turn on one link, prints each
// result as it comes (or the whole document for --json) and a summary.
// Returns the exit status: 0 when every meter is done; Ctrl-C ends the run
// after the meter it met, as cancelled.
int RunEach(const Invocation& inv, Json document, const MeterJob& job, const Refusal& refusal)
{
    const bool json = inv.Flag("--json");
    const MeterAddresses meters = Addresses(inv);
    ComSettings settings = LinkSettings(inv);
    if (meters.list)
        NeedBusLink(settings);
    CModbusInterface link(settings);
    CancelWatch watch(&link);
    std::vector<Outcome> outcomes;
    for (std::size_t i = 0; i < meters.addresses.size(); ++i) {
        Outcome o;
        o.address = meters.addresses[i];
        link.SetAddress(o.address);
        ProgressBar bar;
        bar.SetLabel(LoadMessage(text::kProgressMeter,
                                 {o.address, static_cast<int>(i + 1), static_cast<int>(meters.addresses.size())}));
        try {
            o.result = job(link, bar, watch, o);
            // A Ctrl-C that ended the job is taken, not left pending.
            if (watch.Cancelled())
                o.result = Result::Cancelled;
        } catch (const CPrivateException& e) {
            if (watch.Cancelled()) {
                o.result = Result::Cancelled;
            } else {
                o.result = refusal(o.findings) ? Result::Refused : Result::Failed;
                o.message = CommunicationErrorDetail(e.Text());
            }
        }
        // A download's refusal names both models itself.
        if (o.result == Result::Refused && o.findings.identityRead && o.findings.identity.IsKnown() &&
            inv.command != "download")
            o.message = LoadMessage(text::kTheMeterIs,
                                    {o.message, o.findings.identity.Code(), o.findings.identity.ModelDescription()});
        bar.Clear();
        if (!json)
            PrintOutcome(o);
        outcomes.push_back(std::move(o));
        if (outcomes.back().result == Result::Cancelled)
            break;
    }

    int count[4] = {};
    int withDifferences = 0;
    Json list = Json::array();
    for (const Outcome& o : outcomes) {
        ++count[static_cast<int>(o.result)];
        withDifferences += o.mismatches.value_or(0) > 0;
        list.push_back(OutcomeJson(o));
    }
    const bool cancelled = count[static_cast<int>(Result::Cancelled)] > 0;
    const int total = static_cast<int>(outcomes.size());
    if (json) {
        document["meters"] = list;
        document["summary"] = {{"meters", total},
                               {"done", count[0]},
                               {"refused", count[1]},
                               {"failed", count[2]},
                               {"cancelled", cancelled}};
        PrintJson(document);
    } else if (inv.command == "report") {
        std::printf(
            "%s\n",
            LoadMessage(text::kReportFleetSummary, {total, count[0], withDifferences, count[1], count[2]}).c_str());
    } else {
        std::printf("%s\n", LoadMessage(text::kFleetSummary, {total, count[0], count[1], count[2]}).c_str());
    }
    std::fflush(stdout);
    if (cancelled)
        throw Cancelled{};
    return count[0] == total ? 0 : 1;
}

std::string UnitFile(const std::string& dir, int address)
{
    char name[32];
    std::snprintf(name, sizeof name, "addr-%03d.cfg", address);
    return (std::filesystem::path(dir) / name).string();
}

int ParseRangeEnd(const Invocation& inv, const char* name, int byDefault)
{
    return static_cast<int>(IntegerOption(inv, name, byDefault, kFirstDeviceAddress, kLastDeviceAddress));
}

} // namespace

int FleetUpload(const Invocation& inv)
{
    const MeterAddresses meters = Addresses(inv);
    const std::string& target = inv.args[0];
    if (meters.list)
        NeedBusLink(LinkSettings(inv)); // before any folder is made
    Json document;
    document["command"] = "upload";
    if (meters.list) {
        // One file per meter in the folder, made when it is not there.
        std::error_code ec;
        std::filesystem::create_directories(target, ec);
        if (ec || !std::filesystem::is_directory(target))
            throw CPrivateException(
                LoadPrintfMessage(text::kCannotCreateFolder, {target, ec ? ec.message() : std::strerror(ENOTDIR)}));
        document["directory"] = target;
    } else {
        document["file"] = target;
    }
    auto job = [&](CModbusInterface& link, ProgressBar& bar, const CancelWatch& watch, Outcome& o) {
        CRegisterImage image;
        if (!RunUpload(link, image, std::ref(bar), &watch.Flag(), &o.findings) || watch.Cancelled())
            return Result::Cancelled; // and no file
        const std::string path = meters.list ? UnitFile(target, o.address) : target;
        CConfigFile::Save(image, path);
        o.file = o.detail = path;
        return Result::Done;
    };
    return RunEach(inv, document, job, UnknownMeter);
}

int FleetDownload(const Invocation& inv, const CRegisterImage& image)
{
    const SSafeDownloadOptions options = SafeDownloadOptions(inv, Addresses(inv).list, inv.args[0]);
    const bool dryRun = inv.Flag("--dry-run");
    CMeterHistory history;
    Json document;
    document["command"] = "download";
    document["file"] = inv.args[0];
    document["keep_link"] = options.keepLink;
    if (dryRun)
        document["dry_run"] = true;
    int wouldChange = 0;
    std::vector<std::string> warnings;
    auto job = [&](CModbusInterface& link, ProgressBar& bar, const CancelWatch& watch, Outcome& o) {
        CSafeDownload download(image, options, &history);
        DownloadEnd end = DownloadEnd::Cancelled;
        try {
            end = RunSafeDownload(link, download, dryRun, bar, watch);
        } catch (const CPrivateException&) {
            o.findings = download.Findings();
            if (!download.LogWarning().empty())
                warnings.push_back(download.LogWarning());
            throw;
        }
        o.findings = download.Findings();
        if (end == DownloadEnd::Cancelled || watch.Cancelled()) {
            if (download.AnyWriteSent())
                o.message = download.InterruptedText(); // where the meter's previous settings are
            return Result::Cancelled;
        }
        Outcome::Download d;
        d.alreadyHeld = end == DownloadEnd::AlreadyHeld;
        d.changes = download.Changes();
        d.notHeld = download.NotHeld();
        d.backup = download.BackupPath();
        if (download.Verification() != CSafeDownload::EVerification::NotRun)
            d.verified = download.Verification() == CSafeDownload::EVerification::Verified;
        d.linkChange = download.LinkChangeText();
        d.listChanges = end == DownloadEnd::WouldChange;
        o.download = d;
        if (!download.LogWarning().empty())
            warnings.push_back(download.LogWarning());
        switch (end) {
        case DownloadEnd::AlreadyHeld: o.detail = CStringTable::Get(text::kAlreadyHeld); return Result::Done;
        case DownloadEnd::WouldChange:
            ++wouldChange;
            o.detail = LoadMessage(text::kDryRun, {static_cast<int>(d.changes.size())});
            return Result::Done;
        case DownloadEnd::Mismatch: o.message = MismatchText(download); return Result::Failed;
        default: o.detail = DownloadedText(download); return Result::Done;
        }
    };
    const int status = RunEach(inv, document, job, [&](const SMeterFindings& f) { return OtherModel(f, image); });
    for (const std::string& w : warnings)
        PrintError(LoadMessage(text::kWarning, {w}));
    // A dry run says whether anything would change.
    return status == 0 && wouldChange > 0 ? 3 : status;
}

int FleetReport(const Invocation& inv, const CRegisterImage& file, const PdfSession& pdf)
{
    const bool keepLink = KeepLink(inv, Addresses(inv).list);
    Json document;
    document["command"] = "report";
    document["file"] = inv.args[0];
    document["keep_link"] = keepLink;
    auto job = [&](CModbusInterface& link, ProgressBar& bar, const CancelWatch& watch, Outcome& o) {
        const std::optional<SMeterComparison> c =
            CompareMeter(link, file, keepLink, std::ref(bar), &watch.Flag(), &o.findings);
        if (!c)
            return Result::Cancelled;
        if (c->otherModel) {
            o.message = CStringTable::Get(text::kOtherModel);
            return Result::Refused;
        }
        o.mismatches = c->mismatches;
        o.detail = c->statusText;
        o.differences = c->differences;
        if (pdf.Active()) {
            CParameterReport report(c->settings);
            report.SetComparison(c->meter, CStringTable::Get(file_ids::kColumnDevice));
            o.file = pdf.PathFor(o.address);
            pdf.Write(report, ReadIdentity(link.Settings()), CMeterHistory::LinkText(link.Settings()), o.address,
                      o.file);
            if (!inv.Flag("--json")) // where the document has "file"
                o.detail += "\t" + o.file;
        }
        return Result::Done;
    };
    return RunEach(inv, document, job, UnknownMeter);
}

namespace {

// --from, --to and --timeout; a usage error for values that do not fit.
SScanOptions ScanOptions(const Invocation& inv)
{
    SScanOptions options;
    options.from = ParseRangeEnd(inv, "--from", kFirstDeviceAddress);
    options.to = ParseRangeEnd(inv, "--to", kLastDeviceAddress);
    if (options.to < options.from)
        Usage(text::kInvalidRange, {std::to_string(options.from), std::to_string(options.to)});
    if (inv.Option("--timeout"))
        options.timeoutMs = static_cast<unsigned>(IntegerOption(inv, "--timeout", 0, 1, 60000));
    return options;
}

// What a scan found, one entry an address that answered.
struct ScanFindings
{
    Json meters = Json::array(), others = Json::array();
    int meterCount = 0;

    // The entry made, for more fields.
    Json& Add(const SScanFinding& f)
    {
        Json entry;
        entry["address"] = f.address;
        if (f.IsMeter()) {
            ++meterCount;
            AddIdentity(entry, f.identity);
            meters.push_back(entry);
            return meters.back();
        }
        entry["message"] = OneLine(f.message);
        if (f.identityRead)
            AddIdentity(entry, f.identity);
        others.push_back(entry);
        return others.back();
    }
};

// A line of the scan; `more` (tab-separated fields) follows a meter's.
void PrintFinding(const SScanFinding& f, const std::string& more = {})
{
    if (f.IsMeter())
        std::printf("%d\t%d\t%s%s\n", f.address, f.identity.Code(), f.identity.ModelDescription().c_str(),
                    more.c_str());
    else
        std::printf("%d\t-\t%s\n", f.address, OneLine(f.message).c_str());
    std::fflush(stdout);
}

// scan --sweep: the scan at every line setting until a meter answers (with
// --all: at every setting). Each meter's line ends in the setting it
// answered at, in the words of --baud, --parity and --stop.
int Sweep(const Invocation& inv, const SScanOptions& scan)
{
    for (const char* fixed : {"--baud", "--parity", "--stop"})
        if (inv.Option(fixed))
            Usage(text::kOptionsExclusive, {"--sweep", fixed});
    const bool json = inv.Flag("--json");
    const ComSettings settings = LinkSettings(inv);
    SSweepOptions options;
    options.from = scan.from;
    options.to = scan.to;
    options.timeoutMs = scan.timeoutMs;
    options.all = inv.Flag("--all");

    CModbusInterface link(settings);
    CancelWatch watch(&link);
    ProgressBar bar;
    ScanFindings findings;
    auto progress = [&](const SSweepProgress& p) {
        bar.SetLabel(
            LoadMessage(text::kProgressSweep, {static_cast<int>(p.setting.BaudRate()), p.setting.ParityWord(),
                                               p.setting.StopBits(), p.address, p.settingNumber, p.settingCount}));
        bar(p.fraction * 100.0);
        return !watch.Cancelled();
    };
    auto found = [&](const SSweepFinding& f) {
        Json& entry = findings.Add(f.meter);
        entry["baud"] = f.setting.BaudRate();
        entry["parity"] = f.setting.ParityWord();
        entry["stop"] = f.setting.StopBits();
        if (json)
            return;
        bar.Clear();
        PrintFinding(f.meter, "\t" + std::to_string(f.setting.BaudRate()) + "\t" + f.setting.ParityWord() + "\t" +
                                  std::to_string(f.setting.StopBits()));
    };
    SSweepResult result;
    try {
        result = SweepLine(link, options, progress, found);
    } catch (const CPrivateException&) {
        bar.Clear();
        watch.ThrowIfCancelled();
        throw;
    }
    bar.Clear();
    // Asked first: a Ctrl-C that ended the sweep is taken, not left pending.
    const bool cancelled = watch.Cancelled() || result.result == TransferResult::Cancelled;
    if (json) {
        Json document;
        document["command"] = "scan";
        document["sweep"] = true;
        document["from"] = options.from;
        document["to"] = options.to;
        document["all"] = options.all;
        document["cancelled"] = cancelled;
        document["meters"] = findings.meters;
        PrintJson(document);
    }
    if (cancelled) {
        if (!json)
            std::printf("%s\n", LoadMessage(text::kSweepCancelled, {findings.meterCount}).c_str());
        throw Cancelled{};
    }
    if (findings.meterCount == 0) {
        PrintError(LoadMessage(text::kNoMeterAtAnySetting, {options.from, options.to}));
        return 1;
    }
    return 0;
}

} // namespace

int CmdScan(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    const SScanOptions options = ScanOptions(inv);
    if (inv.Flag("--all") && !inv.Flag("--sweep"))
        Usage(text::kOptionNeeds, {"--all", "--sweep"});
    if (inv.Flag("--sweep"))
        return Sweep(inv, options);
    const bool json = inv.Flag("--json");
    const ComSettings settings = LinkSettings(inv);
    NeedBusLink(settings);
    const unsigned timeout = options.timeoutMs ? options.timeoutMs : ScanTimeout(settings);

    CModbusInterface link(settings);
    CancelWatch watch(&link);
    ProgressBar bar;
    ScanFindings findings;
    const double span = options.to - options.from + 1;
    auto progress = [&](int address) {
        bar.SetLabel(LoadMessage(text::kProgressAddress, {address}));
        bar((address - options.from) / span * 100.0);
        return !watch.Cancelled();
    };
    auto found = [&](const SScanFinding& f) {
        findings.Add(f);
        if (json)
            return;
        bar.Clear();
        PrintFinding(f);
    };
    TransferResult result = TransferResult::Completed;
    try {
        result = ScanBus(link, options, progress, found);
    } catch (const CPrivateException&) {
        bar.Clear();
        watch.ThrowIfCancelled();
        throw;
    }
    bar.Clear();
    // Asked first: a Ctrl-C that ended the scan is taken, not left pending.
    const bool cancelled = watch.Cancelled() || result == TransferResult::Cancelled;
    if (json) {
        Json document;
        document["command"] = "scan";
        document["from"] = options.from;
        document["to"] = options.to;
        document["timeout_ms"] = timeout;
        document["cancelled"] = cancelled;
        document["meters"] = findings.meters;
        document["other_devices"] = findings.others;
        PrintJson(document);
    }
    if (cancelled)
        throw Cancelled{};
    if (findings.meterCount == 0) {
        PrintError(LoadMessage(text::kNothingAnswered, {options.from, options.to}));
        return 1;
    }
    return 0;
}

} // namespace cli
