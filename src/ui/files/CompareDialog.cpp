#include "ui/files/CompareDialog.h"

#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/FileStringIds.h"
#include "files/MeterHistory.h"
#include "jobs/TransferJobs.h"
#include "report/CommissioningReport.h"
#include "report/ReportStringIds.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/FileDialogs.h"
#include "ui/common/UiText.h"
#include "ui/files/CompareList.h"
#include "ui/jobs/ProgressDialog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

CCompareDialog::CCompareDialog(const CRegisterImage& working, QWidget* parent) : QDialog(parent), m_report(working)
{
    BuildControls();
    m_copy->setEnabled(false);
    Refresh();
    // Room for the list as it asks, well inside a 1366 x 768 screen.
    resize(sizeHint().boundedTo(QSize(1300, 700)));
}

int CCompareDialog::Run(QWidget* parent, const CRegisterImage& working, FileNameAsker asker)
{
    CCompareDialog dialog(working, parent);
    dialog.SetFileNameAsker(std::move(asker));
    return dialog.exec();
}

void CCompareDialog::BuildControls()
{
    setWindowTitle(UiText(reporttext::kTitle));
    setSizeGripEnabled(true);

    auto button = [this](unsigned id, const char* name) {
        auto* b = new QPushButton(CommandCaption(id), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_exportCsv = button(reporttext::kExportCsv, "exportCsv");
    // Offered by the window of old, but it never did anything; kept hidden.
    m_copy = button(reporttext::kCopy, "copy");
    m_copy->setVisible(false);
    m_exportPdf = button(reporttext::kExportPdf, "exportPdf");
    m_print = button(reporttext::kPrint, "print");
    m_device = button(reporttext::kDevice, "device");
    m_file = button(reporttext::kFile, "file");
    m_close = button(reporttext::kClose, "close");

    auto* compareGroup = new QGroupBox(UiText(reporttext::kCompareWith), this);
    auto* compareLayout = new QVBoxLayout(compareGroup);
    compareLayout->addWidget(m_device);
    compareLayout->addWidget(m_file);

    auto* filterLabel = new QLabel(UiText(reporttext::kFindName), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("nameFilter"));
    m_filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filter);
    m_filter->setAccessibleName(filterLabel->text());
    // Typed once: the settings keep it for the next report.
    auto* technicianLabel = new QLabel(UiText(reporttext::kTechnicianLabel), this);
    m_technician = new QLineEdit(QString::fromStdString(StoredTechnician()), this);
    m_technician->setObjectName(QStringLiteral("technician"));
    technicianLabel->setBuddy(m_technician);
    m_technician->setAccessibleName(technicianLabel->text());
    m_differencesOnly = new QCheckBox(UiText(reporttext::kDifferencesOnly), this);
    m_differencesOnly->setObjectName(QStringLiteral("differencesOnly"));

    m_list = new CCompareList(this);
    m_list->setAccessibleName(UiText(reporttext::kParameters));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setTextFormat(Qt::PlainText);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter, 1);
    filterRow->addWidget(m_differencesOnly);
    auto* left = new QVBoxLayout;
    left->addLayout(filterRow);
    left->addWidget(m_list, 1);
    left->addWidget(m_status);

    auto* right = new QVBoxLayout;
    right->addWidget(m_exportCsv);
    right->addLayout(BuildCsvChoices());
    right->addWidget(m_copy);
    right->addWidget(technicianLabel);
    right->addWidget(m_technician);
    right->addWidget(m_exportPdf);
    right->addWidget(m_print);
    right->addWidget(compareGroup);
    right->addStretch(1);
    right->addWidget(m_close);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(m_exportCsv, &QPushButton::clicked, this, &CCompareDialog::OnExportCsv);
    connect(m_exportPdf, &QPushButton::clicked, this, &CCompareDialog::OnExportPdf);
    connect(m_print, &QPushButton::clicked, this, &CCompareDialog::OnPrint);
    connect(m_device, &QPushButton::clicked, this, &CCompareDialog::OnDevice);
    connect(m_file, &QPushButton::clicked, this, &CCompareDialog::OnFile);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_filter, &QLineEdit::textChanged, this, &CCompareDialog::ApplyRowFilter);
    connect(m_differencesOnly, &QCheckBox::toggled, this, &CCompareDialog::ApplyRowFilter);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
    });
}

QLayout* CCompareDialog::BuildCsvChoices()
{
    SCsvOptions stored;
    stored.Load();
    auto box = [this](unsigned id, const char* name, bool checked) {
        auto* b = new QCheckBox(CommandCaption(id), this);
        b->setObjectName(QLatin1String(name));
        b->setChecked(checked);
        // Kept at once, so that the next report offers the same.
        connect(b, &QCheckBox::toggled, this, [this] { RunCommand(this, [this] { CsvChoices().Save(); }); });
        return b;
    };
    m_csvHeader = box(reporttext::kCsvHeader, "csvHeader", stored.header);
    m_csvBom = box(reporttext::kCsvBom, "csvBom", stored.byteOrderMark);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(12, 0, 0, 0); // under the button they belong to
    layout->addWidget(m_csvHeader);
    layout->addWidget(m_csvBom);
    return layout;
}

