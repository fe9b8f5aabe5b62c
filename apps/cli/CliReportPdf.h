#pragma once
// report --pdf: the commissioning report written as a PDF, for one meter or
// for each of an address list (OUT-<address>.pdf).

#include "CliSupport.h"

#include "files/CommissioningRecord.h"

#include <memory>

namespace cli {

namespace text {
inline constexpr unsigned kHelpPdf = 13700; // appended to the help
inline constexpr unsigned kPdfWritten = 13701;
inline constexpr unsigned kNoPdfSupport = 13702;
inline constexpr unsigned kPdfFailed = 13703;
inline constexpr unsigned kPdfTwinMissing = 13704; // %1 the program looked for
} // namespace text

// Hands a report --pdf over to the command line's twin built with the PDF
// report (this program's arguments, unchanged), when this one is built
// without it; returns only in the twin. A twin not found or not started is
// said as a failure.
void HandPdfReportOver(char** argv);

// What a report --pdf keeps up for the whole command: the Qt application the
// pages are laid out with (on the offscreen platform unless QT_QPA_PLATFORM
// names another) and the language of --language or the window's. Nothing
// without --pdf.
class PdfSession
{
public:
    explicit PdfSession(const Invocation& inv);
    ~PdfSession();
    bool Active() const { return m_active; }

    // The path of the PDF for the meter at `address`: --pdf itself for one
    // meter, OUT-<address>.pdf (three digits) for a list.
    std::string PathFor(int address) const;
    // Writes the report of `report` for the meter; link empty when no meter
    // was asked. Prints the path written, for one meter without --json.
    void Write(const CParameterReport& report, const SMeterIdentity& meter, const std::string& link, int address,
               const std::string& path) const;

private:
    bool m_active = false;
    bool m_list = false;
    bool m_json = false;
    std::string m_path;
    std::string m_workingTitle;
    std::string m_technician;
    struct Gui;
    std::unique_ptr<Gui> m_gui;
};

// Opens a link of `settings`, reads the meter's identity and closes it.
SMeterIdentity ReadIdentity(const ComSettings& settings);

} // namespace cli
