// The in-cell editors: key, focus and commit rules of the list and the edit
// box, and what their signals hand to the grid's delegate.
#include "ui/editors/ParEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct SCommit
{
    int kind;
    int index;
    QString text;
    int navigation;
};

constexpr int kCommitNone = 0; // cancelled
constexpr int kCommitList = 1;
constexpr int kCommitText = 2;

// The two editors as the grid's delegate has them: hidden children of the
// grid, in its font.
struct CEditorPair
{
    CEditText* Box() const { return box; }
    CEditComboBox* List() const { return list; }
    CEditText* box = nullptr;
    CEditComboBox* list = nullptr;
};

// The grid's delegate: records what the editors say at the moment they say it.
class CRecorder
{
public:
    void Listen(const CEditorPair& editors)
    {
        CEditText* box = editors.box;
        CEditComboBox* list = editors.list;
        QObject::connect(box, &CEditText::committed, [this, box](int navigation) {
            commits.push_back({kCommitText, -1, box->text(), navigation});
        });
        QObject::connect(list, &CEditComboBox::committed, [this, list](int navigation) {
            commits.push_back({kCommitList, list->currentIndex(), {}, navigation});
        });
        QObject::connect(list, &CEditComboBox::cancelled, [this, list] {
            commits.push_back({kCommitNone, list->currentIndex(), {}, kNavStay});
        });
    }
    std::vector<SCommit> commits;
};

class ParEditFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(300, 200);
        grid = new QWidget(&window);
        grid->setGeometry(0, 0, 300, 150);
        QFont font = grid->font();
        font.setPointSize(font.pointSize() + 3);
        grid->setFont(font);
        grid->setFocusPolicy(Qt::StrongFocus);
        other = new QPushButton("other", &window);
        other->setGeometry(0, 160, 100, 30);
        parEdit.box = new CEditText(grid);
        parEdit.box->setFont(grid->font());
        parEdit.list = new CEditComboBox(grid);
        parEdit.list->setFont(grid->font());
        recorder.Listen(parEdit);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void ShowBox(const QString& text)
    {
        CEditText* box = parEdit.Box();
        box->setGeometry(11, 21, 80, 20);
        box->setText(text);
        box->show();
        box->setFocus();
        QApplication::processEvents();
    }

    void ShowList(int selected)
    {
        CEditComboBox* list = parEdit.List();
        list->hide(); // closed by its owner after the last answer
        list->clear();
        list->addItems({"No", "Yes"});
        list->setGeometry(10, 20, 80, 20);
        list->setCurrentIndex(selected);
        list->show();
        list->setFocus();
        QApplication::processEvents();
    }

    QDialog window;
    QWidget* grid = nullptr;
    QPushButton* other = nullptr;
    CEditorPair parEdit;
    CRecorder recorder;
};

} // namespace

TEST_F(ParEditFixture, EditorsStartHiddenWithTheirControlIds)
{
    EXPECT_FALSE(parEdit.Box()->isVisible());
    EXPECT_FALSE(parEdit.List()->isVisible());
    EXPECT_EQ(parEdit.Box()->ControlId(), 10000);
    EXPECT_EQ(parEdit.List()->ControlId(), 10001);
    EXPECT_EQ(parEdit.Box()->property("controlId").toInt(), 10000);
    EXPECT_EQ(parEdit.List()->property("controlId").toInt(), 10001);
}

TEST_F(ParEditFixture, EditBoxArrowsMoveTheCaretInsideTheTextAndCommitAtItsEdges)
{
    ShowBox("123");
    CEditText* box = parEdit.Box();
    box->setCursorPosition(1);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_TRUE(recorder.commits.empty());
    EXPECT_EQ(box->cursorPosition(), 2);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_TRUE(recorder.commits.empty());
    QTest::keyClick(box, Qt::Key_Right); // caret at the end
    ASSERT_EQ(recorder.commits.size(), 1u);
    EXPECT_EQ(recorder.commits[0].kind, kCommitText);
    EXPECT_EQ(recorder.commits[0].text, "123");
    EXPECT_EQ(recorder.commits[0].navigation, kNavRight);
    EXPECT_TRUE(box->isVisible()); // the owner decides whether it hides

    // A selection reaching an edge is not "at the edge": the key collapses it.
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Right);
    box->setCursorPosition(0);
    box->cursorForward(true, 2);
    QTest::keyClick(box, Qt::Key_Left);
    EXPECT_EQ(recorder.commits.size(), 1u);

    box->setCursorPosition(1);
    QTest::keyClick(box, Qt::Key_Left);
    EXPECT_EQ(recorder.commits.size(), 1u);
    QTest::keyClick(box, Qt::Key_Left);
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].navigation, kNavLeft);
}

