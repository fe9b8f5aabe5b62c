#pragma once
// The in-cell editors of the grids: a drop-down list and an edit box that a
// grid's delegate opens over one cell at a time. Each says how the edit ended
// with a signal: committed(navigation) or cancelled().
//
// The navigation code of a commit says where the current cell goes next:
// kNavStay, kNavDown, kNavUp, kNavLeft, kNavRight, kNavNext, kNavPrevious
// (Tab, Shift+Tab), or kNavAway: the focus went to another control and stays
// there. Neither editor closes itself; whoever opened it decides (a rejected
// value keeps the box open).
//
// Loss of focus to another control of the same window commits the edit box
// (kNavAway): what the user typed counts. A list has nothing typed; it
// commits only a selection the user changed with its drop-down closed, and
// otherwise cancels. The list's own drop-down and a window deactivation (a
// message box, another application) are not a loss of focus: the edit stays.

#include <QComboBox>
#include <QLineEdit>
#include <QString>

class QKeyEvent;
class QWidget;

// Navigation codes after a commit, shared by the list, the box and the grid.
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
class CEditComboBox : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int kControlId = 10001;
    static constexpr int kListHeight = 200; // pixels of the dropped list

    explicit CEditComboBox(QWidget* parent = nullptr);

    int ControlId() const { return kControlId; }

    void showPopup() override;

signals:
    void committed(int navigation);
    void cancelled();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Closing the list closes its drop-down, and that is no answer.
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // kNavLeft, kNavRight, kNavNext or kNavPrevious for the keys that commit
    // a list, else kNavStay.
    static int CommitKey(const QKeyEvent* event);
    void OnActivated(int index);
    void OnPopupClosed();
    void Finish(bool chosen, int navigation);

    bool m_popupOpen = false; // between showPopup and the closed-popup check
    bool m_chosen = false;    // an item was activated while the popup was open
    int m_shownIndex = -1;    // the selection the list was shown with
    QWidget* m_popupWindow = nullptr;
};

// The in-cell edit box (control id 10000). It takes the Return key itself, so
// Return in a cell never presses a dialog's default button, and Tab, which
// moves to the next cell rather than to the next control.
class CEditText : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int kControlId = 10000;

    explicit CEditText(QWidget* parent = nullptr);

    int ControlId() const { return kControlId; }

signals:
    void committed(int navigation);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
};
