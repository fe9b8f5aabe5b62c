// Commands that move a whole parameter set, report it, or watch the meter.
#include "Commands.h"

#include "CliCancel.h"
#include "CliJson.h"
#include "CliProgress.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/FileStringIds.h"
#include "files/LiveValueLog.h"
#include "files/MeterHistory.h"
#include "files/ParameterReport.h"
#include "jobs/TagMaxMin.h"
#include "jobs/TransferJobs.h"
#include "model/Measurands.h"
#include "model/ParameterEnumeration.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace cli {

namespace {

CRegisterImage UploadFromMeter(const Invocation& inv, SMeterFindings* findings = nullptr)
{
    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    CRegisterImage image;
    bool done = false;
    watch.Run([&] {
        ProgressBar bar;
        done = RunUpload(link, image, std::ref(bar), &watch.Flag(), findings);
    });
    // A Ctrl-C after the last read still means no file.
    watch.ThrowIfCancelled();
    if (!done)
        throw Cancelled{};
    return image;
}

void PrintReportTable(const CParameterReport& report)
{
    for (const SReportRow& row : report.Rows()) {
        std::printf("%s\t%s\t%s", row.group.c_str(), row.name.c_str(), row.value.c_str());
        if (report.IsCompared()) {
            static const char* const kMarks[] = {"=", "!=", "-"};
            std::printf("\t%s\t%s", row.comparisonValue.c_str(), kMarks[row.status]);
        }
        // A value a meter would not take: a last column of its own.
        std::printf("%s\n", row.flagged ? "\t!" : "");
    }
    if (report.IsCompared() || report.FlaggedCount() != 0)
        std::printf("%s\n", report.StatusText().c_str());
}

// A file read for a report: values a meter would not take are read all the
// same, named on stderr and marked in the report.
struct ReportFile
{
    std::string path;
    CRegisterImage image;
    std::vector<SConfigValueProblem> problems;