SCsvOptions CCompareDialog::CsvChoices() const
{
    SCsvOptions options;
    options.header = m_csvHeader->isChecked();
    options.byteOrderMark = m_csvBom->isChecked();
    return options;
}

QPushButton* CCompareDialog::Button(unsigned captionId) const
{
    switch (captionId) {
    case reporttext::kExportCsv: return m_exportCsv;
    case reporttext::kExportPdf: return m_exportPdf;
    case reporttext::kPrint: return m_print;
    case reporttext::kCopy: return m_copy;
    case reporttext::kDevice: return m_device;
    case reporttext::kFile: return m_file;
    case reporttext::kClose: return m_close;
    default: return nullptr;
    }
}

void CCompareDialog::Refresh()
{
    m_list->Rebuild(m_report);
    m_list->Fill(m_report);
    m_status->setText(QString::fromStdString(m_report.StatusText()));
    QPalette pal = palette();
    if (m_report.IsStatusAlert())
        pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_status->setPalette(pal);
    m_differencesOnly->setEnabled(m_report.IsCompared());
    ApplyRowFilter();
}

void CCompareDialog::ApplyRowFilter()
{
    m_list->SetRowFilter(m_report.IsCompared() && m_differencesOnly->isChecked(), m_filter->text());
}

void CCompareDialog::CompareWith(const CRegisterImage& comparison, const QString& title, std::set<int> flagged)
{
    m_report.SetFlagged(std::move(flagged));
    m_report.SetComparison(comparison, title.toStdString());
    Refresh();
    m_copy->setEnabled(true);
}

void CCompareDialog::OnDevice()
{
    RunCommand(this, [this] {
        CModbusInterface link; // the stored connection settings
        if (!CCommDialog::ConnectStep(this, link))
            return;
        CRegisterImage comparison;
        SMeterIdentity meter;
        // The identity on the same opening of the link, for the
        // commissioning report.
        auto job = [&comparison, &meter](CModbusInterface& l, const ProgressReport& report) {
            const TransferResult result = UploadJob(l, comparison, report);
            if (result == TransferResult::Completed)
                meter = ReadMeterIdentity(l);
            return result;
        };
        if (!CProgressDialog::RunJob(this, link, uitext::kUploadingNow, job))
            return;
        CompareWith(comparison, UiText(reporttext::kDevice));
        m_meter = meter;
        m_linkSettings = link.Settings();
    });
}

void CCompareDialog::OnFile()
{
    const QString path = AskFileName(EFileDialog::OpenConfiguration);
    if (!path.isEmpty())
        CompareWithFile(path);
}

bool CCompareDialog::CompareWithFile(const QString& path)
{
    return RunCommand(this, [this, &path] {
        // Lenient: values a meter would not take are shown, and marked.
        std::vector<SConfigValueProblem> problems;
        const CRegisterImage comparison = CConfigFile::ReadLenient(path.toStdString(), problems);
        CompareWith(comparison, QFileInfo(path).fileName(), CConfigFile::ProblemParameters(problems));
        m_meter.reset();
    });
}

void CCompareDialog::OnExportCsv()
{
    const QString path = AskFileName(EFileDialog::SaveCsv);
    if (path.isEmpty())
        return;
    RunCommand(this, [this, &path] { m_report.ExportCsv(path.toStdString(), CsvChoices()); });
}

SCommissioningRecord CCompareDialog::Record() const
{
    const std::string technician = m_technician->text().trimmed().toStdString();
    SCommissioningRecord record =
        m_meter ? RecordHeader(technician, CMeterHistory::LinkText(m_linkSettings), m_linkSettings.Address)
                : RecordHeader(technician, std::string(), 0);
    const CMeterHistory history;
    FillRecord(record, m_report, m_meter ? *m_meter : IdentityOfImage(m_report.Working()), &history);
    return record;
}

void CCompareDialog::KeepTechnician()
{
    StoreTechnician(m_technician->text().trimmed().toStdString());
}

void CCompareDialog::OnExportPdf()
{
    const QString path = AskFileName(EFileDialog::SavePdf);
    if (path.isEmpty())
        return;
    RunCommand(this, [this, &path] {
        CCommissioningReport(Record()).WritePdf(path.toStdString());
        KeepTechnician();
    });
}

int CCompareDialog::PrintTo(QPrinter& printer) const
{
    return CCommissioningReport(Record()).Render(printer);
}

void CCompareDialog::OnPrint()
{
    RunCommand(this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(CCommissioningReport::PaperLayout(QLocale::system()));
        printer.setDocName(UiText(report_ids::kTitle));
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(*p); });
        preview.exec();
        KeepTechnician();
    });
}

QString CCompareDialog::AskFileName(EFileDialog kind)
{
    if (m_askFileName)
        return m_askFileName(this, kind);
    switch (kind) {
    case EFileDialog::OpenConfiguration:
        return AskFilePath(this, file_ids::kConfigFileFilter, QStringLiteral("cfg"), false);
    case EFileDialog::SaveCsv: return AskFilePath(this, file_ids::kCsvFileFilter, QStringLiteral("csv"), true);
    case EFileDialog::SavePdf: return AskFilePath(this, report_ids::kPdfFileFilter, QStringLiteral("pdf"), true);
    }
    return QString();
}
