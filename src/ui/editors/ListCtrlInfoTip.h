#pragma once
// A report list whose tooltip shows the full text of the cell under the
// mouse, for cells too narrow to show it. Item = table row, sub-item = column.
//
// Each cell is one tool: id = item * 1024 + (sub-item mod 1024) + 1, so id 0
// means "no tool"; the tooltip text is the cell's text cut to 79 characters.
// The grid of the alarm table applies the same ids and cut to (row, column).

#include <QString>
#include <QTableWidget>

class CListCtrlInfoTip : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxTipChars = 79;

    explicit CListCtrlInfoTip(QWidget* parent = nullptr);

    // Tool id of a cell; 0 for a negative item or sub-item.
    static int ToolId(int item, int subItem);
    // Item and sub-item of a tool id (id >= 1).
    static int ItemOfToolId(int id) { return (id - 1) / 1024; }
    static int SubItemOfToolId(int id) { return (id - 1) % 1024; }
    // `text` cut to 79 characters (never inside a surrogate pair).
    static QString TipText(const QString& text);

    // Tool under `viewportPos` (viewport coordinates): its id and the cell's
    // rectangle, or 0 when no cell is there.
    int ToolHitTest(const QPoint& viewportPos, QRect* toolRect = nullptr) const;
    // Text answered for a tool id; empty for id 0 or a cell that is gone.
    QString ToolText(int id) const;

protected:
    bool viewportEvent(QEvent* event) override;
};
