#include "ui/editors/DataGridView.h"

#include "ui/common/UiText.h"
#include "ui/editors/DataGridAccessible.h"
#include "ui/editors/ListCtrlInfoTip.h"
#include "ui/editors/ParEdit.h"

#include <QAccessible>

#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {
bool IsNavigationKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 || key == Qt::Key_Up
        || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
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
} // namespace

CDataGridView::CDataGridView(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(DataGridAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    // A click on a cell takes the focus even where no edit starts; Tab only
    // reaches a grid that can be edited (SetEditable).
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_rowHeight = fontMetrics().size(Qt::TextSingleLine, QStringLiteral("0")).height() + 2;
}

void CDataGridView::SetHeader(std::vector<CGridHeaderCell> header, int columnWidth)
{
    SetHeader(std::move(header), columnWidth, 0, 0);
}

void CDataGridView::SetHeader(std::vector<CGridHeaderCell> header, int columnWidth, int columns, int rows)
{
    m_header = std::move(header);
    m_columnWidth = columnWidth;
    m_columns = std::max(columns, 0);
    m_rows = std::max(rows, 0);
    for (const CGridHeaderCell& cell : m_header) {
        m_columns = std::max(m_columns, cell.column + 1);
        m_rows = std::max(m_rows, cell.row + 1);
    }
    // Sized now rather than at the next paint, so that clicks and the owner's
    // cell geometry are right before the grid was ever shown.
    UpdateLayout();
}

void CDataGridView::ClearCells()
{
    m_cells.clear();
    m_contentDirty = true;
    update();
}

void CDataGridView::SetCell(int column, int row, const QString& text)
{
    m_cells.push_back({column, row, text});
    m_contentDirty = true;
    update();
}

QString CDataGridView::CellText(int column, int row) const
{
    for (const CGridDataCell& cell : m_cells)
        if (cell.column == column && cell.row == row)
            return cell.text;
    return {};
}

const CGridHeaderCell* CDataGridView::Header(int column, int row) const
{
    for (const CGridHeaderCell& h : m_header)
        if (h.column == column && h.row == row)
            return &h;
    return nullptr;
}

bool CDataGridView::IsHeaderCell(int column, int row) const
{
    return Header(column, row) != nullptr;
}

QString CDataGridView::ShownText(int column, int row) const
{
    const CGridHeaderCell* header = Header(column, row);
    if (!header)
        return CellText(column, row);
    QString text = UiText(unsigned(header->stringId));
    if (text == QLatin1String("!"))
        return {};
    if (text.startsWith(QLatin1Char('@')) || text.startsWith(QLatin1Char('$')))
        text.remove(0, 1);
    return text.trimmed();
}

QSize CDataGridView::CellSpan(int column, int row) const
{
    const CGridHeaderCell* header = Header(column, row);
    if (!header)
        return {1, 1};
    const QString text = UiText(unsigned(header->stringId));
    if (text == QLatin1String("!"))
        return {0, 0};
    if (text.startsWith(QLatin1Char('@')))
        return {2, 1};
    if (text.startsWith(QLatin1Char('$')))
        return {1, 2};
    return {1, 1};
}

QRect CDataGridView::CellRect(int column, int row) const
{
    return QRect(column * m_columnWidth, row * m_rowHeight, m_columnWidth, m_rowHeight);
}

void CDataGridView::SetEditable(bool editable)
{
    m_editable = editable;
    setFocusPolicy(editable ? Qt::StrongFocus : Qt::ClickFocus);
    update();
}

void CDataGridView::AnnounceCurrentCell()
{
    if (!QAccessible::isActive() || !hasFocus() || !m_editable || IsHeaderCell(m_currentColumn, m_currentRow))
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(m_currentRow * m_columns + m_currentColumn);
    QAccessible::updateAccessibility(&event);
}

void CDataGridView::SetFirstSelectable(int column, int row)
{
    m_firstColumn = column;
    m_firstRow = row;
}

bool CDataGridView::IsSelectable(int column, int row) const
{
    return row >= m_firstRow && row < m_rows && column >= m_firstColumn && column < m_columns
        && !IsHeaderCell(column, row);
}

bool CDataGridView::SetCurrentCell(int column, int row)
{
    if (column < 0 || row < 0 || column >= m_columns || row >= m_rows || IsHeaderCell(column, row))
        return false;
    m_currentColumn = column;
    m_currentRow = row;
    update();
    AnnounceCurrentCell();
    return true;
}

void CDataGridView::BeginEdit(int startCharacter)
{
    if (startCharacter == 0)
        m_editText = CellText(m_currentColumn, m_currentRow);
    m_startCharacter = startCharacter;
    if (hasFocus())
        update();
    else
        setFocus(Qt::OtherFocusReason);
    Notify();
}

// Each move steps over header cells but stops at the edge of the selectable
// area: a run of header cells up to the edge leaves the current cell as it
// was, so a header cell or a cell outside the grid never becomes current.
bool CDataGridView::MoveUp()
{
    int row = m_currentRow - 1;
    while (row >= m_firstRow && IsHeaderCell(m_currentColumn, row))
        --row;
    if (row < m_firstRow)
        return false;
    m_currentRow = row;
    update();
    AnnounceCurrentCell();
    return true;
}

bool CDataGridView::MoveDown()
{
    int row = m_currentRow + 1;
    while (row < m_rows && IsHeaderCell(m_currentColumn, row))
        ++row;
    if (row >= m_rows)
        return false;
    m_currentRow = row;
    update();
    AnnounceCurrentCell();
    return true;
}

bool CDataGridView::MoveLeft()
{
    int column = m_currentColumn - 1;
    while (column >= m_firstColumn && IsHeaderCell(column, m_currentRow))
        --column;
    if (column < m_firstColumn)
        return false;
    m_currentColumn = column;
    update();
    AnnounceCurrentCell();
    return true;
}

bool CDataGridView::MoveRight()
{
    int column = m_currentColumn + 1;
    while (column < m_columns && IsHeaderCell(column, m_currentRow))
        ++column;
    if (column >= m_columns)
        return false;
    m_currentColumn = column;
    update();
    AnnounceCurrentCell();
    return true;
}

bool CDataGridView::MoveInReadingOrder(bool forward)
{
    int column = m_currentColumn;
    int row = m_currentRow;
    do {
        column += forward ? 1 : -1;
        if (column >= m_columns) {
            column = m_firstColumn;
            ++row;
        } else if (column < m_firstColumn) {
            column = m_columns - 1;
            --row;
        }
        if (row < m_firstRow || row >= m_rows || m_firstColumn >= m_columns)
            return false;
    } while (!IsSelectable(column, row));
    m_currentColumn = column;
    m_currentRow = row;
    update();
    AnnounceCurrentCell();
    return true;
}

bool CDataGridView::MoveNext()
{
    return MoveInReadingOrder(true);
}

bool CDataGridView::MovePrevious()
{
    return MoveInReadingOrder(false);
}

bool CDataGridView::Navigate(int navigationCode)
{
    switch (navigationCode) {
    case kNavDown: MoveDown(); break;
    case kNavUp: MoveUp(); break;
    case kNavLeft: MoveLeft(); break;
    case kNavRight: MoveRight(); break;
    case kNavNext:
    case kNavPrevious: {
        const bool forward = navigationCode == kNavNext;
        if (!(forward ? MoveNext() : MovePrevious())) {
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

// Tooltips follow the report list's rules, with (row, column) as (item,
// sub-item).
int CDataGridView::ToolId(int column, int row)
{
    return CListCtrlInfoTip::ToolId(row, column);
}

int CDataGridView::ToolHitTest(const QPoint& pos, QRect* rect) const
{
    if (pos.x() < 0 || pos.y() < 0 || m_columnWidth <= 0 || m_rowHeight <= 0)
        return 0;
    const int column = pos.x() / m_columnWidth;
    const int row = pos.y() / m_rowHeight;
    if (column >= m_columns || row >= m_rows || IsHeaderCell(column, row))
        return 0;
    if (rect)
        *rect = CellRect(column, row);
    return ToolId(column, row);
}

QString CDataGridView::ToolTipText(int toolId) const
{
    if (toolId <= 0)
        return {};
    const int row = CListCtrlInfoTip::ItemOfToolId(toolId);
    const int column = CListCtrlInfoTip::SubItemOfToolId(toolId);
    if (IsHeaderCell(column, row))
        return {};
    return CListCtrlInfoTip::TipText(CellText(column, row));
}

QSize CDataGridView::sizeHint() const
{
    return QSize(m_columns * m_columnWidth + 1, m_rows * m_rowHeight + 1);
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
            if ((tab == kNavNext && MoveNext()) || (tab == kNavPrevious && MovePrevious())) {
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
    case QEvent::ToolTip:
        if (m_toolTips) {
            auto* help = static_cast<QHelpEvent*>(event);
            QRect rect;
            const QString text = ToolTipText(ToolHitTest(help->pos(), &rect));
            if (text.isEmpty()) {
                QToolTip::hideText();
                event->ignore();
            } else {
                QToolTip::showText(help->globalPos(), text, this, rect);
            }
            return true;
        }
        break;
    default: break;
    }
    return QWidget::event(event);
}

void CDataGridView::keyPressEvent(QKeyEvent* event)
{
    if (!TakesKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2: BeginEdit(0); break; // F2 as in every spreadsheet
    case Qt::Key_Up: MoveUp(); break;
    case Qt::Key_Down: MoveDown(); break;
    case Qt::Key_Left: MoveLeft(); break;
    case Qt::Key_Right: MoveRight(); break;
    default: BeginEdit(TypedCharacter(event)); break;
    }
}

void CDataGridView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
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
    if (!IsSelectable(column, row))
        return;
    m_currentColumn = column;
    m_currentRow = row;
    BeginEdit(0);
}

void CDataGridView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    AnnounceCurrentCell();
}

void CDataGridView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void CDataGridView::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
        UpdateLayout();
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::LanguageChange:
        m_contentDirty = true;
        update();
        break;
    default: break;
    }
    QWidget::changeEvent(event);
}

void CDataGridView::UpdateLayout()
{
    m_rowHeight = fontMetrics().size(Qt::TextSingleLine, QStringLiteral("0")).height() + 2;
    const QSize size = sizeHint();
    resize(size);
    updateGeometry();
    const qreal ratio = devicePixelRatioF();
    m_bitmap = QPixmap(size * ratio);
    m_bitmap.setDevicePixelRatio(ratio);
    m_contentDirty = true;
    update();
}

void CDataGridView::DrawCellText(QPainter& painter, const QRect& rect, const QString& text) const
{
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, std::max(rect.width(), 0));
    painter.drawText(rect, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, shown);
}

