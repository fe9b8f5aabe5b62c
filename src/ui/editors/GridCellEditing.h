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
// CParEdit observes it: its Notify() ends editing.
//
// Escape in a cell editor closes the editor and leaves the owner's window
// open, so owners need no reject() of their own; the next Escape, on the
// grid, reaches the window as usual. A failure of the owner's DescribeCell or
// Refill (called from the grid's key and mouse handlers) is shown with the
// stop icon and ends the edit; it never reaches the event loop.

#include "model/Observer.h"
#include "ui/editors/ParEdit.h"

#include <QObject>
#include <QStringList>

class CDataGridView;

// How one cell is edited.
struct CGridCellEdit
{
    enum class Kind { None, List, Text };
    Kind kind = Kind::None;
    QStringList options; // List: the option texts; option i stores i
    int selected = -1;   // List: the option shown selected, -1 for none
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
public:
    // Creates the cell editor's children on `grid` and attaches itself; both
    // references must outlive this object.
    CGridCellEditing(CDataGridView& grid, CGridEditOwnerInterface& owner);
    CGridCellEditing(const CGridCellEditing&) = delete;
    CGridCellEditing& operator=(const CGridCellEditing&) = delete;

    // True while the list or the edit box is shown over a cell.
    bool IsEditing() const;
    // Closes an open cell editor without storing (what Escape in the editor
    // does): the grid takes the focus back, which cancels the edit.
    void CancelEdit();

    CParEdit& ParEdit() { return m_parEdit; }

    void Update(CObservable* source) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnBeginEdit();
    void OnCommit();
    void HideEditors();

    CDataGridView& m_grid;
    CGridEditOwnerInterface& m_owner;
    CParEdit m_parEdit;
    // Hiding a focused child can report a cancel of its own; that is not the
    // user's answer while this object closes the editor itself.
    bool m_closing = false;
    // The editor still had the focus when it hid itself (a drop-down closed
    // without a choice), rather than losing it to a control the user chose.
    bool m_editorHadFocus = false;
};
