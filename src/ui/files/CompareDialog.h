#pragma once
// "Parameter Report": every parameter of a copy of the working image by
// group, compared on request with the meter ("Device") or a configuration
// file ("File"), exported as CSV, and as the commissioning report: a PDF or
// a printout (src/report), which after a meter comparison also names the
// meter as read from it. The report is computed by the core's
// CParameterReport; the window shows it and runs the commands. A failed or
// cancelled comparison leaves the report as it was.
//
// Beyond the report itself: after a comparison "Differences only" hides the
// rows that match or do not apply, and the name filter (Ctrl+F) narrows the
// list; the CSV always holds every row.

#include "files/CommissioningRecord.h"
#include "files/ParameterReport.h"
#include "model/RegisterImage.h"

#include "comm/ComSettings.h"
#include <QDialog>

#include <functional>
#include <optional>
#include <set>

class CCompareList;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;

// Caption numbers of the window's controls.
namespace reporttext {
inline constexpr unsigned kTitle = 12950;
inline constexpr unsigned kExportCsv = 12951;
inline constexpr unsigned kCopy = 12952;
inline constexpr unsigned kCompareWith = 12953;
inline constexpr unsigned kFile = 12954;
inline constexpr unsigned kClose = 12955;
inline constexpr unsigned kDifferencesOnly = 12956;
inline constexpr unsigned kFindName = 12957;
inline constexpr unsigned kParameters = 12958;
inline constexpr unsigned kDevice = 2453; // the button and the title of a meter comparison
inline constexpr unsigned kCsvHeader = 17311;
inline constexpr unsigned kCsvBom = 17312;
inline constexpr unsigned kExportPdf = 17201;
inline constexpr unsigned kPrint = 17202;
inline constexpr unsigned kTechnicianLabel = 17203;
} // namespace reporttext

class CCompareDialog : public QDialog
{
    Q_OBJECT
public:
    // Asks for a file name; tests stand in for the system's file dialogs. An
    // empty name means the user cancelled.
    enum class EFileDialog { OpenConfiguration, SaveCsv, SavePdf };
    using FileNameAsker = std::function<QString(QWidget* parent, EFileDialog kind)>;

    // Reports a copy of `working`, not compared yet.
    explicit CCompareDialog(const CRegisterImage& working, QWidget* parent = nullptr);

    // The main window's "Report": runs the report modally on a copy of
    // `working`, which it never changes. `asker` replaces the file dialogs.
    static int Run(QWidget* parent, const CRegisterImage& working, FileNameAsker asker = {});

    void SetFileNameAsker(FileNameAsker asker) { m_askFileName = std::move(asker); }

    // The commands, as their buttons run them (failures are shown).
    void OnDevice();
    void OnFile();
    void OnExportCsv();
    void OnExportPdf();
    // Qt's print preview, whose Print button opens the print dialog.
    void OnPrint();
    // Lays the commissioning report on the printer's pages; the number of
    // pages (0 when the printer could not be painted on).
    int PrintTo(QPrinter& printer) const;
    // The commissioning report as it would be printed now.
    SCommissioningRecord Record() const;
    // Compares with a configuration file as "File" does, without asking;
    // false (and the report unchanged) when it cannot be loaded.
    bool CompareWithFile(const QString& path);
    // Replaces the comparison and shows it.
    void CompareWith(const CRegisterImage& comparison, const QString& title, std::set<int> flagged = {});
    // Rebuilds and fills the list and sets the status line.
    void Refresh();

    const CParameterReport& Report() const { return m_report; }
    CCompareList* List() const { return m_list; }
    QLabel* StatusLine() const { return m_status; }
    QPushButton* Button(unsigned captionId) const;
    QCheckBox* DifferencesOnly() const { return m_differencesOnly; }
    QLineEdit* NameFilter() const { return m_filter; }
    // The CSV choices beside the export button, kept in the settings.
    QCheckBox* CsvHeader() const { return m_csvHeader; }
    QCheckBox* CsvBom() const { return m_csvBom; }
    QLineEdit* Technician() const { return m_technician; }

private:
    void BuildControls();
    void ApplyRowFilter();
    QLayout* BuildCsvChoices();
    SCsvOptions CsvChoices() const;
    QString AskFileName(EFileDialog kind);
    void KeepTechnician();

    CParameterReport m_report;
    FileNameAsker m_askFileName;
    // The meter of the last comparison with the device and how it was
    // reached; none after a file comparison.
    std::optional<SMeterIdentity> m_meter;
    ComSettings m_linkSettings{ComSettings::NoLoad{}};

    CCompareList* m_list = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_filter = nullptr;
    QCheckBox* m_differencesOnly = nullptr;
    QLineEdit* m_technician = nullptr;
    QPushButton* m_exportCsv = nullptr;
    QCheckBox* m_csvHeader = nullptr;
    QCheckBox* m_csvBom = nullptr;
    QPushButton* m_exportPdf = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_device = nullptr;
    QPushButton* m_file = nullptr;
    QPushButton* m_close = nullptr;
};
