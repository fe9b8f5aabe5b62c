#pragma once
// The in-cell editor of the grids: a hidden drop-down list and a hidden edit
// box that the grid's owner places over one cell at a time, and that report
// the end of an edit through the observer mechanism.
//
// How an owner uses it (the owner observes the grid and the CParEdit, and the
// CParEdit observes the owner):
//
//     CParEdit m_parEdit;                      // member of the owning window
//     ...
//     m_parEdit.CreateChildren(grid);          // once, after the grid exists:
//                                              // both children are hidden
//                                              // children of `grid`, in its font
//     m_parEdit.Attach(this);                  // owner hears commits
//     ownerObservable.Attach(&m_parEdit);      // owner's Notify() hides both
//
// Showing the list over a cell:
//     CEditComboBox* list = m_parEdit.List();
//     list->clear(); list->addItems({...});
//     list->setGeometry(cellRect);             // grid coordinates
//     list->setCurrentIndex(word == 0 || word == 1 ? int(word) : -1);
//     list->show(); list->setFocus(); list->showPopup();
//
// Showing the edit box over a cell:
//     CEditText* box = m_parEdit.Box();
//     box->setGeometry(cellRect.translated(1, 1));
//     box->setText(text); box->selectAll(); box->show(); box->setFocus();
//
// Receiving the commit, in the owner's Update(source) with source ==
// &m_parEdit:
//     CommitKind()     kCommitNone (cancelled: store nothing), kCommitList
//                      (SelectedIndex() holds the list's selection, -1 when
//                      it has none) or kCommitText (Text() holds the box's text)
//     NavigationCode() where the current cell goes next: kNavStay, kNavDown,
//                      kNavUp, kNavLeft, kNavRight, kNavNext, kNavPrevious
//                      (Tab, Shift+Tab), or kNavAway: the focus went to
//                      another control and stays there
// The children never hide the edit box on a commit; the owner decides (a
// rejected value keeps the box open). The list hides itself on every commit.
// When editing is over the owner calls its own Notify(), which makes the
// CParEdit hide both children and reset the commit kind (no notification).
//
// Loss of focus to another control of the same window commits the edit box
// (kNavAway): what the user typed counts. A list has nothing typed; it
// commits only a selection the user changed with its drop-down closed, and
// otherwise cancels. The list's own drop-down and a window deactivation (a
// message box, another application) are not a loss of focus: the edit stays.

#include "model/Observer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QString>

class QKeyEvent;
class QWidget;

// Navigation codes after a commit, shared by the list, the box and CParEdit.
inline constexpr int kNavStay = 0;
inline constexpr int kNavDown = 1;
inline constexpr int kNavUp = 2;
inline constexpr int kNavLeft = 3;
inline constexpr int kNavRight = 4;
inline constexpr int kNavNext = 5;     // Tab: the next cell in reading order
inline constexpr int kNavPrevious = 6; // Shift+Tab
inline constexpr int kNavAway = 7;     // the focus went to another control

// kNavNext for Tab, kNavPrevious for Shift+Tab (Backtab), kNavStay for any
// other key (and for Tab with Ctrl or Alt, which belong to the window).
int TabNavigation(const QKeyEvent* event);

// The in-cell drop-down list (control id 10001).
class CEditComboBox : public QComboBox, public CObservable
{
    Q_OBJECT
public:
    static constexpr int kControlId = 10001;
    static constexpr int kListHeight = 200; // pixels of the dropped list

    explicit CEditComboBox(QWidget* parent = nullptr);

    int ControlId() const { return kControlId; }
    // Set before every notification.
    bool Committed() const { return m_committed; }
    int NavigationCode() const { return m_navigation; }

    void showPopup() override;
    // Closes the drop-down and hides the list without a notification.
    void Dismiss();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // kNavLeft, kNavRight, kNavNext or kNavPrevious for the keys that commit
    // a list, else kNavStay.
    static int CommitKey(const QKeyEvent* event);
    void OnActivated(int index);
    void OnPopupClosed();
    void Finish(bool committed, int navigation);

    bool m_committed = false;
    int m_navigation = kNavStay;
    bool m_popupOpen = false;   // between showPopup and the closed-popup check
    bool m_chosen = false;      // an item was activated while the popup was open
    int m_shownIndex = -1;      // the selection the list was shown with
    QWidget* m_popupWindow = nullptr;
};

// The in-cell edit box (control id 10000). It takes the Return key itself, so
// Return in a cell never presses a dialog's default button, and Tab, which
// moves to the next cell rather than to the next control.
class CEditText : public QLineEdit, public CObservable
{
    Q_OBJECT
public:
    static constexpr int kControlId = 10000;

    explicit CEditText(QWidget* parent = nullptr);

    int ControlId() const { return kControlId; }
    bool Committed() const { return m_committed; }
    int NavigationCode() const { return m_navigation; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Finish(bool committed, int navigation);

    bool m_committed = false;
    int m_navigation = kNavStay;
};

class CParEdit : public CObserver, public CObservable
{
public:
    static constexpr int kCommitNone = 0; // cancelled
    static constexpr int kCommitList = 1;
    static constexpr int kCommitText = 2;

    CParEdit() = default;
    // Deletes the children it created (if their grid still exists), so they
    // never notify a CParEdit that is gone.
    ~CParEdit() override;
    CParEdit(const CParEdit&) = delete;
    CParEdit& operator=(const CParEdit&) = delete;

    // Creates the edit box and the list as hidden children of `grid`, in the
    // grid's font. Call once.
    void CreateChildren(QWidget* grid);

    // Null before CreateChildren or after the grid was destroyed.
    CEditComboBox* List() const { return m_list; }
    CEditText* Box() const { return m_box; }

    int CommitKind() const { return m_commitKind; }
    int SelectedIndex() const { return m_selectedIndex; }
    const QString& Text() const { return m_text; }
    int NavigationCode() const { return m_navigation; }

    // From the list or the box: take over its result and notify. From anything
    // else (the owner ends editing): hide both, commit kind 0, no notification.
    void Update(CObservable* source) override;

private:
    QPointer<CEditComboBox> m_list;
    QPointer<CEditText> m_box;
    int m_commitKind = kCommitNone;
    int m_selectedIndex = -1;
    QString m_text;
    int m_navigation = kNavStay;
};
