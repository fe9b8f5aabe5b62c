#include "ui/editors/GridCellEditing.h"

#include "app/PrivateException.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/editors/DataGridView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStringList>

CGridCellEditing::CGridCellEditing(CDataGridView& grid, CGridEditOwnerInterface& owner)
    : m_grid(grid), m_owner(owner)
{
    m_parEdit.CreateChildren(&m_grid);
    m_grid.Attach(this);
    m_parEdit.Attach(this);
    Attach(&m_parEdit);
    m_list = m_parEdit.List();
    m_box = m_parEdit.Box();
    m_list->installEventFilter(this);
    m_box->installEventFilter(this);
}

CGridCellEditing::~CGridCellEditing()
{
    // The editors die with this object (or with their grid before it): no
    // filtering of the events they send while they go.
    StopSwallowing();
    for (QObject* editor : {m_list.data(), m_box.data()})
        if (editor)
            editor->removeEventFilter(this);
}

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

bool CGridCellEditing::eventFilter(QObject* watched, QEvent* event)
{
    if (m_swallowingClick && watched->isWidgetType()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick
            || event->type() == QEvent::Wheel)) {
        StopSwallowing();
        return true;
    }
    // Told apart as objects: an editor being destroyed (with its grid) is no
    // CEditText or CEditComboBox any more.
    if (!watched->isWidgetType() || (watched != m_box.data() && watched != m_list.data()))
        return QObject::eventFilter(watched, event);
    auto* editor = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Hide:
        m_editorHadFocus = editor->window()->focusWidget() == editor;
        break;
    case QEvent::FocusOut:
        m_leaveReason = static_cast<QFocusEvent*>(event)->reason();
        break;
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
            CancelEdit();
            return true;
        }
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

bool CGridCellEditing::IsEditing() const
{
    const CEditComboBox* list = m_parEdit.List();
    const CEditText* box = m_parEdit.Box();
    return (list && list->isVisible()) || (box && box->isVisible());
}

void CGridCellEditing::CancelEdit()
{
    if (!IsEditing())
        return;
    HideEditors();
    m_grid.setFocus(Qt::OtherFocusReason);
}

void CGridCellEditing::CommitOpenEdit()
{
    CEditText* box = m_parEdit.Box();
    if (!box || !box->isVisible()) {
        // A list has nothing typed: what the cell shows is what is stored.
        if (IsEditing())
            HideEditors();
        return;
    }
    const int column = m_editColumn;
    const int row = m_editRow;
    try {
        Store(CParEdit::kCommitText, box->text(), -1);
    } catch (const std::exception&) {
        ReopenBox();
        throw;
    }
    RefillGrid();
    HideEditors();
    emit valueCommitted(column, row);
}

void CGridCellEditing::Update(CObservable* source)
{
    if (source == static_cast<CObservable*>(&m_grid))
        OnBeginEdit();
    else if (source == static_cast<CObservable*>(&m_parEdit) && !m_closing)
        OnCommit();
}

void CGridCellEditing::HideEditors()
{
    m_closing = true;
    // The grid takes the focus before a focused editor hides, which would
    // hand it to the next control of the window.
    QWidget* focused = m_grid.window()->focusWidget();
    if (focused && (focused == m_parEdit.Box() || focused == m_parEdit.List()))
        m_grid.setFocus(Qt::OtherFocusReason);
    Notify(); // the CParEdit hides both children
    m_closing = false;
}

bool CGridCellEditing::LeftForCancel() const
{
    auto* button = qobject_cast<QAbstractButton*>(m_grid.window()->focusWidget());
    auto* box = button ? qobject_cast<QDialogButtonBox*>(button->parentWidget()) : nullptr;
    return box && box->buttonRole(button) == QDialogButtonBox::RejectRole;
}

