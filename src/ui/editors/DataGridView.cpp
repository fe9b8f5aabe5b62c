#include "ui/editors/DataGridView.h"

#include "ui/common/UiText.h"
#include "ui/editors/DataGridAccessible.h"
#include "ui/editors/ListCtrlInfoTip.h"
#include "ui/editors/ParEdit.h"

#include <QAbstractTableModel>
#include <QAccessible>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

// The grid's cells: header cells with their string numbers and data cells
// with their texts, as the view's owner set them.
class CGridModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_columns; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole)
            return ShownText(index.column(), index.row());
        if (role == Qt::ToolTipRole && m_toolTips && !Header(index.column(), index.row())) {
            const QString text = CellText(index.column(), index.row());
            if (!text.isEmpty())
                return CListCtrlInfoTip::TipText(text);
        }
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid() || Header(index.column(), index.row()))
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | (m_editable ? Qt::ItemIsEditable : Qt::NoItemFlags);
    }

    void SetHeader(std::vector<CGridHeaderCell> header, int columns, int rows)
    {
        // Owners that lay the grid out again on every resize set the same
        // header: no reset, which a screen reader would read as a new table.
        if (SameHeader(header, columns, rows))
            return;
        beginResetModel();
        m_header = std::move(header);
        m_columns = std::max(columns, 0);
        m_rows = std::max(rows, 0);
        for (const CGridHeaderCell& cell : m_header) {
            m_columns = std::max(m_columns, cell.column + 1);
            m_rows = std::max(m_rows, cell.row + 1);
        }
        endResetModel();
    }

    void ClearCells()
    {
        m_cells.clear();
        AllChanged();
    }

    void SetCell(int column, int row, const QString& text)
    {
        m_cells.push_back({column, row, text});
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell);
    }

    void SetEditable(bool editable)
    {
        m_editable = editable;
        AllChanged();
    }
    void SetToolTips(bool enabled) { m_toolTips = enabled; }
    bool ToolTips() const { return m_toolTips; }

    QString CellText(int column, int row) const
    {
        for (const CGridDataCell& cell : m_cells)
            if (cell.column == column && cell.row == row)
                return cell.text;
        return {};
    }

    const CGridHeaderCell* Header(int column, int row) const
    {
        for (const CGridHeaderCell& h : m_header)
            if (h.column == column && h.row == row)
                return &h;
        return nullptr;
    }

    // A header's text as the string table has it, marks included.
    static QString MarkedText(const CGridHeaderCell& header) { return UiText(unsigned(header.stringId)); }

    QString ShownText(int column, int row) const
    {
        const CGridHeaderCell* header = Header(column, row);
        if (!header)
            return CellText(column, row);
        QString text = MarkedText(*header);
        if (text == QLatin1String("!"))
            return {};
        if (text.startsWith(QLatin1Char('@')) || text.startsWith(QLatin1Char('$')))
            text.remove(0, 1);
        return text.trimmed();
    }

    QSize CellSpan(int column, int row) const
    {
        const CGridHeaderCell* header = Header(column, row);
        if (!header)
            return {1, 1};
        const QString text = MarkedText(*header);
        if (text == QLatin1String("!"))
            return {0, 0};
        if (text.startsWith(QLatin1Char('@')))
            return {2, 1};
        if (text.startsWith(QLatin1Char('$')))
            return {1, 2};
        return {1, 1};
    }

    const std::vector<CGridHeaderCell>& HeaderCells() const { return m_header; }
    const std::vector<CGridDataCell>& Cells() const { return m_cells; }

private:
    bool SameHeader(const std::vector<CGridHeaderCell>& header, int columns, int rows) const
    {
        const auto same = [](const CGridHeaderCell& x, const CGridHeaderCell& y) {
            return x.stringId == y.stringId && x.column == y.column && x.row == y.row;
        };
        if (m_header.empty() || !std::equal(header.begin(), header.end(), m_header.begin(), m_header.end(), same))
            return false;
        int needColumns = columns;
        int needRows = rows;
        for (const CGridHeaderCell& cell : header) {
            needColumns = std::max(needColumns, cell.column + 1);
            needRows = std::max(needRows, cell.row + 1);
        }
        return needColumns == m_columns && needRows == m_rows;
    }

    void AllChanged()
    {
        if (m_rows > 0 && m_columns > 0)
            emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
    }

    std::vector<CGridHeaderCell> m_header;
    std::vector<CGridDataCell> m_cells;
    int m_columns = 0;
    int m_rows = 0;
    bool m_editable = false;
    bool m_toolTips = false;
};

