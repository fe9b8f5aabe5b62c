#include "CliReportPdf.h"

#include "app/AppSettings.h"
#include "app/Language.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/MeterHistory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#ifdef V6UVUV_PDF_REPORT
#include "report/CommissioningReport.h"

#include <QGuiApplication>
#endif

namespace cli {

#ifdef V6UVUV_PDF_REPORT
struct PdfSession::Gui
{
    int argc = 1;
    char name[16] = "v6uvuv-cli";
    char* argv[2] = {name, nullptr};
    QGuiApplication app{argc, argv};
};
#else
struct PdfSession::Gui
{};
#endif

#ifdef V6UVUV_PDF_REPORT
namespace {

// --language, else the window's display language (chosen from the locale
// until one is stored).
int ReportLanguage(const Invocation& inv)
{
    if (const std::string* v = inv.Option("--language")) {
        if (*v == "en")
            return 0;
        if (*v == "ja")
            return 1;
        Usage(text::kInvalidOptionValue, {"--language", *v});
    }
    CAppSettings settings;
    settings.Load();
    return settings.m_displayLanguage;
}

} // namespace
#endif

void HandPdfReportOver(char** argv)
{
#if defined(V6UVUV_PDF_TWIN) && !defined(V6UVUV_PDF_REPORT)
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    const std::filesystem::path installed = folder / V6UVUV_PDF_TWIN_FOLDER / V6UVUV_PDF_TWIN;
    for (const std::filesystem::path& twin : {folder / V6UVUV_PDF_TWIN, installed}) {
        if (ec || access(twin.c_str(), X_OK) != 0)
            continue;
        std::fflush(nullptr);
        execv(twin.c_str(), argv);
        throw CPrivateException(LoadMessage(text::kPdfFailed, {twin.string() + ": " + std::strerror(errno)}));
    }
    throw CPrivateException(LoadMessage(text::kPdfTwinMissing, {installed.lexically_normal().string()}));
#else
    (void)argv;
#endif
}

PdfSession::PdfSession(const Invocation& inv)
{
    const std::string* pdf = inv.Option("--pdf");
    if (!pdf)
        return;
#ifndef V6UVUV_PDF_REPORT
    throw CPrivateException(CStringTable::Get(text::kNoPdfSupport));
#else
    m_active = true;
    m_list = Addresses(inv).list;
    m_json = inv.Flag("--json");
    m_path = *pdf;
    m_workingTitle = std::filesystem::path(inv.args.at(0)).filename().string();
    const int language = ReportLanguage(inv); // a usage error before anything is made
    // The pages need fonts, not a screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt's notes on its own set-up (a runtime folder, fonts) are not the
    // command's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
    m_gui = std::make_unique<Gui>();
    // After the application, whose constructor set the C locale.
    if (!LoadLanguage(language))
        PrintError(LoadMessage(text::kWarning, {CStringTable::Get(ids::kLanguageModuleFailed)}));
    if (const std::string* name = inv.Option("--technician")) {
        m_technician = *name;
        try {
            StoreTechnician(m_technician);
        } catch (const CPrivateException& e) {
            PrintError(LoadMessage(text::kWarning, {e.Text()}));
        }
    } else {
        m_technician = StoredTechnician();
    }
#endif
}

PdfSession::~PdfSession() = default;

std::string PdfSession::PathFor(int address) const
{
    if (!m_list)
        return m_path;
    std::filesystem::path path(m_path);
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "-%03d", address);
    return (path.parent_path() / (path.stem().string() + suffix + path.extension().string())).string();
}

void PdfSession::Write(const CParameterReport& report, const SMeterIdentity& meter, const std::string& link,
                       int address, const std::string& path) const
{
#ifdef V6UVUV_PDF_REPORT
    SCommissioningRecord record = RecordHeader(m_technician, link, address);
    record.workingTitle = m_workingTitle;
    const CMeterHistory history;
    FillRecord(record, report, meter, &history);
    CCommissioningReport(std::move(record)).WritePdf(path);
    if (!m_list && !m_json) {
        std::printf("%s\n", LoadMessage(text::kPdfWritten, {path}).c_str());
        std::fflush(stdout);
    }
#else
    (void)report, (void)meter, (void)link, (void)address, (void)path;
#endif
}

SMeterIdentity ReadIdentity(const ComSettings& settings)
{
    CModbusInterface link(settings);
    link.Open();
    try {
        SMeterIdentity meter = ReadMeterIdentity(link);
        link.Close();
        return meter;
    } catch (...) {
        link.Close();
        throw;
    }
}

} // namespace cli
