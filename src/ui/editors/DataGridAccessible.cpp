#include "ui/editors/DataGridAccessible.h"

#include "ui/editors/DataGridView.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>
#include <algorithm>

namespace {

class CGridAccessible;

// One cell; made on demand, owned by the accessibility cache and deleted by
// the table that made it.
class CGridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    CGridCellAccessible(CDataGridView* grid, int column, int row) : m_grid(grid), m_column(column), m_row(row) {}

    bool isValid() const override { return m_grid && m_column < m_grid->Columns() && m_row < m_grid->Rows(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_grid ? QAccessible::queryAccessibleInterface(m_grid.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        // A header's text is its name; a data cell's text is both.
        if (t == QAccessible::Value && m_grid->IsHeaderCell(m_column, m_row))
            return {};
        return m_grid->ShownText(m_column, m_row);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect r = m_grid->CellRect(m_column, m_row);
        r.setSize(QSize(r.width() * columnExtent(), r.height() * rowExtent()));
        return QRect(m_grid->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override
    {
        if (!isValid() || !m_grid->IsHeaderCell(m_column, m_row))
            return QAccessible::Cell;
        if (m_column < m_grid->FirstSelectableColumn())
            return QAccessible::RowHeader;
        // A blank, greyed cell among the data (the P row's) heads nothing:
        // a read-only cell to a screen reader, not an unnamed column header.
        if (m_row >= m_grid->FirstSelectableRow() && m_grid->ShownText(m_column, m_row).isEmpty())
            return QAccessible::Cell;
        return QAccessible::ColumnHeader;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        const bool header = m_grid->IsHeaderCell(m_column, m_row);
        const bool editable = m_grid->IsEditable() && !header;
        s.readOnly = !editable;
        s.selectable = editable;
        s.focusable = editable;
        s.selected = isSelected();
        s.focused = s.selected && m_grid->hasFocus();
        s.disabled = !m_grid->isEnabled();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    bool isSelected() const override
    {
        return isValid() && m_grid->IsEditable() && m_grid->CurrentColumn() == m_column &&
               m_grid->CurrentRow() == m_row && !m_grid->IsHeaderCell(m_column, m_row);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return isValid() ? std::max(m_grid->CellSpan(m_column, m_row).width(), 1) : 1; }
    int rowExtent() const override { return isValid() ? std::max(m_grid->CellSpan(m_column, m_row).height(), 1) : 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<CDataGridView> m_grid;
    int m_column;
    int m_row;
};

class CGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit CGridAccessible(CDataGridView* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
    ~CGridAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
    }

    CDataGridView* Grid() const { return static_cast<CDataGridView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Children: every cell, row by row, then the cell editor while it is shown.
    int childCount() const override { return CellCount() + int(Editors().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const int columns = Grid()->Columns();
        if (index < 0 || columns == 0)
            return nullptr;
        if (index < CellCount())
            return cellAt(index / columns, index % columns);
        const QList<QWidget*> editors = Editors();
        const int e = index - CellCount();
        return e < editors.size() ? QAccessible::queryAccessibleInterface(editors[e]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        if (child->role() == QAccessible::Cell || child->role() == QAccessible::ColumnHeader ||
            child->role() == QAccessible::RowHeader) {
            if (auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface()) {
                if (cell->table() == this)
                    return cell->rowIndex() * Grid()->Columns() + cell->columnIndex();
            }
        }
        const int e = Editors().indexOf(qobject_cast<QWidget*>(child->object()));
        return e < 0 ? -1 : CellCount() + e;
    }
    QAccessibleInterface* focusChild() const override
    {
        for (QWidget* editor : Editors())
            if (editor->hasFocus())
                return QAccessible::queryAccessibleInterface(editor);
        CDataGridView* g = Grid();
        if (g->hasFocus() && g->IsEditable() && !g->IsHeaderCell(g->CurrentColumn(), g->CurrentRow()))
            return cellAt(g->CurrentRow(), g->CurrentColumn());
        return nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        CDataGridView* g = Grid();
        const QPoint p = g->viewport()->mapFromGlobal(QPoint(x, y));
        if (g->ColumnWidth() <= 0 || g->RowHeight() <= 0 || p.x() < 0 || p.y() < 0)
            return nullptr;
        return cellAt(p.y() / g->RowHeight(), p.x() / g->ColumnWidth());
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        CDataGridView* g = Grid();
        if (row < 0 || column < 0 || row >= g->Rows() || column >= g->Columns())
            return nullptr;
        const int key = row * 1024 + column;
        if (auto it = m_cells.constFind(key); it != m_cells.constEnd())
            return QAccessible::accessibleInterface(*it);
        auto* cell = new CGridCellAccessible(g, column, row);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        CDataGridView* g = Grid();
        if (!g->IsEditable() || g->IsHeaderCell(g->CurrentColumn(), g->CurrentRow()))
            return {};
        QAccessibleInterface* cell = cellAt(g->CurrentRow(), g->CurrentColumn());
        return cell ? QList<QAccessibleInterface*>{cell} : QList<QAccessibleInterface*>{};
    }
    QString columnDescription(int column) const override { return Grid()->ShownText(column, 0); }
    QString rowDescription(int row) const override { return Grid()->ShownText(0, row); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return Grid()->Columns(); }
    int rowCount() const override { return Grid()->Rows(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    // A row of header cells across the selectable columns heads the rows
    // below it, down to the next such row.
    bool IsHeaderRow(int row) const
    {
        CDataGridView* g = Grid();
        for (int c = g->FirstSelectableColumn(); c < g->Columns(); ++c)
            if (!g->IsHeaderCell(c, row))
                return false;
        return true;
    }
    // The cell whose span covers a "!" cell (its left neighbour), or the cell
    // itself.
    QAccessibleInterface* Covering(int row, int column) const
    {
        CDataGridView* g = Grid();
        for (int c = column; c >= 0; --c)
            if (g->CellSpan(c, row).width() > column - c)
                return cellAt(row, c);
        return cellAt(row, column);
    }

private:
    int CellCount() const { return Grid()->Columns() * Grid()->Rows(); }
    QList<QWidget*> Editors() const
    {
        QList<QWidget*> shown;
        // The view opens its cell editors on its viewport.
        for (QWidget* w : Grid()->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible())
                shown.append(w);
        return shown;
    }

    mutable QHash<int, QAccessible::Id> m_cells;
};

QList<QAccessibleInterface*> CGridCellAccessible::columnHeaderCells() const
{
    if (!isValid() || m_grid->IsHeaderCell(m_column, m_row))
        return {};
    auto* table = static_cast<CGridAccessible*>(parent());
    int r = m_row - 1;
    while (r >= 0 && !table->IsHeaderRow(r))
        --r;
    int top = r;
    while (top > 0 && table->IsHeaderRow(top - 1))
        --top;
    QList<QAccessibleInterface*> headers;
    for (int h = std::max(top, 0); h <= r; ++h)
        if (QAccessibleInterface* cell = table->Covering(h, m_column))
            headers.append(cell);
    return headers;
}

QList<QAccessibleInterface*> CGridCellAccessible::rowHeaderCells() const
{
    if (!isValid() || m_grid->IsHeaderCell(m_column, m_row))
        return {};
    auto* table = static_cast<CGridAccessible*>(parent());
    QList<QAccessibleInterface*> headers;
    for (int c = 0; c < m_grid->FirstSelectableColumn(); ++c)
        if (m_grid->IsHeaderCell(c, m_row))
            headers.append(table->cellAt(m_row, c));
    return headers;
}

} // namespace

QAccessibleInterface* DataGridAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CDataGridView") && object && object->isWidgetType())
        if (auto* grid = qobject_cast<CDataGridView*>(object))
            return new CGridAccessible(grid);
    return nullptr;
}