namespace {
bool IsNavigationKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 || key == Qt::Key_Up ||
           key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

// The character a key types, or 0 for a key that types nothing printable (a
// control character, a key with Ctrl or Alt, which belong to shortcuts).
int TypedCharacter(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return 0;
    const QList<uint> ucs4 = event->text().toUcs4();
    if (ucs4.size() != 1)
        return 0;
    const char32_t c = ucs4.front();
    return QChar::isPrint(c) ? int(c) : 0;
}

int RowHeightOf(const QFontMetrics& metrics)
{
    return metrics.size(Qt::TextSingleLine, QStringLiteral("0")).height() + 2;
}
} // namespace

CDataGridView::CDataGridView(QWidget* parent) : QTableView(parent), m_model(new CGridModel(this))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(DataGridAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setModel(m_model);
    setItemDelegate(new CGridItemDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false); // each cell draws its own lines (CGridItemDelegate)
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    // Edits start from the keys and clicks the grid answers itself, and Tab
    // is taken before it would move the focus (event).
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    // A click on a cell takes the focus even where no edit starts; Tab only
    // reaches a grid that can be edited (SetEditable).
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_rowHeight = RowHeightOf(fontMetrics());
}

CDataGridView::~CDataGridView() = default;

void CDataGridView::SetHeader(std::vector<CGridHeaderCell> header, int columnWidth)
{
    SetHeader(std::move(header), columnWidth, 0, 0);
}

void CDataGridView::SetHeader(std::vector<CGridHeaderCell> header, int columnWidth, int columns, int rows)
{
    const int column = std::max(CurrentColumn(), m_firstColumn);
    const int row = std::max(CurrentRow(), m_firstRow);
    m_columnWidth = columnWidth;
    m_model->SetHeader(std::move(header), columns, rows);
    UpdateLayout();
    SetCurrentCell(column, row);
}

void CDataGridView::ClearCells()
{
    m_model->ClearCells();
}

void CDataGridView::SetCell(int column, int row, const QString& text)
{
    m_model->SetCell(column, row, text);
}

QString CDataGridView::CellText(int column, int row) const
{
    return m_model->CellText(column, row);
}

bool CDataGridView::IsHeaderCell(int column, int row) const
{
    return m_model->Header(column, row) != nullptr;
}

QString CDataGridView::ShownText(int column, int row) const
{
    return m_model->ShownText(column, row);
}

QSize CDataGridView::CellSpan(int column, int row) const
{
    return m_model->CellSpan(column, row);
}

const std::vector<CGridDataCell>& CDataGridView::Cells() const
{
    return m_model->Cells();
}

int CDataGridView::Columns() const
{
    return m_model->columnCount();
}

int CDataGridView::Rows() const
{
    return m_model->rowCount();
}

QRect CDataGridView::CellRect(int column, int row) const
{
    return QRect(column * m_columnWidth, row * m_rowHeight, m_columnWidth, m_rowHeight);
}

QModelIndex CDataGridView::Index(int column, int row) const
{
    return m_model->index(row, column);
}

void CDataGridView::SetEditable(bool editable)
{
    m_editable = editable;
    m_model->SetEditable(editable);
    setFocusPolicy(editable ? Qt::StrongFocus : Qt::ClickFocus);
    viewport()->update();
}

void CDataGridView::SetToolTipsEnabled(bool enabled)
{
    m_model->SetToolTips(enabled);
}

bool CDataGridView::ToolTipsEnabled() const
{
    return m_model->ToolTips();
}

void CDataGridView::AnnounceCurrentCell()
{
    if (!QAccessible::isActive() || !hasFocus() || !m_editable || IsHeaderCell(CurrentColumn(), CurrentRow()))
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(CurrentRow() * Columns() + CurrentColumn());
    QAccessible::updateAccessibility(&event);
}

void CDataGridView::SetFirstSelectable(int column, int row)
{
    m_firstColumn = column;
    m_firstRow = row;
}

bool CDataGridView::IsSelectable(int column, int row) const
{
    return row >= m_firstRow && row < Rows() && column >= m_firstColumn && column < Columns() &&
           !IsHeaderCell(column, row);
}

bool CDataGridView::SetCurrentCell(int column, int row)
{
    if (column < 0 || row < 0 || column >= Columns() || row >= Rows() || IsHeaderCell(column, row))
        return false;
    selectionModel()->setCurrentIndex(Index(column, row), QItemSelectionModel::NoUpdate);
    viewport()->update();
    AnnounceCurrentCell();
    return true;
}

void CDataGridView::BeginEdit(int startCharacter)
{
    if (startCharacter == 0)
        m_editText = CellText(CurrentColumn(), CurrentRow());
    m_startCharacter = startCharacter;
    if (hasFocus())
        viewport()->update();
    else
        setFocus(Qt::OtherFocusReason);
    emit editRequested(startCharacter);
}

