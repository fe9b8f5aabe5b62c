// Commands that move a whole parameter set, report it, or watch the meter.
#include "Commands.h"

#include "CliCancel.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/FileStringIds.h"
#include "files/ParameterReport.h"
#include "jobs/TagMaxMin.h"
#include "jobs/TransferJobs.h"
#include "model/Measurands.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace cli {

namespace {

// A bar on standard error when it is a terminal; nothing otherwise.
class ProgressBar
{
public:
    ProgressBar() : m_show(isatty(STDERR_FILENO) != 0) {}
    ~ProgressBar()
    {
        if (m_show && m_drawn)
            std::fputs("\n", stderr);
    }
    bool operator()(double percent)
    {
        if (!m_show)
            return true;
        const int width = 40, filled = static_cast<int>(percent / 100.0 * width);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(),
                     static_cast<int>(percent));
        std::fflush(stderr);
        m_drawn = true;
        return true;
    }

private:
    bool m_show;
    bool m_drawn = false;
};

CRegisterImage UploadFromMeter(const Invocation& inv)
{
    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    CRegisterImage image;
    bool done = false;
    watch.Run([&] {
        ProgressBar bar;
        done = RunUpload(link, image, std::ref(bar), &watch.Flag());
    });
    // A Ctrl-C after the last read still means no file.
    watch.ThrowIfCancelled();
    if (!done)
        throw Cancelled{};
    return image;
}

} // namespace

int CmdUpload(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    CRegisterImage image = UploadFromMeter(inv);
    CConfigFile::Save(image, inv.args[0]);
    return 0;
}

int CmdDownload(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    CRegisterImage image;
    CConfigFile::Load(image, inv.args[0]);
    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    bool done = false;
    watch.Run([&] {
        ProgressBar bar;
        done = RunDownload(link, image, std::ref(bar), &watch.Flag());
    });
    if (!done)
        throw Cancelled{};
    return 0;
}

int CmdReport(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    const std::string* compareFile = inv.Option("--compare");
    const bool compareDevice = inv.Flag("--compare-device");
    if (compareFile && compareDevice)
        Usage(text::kCompareBoth, {});
    CRegisterImage working;
    CConfigFile::Load(working, inv.args[0]);
    CParameterReport report(working);
    if (compareFile) {
        CRegisterImage other;
        CConfigFile::Load(other, *compareFile);
        report.SetComparison(other, std::filesystem::path(*compareFile).filename().string());
    } else if (compareDevice) {
        report.SetComparison(UploadFromMeter(inv), CStringTable::Get(file_ids::kColumnDevice));
    }
    for (const SReportRow& row : report.Rows()) {
        std::printf("%s\t%s\t%s", row.group.c_str(), row.name.c_str(), row.value.c_str());
        if (report.IsCompared()) {
            static const char* const kMarks[] = {"=", "!=", "-"};
            std::printf("\t%s\t%s", row.comparisonValue.c_str(), kMarks[row.status]);
        }
        std::printf("\n");
    }
    if (report.IsCompared())
        std::printf("%s\n", report.StatusText().c_str());
    if (const std::string* csv = inv.Option("--csv"))
        report.ExportCsv(*csv);
    return 0;
}

int CmdMonitor(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    long long count = -1; // until Ctrl-C
    if (const std::string* v = inv.Option("--count")) {
        auto n = ParseInteger(*v);
        if (!n || *n < 1)
            Usage(text::kInvalidOptionValue, {"--count", *v});
        count = *n;
    }
    // The order of the monitor window's value table.
    static const int kOrder[CMeasurands::kMeasurandCount] = {4, 5, 6, 7, 9, 8, 10, 0, 3, 1, 2};
    for (int i = 0; i < CMeasurands::kMeasurandCount; ++i)
        std::printf("%s%s", i ? "\t" : "", CStringTable::Get(text::kMonitorLabels + i).c_str());
    std::printf("\n");
    std::fflush(stdout);

    CModbusInterface link(LinkSettings(inv));
    CancelWatch watch(&link);
    CMeasurands values;
    int status = 0;
    for (long long poll = 0; (count < 0 || poll < count) && !watch.Cancelled(); ++poll) {
        if (poll > 0 && !watch.Sleep(500))
            break;
        try {
            link.Open();
            values.ReadAll(link);
            link.Close();
            for (int i = 0; i < CMeasurands::kMeasurandCount; ++i)
                std::printf("%s%s", i ? "\t" : "", values.MeasurandText(kOrder[i]).c_str());
            std::printf("\n");
            std::fflush(stdout);
            status = 0;
        } catch (const CPrivateException& e) {
            link.Close();
            if (watch.Cancelled())
                break;
            PrintError(e.Text()); // the monitor goes on polling
            status = 1;
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
        watch.Run([&] { WriteTag(link, inv.args[0]); });
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
    watch.Run([&] { ResetMaxMin(link); });
    return 0;
}

} // namespace cli
