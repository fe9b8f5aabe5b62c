// download of one meter through the safe download, and history: what the
// meter history holds.
#include "CliDownload.h"

#include "CliCancel.h"
#include "CliJson.h"
#include "CliProgress.h"
#include "Commands.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/MeterHistory.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace cli {

namespace {

std::string BackupSentence(const CSafeDownload& job)
{
    return job.BackupPath().empty() ? CStringTable::Get(text::kNoBackup)
                                    : LoadMessage(text::kBackupKept, {job.BackupPath()});
}

void PrintLines(FILE* out, std::string text)
{
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty())
        std::fprintf(out, "%s\n", text.c_str());
}

} // namespace

SSafeDownloadOptions SafeDownloadOptions(const Invocation& inv, bool keepLinkByDefault, const std::string& file)
{
    SSafeDownloadOptions options;
    options.keepLink = KeepLink(inv, keepLinkByDefault);
    options.backup = !inv.Flag("--no-backup");
    options.verify = !inv.Flag("--no-verify");
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    options.sourceFile = ec ? file : absolute.lexically_normal().string();
    return options;
}

DownloadEnd RunSafeDownload(CModbusInterface& link, CSafeDownload& job, bool dryRun, ProgressBar& bar,
                            const CancelWatch& watch)
{
    return ::RunSafeDownload(link, job, dryRun, [&bar, &watch](double percent) {
        bar(percent);
        return !watch.Cancelled();
    });
}

std::string DownloadedText(const CSafeDownload& job)
{
    const int changed = static_cast<int>(job.Changes().size());
    const unsigned id = job.Verification() == CSafeDownload::EVerification::Verified ? text::kDownloadedVerified
                                                                                     : text::kDownloadedNotVerified;
    return LoadMessage(id, {changed}) + " " + BackupSentence(job);
}

std::string MismatchText(const CSafeDownload& job)
{
    return LoadMessage(text::kVerifyFailed, {static_cast<int>(job.NotHeld().size())}) + " " + BackupSentence(job);
}

std::string ChangeLines(const std::vector<SParameterChange>& changes)
{
    std::string out;
    for (const SParameterChange& c : changes)
        out += "  " + c.group + "\t" + c.name + "\t" + c.meterValue + "\t" + c.newValue + "\n";
    return out;
}

namespace {

// The file to download: refused when it holds values a meter would not take,
// unless the technician forces it, and then each value is named on stderr.
CRegisterImage ReadForDownload(const Invocation& inv, const std::string& path)
{
    if (!inv.Flag("--force")) {
        try {
            return CConfigFile::ReadChecked(path);
        } catch (const CPrivateException& e) {
            std::vector<SConfigValueProblem> problems;
            try {
                CConfigFile::ReadLenient(path, problems);
            } catch (const CPrivateException&) {
                throw e; // not a matter of values
            }
            throw CPrivateException(e.Text() + "\r" + CStringTable::Get(text::kForceHint));
        }
    }
    std::vector<SConfigValueProblem> problems;
    CRegisterImage image = CConfigFile::ReadLenient(path, problems);
    if (!problems.empty()) {
        // The same list as a refusal gives, under the warning.
        std::string list = CConfigFile::ProblemsMessage(path, problems);
        list.erase(0, list.find('\r', list.find('\r') + 1)); // the two lines of the refusal
        PrintError(LoadMessage(text::kForceWarning, {problems.size(), path}) + list);
    }
    return image;
}

} // namespace

int CmdDownload(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    CRegisterImage image = ReadForDownload(inv, inv.args[0]);
    if (Addresses(inv).list || inv.Flag("--json"))
        return FleetDownload(inv, image);
    const bool dryRun = inv.Flag("--dry-run");
    // The whole image, as the window's Download writes it.
    CMeterHistory history;
    CSafeDownload job(image, SafeDownloadOptions(inv, false, inv.args[0]), &history);
    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    DownloadEnd end = DownloadEnd::Cancelled;
    {
        ProgressBar bar;
        try {
            end = RunSafeDownload(link, job, dryRun, bar, watch);
        } catch (const CPrivateException&) {
            if (!watch.Cancelled())
                throw;
        }
        bar.Clear();
    }
    if (watch.Cancelled() || end == DownloadEnd::Cancelled) {
        PrintError(job.InterruptedText());
        return 130;
    }
    if (end == DownloadEnd::AlreadyHeld) {
        std::printf("%s\n", CStringTable::Get(text::kAlreadyHeld).c_str());
        return 0;
    }
    std::printf("%s\n", CStringTable::Get(text::kChangesHeader).c_str());
    PrintLines(stdout, ChangeLines(job.Changes()));
    PrintLines(stdout, job.LinkChangeText());
    if (end == DownloadEnd::WouldChange) {
        std::printf("%s\n", LoadMessage(text::kDryRun, {static_cast<int>(job.Changes().size())}).c_str());
        return 3;
    }
    int status = 0;
    if (end == DownloadEnd::Mismatch) {
        std::fflush(stdout);
        PrintError(MismatchText(job));
        PrintLines(stderr, ChangeLines(job.NotHeld()));
        status = 1;
    } else {
        std::printf("%s\n", DownloadedText(job).c_str());
    }
    std::fflush(stdout);
    if (!job.LogWarning().empty())
        PrintError(LoadMessage(text::kWarning, {job.LogWarning()}));
    return status;
}

