#pragma once
// In-cell editing of a CDataGridView with a CParEdit, written once for every
// owner of an editable grid (the main window's alarm table, the alarm bank
// dialog). The owner says how each cell is edited and stores what the user
// committed; CGridCellEditing places the editor over the cell, shows a
// rejected value's message, hides the editor and moves the current cell.
//
//     m_grid.SetHeader(...); m_grid.SetEditable(true); Refill();
//     m_editing = std::make_unique<CGridCellEditing>(m_grid, *this);
//
// It observes the grid (begin edit) and its CParEdit (commits), and the
// CParEdit observes it: its Notify() ends editing. After every stored value
// it emits valueCommitted.
//
// A typed value counts whenever the user leaves the cell: Return, an arrow
// key, Tab or Shift+Tab (on to the next or previous cell, and out of the
// grid after the last or before the first), a click on another cell or on
// another control. A rejected value shows its message and keeps the editor
// open, with its text selected and the focus; the click that left it does
// not reach what was clicked. Only Escape drops what was typed. Commands that
// can be run without leaving the cell (a key, a shortcut) call
// CommitOpenEdit first.
//
// Escape in a cell editor closes the editor and leaves the owner's window
// open, so owners need no reject() of their own; the next Escape, on the
// grid, reaches the window as usual. A failure of the owner's DescribeCell or
// Refill (called from the grid's key and mouse handlers) is shown with the
// stop icon and ends the edit; it never reaches the event loop.

#include "model/Observer.h"
#include "ui/editors/ParEdit.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class CDataGridView;

// How one cell is edited.
struct CGridCellEdit
{
    enum class Kind { None, List, Text };
    Kind kind = Kind::None;
    QStringList options; // List: the option texts; option i stores i
    int selected = -1;   // List: the option shown selected, -1 for none
    // List: the option stored when the list is committed without a choice
    // (Left or Right on a list whose word was no option); -1 stores nothing.
    int unselected = -1;
};

// What the owner of an editable grid answers.
class CGridEditOwnerInterface
{
public:
    virtual ~CGridEditOwnerInterface() = default;
    // Kind::None for a cell that cannot be edited. (This and Refill may
    // throw; the user sees the message and no editor stays open.)
    virtual CGridCellEdit DescribeCell(int column, int row) const = 0;
    // Stores a committed option index of a list cell.
    virtual void StoreChoice(int column, int row, int index) = 0;
    // Stores committed text; a rejected text throws CPrivateException with
    // the message the user sees, and nothing is stored.
    virtual void StoreText(int column, int row, const QString& text) = 0;
    // Clears and refills every data cell of the grid after a stored value.
    virtual void Refill() = 0;
};

class CGridCellEditing : public QObject, public CObserver, public CObservable
{
    Q_OBJECT
public:
    // Creates the cell editor's children on `grid` and attaches itself; both
    // references must outlive this object.
    CGridCellEditing(CDataGridView& grid, CGridEditOwnerInterface& owner);
    ~CGridCellEditing() override;
    CGridCellEditing(const CGridCellEditing&) = delete;
    CGridCellEditing& operator=(const CGridCellEditing&) = delete;

    // True while the list or the edit box is shown over a cell.
    bool IsEditing() const;
    // Closes an open cell editor without storing (what Escape in the editor
    // does); the grid takes the focus back.
    void CancelEdit();
    // For a command run while a cell may be open: an open edit box is
    // committed as Return would (stored, refilled, closed); an open list has
    // nothing typed and is closed as it is. A rejected text throws the
    // owner's CPrivateException, with the box still open, its text selected
    // and focused; the caller's RunCommand shows the message.
    void CommitOpenEdit();

    CParEdit& ParEdit() { return m_parEdit; }

    void Update(CObservable* source) override;

signals:
    // A committed value of the cell was stored and the grid refilled (not
    // after a cancel or a rejected value).
    void valueCommitted(int column, int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnBeginEdit();
    void OnCommit();
    // Stores a commit of `kind` (text or list) in the edited cell; false when
    // there was nothing to store. A rejected value throws, nothing stored.
    bool Store(int kind, const QString& text, int index);
    // Refills the grid after a commit; a failure is shown, and false.
    bool RefillGrid();
    // Puts the editors away; the grid takes the focus if an editor had it.
    void HideEditors();
    // The focus went to the Cancel button of the editor's dialog.
    bool LeftForCancel() const;
    // After a rejected text: the box open again, its text selected, focused.
    void ReopenBox();
    // Keeps the mouse press that is being delivered (the click that left a
    // rejected cell) from reaching what was clicked.
    void SwallowThisClick();
    void StopSwallowing();

    CDataGridView& m_grid;
    CGridEditOwnerInterface& m_owner;
    CParEdit m_parEdit;
    // A child that loses the focus or hides reports a commit or cancel of its
    // own; that is not the user's answer while this object closes the editor.
    bool m_closing = false;
    // The editor still had the focus when it hid itself (a drop-down closed
    // without a choice), rather than losing it to a control the user chose.
    bool m_editorHadFocus = false;
    // What the open list cell stores when it is committed without a choice.
    int m_unselected = -1;
    // The cell the open editor belongs to, whatever the grid's current cell
    // became since.
    int m_editColumn = 0;
    int m_editRow = 0;
    // Why the open editor lost the focus last (a click, a shortcut, ...).
    Qt::FocusReason m_leaveReason = Qt::OtherFocusReason;
    bool m_swallowingClick = false;
    // The two editors as plain objects, for telling their events apart.
    QPointer<QObject> m_list;
    QPointer<QObject> m_box;
};