// A run of header cells up to the edge leaves the current cell as it was, so
// a header cell or a cell outside the grid never becomes current.
QPoint CDataGridView::Step(CursorAction action) const
{
    int column = CurrentColumn();
    int row = CurrentRow();
    if (column < 0 || row < 0)
        return {-1, -1};
    const bool forward = action == QAbstractItemView::MoveNext || action == QAbstractItemView::MoveDown ||
                         action == QAbstractItemView::MoveRight;
    const int d = forward ? 1 : -1;
    do {
        switch (action) {
        case QAbstractItemView::MoveUp:
        case QAbstractItemView::MoveDown: row += d; break;
        case QAbstractItemView::MoveLeft:
        case QAbstractItemView::MoveRight: column += d; break;
        case QAbstractItemView::MoveNext:
        case QAbstractItemView::MovePrevious:
            column += d;
            if (column >= Columns()) {
                column = m_firstColumn;
                ++row;
            } else if (column < m_firstColumn) {
                column = Columns() - 1;
                --row;
            }
            break;
        default: return {-1, -1};
        }
        if (row < m_firstRow || row >= Rows() || column < m_firstColumn || column >= Columns())
            return {-1, -1};
    } while (!IsSelectable(column, row));
    return {column, row};
}

QModelIndex CDataGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const QPoint to = Step(cursorAction);
    return to.x() < 0 ? QModelIndex() : Index(to.x(), to.y());
}

bool CDataGridView::MoveTo(CursorAction action)
{
    const QPoint to = Step(action);
    return to.x() >= 0 && SetCurrentCell(to.x(), to.y());
}

bool CDataGridView::Navigate(int navigationCode)
{
    switch (navigationCode) {
    case kNavDown: MoveTo(QAbstractItemView::MoveDown); break;
    case kNavUp: MoveTo(QAbstractItemView::MoveUp); break;
    case kNavLeft: MoveTo(QAbstractItemView::MoveLeft); break;
    case kNavRight: MoveTo(QAbstractItemView::MoveRight); break;
    case kNavNext:
    case kNavPrevious: {
        const bool forward = navigationCode == kNavNext;
        if (!MoveTo(forward ? QAbstractItemView::MoveNext : QAbstractItemView::MovePrevious)) {
            // Past the last cell Tab goes where it goes from any control.
            QWidget::focusNextPrevChild(forward);
            return false;
        }
        break;
    }
    default: return false;
    }
    // At an edge the cell stays and its edit opens again: the user asked to
    // keep editing.
    BeginEdit(0);
    return true;
}

void CDataGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QSignalBlocker quiet(editor);
    // The keys come back to the grid before the editor hides, which would
    // hand them on to the window's next control. (The view itself looks at
    // the application's focus, which a list's closed drop-down or a message
    // box in front may still hold.)
    if (editor->window()->focusWidget() == editor)
        setFocus(Qt::OtherFocusReason);
    QTableView::closeEditor(editor, hint);
}

void CDataGridView::commitData(QWidget*) {}

QSize CDataGridView::sizeHint() const
{
    return QSize(Columns() * m_columnWidth + 1, Rows() * m_rowHeight + 1);
}

bool CDataGridView::TakesKey(const QKeyEvent* event) const
{
    if (!m_editable)
        return false;
    if (IsNavigationKey(event->key()))
        return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    return TypedCharacter(event) != 0;
}

bool CDataGridView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        // Tab moves the current cell before it would move the focus; from
        // the last cell (or Shift+Tab from the first) it leaves the grid.
        if (m_editable) {
            const int tab = TabNavigation(static_cast<QKeyEvent*>(event));
            if ((tab == kNavNext && MoveTo(QAbstractItemView::MoveNext)) ||
                (tab == kNavPrevious && MoveTo(QAbstractItemView::MovePrevious))) {
                event->accept();
                return true;
            }
        }
        break;
    case QEvent::ShortcutOverride:
        // Return, the arrows and typed characters belong to the grid, never to
        // a window shortcut or the dialog's default button.
        if (TakesKey(static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        break;
    default: break;
    }
    return QTableView::event(event);
}

void CDataGridView::keyPressEvent(QKeyEvent* event)
{
    if (!TakesKey(event)) {
        // Not the item view's own keys: a display-only grid passes them on.
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2: BeginEdit(0); break; // F2 as in every spreadsheet
    case Qt::Key_Up: MoveTo(QAbstractItemView::MoveUp); break;
    case Qt::Key_Down: MoveTo(QAbstractItemView::MoveDown); break;
    case Qt::Key_Left: MoveTo(QAbstractItemView::MoveLeft); break;
    case Qt::Key_Right: MoveTo(QAbstractItemView::MoveRight); break;
    default: BeginEdit(TypedCharacter(event)); break;
    }
}

