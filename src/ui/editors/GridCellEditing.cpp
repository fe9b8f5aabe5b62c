#include "ui/editors/GridCellEditing.h"

#include "app/PrivateException.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QKeyEvent>

namespace {
bool IsPlainEscape(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The headers of a cell as a screen reader reads them ("Bank5 Setpoint HH"):
// the name of the editor that opens over it.
QString CellName(CDataGridView& grid, int column, int row)
{
    QStringList parts;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleTableInterface* cells = table ? table->tableInterface() : nullptr;
    QAccessibleInterface* cell = cells ? cells->cellAt(row, column) : nullptr;
    if (QAccessibleTableCellInterface* headed = cell ? cell->tableCellInterface() : nullptr) {
        for (QAccessibleInterface* header : headed->columnHeaderCells() + headed->rowHeaderCells())
            if (const QString text = header->text(QAccessible::Name).trimmed(); !text.isEmpty())
                parts << text;
    }
    return parts.join(QLatin1Char(' '));
}
} // namespace

// ---------------------------------------------------------------------------
// CGridCellDelegate

CGridCellDelegate::CGridCellDelegate(CDataGridView& grid, CGridEditOwnerInterface& owner)
    : CGridItemDelegate(nullptr), m_grid(grid), m_owner(owner)
{
    auto* box = new CEditText(grid.viewport());
    box->setFont(grid.font());
    auto* list = new CEditComboBox(grid.viewport());
    list->setFont(grid.font());
    m_box = box;
    m_list = list;
    m_boxObject = box;
    m_listObject = list;
    connect(box, &CEditText::committed, this, [this, box](int navigation) { emit committed(box, navigation); });
    connect(list, &CEditComboBox::committed, this, [this, list](int navigation) { emit committed(list, navigation); });
    connect(list, &CEditComboBox::cancelled, this, [this, list] { emit cancelled(list); });
}

CGridCellDelegate::~CGridCellDelegate()
{
    // The editors die with the delegate (or with their grid before it), so
    // that they never answer a delegate that is gone.
    delete m_box.data();
    delete m_list.data();
}

QWidget* CGridCellDelegate::OpenEditor() const
{
    if (m_box && m_box->isVisible())
        return m_box;
    if (m_list && m_list->isVisible())
        return m_list;
    return nullptr;
}

QWidget* CGridCellDelegate::createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    m_cell = index;
    switch (m_edit.kind) {
    case CGridCellEdit::Kind::List: return m_list;
    case CGridCellEdit::Kind::Text: return m_box;
    case CGridCellEdit::Kind::None: break;
    }
    return nullptr;
}

void CGridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // A refill while the editor is open keeps what the user typed.
    if (editor->isVisible())
        return;
    const QString name = CellName(m_grid, index.column(), index.row());
    if (editor == m_box) {
        m_box->setAccessibleName(name);
        // Cells may show a unit after the value; only the value is edited.
        const std::string shown = index.data(Qt::DisplayRole).toString().toStdString();
        m_box->setText(QString::fromStdString(CScalingParameterResolver::ShortText(shown)));
        m_box->selectAll();
    } else if (editor == m_list) {
        m_list->setAccessibleName(name);
        m_list->clear();
        m_list->addItems(m_edit.options);
        const bool known = m_edit.selected >= 0 && m_edit.selected < m_edit.options.size();
        m_list->setCurrentIndex(known ? m_edit.selected : -1);
    }
}

bool CGridCellDelegate::Store(QWidget* editor, const QModelIndex& index) const
{
    if (editor == m_box) {
        m_owner.StoreText(index.column(), index.row(), m_box->text());
        return true;
    }
    if (editor != m_list)
        return false;
    // A list left without a selection (a stored value that is no option)
    // stores what the owner says it stands for.
    int choice = m_list->currentIndex();
    if (choice < 0 && m_edit.unselected < m_edit.options.size())
        choice = m_edit.unselected;
    if (choice < 0)
        return false;
    m_owner.StoreChoice(index.column(), index.row(), choice);
    return true;
}

void CGridCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    Store(editor, index);
}

void CGridCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                             const QModelIndex&) const
{
    // The box inside the cell's left and top lines, the list over them.
    editor->setGeometry(editor == m_box ? option.rect.translated(1, 1) : option.rect);
}

void CGridCellDelegate::destroyEditor(QWidget*, const QModelIndex&) const
{
    // Kept for the next cell; the view has hidden it.
}

void CGridCellDelegate::Close(QWidget* editor)
{
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool CGridCellDelegate::IsEditor(const QObject* object) const
{
    // Compared as addresses only; isNull() keeps a new object at a freed
    // editor's address from passing for it.
    return (object == m_boxObject && !m_box.isNull()) || (object == m_listObject && !m_list.isNull());
}

bool CGridCellDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // The editors' own keys and focus rules decide their commits; only
    // Escape, which they leave alone, is answered here.
    if (!IsEditor(watched))
        return QObject::eventFilter(watched, event);
    auto* editor = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusOut: m_leaveReason = static_cast<QFocusEvent*>(event)->reason(); break;
    case QEvent::ShortcutOverride:
        // Escape in a cell belongs to the cell, never to a window shortcut.
        if (IsPlainEscape(event)) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
        // Escape closes the cell editor only; it would otherwise go on to
        // the owner's dialog and close it.
        if (IsPlainEscape(event)) {
            emit cancelled(editor);
            return true;
        }
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// CGridCellEditing

CGridCellEditing::CGridCellEditing(CDataGridView& grid, CGridEditOwnerInterface& owner)
    : m_grid(grid), m_owner(owner), m_gridAlive(&grid), m_plainDelegate(grid.itemDelegate()),
      m_delegate(new CGridCellDelegate(grid, owner))
{
    m_delegate->setParent(this);
    grid.setItemDelegate(m_delegate);
    connect(&grid, &CDataGridView::editRequested, this, &CGridCellEditing::OnBeginEdit);
    connect(m_delegate, &CGridCellDelegate::committed, this, &CGridCellEditing::OnCommitted);
    connect(m_delegate, &CGridCellDelegate::cancelled, this, &CGridCellEditing::OnCancelled);
}

CGridCellEditing::~CGridCellEditing()
{
    StopSwallowing();
    if (m_gridAlive && m_plainDelegate)
        m_gridAlive->setItemDelegate(m_plainDelegate);
}

bool CGridCellEditing::eventFilter(QObject* watched, QEvent* event)
{
    if (m_swallowingClick && watched->isWidgetType() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
         event->type() == QEvent::Wheel)) {
        StopSwallowing();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool CGridCellEditing::IsEditing() const
{
    return m_delegate->OpenEditor() != nullptr;
}

void CGridCellEditing::CancelEdit()
{
    if (QWidget* editor = m_delegate->OpenEditor()) {
        m_delegate->Close(editor);
        m_grid.setFocus(Qt::OtherFocusReason);
    }
}

void CGridCellEditing::CommitOpenEdit()
{
    QWidget* editor = m_delegate->OpenEditor();
    if (!editor)
        return;
    if (editor != Box()) {
        // A list has nothing typed: what the cell shows is what is stored.
        m_delegate->Close(editor);
        return;
    }
    const QModelIndex cell = m_delegate->EditedCell();
    const int column = cell.column();
    const int row = cell.row();
    try {
        m_delegate->Store(editor, cell);
    } catch (const std::exception&) {
        ReopenBox();
        throw;
    }
    m_delegate->Close(editor);
    RefillGrid();
    emit valueCommitted(column, row);
}

bool CGridCellEditing::LeftForCancel() const
{
    auto* button = qobject_cast<QAbstractButton*>(m_grid.window()->focusWidget());
    auto* box = button ? qobject_cast<QDialogButtonBox*>(button->parentWidget()) : nullptr;
    return box && box->buttonRole(button) == QDialogButtonBox::RejectRole;
}

void CGridCellEditing::ReopenBox()
{
    CEditText* box = Box();
    if (!box)
        return;
    box->selectAll();
    box->setFocus(Qt::OtherFocusReason);
}

void CGridCellEditing::SwallowThisClick()
{
    if (m_swallowingClick)
        return;
    m_swallowingClick = true;
    QCoreApplication::instance()->installEventFilter(this);
    // Only the press being delivered now; the queued call runs once it is
    // done, so the user's next click counts again.
    QMetaObject::invokeMethod(this, &CGridCellEditing::StopSwallowing, Qt::QueuedConnection);
}

void CGridCellEditing::StopSwallowing()
{
    if (!m_swallowingClick)
        return;
    m_swallowingClick = false;
    QCoreApplication::instance()->removeEventFilter(this);
}

void CGridCellEditing::OnBeginEdit(int startCharacter)
{
    if (QWidget* editor = m_delegate->OpenEditor())
        m_delegate->Close(editor);
    const int column = m_grid.CurrentColumn();
    const int row = m_grid.CurrentRow();
    if (m_grid.IsHeaderCell(column, row))
        return;
    // Called from the grid's key and mouse handlers: a failure is shown
    // here and opens no editor.
    CGridCellEdit edit;
    if (!RunCommand(&m_grid, [&] { edit = m_owner.DescribeCell(column, row); }))
        return;
    if (edit.kind == CGridCellEdit::Kind::None)
        return;
    m_delegate->Prepare(edit);
    m_grid.edit(m_grid.Index(column, row));
    if (edit.kind == CGridCellEdit::Kind::List) {
        if (List() && List()->isVisible())
            List()->showPopup();
    } else if (Box() && Box()->isVisible() && startCharacter != 0) {
        // Typed into the box, so that it replaces the selected text.
        const char32_t ch = char32_t(startCharacter);
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&ch, 1));
        QCoreApplication::sendEvent(Box(), &typed);
    }
}

