#pragma once
// A report list whose tooltip shows the full text of the cell under the
// mouse, for cells too narrow to show it, cut to 79 characters. The alarm
// grids cut their tooltips the same way (TipText).

#include <QString>
#include <QTableWidget>

class CListCtrlInfoTip : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxTipChars = 79;

    explicit CListCtrlInfoTip(QWidget* parent = nullptr);

    // `text` cut to 79 characters (never inside a surrogate pair).
    static QString TipText(const QString& text);

    // The tooltip of the cell under `viewportPos` (viewport coordinates);
    // empty where there is no cell.
    QString ToolTipAt(const QPoint& viewportPos) const;

protected:
    bool viewportEvent(QEvent* event) override;
};