namespace {

// The change log's entries, those that are not JSON objects left out (a line
// cut short by a crash, another program's).
std::vector<Json> LogEntries(const std::string& path, const std::string* serial)
{
    std::vector<Json> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        Json entry = Json::parse(line, nullptr, false);
        if (entry.is_discarded() || !entry.is_object())
            continue;
        if (serial && !(entry.contains("serial") && entry["serial"].is_string() && entry["serial"] == *serial))
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string Field(const Json& object, const char* name)
{
    auto it = object.find(name);
    if (it == object.end() || it->is_null())
        return std::string();
    return it->is_string() ? it->get<std::string>() : it->dump();
}

int IntField(const Json& object, const char* name)
{
    auto it = object.find(name);
    return it != object.end() && it->is_number_integer() ? it->get<int>() : 0;
}

void PrintEntry(const Json& e)
{
    std::printf("%s\n", LoadMessage(text::kHistoryEntry,
                                    {Field(e, "time"), Field(e, "action"), IntField(e, "model"), Field(e, "serial"),
                                     Field(e, "link"), IntField(e, "address"), Field(e, "user"), Field(e, "host")})
                            .c_str());
    if (!Field(e, "file").empty())
        std::printf("%s\n", LoadMessage(text::kHistoryFile, {Field(e, "file")}).c_str());
    if (auto changes = e.find("changes"); changes != e.end() && changes->is_array())
        for (const Json& c : *changes)
            if (c.is_object())
                std::printf("  %s\t%s\t%s -> %s\n", Field(c, "group").c_str(), Field(c, "name").c_str(),
                            Field(c, "old").c_str(), Field(c, "new").c_str());
    if (!Field(e, "backup").empty())
        std::printf("%s\n", LoadMessage(text::kHistoryBackup, {Field(e, "backup")}).c_str());
    if (auto verified = e.find("verified"); verified != e.end() && verified->is_boolean())
        std::printf("%s\n", CStringTable::Get(*verified ? text::kHistoryVerified : text::kHistoryNotHeld).c_str());
    else if (Field(e, "action") == "download" && Field(e, "message").empty())
        std::printf("%s\n", CStringTable::Get(text::kHistoryNotVerified).c_str());
    if (!Field(e, "message").empty()) {
        std::string message = Field(e, "message");
        std::replace(message.begin(), message.end(), '\r', ' ');
        std::printf("%s\n", LoadMessage(text::kHistoryFailed, {message}).c_str());
    }
}

} // namespace

int CmdHistory(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    const std::string* serial = inv.Option("--serial");
    const CMeterHistory history;
    std::vector<CMeterHistory::SMeter> meters = history.Meters();
    if (serial)
        std::erase_if(meters, [&](const CMeterHistory::SMeter& m) { return m.serial != *serial; });
    const std::vector<Json> entries = LogEntries(history.LogPath(), serial);

    if (inv.Flag("--json")) {
        Json document;
        document["command"] = "history";
        document["root"] = history.Root();
        Json list = Json::array();
        for (const CMeterHistory::SMeter& m : meters) {
            Json backups = Json::array();
            for (const CMeterHistory::SBackup& b : m.backups)
                backups.push_back({{"time", b.time}, {"path", b.path}});
            list.push_back({{"folder", m.folder},
                            {"model", m.modelCode},
                            {"description", m.description},
                            {"serial", m.serial},
                            {"backups", backups}});
        }
        document["meters"] = list;
        document["changes"] = entries;
        PrintJson(document);
        return 0;
    }
    if (meters.empty() && entries.empty()) {
        std::printf("%s\n", LoadMessage(text::kHistoryEmpty, {history.Root()}).c_str());
        return 0;
    }
    for (const CMeterHistory::SMeter& m : meters) {
        std::printf("%s\n", LoadMessage(text::kHistoryMeter, {std::filesystem::path(m.folder).filename().string(),
                                                              m.modelCode, m.description, m.serial})
                                .c_str());
        if (m.backups.empty())
            std::printf("%s\n", CStringTable::Get(text::kHistoryNoBackup).c_str());
        for (const CMeterHistory::SBackup& b : m.backups)
            std::printf("  %s\t%s\n", b.time.c_str(), b.path.c_str());
    }
    if (!entries.empty()) {
        std::printf("%s\n", LoadMessage(text::kHistoryLog, {history.LogPath()}).c_str());
        for (const Json& e : entries)
            PrintEntry(e);
    }
    return 0;
}

} // namespace cli