void CGridCellEditing::ReopenBox()
{
    CEditText* box = m_parEdit.Box();
    if (!box)
        return;
    box->selectAll();
    box->show();
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

void CGridCellEditing::OnBeginEdit()
{
    HideEditors();
    m_editorHadFocus = false;
    const int column = m_grid.CurrentColumn();
    const int row = m_grid.CurrentRow();
    if (m_grid.IsHeaderCell(column, row))
        return;
    // Called from the grid's key and mouse handlers: a failure is shown
    // here and opens no editor.
    CGridCellEdit edit;
    if (!RunCommand(&m_grid, [&] { edit = m_owner.DescribeCell(column, row); }))
        return;
    m_editColumn = column;
    m_editRow = row;
    const QRect cell = m_grid.CellRect(column, row);
    const QString name = CellName(m_grid, column, row);
    switch (edit.kind) {
    case CGridCellEdit::Kind::None: return;
    case CGridCellEdit::Kind::List: {
        CEditComboBox* list = m_parEdit.List();
        list->setAccessibleName(name);
        list->clear();
        list->addItems(edit.options);
        list->setGeometry(cell);
        list->setCurrentIndex(edit.selected >= 0 && edit.selected < edit.options.size() ? edit.selected : -1);
        m_unselected = edit.unselected >= 0 && edit.unselected < edit.options.size() ? edit.unselected : -1;
        list->show();
        list->setFocus(Qt::OtherFocusReason);
        list->showPopup();
        return;
    }
    case CGridCellEdit::Kind::Text: {
        CEditText* box = m_parEdit.Box();
        box->setAccessibleName(name);
        box->setGeometry(cell.translated(1, 1));
        // Cells may show a unit after the value; only the value is edited.
        box->setText(QString::fromStdString(
            CScalingParameterResolver::ShortText(m_grid.EditText().toStdString())));
        box->selectAll();
        box->show();
        box->setFocus(Qt::OtherFocusReason);
        if (const int c = m_grid.StartCharacter()) {
            // Typed into the box, so that it replaces the selected text.
            const char32_t ch = char32_t(c);
            QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&ch, 1));
            QCoreApplication::sendEvent(box, &typed);
        }
        return;
    }
    }
}

bool CGridCellEditing::Store(int kind, const QString& text, int index)
{
    if (kind == CParEdit::kCommitText) {
        m_owner.StoreText(m_editColumn, m_editRow, text);
        return true;
    }
    // A list left without a selection (a stored value that is no option)
    // stores what the owner says it stands for.
    if (index < 0)
        index = m_unselected;
    if (kind != CParEdit::kCommitList || index < 0)
        return false;
    m_owner.StoreChoice(m_editColumn, m_editRow, index);
    return true;
}

bool CGridCellEditing::RefillGrid()
{
    return RunCommand(&m_grid, [this] { m_owner.Refill(); });
}

void CGridCellEditing::OnCommit()
{
    // A cancel reported by an editor that was already put away, while the
    // other one is open, is not about the open edit.
    if (m_parEdit.CommitKind() == CParEdit::kCommitNone && IsEditing())
        return;
    const int column = m_editColumn;
    const int row = m_editRow;
    const int kind = m_parEdit.CommitKind();
    const int navigation = m_parEdit.NavigationCode();
    // The user went to another control: the focus stays there.
    const bool away = navigation == kNavAway;
    const bool hadFocus = m_editorHadFocus;
    bool stored = false;
    bool refilled = true;
    if (kind != CParEdit::kCommitNone) {
        try {
            stored = Store(kind, m_parEdit.Text(), m_parEdit.SelectedIndex());
        } catch (const std::exception& e) {
            if (away && LeftForCancel()) {
                // The dialog's Cancel drops everything typed in it, this cell
                // too: no message, and the click goes on to close it.
                HideEditors();
                return;
            }
            const auto* privateException = dynamic_cast<const CPrivateException*>(&e);
            ShowMessage(&m_grid, QString::fromStdString(privateException ? privateException->Text() : e.what()),
                        MessageIcon::Stop);
            // The edit stays open for a correction, and what the user
            // clicked to leave it does not act.
            if (kind == CParEdit::kCommitText) {
                ReopenBox();
                if (away && m_leaveReason == Qt::MouseFocusReason)
                    SwallowThisClick();
                return;
            }
        }
        // What the grid shows may be stale when this fails; the user is
        // told, and the edit ends where it is.
        refilled = RefillGrid();
    }
    HideEditors();
    if (stored)
        emit valueCommitted(column, row);
    if (kind == CParEdit::kCommitNone) {
        // A drop-down closed without a choice hands the keys back to the grid;
        // a cancel because the user went to another control leaves them there.
        if (hadFocus)
            m_grid.setFocus(Qt::OtherFocusReason);
        return;
    }
    if (away)
        return;
    // Keys go on to the grid after a commit, whichever owner it has.
    m_grid.setFocus(Qt::OtherFocusReason);
    if (refilled)
        m_grid.Navigate(navigation);
}