void CDataGridView::PaintContent()
{
    const QPalette& pal = palette();
    const bool enabled = isEnabled();
    m_bitmap.fill(enabled ? QColor(Qt::white) : pal.color(QPalette::Button));

    QPainter painter(&m_bitmap);
    painter.setFont(font());
    painter.setPen(pal.color(QPalette::ButtonText));
    const int width = m_columns * m_columnWidth;
    const int height = m_rows * m_rowHeight;
    for (int c = 0; c <= m_columns; ++c)
        painter.drawLine(c * m_columnWidth, 0, c * m_columnWidth, height);
    for (int r = 0; r <= m_rows; ++r)
        painter.drawLine(0, r * m_rowHeight, width, r * m_rowHeight);

    const QColor textColor = enabled ? pal.color(QPalette::WindowText)
                                     : pal.color(QPalette::Disabled, QPalette::WindowText);
    const QColor face = pal.color(QPalette::Button);
    painter.setPen(textColor);
    for (const CGridHeaderCell& cell : m_header) {
        QString text = UiText(unsigned(cell.stringId));
        if (text == QLatin1String("!"))
            continue;
        QRect rect = CellRect(cell.column, cell.row);
        if (text.startsWith(QLatin1Char('@'))) {
            rect.setRight(rect.right() + m_columnWidth);
            text.remove(0, 1);
        } else if (text.startsWith(QLatin1Char('$'))) {
            rect.setBottom(rect.bottom() + m_rowHeight);
            text.remove(0, 1);
        }
        // Inside the grid lines: the left and top lines stay, the cell's own
        // right and bottom lines belong to its neighbours.
        painter.fillRect(rect.adjusted(1, 1, 0, 0), face);
        DrawCellText(painter, rect.adjusted(1, 1, -4, 0), text);
    }
    for (const CGridDataCell& cell : m_cells)
        DrawCellText(painter, CellRect(cell.column, cell.row).adjusted(1, 0, -4, 0), cell.text);
    m_contentDirty = false;
}

