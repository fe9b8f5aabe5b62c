#include "ui/jobs/HistoryDialog.h"

#include "app/MessageFormat.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/UiText.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace text = historytext;

namespace {

constexpr int kPathRole = Qt::UserRole;

// "2026-12-08T11-43-05Z" (a backup's name) in the user's time zone.
QString LocalTime(const std::string& stamp)
{
    const QString name = QString::fromStdString(stamp);
    QDateTime utc = QDateTime::fromString(name.left(20), QStringLiteral("yyyy-MM-ddTHH-mm-ssZ"));
    if (!utc.isValid())
        return name;
    utc.setTimeSpec(Qt::UTC);
    QString shown = utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (name.size() > 20) // a second backup within the same second
        shown += QLatin1Char(' ') + name.mid(20);
    return shown;
}

} // namespace

CHistoryDialog::CHistoryDialog(const CMeterHistory& history, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(UiText(text::kTitle));
    setSizeGripEnabled(true);
    auto* folder = new QLabel(
        UiMessage(LoadMessage(text::kFolder,
                              {QDir::toNativeSeparators(QString::fromStdString(history.Root())).toStdString()})),
        this);
    folder->setTextFormat(Qt::PlainText);
    folder->setWordWrap(true);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_tree = new QTreeWidget(this);
    m_tree->setColumnCount(1);
    m_tree->setHeaderLabels({UiText(text::kColumn)});
    m_tree->setAccessibleName(UiText(text::kColumn));
    m_tree->setUniformRowHeights(true);
    m_tree->setRootIsDecorated(true);
    folder->setBuddy(m_tree);

    const std::vector<CMeterHistory::SMeter> meters = history.Meters();
    for (const CMeterHistory::SMeter& meter : meters) {
        auto* row = new QTreeWidgetItem(m_tree);
        // The short model name and the serial first: what a technician reads
        // off the meter's label.
        const std::size_t blank = meter.description.find(' ');
        const std::string name = meter.description.substr(0, blank);
        const std::string rest = blank == std::string::npos ? std::string() : meter.description.substr(blank + 1);
        row->setText(0, UiMessage(LoadMessage(text::kMeter, {name, meter.serial, static_cast<int>(meter.backups.size()),
                                                             meter.modelCode, rest})));
        row->setToolTip(0, QString::fromStdString(meter.folder));
        for (const CMeterHistory::SBackup& backup : meter.backups) {
            auto* item = new QTreeWidgetItem(row);
            item->setText(0, LocalTime(backup.time));
            item->setData(0, kPathRole, QString::fromStdString(backup.path));
            item->setToolTip(0, QDir::toNativeSeparators(QString::fromStdString(backup.path)));
        }
    }
    // The newest backups of a few meters show at once.
    if (meters.size() <= 5)
        m_tree->expandAll();
    auto* empty = new QLabel(UiText(text::kEmpty), this);
    empty->setVisible(meters.empty());

    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(CommandCaption(text::kOpen), QDialogButtonBox::AcceptRole);
    m_open->setEnabled(false);
    buttons->addButton(CommandCaption(text::kClose), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this] { m_open->setEnabled(!SelectedBackup().isEmpty()); });
    connect(m_tree, &QTreeWidget::itemActivated, this, [this] {
        if (!SelectedBackup().isEmpty())
            accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folder);
    layout->addWidget(m_tree, 1);
    layout->addWidget(empty);
    layout->addWidget(buttons);
    resize(QSize(640, 420));
}

QString CHistoryDialog::SelectedBackup() const
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item ? item->data(0, kPathRole).toString() : QString();
}

QString CHistoryDialog::Choose(QWidget* parent, const CMeterHistory& history)
{
    CHistoryDialog dialog(history, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.SelectedBackup() : QString();
}