    explicit ReportFile(std::string p) : path(std::move(p))
    {
        image = CConfigFile::ReadLenient(path, problems);
        for (const SConfigValueProblem& problem : problems)
            PrintError(LoadMessage(text::kWarning, {path + ": " + CConfigFile::ProblemText(problem)}));
    }
};

Json ProblemsJson(const ReportFile& file)
{
    Json list = Json::array();
    for (const SConfigValueProblem& p : file.problems) {
        Json j;
        j["file"] = file.path;
        j["key"] = p.key;
        j["line"] = p.line;
        j["value"] = p.text;
        j["parameter"] = p.word >= 0 ? Json(CParameterEnumerationInterface().NameText(p.word)) : Json();
        j["plain"] = p.plain;
        if (p.plain)
            j["allowed"] = Json::array({p.minimum, p.maximum});
        j["message"] = CConfigFile::ProblemText(p);
        list.push_back(j);
    }
    return list;
}

// `comparedWith`: "device", the other file's name, or empty.
void PrintReportJson(const std::string& file, const CParameterReport& report, const std::string& comparedWith,
                     const Json& invalidValues)
{
    static const char* const kStatus[] = {"equal", "different", "not_applicable"};
    Json document;
    document["command"] = "report";
    document["file"] = file;
    document["compared_with"] = comparedWith.empty() ? Json() : Json(comparedWith);
    Json rows = Json::array();
    for (const SReportRow& row : report.Rows()) {
        Json r;
        r["group"] = row.group;
        r["name"] = row.name;
        r["value"] = row.value;
        if (report.IsCompared())
            r["comparison_value"] = row.comparisonValue;
        r["status"] = kStatus[row.status];
        if (row.flagged)
            r["invalid"] = true;
        rows.push_back(r);
    }
    document["parameters"] = rows;
    if (report.IsCompared()) {
        document["mismatches"] = report.MismatchCount();
        document["status_text"] = report.StatusText();
    }
    // Values of either file that a meter would not take, always there.
    document["invalid_values"] = invalidValues;
    if (report.FlaggedCount() != 0)
        document["status_text"] = report.StatusText();
    PrintJson(document);
}

std::string OneLineText(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

// The field names of the monitor's JSON objects, in the order of its table.
const char* const kMonitorFields[CMeasurands::kMeasurandCount] = {
    "tag",           "display_value", "max_value",     "min_value",        "status",          "error_code",
    "analog_output", "model_name",    "serial_number", "hardware_version", "firmware_version"};

} // namespace

int CmdUpload(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    if (Addresses(inv).list || inv.Flag("--json"))
        return FleetUpload(inv);
    const auto start = std::chrono::steady_clock::now();
    SMeterFindings findings;
    CRegisterImage image = UploadFromMeter(inv, &findings);
    CConfigFile::Save(image, inv.args[0]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    const ComSettings settings = LinkSettings(inv);
    const CDeviceType& model = image.Identity();
    std::printf("%s\n",
                LoadMessage(text::kUploaded, {model.Code(), model.ModelDescription(), findings.serial,
                                              settings.Mode == kModeInfrared ? 1 : settings.Address, time, inv.args[0]})
                    .c_str());
    return 0;
}

int CmdReport(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    const std::string* compareFile = inv.Option("--compare");
    const bool compareDevice = inv.Flag("--compare-device");
    if (compareFile && compareDevice)
        Usage(text::kCompareBoth, {});
    const PdfSession pdf(inv); // the language first: the report's texts are in it
    const ReportFile file(inv.args[0]);
    const CRegisterImage& working = file.image;
    if (compareDevice && Addresses(inv).list)
        return FleetReport(inv, working, pdf);
    CParameterReport report(working);
    Json invalid = ProblemsJson(file);
    std::set<int> flagged = CConfigFile::ProblemParameters(file.problems);
    if (compareFile) {
        const ReportFile other(*compareFile);
        flagged.merge(CConfigFile::ProblemParameters(other.problems));
        for (const Json& j : ProblemsJson(other))
            invalid.push_back(j);
        report.SetComparison(other.image, std::filesystem::path(*compareFile).filename().string());
    } else if (compareDevice) {
        const CRegisterImage meter = UploadFromMeter(inv);
        if (KeepLink(inv, false)) {
            // The file as a download that keeps the meter's link writes it.
            CRegisterImage laid(working);
            CopyLinkSettings(meter, laid);
            report = CParameterReport(laid);
        }
        report.SetComparison(meter, CStringTable::Get(file_ids::kColumnDevice));
    }
    report.SetFlagged(flagged);
    if (inv.Flag("--json"))
        PrintReportJson(inv.args[0], report,
                        compareFile ? std::filesystem::path(*compareFile).filename().string()
                                    : std::string(compareDevice ? "device" : ""),
                        invalid);
    else
        PrintReportTable(report);
    if (const std::string* csv = inv.Option("--csv")) {
        SCsvOptions options;
        options.header = inv.Flag("--csv-header");
        options.byteOrderMark = inv.Flag("--csv-bom");
        report.ExportCsv(*csv, options);
    }
    if (pdf.Active() && compareDevice) {
        const ComSettings settings = LinkSettings(inv);
        pdf.Write(report, ReadIdentity(settings), CMeterHistory::LinkText(settings), settings.Address,
                  pdf.PathFor(settings.Address));
    } else if (pdf.Active()) {
        pdf.Write(report, IdentityOfImage(report.Working()), std::string(), 0, pdf.PathFor(0));
    }
    return 0;
}

namespace {

// One poll's output: a line of the eleven texts or a JSON object; the record
// gets its row as well.
void ShowPoll(bool json, const CMeasurands* values, const std::string& error, CLiveValueLog& log)
{
    const auto now = CLiveValueLog::Clock::now();
    if (json) {
        Json line;
        line["time"] = UtcTimeText(now);
        if (values) {
            for (int i = 0; i < CMeasurands::kMeasurandCount; ++i)
                line[kMonitorFields[i]] = values->MeasurandText(CLiveValueLog::kColumnMeasurands[std::size_t(i)]);
        } else {
            line["error"] = OneLineText(error);
        }
        PrintJson(line, true);
    } else if (values) {
        for (int i = 0; i < CMeasurands::kMeasurandCount; ++i)
            std::printf("%s%s", i ? "\t" : "",
                        values->MeasurandText(CLiveValueLog::kColumnMeasurands[std::size_t(i)]).c_str());
        std::printf("\n");
        std::fflush(stdout);
    } else {
        PrintError(error);
    }
    log.AddPoll(now, values, error);
}

} // namespace

int CmdMonitor(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    const long long count = IntegerOption(inv, "--count", -1, 1, LLONG_MAX);      // -1: until Ctrl-C
    const long long interval = IntegerOption(inv, "--interval", 0, 0, LLONG_MAX); // back to back, as the window polls
    constexpr long long kPauseAfterFailureMs = 100;
    const bool json = inv.Flag("--json");
    if (!json) {
        for (int i = 0; i < CMeasurands::kMeasurandCount; ++i)
            std::printf("%s%s", i ? "\t" : "", CStringTable::Get(text::kMonitorLabels + i).c_str());
        std::printf("\n");
        std::fflush(stdout);
    }
    CLiveValueLog log;
    if (const std::string* csv = inv.Option("--csv"))
        log.Open(*csv);

    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    CMeasurands values;
    int status = 0;
    for (long long poll = 0; (count < 0 || poll < count) && !watch.Cancelled(); ++poll) {
        // A refused connection fails at once: without a pause after a failed
        // poll a meter switched off would give thousands of rows a second.
        const long long pause = status != 0 ? std::max(interval, kPauseAfterFailureMs) : interval;
        if (poll > 0 && pause > 0 && !watch.Sleep(static_cast<int>(std::min(pause, 86400000LL))))
            break;
        try {
            link.Open();
            values.ReadAll(link);
            link.Close();
            status = 0;
            ShowPoll(json, &values, {}, log);
        } catch (const CPrivateException& e) {
            link.Close();
            if (watch.Cancelled())
                break;
            if (!log.Path().empty() && !log.IsOpen())
                throw; // the record could not be written: said, and the end
            // The monitor goes on polling.
            status = 1;
            ShowPoll(json, nullptr, e.Text(), log);
        }
    }
    return watch.Cancelled() ? 130 : status;
}

int CmdTag(const Invocation& inv)
{
    NeedArgs(inv, 0, 1);
    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    if (inv.args.empty()) {
        std::string tag;
        watch.Run([&] { tag = ReadTag(link); });
        watch.ThrowIfCancelled();
        std::printf("%s\n", tag.c_str());
    } else {
        CMeterHistory history;
        std::string warning;
        watch.Run([&] { warning = WriteTag(link, inv.args[0], history); });
        if (!warning.empty())
            PrintError(LoadMessage(text::kWarning, {warning}));
    }
    return 0;
}

int CmdResetMaxMin(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    if (!inv.Flag("--yes"))
        Usage(text::kConfirmReset, {});
    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    CMeterHistory history;
    std::string warning;
    watch.Run([&] { warning = ResetMaxMin(link, history); });
    if (!warning.empty())
        PrintError(LoadMessage(text::kWarning, {warning}));
    return 0;
}

} // namespace cli
