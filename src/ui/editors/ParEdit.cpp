#include "ui/editors/ParEdit.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>

namespace {
// Focus that moves to the list's own drop-down or away with the whole window
// (a message box on top) comes back by itself: that is not the user leaving
// the cell.
bool LeavesTheCell(const QFocusEvent* event)
{
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason &&
           event->reason() != Qt::MenuBarFocusReason;
}
} // namespace

int TabNavigation(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return kNavStay;
    if (event->key() == Qt::Key_Backtab || (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier)))
        return kNavPrevious;
    return event->key() == Qt::Key_Tab ? kNavNext : kNavStay;
}

// ---------------------------------------------------------------------------
// CEditComboBox

CEditComboBox::CEditComboBox(QWidget* parent) : QComboBox(parent)
{
    setProperty("controlId", kControlId);
    view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The popup window exists once view() was asked for; its hide tells us
    // that the drop-down closed, however it closed (choice, Escape, click
    // outside).
    m_popupWindow = view()->window();
    if (m_popupWindow != this) {
        m_popupWindow->setMaximumHeight(kListHeight);
        m_popupWindow->installEventFilter(this);
    }
    // The list opens dropped down, so Left and Right reach the drop-down's
    // view, not the list; installed after the drop-down's own filter, this
    // one sees the keys first.
    view()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, &CEditComboBox::OnActivated);
    hide();
}

void CEditComboBox::showPopup()
{
    m_popupOpen = true;
    m_chosen = false;
    QComboBox::showPopup();
}

void CEditComboBox::OnActivated(int)
{
    // Activation with the list closed (arrow keys, wheel) only changes the
    // selection; a choice from the open drop-down confirms it.
    if (m_popupOpen)
        m_chosen = true;
}

void CEditComboBox::hideEvent(QHideEvent* event)
{
    // Hiding the drop-down would otherwise report a close without a choice.
    m_popupOpen = false;
    if (view()->isVisible())
        hidePopup();
    QComboBox::hideEvent(event);
}

void CEditComboBox::showEvent(QShowEvent* event)
{
    QComboBox::showEvent(event);
    m_shownIndex = currentIndex();
}

int CEditComboBox::CommitKey(const QKeyEvent* event)
{
    if (const int tab = TabNavigation(event))
        return tab;
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return kNavStay;
    return event->key() == Qt::Key_Left ? kNavLeft : event->key() == Qt::Key_Right ? kNavRight : kNavStay;
}

bool CEditComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress && m_popupOpen) {
        if (const int navigation = CommitKey(static_cast<QKeyEvent*>(event))) {
            // The highlighted entry is the choice; the drop-down closes
            // without its own cancel, and the list commits once. (A view
            // makes its first row current, unhighlighted, when it takes
            // the focus: that is no choice.)
            QModelIndex highlighted = view()->currentIndex();
            if (!view()->selectionModel() || !view()->selectionModel()->isSelected(highlighted))
                highlighted = {};
            m_popupOpen = false;
            hidePopup();
            if (highlighted.isValid())
                setCurrentIndex(highlighted.row());
            emit committed(navigation);
            return true;
        }
    }
    if (watched == m_popupWindow && event->type() == QEvent::Hide && m_popupOpen) {
        // The combo box hides its popup before it announces the activated
        // item, so decide once the current event is done.
        QMetaObject::invokeMethod(this, &CEditComboBox::OnPopupClosed, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}

void CEditComboBox::OnPopupClosed()
{
    if (!m_popupOpen)
        return;
    m_popupOpen = false;
    Finish(m_chosen, kNavStay);
}

bool CEditComboBox::event(QEvent* event)
{
    // Tab would move the focus before keyPressEvent sees it.
    if (event->type() == QEvent::KeyPress) {
        if (const int navigation = TabNavigation(static_cast<QKeyEvent*>(event))) {
            event->accept();
            emit committed(navigation);
            return true;
        }
    }
    return QComboBox::event(event);
}

void CEditComboBox::keyPressEvent(QKeyEvent* event)
{
    if (const int navigation = CommitKey(event)) {
        event->accept();
        emit committed(navigation);
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CEditComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // Only a selection changed with the keys while the drop-down was closed
    // is the user's; anything else leaves the cell as it was.
    if (isVisible() && !m_popupOpen && LeavesTheCell(event))
        Finish(currentIndex() != m_shownIndex, kNavAway);
}

void CEditComboBox::Finish(bool chosen, int navigation)
{
    if (chosen)
        emit committed(navigation);
    else
        emit cancelled();
}

// ---------------------------------------------------------------------------
// CEditText

CEditText::CEditText(QWidget* parent) : QLineEdit(parent)
{
    setProperty("controlId", kControlId);
    hide();
}

bool CEditText::event(QEvent* event)
{
    // Tab would move the focus before keyPressEvent sees it.
    if (event->type() == QEvent::KeyPress) {
        if (const int navigation = TabNavigation(static_cast<QKeyEvent*>(event))) {
            event->accept();
            emit committed(navigation);
            return true;
        }
    }
    // Keys the cell editor answers must never become a window shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
                event->accept();
                return true;
            }
            break;
        default: break;
        }
    }
    return QLineEdit::event(event);
}

void CEditText::keyPressEvent(QKeyEvent* event)
{
    const bool atStart = cursorPosition() == 0 && !hasSelectedText();
    const bool atEnd = cursorPosition() == text().size() && !hasSelectedText();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        emit committed(kNavStay);
        return;
    case Qt::Key_Up:
        event->accept();
        emit committed(kNavUp);
        return;
    case Qt::Key_Down:
        event->accept();
        emit committed(kNavDown);
        return;
    case Qt::Key_Left:
        if (atStart && event->modifiers() == Qt::NoModifier) {
            event->accept();
            emit committed(kNavLeft);
            return;
        }
        break;
    case Qt::Key_Right:
        if (atEnd && event->modifiers() == Qt::NoModifier) {
            event->accept();
            emit committed(kNavRight);
            return;
        }
        break;
    default: break;
    }
    QLineEdit::keyPressEvent(event);
}

void CEditText::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // What the user typed counts when they go elsewhere; the owner keeps the
    // box open (and takes the focus back) if it rejects the text.
    if (isVisible() && LeavesTheCell(event))
        emit committed(kNavAway);
}
