#pragma once
// The list of the parameter report: a header row per parameter group, then
// a row per parameter with its name, the working ("PC") value and the
// comparison value. It shows what a CParameterReport computed: the row
// status as colours (a difference on a red shade, a parameter the model
// lacks in grey text, alternate shading otherwise) and the first difference
// scrolled into view. The tooltip shows a cell's full text.

#include "files/ParameterReport.h"
#include "ui/editors/ListCtrlInfoTip.h"

#include <QColor>
#include <cstdint>
#include <vector>

class CCompareList : public CListCtrlInfoTip
{
    Q_OBJECT
public:
    static constexpr int kNameColumn = 0;
    static constexpr int kWorkingColumn = 1;
    static constexpr int kComparisonColumn = 2;

    explicit CCompareList(QWidget* parent = nullptr);

    // Columns, group header rows and parameter rows anew (no values).
    void Rebuild(const CParameterReport& report);
    // Values, comparison title, row status and colours; scrolls the first
    // difference into view.
    void Fill(const CParameterReport& report);

    QString ComparisonTitle() const;
    // Wide enough for the names and most values without a horizontal scroll.
    QSize sizeHint() const override;
    int MismatchCount() const { return m_mismatchCount; }

    // Shows only the parameter rows that differ (when `differencesOnly`) and
    // whose name holds `nameFilter` (any case); a group header row shows
    // while one of its rows does.
    void SetRowFilter(bool differencesOnly, const QString& nameFilter);
    int ShownParameterCount() const;

    // The table row of report row `index` (enumeration order), and back; -1
    // for a group header row.
    int TableRow(int index) const { return m_tableRow.at(static_cast<std::size_t>(index)); }
    int ReportRow(int tableRow) const;
    bool IsGroupHeader(int tableRow) const { return ReportRow(tableRow) < 0; }
    int ParameterCount() const { return static_cast<int>(m_tableRow.size()); }
    // Group ordinal × 65536 + row status, as the report computed it.
    std::uint32_t ItemData(int index) const;

    // The background of a differing row.
    static QColor DifferenceColor() { return QColor(255, 150, 150); }
    // `color` shaded by `factor`: lighter for a dark colour, darker for a
    // light one.
    static QColor Shade(const QColor& color, double factor);

private:
    void Colour(int index, CParameterEnumerationInterface::ECompare status);
    void FitColumns();

    std::vector<int> m_tableRow;  // report row -> table row
    std::vector<int> m_reportRow; // table row -> report row, -1 for a group header
    std::vector<std::uint32_t> m_itemData;
    int m_mismatchCount = 0;
    int m_valueWidth = 0; // what the widest value needs, within bounds
};
