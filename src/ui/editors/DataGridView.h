#pragma once
// CDataGridView: a small table view of header cells (texts from the string
// table, with layout marks) and data cells (texts set by the owner), drawn
// as a plain grid. It knows nothing of what the cells mean: its owner fills
// it, and when the grid is editable, hears from it (editRequested) that an
// edit should start on the current cell; CGridCellEditing opens the cell's
// editor through the view's delegate and, after a commit, moves the current
// cell with Navigate.
//
// Screen readers see it as a table of its cells' texts (DataGridAccessible.h);
// its owner gives it a name with setAccessibleName. An editable grid is in
// the Tab chain and marks its current cell while it has the focus; a
// display-only grid takes the focus only from a click, and then frames
// itself. In an editable grid Tab and Shift+Tab move the current cell, as in
// a table view with tab-key navigation, and leave the grid at its ends.
// Cells in row r and column c are the model's index (r, c); the grid's
// methods take the column first.
//
// Header texts carry layout marks in their first character:
//   "@text"  the text spans this and the next column;
//   "$text"  the text spans this and the next row;
//   "!"      (the whole text) not drawn: the left neighbour's span covers it;
//   " "      an empty grey cell.

#include <QString>
#include <QStyledItemDelegate>
#include <QTableView>
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

class CGridModel;

class CDataGridView : public QTableView
{
    Q_OBJECT
public:
    explicit CDataGridView(QWidget* parent = nullptr);
    ~CDataGridView() override;

    // Sets the header cells and the column width; the grid has as many
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
    const std::vector<CGridDataCell>& Cells() const;

    int Columns() const;
    int Rows() const;
    int ColumnWidth() const { return m_columnWidth; }
    int RowHeight() const { return m_rowHeight; }
    // Viewport coordinates of a cell: (column × width, row × height), one
    // cell big, its left and top lines included.
    QRect CellRect(int column, int row) const;
    QModelIndex Index(int column, int row) const;

    // Editable grids show and move a current cell and start edits, and take
    // the focus from Tab; display-only grids from a click only.
    void SetEditable(bool editable);
    bool IsEditable() const { return m_editable; }
    void SetFirstSelectable(int column, int row);
    int FirstSelectableColumn() const { return m_firstColumn; }
    int FirstSelectableRow() const { return m_firstRow; }
    // False (and unchanged) for a header cell or a cell outside the grid.
    bool SetCurrentCell(int column, int row);
    int CurrentColumn() const { return currentIndex().column(); }
    int CurrentRow() const { return currentIndex().row(); }

    // Asks for an edit on the current cell (editRequested). With start
    // character 0 the edit text becomes the current cell's text; otherwise
    // the character (a Unicode code point) was typed to start the edit.
    void BeginEdit(int startCharacter);
    const QString& EditText() const { return m_editText; }
    int StartCharacter() const { return m_startCharacter; }

    // After a committed cell edit: navigation code 1, 2, 3, 4 moves down, up,
    // left, right and begins an edit on the (new) current cell; 5 and 6 do
    // the same for the next and previous cell, and after the last or before
    // the first they pass the focus on to the window's next or previous
    // control. Anything else ends editing. True when an edit was begun.
    bool Navigate(int navigationCode);

    // Tooltips (the model's tool tip role) show the text of the data cell
    // under the mouse, cut to 79 characters.
    void SetToolTipsEnabled(bool enabled);
    bool ToolTipsEnabled() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void editRequested(int startCharacter);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // The editor's own signals are its answer; while the view puts it away
    // (and takes the focus from it) they are not.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // Values are stored when an editor says so (CGridCellEditing), where a
    // rejected one can keep its editor open; not when the current cell moves.
    void commitData(QWidget* editor) override;

private:
    bool IsSelectable(int column, int row) const;
    // The cell a move leads to from the current cell, or (-1, -1). Up, down,
    // left and right step over header cells but stop at the edge of the
    // selectable area; next and previous (Tab, Shift+Tab) go in reading
    // order, along the row and on to the next.
    QPoint Step(CursorAction action) const;
    // Makes that cell current; false (and no move) at an edge.
    bool MoveTo(CursorAction action);
    bool TakesKey(const QKeyEvent* event) const;
    // Row height, column widths, spans and size; done at once rather than
    // at the next paint, so that clicks and the owner's cell geometry are
    // right before the grid was ever shown.
    void UpdateLayout();
    // Tells a screen reader that the current cell is where the focus is.
    void AnnounceCurrentCell();

    CGridModel* m_model;
    int m_columnWidth = 10;
    int m_rowHeight = 0;
    int m_firstColumn = 1;
    int m_firstRow = 1;
    bool m_editable = false;
    QString m_editText;
    int m_startCharacter = 0;
};

// Draws the grid's cells: each cell its left and top line, a header cell
// grey, texts at the bottom right, and the current cell of a focused
// editable grid highlighted with a focus frame inside it.
class CGridItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
