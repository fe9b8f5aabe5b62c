#pragma once
// CDataGridView: a small hand-painted grid of header cells (texts from the
// string table, with layout marks) and data cells (texts set by the owner).
// It knows nothing of what the cells mean: its owner fills it, and when the
// grid is editable, hears from it (Notify) that an edit should start on the
// current cell, places a CParEdit over that cell and, after a commit, moves
// the current cell with Navigate.
//
// Screen readers see it as a table of its cells' texts (DataGridAccessible.h);
// its owner gives it a name with setAccessibleName. An editable grid is in
// the Tab chain and marks its current cell while it has the focus; a
// display-only grid takes the focus only from a click, and then frames
// itself. In an editable grid Tab and Shift+Tab move the current cell, as in
// a table view with tab-key navigation, and leave the grid at its ends.
//
// Header texts carry layout marks in their first character:
//   "@text"  the text spans this and the next column;
//   "$text"  the text spans this and the next row;
//   "!"      (the whole text) not drawn: the left neighbour's span covers it;
//   " "      an empty grey cell.

#include "model/Observer.h"

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <vector>

// String numbers of the two mark-only header texts, which have no number of
// their own elsewhere.
namespace gridtext {
inline constexpr int kSpanRowsHeader = 12600; // "$": empty, spans two rows
inline constexpr int kCoveredHeader = 12601;  // "!": covered by a column span
} // namespace gridtext

struct CGridHeaderCell
{
    int stringId;
    int column;
    int row;
};

struct CGridDataCell
{
    int column;
    int row;
    QString text;
};

class CDataGridView : public QWidget, public CObservable
{
    Q_OBJECT
public:
    explicit CDataGridView(QWidget* parent = nullptr);

    // Sets the header cells (once) and the column width; the grid has as many
    // columns and rows as the largest header column and row + 1, and resizes
    // itself to them without moving.
    void SetHeader(std::vector<CGridHeaderCell> header, int columnWidth);
    // The same for a grid with at least `columns` × `rows` cells: a table of
    // labels in column 0 and values beside them has no header in column 1.
    void SetHeader(std::vector<CGridHeaderCell> header, int columnWidth, int columns, int rows);
    // Owners clear the data cells and refill them completely.
    void ClearCells();
    void SetCell(int column, int row, const QString& text);

    // Text of the first data cell at (column, row); empty when there is none.
    QString CellText(int column, int row) const;
    bool IsHeaderCell(int column, int row) const;
    // The text a cell shows: a header's text without its mark (empty for
    // "!"), or the data text.
    QString ShownText(int column, int row) const;
    // Columns and rows a cell covers: (2, 1) for "@", (1, 2) for "$", (0, 0)
    // for "!" (its left neighbour covers it), else (1, 1).
    QSize CellSpan(int column, int row) const;
    const std::vector<CGridDataCell>& Cells() const { return m_cells; }

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    int ColumnWidth() const { return m_columnWidth; }
    int RowHeight() const { return m_rowHeight; }
    // Grid coordinates of a cell: (column × width, row × height), one cell big.
    QRect CellRect(int column, int row) const;

    // Editable grids show and move a current cell and start edits, and take
    // the focus from Tab; display-only grids from a click only.
    void SetEditable(bool editable);
    bool IsEditable() const { return m_editable; }
    void SetFirstSelectable(int column, int row);
    int FirstSelectableColumn() const { return m_firstColumn; }
    int FirstSelectableRow() const { return m_firstRow; }
    // False (and unchanged) for a header cell or a cell outside the grid.
    bool SetCurrentCell(int column, int row);
    int CurrentColumn() const { return m_currentColumn; }
    int CurrentRow() const { return m_currentRow; }

    // Asks the observers to start an edit on the current cell. With start
    // character 0 the edit text becomes the current cell's text; otherwise
    // the character (a Unicode code point) was typed to start the edit.
    void BeginEdit(int startCharacter);
    const QString& EditText() const { return m_editText; }
    int StartCharacter() const { return m_startCharacter; }

    // Moves of the current cell; a move that would end on a header cell or
    // outside the selectable area leaves the cell where it is. True if moved.
    bool MoveUp();
    bool MoveDown();
    bool MoveLeft();
    bool MoveRight();
    // Tab and Shift+Tab: the next or previous selectable cell in reading
    // order (along the row, then on to the next row); false at the end.
    bool MoveNext();
    bool MovePrevious();
    // After a committed cell edit: navigation code 1, 2, 3, 4 moves down, up,
    // left, right and begins an edit on the (new) current cell; 5 and 6 do
    // the same for the next and previous cell, and after the last or before
    // the first they pass the focus on to the window's next or previous
    // control. Anything else ends editing. True when an edit was begun.
    bool Navigate(int navigationCode);

    // Tooltips show the text of the data cell under the mouse.
    void SetToolTipsEnabled(bool enabled) { m_toolTips = enabled; }
    bool ToolTipsEnabled() const { return m_toolTips; }
    // Tool id of a cell: row × 1024 + column mod 1024 + 1 (0 when negative).
    static int ToolId(int column, int row);
    // Tool id of the data cell under `pos` (0: none) and its rectangle.
    int ToolHitTest(const QPoint& pos, QRect* rect = nullptr) const;
    // The cell text of a tool id, cut to 79 characters; empty for id 0 or a
    // header cell.
    QString ToolTipText(int toolId) const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool IsSelectable(int column, int row) const;
    bool MoveInReadingOrder(bool forward);
    bool TakesKey(const QKeyEvent* event) const;
    // Row height, size and off-screen bitmap; done at once rather than at the
    // next paint, since a widget must not resize itself while painting.
    void UpdateLayout();
    void PaintContent();
    void DrawCellText(QPainter& painter, const QRect& rect, const QString& text) const;
    const CGridHeaderCell* Header(int column, int row) const;
    // Tells a screen reader that the current cell is where the focus is.
    void AnnounceCurrentCell();

    std::vector<CGridHeaderCell> m_header;
    std::vector<CGridDataCell> m_cells;
    int m_columns = 0;
    int m_rows = 0;
    int m_columnWidth = 10;
    int m_rowHeight = 0;
    int m_currentColumn = 1;
    int m_currentRow = 1;
    int m_firstColumn = 1;
    int m_firstRow = 1;
    bool m_editable = false;
    bool m_toolTips = false;
    QString m_editText;
    int m_startCharacter = 0;
    bool m_contentDirty = true;
    QPixmap m_bitmap;
};
