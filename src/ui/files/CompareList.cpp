#include "ui/files/CompareList.h"

#include "files/FileStringIds.h"
#include "ui/common/UiText.h"

#include <QFont>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int kMinimumNameWidth = 220;
constexpr int kMinimumValueWidth = 100;
constexpr int kMaximumValueWidth = 220; // longer texts are elided; the tooltip shows them

QTableWidgetItem* NewItem(Qt::Alignment alignment)
{
    auto* item = new QTableWidgetItem;
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

CCompareList::CCompareList(QWidget* parent) : CListCtrlInfoTip(parent)
{
    setObjectName(QStringLiteral("compareList"));
    setColumnCount(3);
    setShowGrid(false);
    setWordWrap(false);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(kNameColumn, QHeaderView::Interactive);
    horizontalHeader()->setSectionResizeMode(kWorkingColumn, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(kComparisonColumn, QHeaderView::Stretch);
}

QColor CCompareList::Shade(const QColor& color, double factor)
{
    const int mean = (color.red() + color.green() + color.blue()) / 3;
    const double k = mean < 128 ? 1 + factor : 1 - factor;
    auto shade = [k](int c) { return std::clamp(static_cast<int>(c * k), 0, 255); };
    return QColor(shade(color.red()), shade(color.green()), shade(color.blue()));
}

void CCompareList::Rebuild(const CParameterReport& report)
{
    clearSpans();
    setRowCount(0);
    auto* name = NewItem(Qt::AlignLeft);
    name->setText(UiText(file_ids::kColumnName));
    setHorizontalHeaderItem(kNameColumn, name);
    auto* pc = NewItem(Qt::AlignRight);
    pc->setText(UiText(file_ids::kColumnPc));
    setHorizontalHeaderItem(kWorkingColumn, pc);
    setHorizontalHeaderItem(kComparisonColumn, NewItem(Qt::AlignRight));

    const std::vector<SReportRow>& rows = report.Rows();
    int groups = 0;
    for (std::size_t i = 0; i < rows.size(); ++i)
        groups += i == 0 || rows[i].groupOrdinal != rows[i - 1].groupOrdinal;
    setRowCount(static_cast<int>(rows.size()) + groups);
    m_tableRow.assign(rows.size(), -1);
    m_reportRow.assign(rows.size() + static_cast<std::size_t>(groups), -1);
    m_itemData.assign(rows.size(), 0);

    QFont bold = font();
    bold.setBold(true);
    int tableRow = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows[i].groupOrdinal != rows[i - 1].groupOrdinal) {
            auto* header = NewItem(Qt::AlignLeft);
            header->setFlags(Qt::ItemIsEnabled);
            header->setText(QString::fromStdString(rows[i].group));
            header->setFont(bold);
            setItem(tableRow, kNameColumn, header);
            setSpan(tableRow, 0, 1, 3);
            ++tableRow;
        }
        m_tableRow[i] = tableRow;
        m_reportRow[static_cast<std::size_t>(tableRow)] = static_cast<int>(i);
        auto* nameItem = NewItem(Qt::AlignLeft);
        nameItem->setText(QString::fromStdString(rows[i].name));
        setItem(tableRow, kNameColumn, nameItem);
        setItem(tableRow, kWorkingColumn, NewItem(Qt::AlignRight));
        setItem(tableRow, kComparisonColumn, NewItem(Qt::AlignRight));
        ++tableRow;
    }
    FitColumns();
}

void CCompareList::FitColumns()
{
    // The name column as wide as the longest name; the value columns share
    // what is left.
    int widest = kMinimumNameWidth;
    const QFontMetrics metrics = fontMetrics();
    for (int r = 0; r < rowCount(); ++r)
        if (!IsGroupHeader(r))
            if (const QTableWidgetItem* cell = item(r, kNameColumn))
                widest = std::max(widest, metrics.horizontalAdvance(cell->text()) + 16);
    setColumnWidth(kNameColumn, widest);
}