bool CGridCellEditing::RefillGrid()
{
    return RunCommand(&m_grid, [this] { m_owner.Refill(); });
}

void CGridCellEditing::OnCommitted(QWidget* editor, int navigation)
{
    const QModelIndex cell = m_delegate->EditedCell();
    const int column = cell.column();
    const int row = cell.row();
    // The user went to another control: the focus stays there.
    const bool away = navigation == kNavAway;
    bool stored = false;
    try {
        stored = m_delegate->Store(editor, cell);
    } catch (const std::exception& e) {
        if (away && LeftForCancel()) {
            // The dialog's Cancel drops everything typed in it, this cell
            // too: no message, and the click goes on to close it.
            m_delegate->Close(editor);
            return;
        }
        const auto* privateException = dynamic_cast<const CPrivateException*>(&e);
        ShowMessage(&m_grid, QString::fromStdString(privateException ? privateException->Text() : e.what()),
                    MessageIcon::Stop);
        // The edit stays open for a correction, and what the user clicked
        // to leave it does not act.
        if (editor == Box()) {
            ReopenBox();
            if (away && m_delegate->LeaveReason() == Qt::MouseFocusReason)
                SwallowThisClick();
            return;
        }
    }
    m_delegate->Close(editor);
    // What the grid shows may be stale when this fails; the user is told,
    // and the edit ends where it is.
    const bool refilled = RefillGrid();
    if (stored)
        emit valueCommitted(column, row);
    if (away)
        return;
    // Keys go on to the grid after a commit, whichever owner it has.
    m_grid.setFocus(Qt::OtherFocusReason);
    if (refilled)
        m_grid.Navigate(navigation);
}

void CGridCellEditing::OnCancelled(QWidget* editor)
{
    // A drop-down closed without a choice hands the keys back to the grid
    // (the view does, as the list had them); a cancel because the user went
    // to another control leaves them there.
    m_delegate->Close(editor);
}