TEST_F(ParEditFixture, EditBoxReturnUpDownCommitWithTheirNavigationAndReturnNeverReachesTheDialog)
{
    QPushButton* defaultButton = new QPushButton("ok", &window);
    defaultButton->setDefault(true);
    QObject::connect(defaultButton, &QPushButton::clicked, &window, &QDialog::accept);
    ShowBox("42");
    CEditText* box = parEdit.Box();
    box->setCursorPosition(1);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Up);
    QTest::keyClick(box, Qt::Key_Down);
    box->insert("5");
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(recorder.commits.size(), 4u);
    EXPECT_EQ(recorder.commits[0].navigation, kNavStay);
    EXPECT_EQ(recorder.commits[1].navigation, kNavUp);
    EXPECT_EQ(recorder.commits[2].navigation, kNavDown);
    EXPECT_EQ(recorder.commits[3].navigation, kNavStay);
    EXPECT_EQ(recorder.commits[3].text, "452");
    for (const SCommit& c : recorder.commits)
        EXPECT_EQ(c.kind, kCommitText);
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ParEditFixture, LosingFocusCommitsTypedTextAndOnlyAListChangedByTheUser)
{
    ShowBox("7");
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 1u);
    EXPECT_EQ(recorder.commits[0].kind, kCommitText);
    EXPECT_EQ(recorder.commits[0].text, "7");
    EXPECT_EQ(recorder.commits[0].navigation, kNavAway);
    EXPECT_TRUE(parEdit.Box()->isVisible()) << "the owner decides, as after Return";
    EXPECT_TRUE(other->hasFocus());
    parEdit.Box()->hide();

    ShowList(1); // shown, nothing chosen: nothing to store
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].kind, kCommitNone);
    EXPECT_TRUE(parEdit.List()->isVisible()) << "the owner decides, as for the box";

    ShowList(1); // a selection changed with the drop-down closed counts
    QTest::keyClick(parEdit.List(), Qt::Key_Up);
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 3u);
    EXPECT_EQ(recorder.commits[2].kind, kCommitList);
    EXPECT_EQ(recorder.commits[2].index, 0);
    EXPECT_EQ(recorder.commits[2].navigation, kNavAway);
    EXPECT_TRUE(parEdit.List()->isVisible());
    parEdit.List()->hide();

    // Hidden: a focus-out that still arrives sends nothing.
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(parEdit.List(), &out);
    QApplication::sendEvent(parEdit.Box(), &out);
    EXPECT_EQ(recorder.commits.size(), 3u);
}

TEST_F(ParEditFixture, ListLeftAndRightInTheOpenDropDownCommitTheHighlightedEntryOnce)
{
    // The list opens dropped down, so these keys reach its drop-down's view.
    CEditComboBox* list = parEdit.List();
    ShowList(1);
    list->showPopup();
    QApplication::processEvents();
    ASSERT_TRUE(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Up); // highlights "No"
    QTest::keyClick(list->view(), Qt::Key_Right);
    QApplication::processEvents();
    // Closing the drop-down and hiding the list must not add a cancel.
    ASSERT_EQ(recorder.commits.size(), 1u);
    EXPECT_EQ(recorder.commits[0].kind, kCommitList);
    EXPECT_EQ(recorder.commits[0].index, 0);
    EXPECT_EQ(recorder.commits[0].navigation, kNavRight);
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_TRUE(list->isVisible()) << "the owner decides";

    ShowList(-1); // a stored word other than 0 or 1 leaves no selection
    list->showPopup();
    QApplication::processEvents();
    QTest::keyClick(list->view(), Qt::Key_Left);
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].kind, kCommitList);
    EXPECT_EQ(recorder.commits[1].index, -1);
    EXPECT_EQ(recorder.commits[1].navigation, kNavLeft);
    EXPECT_FALSE(list->view()->isVisible());

    // With the drop-down closed (after a click on the list, say) the keys
    // still commit.
    ShowList(1);
    QTest::keyClick(list, Qt::Key_Left);
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 3u);
    EXPECT_EQ(recorder.commits[2].index, 1);
    EXPECT_EQ(recorder.commits[2].navigation, kNavLeft);
}

TEST_F(ParEditFixture, DropDownClosedWithAChoiceCommitsAndWithoutOneCancels)
{
    ShowList(0);
    CEditComboBox* list = parEdit.List();
    list->showPopup();
    QApplication::processEvents();
    ASSERT_TRUE(list->view()->isVisible());
    EXPECT_TRUE(recorder.commits.empty()); // opening it is no loss of focus
    QTest::keyClick(list->view(), Qt::Key_Escape);
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 1u);
    EXPECT_EQ(recorder.commits[0].kind, kCommitNone);
    EXPECT_FALSE(list->view()->isVisible());

    ShowList(0);
    list->showPopup();
    QApplication::processEvents();
    list->view()->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].kind, kCommitList);
    EXPECT_EQ(recorder.commits[1].index, 1);
    EXPECT_EQ(recorder.commits[1].navigation, kNavStay);
    EXPECT_FALSE(list->view()->isVisible());
}
