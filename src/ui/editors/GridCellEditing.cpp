#include "ui/editors/GridCellEditing.h"

#include "app/PrivateException.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/ErrorReport.h"
#include "ui/editors/DataGridView.h"

#include <QCoreApplication>
#include <QKeyEvent>

CGridCellEditing::CGridCellEditing(CDataGridView& grid, CGridEditOwnerInterface& owner)
    : m_grid(grid), m_owner(owner)
{
    m_parEdit.CreateChildren(&m_grid);
    m_grid.Attach(this);
    m_parEdit.Attach(this);
    Attach(&m_parEdit);
    m_parEdit.List()->installEventFilter(this);
    m_parEdit.Box()->installEventFilter(this);
}

namespace {
bool IsPlainEscape(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}
} // namespace

bool CGridCellEditing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Hide:
        if (watched->isWidgetType()) {
            auto* editor = static_cast<QWidget*>(watched);
            m_editorHadFocus = editor->window()->focusWidget() == editor;
        }
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
    if (IsEditing())
        m_grid.setFocus(Qt::OtherFocusReason);
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
    Notify(); // the CParEdit hides both children
    m_closing = false;
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
    const QRect cell = m_grid.CellRect(column, row);
    switch (edit.kind) {
    case CGridCellEdit::Kind::None: return;
    case CGridCellEdit::Kind::List: {
        CEditComboBox* list = m_parEdit.List();
        list->clear();
        list->addItems(edit.options);
        list->setGeometry(cell);
        list->setCurrentIndex(edit.selected >= 0 && edit.selected < edit.options.size() ? edit.selected : -1);
        list->show();
        list->setFocus(Qt::OtherFocusReason);
        list->showPopup();
        return;
    }
    case CGridCellEdit::Kind::Text: {
        CEditText* box = m_parEdit.Box();
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

void CGridCellEditing::OnCommit()
{
    // A cancel reported by an editor that was already put away, while the
    // other one is open, is not about the open edit.
    if (m_parEdit.CommitKind() == CParEdit::kCommitNone && IsEditing())
        return;
    const int column = m_grid.CurrentColumn();
    const int row = m_grid.CurrentRow();
    const int kind = m_parEdit.CommitKind();
    const int navigation = m_parEdit.NavigationCode();
    const bool hadFocus = m_editorHadFocus;
    if (kind == CParEdit::kCommitList || kind == CParEdit::kCommitText) {
        try {
            if (kind == CParEdit::kCommitText)
                m_owner.StoreText(column, row, m_parEdit.Text());
            else if (m_parEdit.SelectedIndex() >= 0)
                // A list left without a selection (a stored value that is no
                // option) keeps the stored value rather than guessing one.
                m_owner.StoreChoice(column, row, m_parEdit.SelectedIndex());
        } catch (const std::exception& e) {
            const auto* privateException = dynamic_cast<const CPrivateException*>(&e);
            ShowMessage(&m_grid, QString::fromStdString(privateException ? privateException->Text() : e.what()),
                        MessageIcon::Stop);
            // The edit stays open for a correction.
            if (CEditText* box = m_parEdit.Box(); box && kind == CParEdit::kCommitText) {
                box->selectAll();
                box->show();
                box->setFocus(Qt::OtherFocusReason);
                return;
            }
        }
        if (!RunCommand(&m_grid, [this] { m_owner.Refill(); })) {
            // What the grid shows may be stale; the user is told, the edit
            // ends where it is.
            HideEditors();
            m_grid.setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    HideEditors();
    if (kind == CParEdit::kCommitNone) {
        // A drop-down closed without a choice hands the keys back to the grid;
        // a cancel because the user went to another control leaves them there.
        if (hadFocus)
            m_grid.setFocus(Qt::OtherFocusReason);
        return;
    }
    // Keys go on to the grid after a commit, whichever owner it has.
    m_grid.setFocus(Qt::OtherFocusReason);
    m_grid.Navigate(navigation);
}