void CCompareList::Fill(const CParameterReport& report)
{
    const std::vector<SReportRow>& rows = report.Rows();
    if (rows.size() != m_tableRow.size())
        Rebuild(report);
    horizontalHeaderItem(kComparisonColumn)->setText(QString::fromStdString(report.ComparisonTitle()));
    const bool compared = !report.ComparisonTitle().empty();
    setUpdatesEnabled(false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int r = m_tableRow[i];
        item(r, kWorkingColumn)->setText(QString::fromStdString(rows[i].value));
        // A file's value that a meter would not take carries a mark.
        const QString mark = rows[i].flagged ? QStringLiteral(" !") : QString();
        item(r, kComparisonColumn)
            ->setText(compared ? QString::fromStdString(rows[i].comparisonValue) + mark : QString());
        m_itemData[i] = rows[i].ItemData();
        item(r, kNameColumn)->setData(Qt::UserRole, m_itemData[i]);
        Colour(static_cast<int>(i), rows[i].status);
    }
    setUpdatesEnabled(true);
    m_mismatchCount = report.MismatchCount();
    if (report.FirstMismatch() >= 0) {
        scrollToItem(item(m_tableRow[static_cast<std::size_t>(report.FirstMismatch())], kNameColumn),
                     QAbstractItemView::PositionAtCenter);
        horizontalScrollBar()->setValue(0); // the row into view, the names stay where they were
    }
    int widest = kMinimumValueWidth;
    const QFontMetrics metrics = fontMetrics();
    for (const SReportRow& row : rows)
        widest = std::max({widest, metrics.horizontalAdvance(QString::fromStdString(row.value)) + 16,
                           metrics.horizontalAdvance(QString::fromStdString(row.comparisonValue)) + 16});
    m_valueWidth = std::min(widest, kMaximumValueWidth);
}

QSize CCompareList::sizeHint() const
{
    const int frame = 2 * frameWidth();
    const int width = columnWidth(kNameColumn) + 2 * std::max(m_valueWidth, kMinimumValueWidth) +
                      verticalScrollBar()->sizeHint().width() + frame;
    return QSize(width, verticalHeader()->defaultSectionSize() * 24 + horizontalHeader()->sizeHint().height() + frame);
}

void CCompareList::Colour(int index, CParameterEnumerationInterface::ECompare status)
{
    const int r = m_tableRow[static_cast<std::size_t>(index)];
    const QPalette& pal = palette();
    const QColor window = pal.color(QPalette::Base);
    const QColor text = pal.color(QPalette::Text);
    const QColor grey = pal.color(QPalette::Disabled, QPalette::Text);
    const bool odd = index % 2 == 1;
    for (int c = 0; c < 3; ++c) {
        QTableWidgetItem* cell = item(r, c);
        if (status == CParameterEnumerationInterface::COMPARE_DIFFERENT) {
            cell->setForeground(text);
            cell->setBackground(DifferenceColor());
            continue;
        }
        cell->setForeground(status == CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE ? grey : text);
        if (c == kNameColumn)
            cell->setBackground(Shade(window, odd ? 0.1 : 0.05));
        else
            cell->setBackground(odd ? Shade(window, 0.05) : window);
    }
}

QString CCompareList::ComparisonTitle() const
{
    const QTableWidgetItem* header = horizontalHeaderItem(kComparisonColumn);
    return header ? header->text() : QString();
}

int CCompareList::ReportRow(int tableRow) const
{
    if (tableRow < 0 || tableRow >= static_cast<int>(m_reportRow.size()))
        return -1;
    return m_reportRow[static_cast<std::size_t>(tableRow)];
}

std::uint32_t CCompareList::ItemData(int index) const
{
    return m_itemData.at(static_cast<std::size_t>(index));
}

void CCompareList::SetRowFilter(bool differencesOnly, const QString& nameFilter)
{
    const QString needle = nameFilter.trimmed();
    int groupHeader = -1;
    bool groupShown = false;
    for (int r = 0; r < rowCount(); ++r) {
        const int index = ReportRow(r);
        if (index < 0) {
            if (groupHeader >= 0)
                setRowHidden(groupHeader, !groupShown);
            groupHeader = r;
            groupShown = false;
            continue;
        }
        const auto status = m_itemData[static_cast<std::size_t>(index)] & 0xFFFF;
        bool shown = !differencesOnly || status == CParameterEnumerationInterface::COMPARE_DIFFERENT;
        if (shown && !needle.isEmpty())
            shown = item(r, kNameColumn)->text().contains(needle, Qt::CaseInsensitive);
        setRowHidden(r, !shown);
        groupShown = groupShown || shown;
    }
    if (groupHeader >= 0)
        setRowHidden(groupHeader, !groupShown);
}

int CCompareList::ShownParameterCount() const
{
    int shown = 0;
    for (int r = 0; r < rowCount(); ++r)
        shown += !IsGroupHeader(r) && !isRowHidden(r);
    return shown;
}