void CDataGridView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTableView::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (!m_editable || m_columnWidth <= 0 || m_rowHeight <= 0)
        return;
    const QPoint pos = event->position().toPoint();
    if (pos.x() < 0 || pos.y() < 0)
        return;
    const int column = pos.x() / m_columnWidth;
    const int row = pos.y() / m_rowHeight;
    if (!IsSelectable(column, row) || !SetCurrentCell(column, row))
        return;
    BeginEdit(0);
}

void CDataGridView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
    AnnounceCurrentCell();
}

void CDataGridView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void CDataGridView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateLayout();
}

void CDataGridView::UpdateLayout()
{
    m_rowHeight = RowHeightOf(fontMetrics());
    horizontalHeader()->setDefaultSectionSize(m_columnWidth);
    verticalHeader()->setDefaultSectionSize(m_rowHeight);
    for (int c = 0; c < Columns(); ++c)
        setColumnWidth(c, m_columnWidth);
    for (int r = 0; r < Rows(); ++r)
        setRowHeight(r, m_rowHeight);
    clearSpans();
    for (const CGridHeaderCell& cell : m_model->HeaderCells()) {
        const QSize span = CellSpan(cell.column, cell.row);
        if (span.width() > 1 || span.height() > 1)
            setSpan(cell.row, cell.column, span.height(), span.width());
    }
    resize(sizeHint());
    updateGeometry();
    viewport()->update();
}

void CDataGridView::paintEvent(QPaintEvent* event)
{
    const QPalette& pal = palette();
    {
        QPainter painter(viewport());
        painter.fillRect(viewport()->rect(), isEnabled() ? QColor(Qt::white) : pal.color(QPalette::Button));
    }
    QTableView::paintEvent(event);

    // The cells draw their left and top lines; the grid closes them.
    QPainter painter(viewport());
    painter.setPen(pal.color(QPalette::ButtonText));
    const int width = Columns() * m_columnWidth;
    const int height = Rows() * m_rowHeight;
    painter.drawLine(width, 0, width, height);
    painter.drawLine(0, height, width, height);
    if (hasFocus() && (!m_editable || !IsSelectable(CurrentColumn(), CurrentRow()))) {
        // Focused without a cell to mark: the whole grid shows it, inside its
        // outer lines.
        painter.setPen(QPen(pal.color(QPalette::Highlight), 2));
        painter.drawRect(QRectF(2, 2, width + 1 - 4, height + 1 - 4));
    }
}

// ---------------------------------------------------------------------------
// CGridItemDelegate

namespace {
void DrawCellText(QPainter& painter, const QRect& rect, const QString& text)
{
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, std::max(rect.width(), 0));
    painter.drawText(rect, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, shown);
}
} // namespace

void CGridItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* grid = qobject_cast<const CDataGridView*>(option.widget);
    if (!grid)
        return;
    const QPalette& pal = grid->palette();
    const QRect rect = option.rect; // a span's whole rectangle
    const int column = index.column();
    const int row = index.row();
    painter->save();
    painter->setFont(grid->font());
    painter->setPen(pal.color(QPalette::ButtonText));
    painter->drawLine(rect.left(), rect.top(), rect.right(), rect.top());
    painter->drawLine(rect.left(), rect.top(), rect.left(), rect.bottom());
    const QString text = index.data(Qt::DisplayRole).toString();
    // Inside the grid lines: the left and top lines stay, the cell's own
    // right and bottom lines belong to its neighbours.
    const QRect inner = rect.adjusted(1, 1, 0, 0);
    if (grid->IsHeaderCell(column, row)) {
        painter->fillRect(inner, pal.color(QPalette::Button));
        painter->setPen(grid->isEnabled() ? pal.color(QPalette::WindowText)
                                          : pal.color(QPalette::Disabled, QPalette::WindowText));
        DrawCellText(*painter, rect.adjusted(1, 1, -4, 0), text);
    } else if (grid->hasFocus() && grid->IsEditable() && index == grid->currentIndex()) {
        painter->fillRect(inner, pal.color(QPalette::Highlight));
        painter->setPen(pal.color(QPalette::HighlightedText));
        DrawCellText(*painter, rect.adjusted(1, 0, -4, 0), text);
        // The focus frame is drawn whatever the style thinks of how the
        // focus came: a grid's current cell is where the keys go.
        painter->drawRect(inner.adjusted(1, 1, -2, -2));
    } else {
        painter->setPen(grid->isEnabled() ? pal.color(QPalette::WindowText)
                                          : pal.color(QPalette::Disabled, QPalette::WindowText));
        DrawCellText(*painter, rect.adjusted(1, 0, -4, 0), text);
    }
    painter->restore();
}