void CDataGridView::paintEvent(QPaintEvent*)
{
    if (m_bitmap.isNull())
        return; // no header yet: nothing to draw
    if (m_contentDirty)
        PaintContent();

    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
    if (!hasFocus())
        return;
    const QPalette& pal = palette();
    if (!m_editable || !IsSelectable(m_currentColumn, m_currentRow)) {
        // Focused without a cell to mark: the whole grid shows it, inside its
        // outer lines.
        painter.setPen(QPen(pal.color(QPalette::Highlight), 2));
        const QSize size = sizeHint();
        painter.drawRect(QRectF(2, 2, size.width() - 4, size.height() - 4));
        return;
    }
    const QRect cell = CellRect(m_currentColumn, m_currentRow);
    const QRect inner = cell.adjusted(1, 1, 0, 0);
    painter.fillRect(inner, pal.color(QPalette::Highlight));
    painter.setFont(font());
    painter.setPen(pal.color(QPalette::HighlightedText));
    DrawCellText(painter, cell.adjusted(1, 0, -4, 0), CellText(m_currentColumn, m_currentRow));
    // The focus frame is drawn whatever the style thinks of how the focus
    // came: a grid's current cell is where the keys go.
    painter.drawRect(inner.adjusted(1, 1, -2, -2));
}
