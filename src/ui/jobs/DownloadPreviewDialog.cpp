#include "ui/jobs/DownloadPreviewDialog.h"

#include "app/MessageFormat.h"
#include "app/StringTable.h"
#include "comm/ComSettings.h"
#include "files/FileStringIds.h"
#include "jobs/MeterLine.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/UiText.h"
#include "ui/files/CompareList.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace text = downloadtext;

namespace {

QLabel* WrappedLabel(const QString& content, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setVisible(!content.isEmpty());
    return label;
}

// The sent image against the meter's, as the report compares them.
CParameterReport Compared(const CRegisterImage& sent, const CRegisterImage& meter)
{
    CParameterReport report(sent);
    report.SetComparison(meter, CStringTable::Get(file_ids::kColumnDevice));
    return report;
}

} // namespace

CDownloadPreviewDialog::CDownloadPreviewDialog(EMode mode, const CParameterReport& report, const QString& heading,
                                               const QString& warning, const QString& note, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(UiText(mode == EMode::Preview ? text::kPreviewTitle : text::kNotHeldTitle));
    setSizeGripEnabled(true);
    m_list = new CCompareList(this);
    m_list->setAccessibleName(UiText(text::kParameters));
    m_list->Rebuild(report);
    m_list->Fill(report);
    m_list->SetRowFilter(true, QString());
    Lay(mode, heading, warning, m_list, note);
    // As tall as the rows listed, within reason.
    int shownRows = 0;
    for (int r = 0; r < m_list->rowCount(); ++r)
        shownRows += !m_list->isRowHidden(r);
    const int rowsHeight = m_list->horizontalHeader()->height() + 2 * m_list->frameWidth() +
                           (shownRows + 1) * m_list->verticalHeader()->defaultSectionSize();
    m_list->setMinimumHeight(std::min(rowsHeight, 420));
    resize(QSize(std::clamp(sizeHint().width(), 560, 1300), minimumSizeHint().height()));
}

CDownloadPreviewDialog::CDownloadPreviewDialog(const std::vector<SLineChange>& changes, const QString& heading,
                                               QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(UiText(text::kPreviewTitle));
    setSizeGripEnabled(true);
    m_lineList = new QTreeWidget(this);
    m_lineList->setAccessibleName(UiText(text::kParameters));
    m_lineList->setRootIsDecorated(false);
    m_lineList->setHeaderLabels({UiText(file_ids::kColumnGroup), UiText(file_ids::kColumnName),
                                 UiText(file_ids::kColumnPc), UiText(text::kMetersColumn)});
    for (const SLineChange& c : changes)
        new QTreeWidgetItem(m_lineList, {QString::fromStdString(c.change.group), QString::fromStdString(c.change.name),
                                         QString::fromStdString(c.change.newValue), QString::number(c.meters)});
    for (int column = 0; column < m_lineList->columnCount(); ++column)
        m_lineList->resizeColumnToContents(column);
    Lay(EMode::Preview, heading, QString(), m_lineList, QString());
    resize(720, 420);
}

void CDownloadPreviewDialog::Lay(EMode mode, const QString& heading, const QString& warning, QWidget* list,
                                 const QString& note)
{
    m_heading = WrappedLabel(heading, this);
    m_heading->setObjectName(QStringLiteral("heading"));
    // A download that moves the meter to another address or speed is said
    // where it cannot be missed.
    m_warning = WrappedLabel(warning, this);
    m_warning->setObjectName(QStringLiteral("warning"));
    QFont bold = m_warning->font();
    bold.setBold(true);
    m_warning->setFont(bold);
    m_warning->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));

    auto* noteLabel = WrappedLabel(note, this);
    noteLabel->setObjectName(QStringLiteral("note"));

    auto* buttons = new QDialogButtonBox(this);
    if (mode == EMode::Preview) {
        m_accept = buttons->addButton(CommandCaption(text::kDownload), QDialogButtonBox::AcceptRole);
        auto* cancel = buttons->addButton(UiText(uitext::kCancel), QDialogButtonBox::RejectRole);
        // Nothing reaches the meter by a stray Enter.
        cancel->setDefault(true);
        cancel->setFocus();
    } else {
        buttons->addButton(CommandCaption(text::kClose), QDialogButtonBox::RejectRole)->setDefault(true);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_warning);
    layout->addWidget(list, 1);
    layout->addWidget(noteLabel);
    layout->addWidget(buttons);
}

int CDownloadPreviewDialog::ShownCount() const
{
    return m_list ? m_list->ShownParameterCount() : m_lineList->topLevelItemCount();
}

std::unique_ptr<CDownloadPreviewDialog>
CDownloadPreviewDialog::MakePreview(const CRegisterImage& meter, const CRegisterImage& toWrite,
                                    const std::string& serial, const ComSettings& link, const std::string& linkChange,
                                    QWidget* parent)
{
    const CParameterReport report = Compared(toWrite, meter);
    const CDeviceType& model = meter.Identity();
    const std::string where = link.Mode == kModeInfrared ? CStringTable::Get(text::kAtInfrared)
                                                         : LoadMessage(text::kAtAddress, {link.Address});
    const QString heading = UiMessage(LoadMessage(
        text::kPreviewHeading, {model.Code(), model.ModelDescription(), serial, where, report.MismatchCount()}));
    return std::make_unique<CDownloadPreviewDialog>(EMode::Preview, report, heading, UiMessage(linkChange),
                                                    UiText(text::kBackupNote), parent);
}

std::unique_ptr<CDownloadPreviewDialog> CDownloadPreviewDialog::MakeNotHeld(const CRegisterImage& toWrite,
                                                                            const CRegisterImage& after,
                                                                            const std::string& backupPath,
                                                                            QWidget* parent)
{
    const CParameterReport report = Compared(toWrite, after);
    const QString heading = UiMessage(LoadMessage(text::kNotHeldHeading, {report.MismatchCount()}));
    const QString note = backupPath.empty() ? QString() : UiMessage(LoadMessage(text::kNotHeldNote, {backupPath}));
    return std::make_unique<CDownloadPreviewDialog>(EMode::NotHeld, report, heading, QString(), note, parent);
}

bool CDownloadPreviewDialog::Confirm(QWidget* parent, const CSafeDownload& job, const ComSettings& link)
{
    const auto dialog = MakePreview(job.MeterBefore(), job.ToWrite(), job.Serial(), link, job.LinkChangeText(), parent);
    return dialog->exec() == QDialog::Accepted;
}

void CDownloadPreviewDialog::ShowNotHeld(QWidget* parent, const CSafeDownload& job)
{
    MakeNotHeld(job.ToWrite(), job.MeterAfter(), job.BackupPath(), parent)->exec();
}

bool CDownloadPreviewDialog::ConfirmLine(QWidget* parent, const std::vector<const CSafeDownload*>& jobs)
{
    const std::vector<SLineChange> changes = LineChanges(jobs);
    const QString heading =
        UiMessage(LoadMessage(text::kLineHeading, {static_cast<int>(jobs.size()), static_cast<int>(changes.size())}));
    CDownloadPreviewDialog dialog(changes, heading, parent);
    return dialog.exec() == QDialog::Accepted;
}
