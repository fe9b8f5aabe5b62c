#pragma once
// In-cell editing of a CDataGridView, written once for every owner of an
// editable grid (the main window's alarm table, the alarm bank dialog). The
// owner says how each cell is edited and stores what the user committed;
// the grid's delegate (CGridCellDelegate) opens a CEditText or CEditComboBox
// over the cell through the view, and CGridCellEditing answers the editor's
// signals: it stores the value, shows a rejected value's message, closes the
// editor and moves the current cell.
//
//     m_grid.SetHeader(...); m_grid.SetEditable(true); Refill();
//     m_editing = std::make_unique<CGridCellEditing>(m_grid, *this);
//
// After every stored value it emits valueCommitted.
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

#include "ui/editors/DataGridView.h"
#include "ui/editors/ParEdit.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>

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

// The grid's delegate while it can be edited: one edit box and one list,
// children of the view's viewport, opened over a cell at a time and kept
// for the next cell rather than made again. It turns the editor's own
// signals into committed(editor, navigation) and cancelled(editor).
class CGridCellDelegate : public CGridItemDelegate
{
    Q_OBJECT
public:
    CGridCellDelegate(CDataGridView& grid, CGridEditOwnerInterface& owner);
    ~CGridCellDelegate() override;

    CEditText* Box() const { return m_box; }
    CEditComboBox* List() const { return m_list; }
    // The shown editor, or null.
    QWidget* OpenEditor() const;
    // What the next editor opens: the owner's answer for its cell.
    void Prepare(const CGridCellEdit& edit) { m_edit = edit; }
    // The cell of the open (or last) editor, whatever is current since.
    QModelIndex EditedCell() const { return m_cell; }
    // Why the open editor lost the focus last (a click, Tab, ...).
    Qt::FocusReason LeaveReason() const { return m_leaveReason; }
    // Stores the editor's value in its cell; false when a list has nothing
    // to store. A rejected text throws the owner's exception.
    bool Store(QWidget* editor, const QModelIndex& index) const;
    // Has the view put the editor away (the grid takes the focus if the
    // editor had it).
    void Close(QWidget* editor);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

signals:
    void committed(QWidget* editor, int navigation);
    void cancelled(QWidget* editor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsEditor(const QObject* object) const;

    CDataGridView& m_grid;
    CGridEditOwnerInterface& m_owner;
    QPointer<CEditText> m_box;
    QPointer<CEditComboBox> m_list;
    // The same editors as plain objects: the filter still hears an editor
    // while it is destroyed, when it is no longer of its class and a
    // QPointer's data() would cast it to one.
    const QObject* m_boxObject = nullptr;
    const QObject* m_listObject = nullptr;
    CGridCellEdit m_edit;
    mutable QPersistentModelIndex m_cell;
    Qt::FocusReason m_leaveReason = Qt::OtherFocusReason;
};

class CGridCellEditing : public QObject
{
    Q_OBJECT
public:
    // Makes the grid's delegate; `owner` must outlive this object, which
    // gives the grid its plain delegate back when it goes.
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

    // The two editors; null once the grid is gone.
    CEditText* Box() const { return m_delegate->Box(); }
    CEditComboBox* List() const { return m_delegate->List(); }

signals:
    // A committed value of the cell was stored and the grid refilled (not
    // after a cancel or a rejected value).
    void valueCommitted(int column, int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnBeginEdit(int startCharacter);
    void OnCommitted(QWidget* editor, int navigation);
    void OnCancelled(QWidget* editor);
    // Refills the grid after a commit; a failure is shown, and false.
    bool RefillGrid();
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
    QPointer<CDataGridView> m_gridAlive;
    QPointer<QAbstractItemDelegate> m_plainDelegate;
    CGridCellDelegate* m_delegate;
    bool m_swallowingClick = false;
};
