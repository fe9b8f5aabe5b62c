// The in-cell editor: key, focus and commit rules of its list and edit box,
// and what CParEdit hands to its owner.
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

// The grid's owner: records what CParEdit reports at the moment it reports.
class CRecorder : public CObserver
{
public:
    explicit CRecorder(CParEdit& edit) : m_edit(edit) {}
    void Update(CObservable* source) override
    {
        EXPECT_EQ(source, static_cast<CObservable*>(&m_edit));
        commits.push_back({m_edit.CommitKind(), m_edit.SelectedIndex(), m_edit.Text(), m_edit.NavigationCode()});
    }
    std::vector<SCommit> commits;

private:
    CParEdit& m_edit;
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
        parEdit.CreateChildren(grid);
        parEdit.Attach(&recorder);
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
    CParEdit parEdit;
    CRecorder recorder{parEdit};
};

} // namespace

TEST_F(ParEditFixture, CreatesHiddenChildrenOfTheGridInItsFont)
{
    ASSERT_NE(parEdit.Box(), nullptr);
    ASSERT_NE(parEdit.List(), nullptr);
    EXPECT_EQ(parEdit.Box()->parentWidget(), grid);
    EXPECT_EQ(parEdit.List()->parentWidget(), grid);
    EXPECT_FALSE(parEdit.Box()->isVisible());
    EXPECT_FALSE(parEdit.List()->isVisible());
    EXPECT_EQ(parEdit.Box()->ControlId(), 10000);
    EXPECT_EQ(parEdit.List()->ControlId(), 10001);
    EXPECT_EQ(parEdit.Box()->font(), grid->font());
    EXPECT_EQ(parEdit.List()->font(), grid->font());
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
    EXPECT_EQ(recorder.commits[0].kind, CParEdit::kCommitText);
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
        EXPECT_EQ(c.kind, CParEdit::kCommitText);
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ParEditFixture, LosingFocusCommitsTypedTextAndOnlyAListChangedByTheUser)
{
    ShowBox("7");
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 1u);
    EXPECT_EQ(recorder.commits[0].kind, CParEdit::kCommitText);
    EXPECT_EQ(recorder.commits[0].text, "7");
    EXPECT_EQ(recorder.commits[0].navigation, kNavAway);
    EXPECT_TRUE(parEdit.Box()->isVisible()) << "the owner decides, as after Return";
    EXPECT_TRUE(other->hasFocus());
    parEdit.Box()->hide();

    ShowList(1); // shown, nothing chosen: nothing to store
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].kind, CParEdit::kCommitNone);
    EXPECT_FALSE(parEdit.List()->isVisible());

    ShowList(1); // a selection changed with the drop-down closed counts
    QTest::keyClick(parEdit.List(), Qt::Key_Up);
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 3u);
    EXPECT_EQ(recorder.commits[2].kind, CParEdit::kCommitList);
    EXPECT_EQ(recorder.commits[2].index, 0);
    EXPECT_EQ(recorder.commits[2].navigation, kNavAway);
    EXPECT_FALSE(parEdit.List()->isVisible());

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
    EXPECT_EQ(recorder.commits[0].kind, CParEdit::kCommitList);
    EXPECT_EQ(recorder.commits[0].index, 0);
    EXPECT_EQ(recorder.commits[0].navigation, kNavRight);
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_FALSE(list->isVisible());

    ShowList(-1); // a stored word other than 0 or 1 leaves no selection
    list->showPopup();
    QApplication::processEvents();
    QTest::keyClick(list->view(), Qt::Key_Left);
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].kind, CParEdit::kCommitList);
    EXPECT_EQ(recorder.commits[1].index, -1);
    EXPECT_EQ(recorder.commits[1].navigation, kNavLeft);
    EXPECT_FALSE(list->isVisible());

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
    EXPECT_EQ(recorder.commits[0].kind, CParEdit::kCommitNone);
    EXPECT_FALSE(list->isVisible());

    ShowList(0);
    list->showPopup();
    QApplication::processEvents();
    list->view()->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(recorder.commits.size(), 2u);
    EXPECT_EQ(recorder.commits[1].kind, CParEdit::kCommitList);
    EXPECT_EQ(recorder.commits[1].index, 1);
    EXPECT_EQ(recorder.commits[1].navigation, kNavStay);
    EXPECT_FALSE(list->isVisible());
}

TEST_F(ParEditFixture, OwnerEndingTheEditHidesBothAndResetsTheKindWithoutNotifying)
{
    CObservable owner;
    owner.Attach(&parEdit);
    ShowBox("1");
    QTest::keyClick(parEdit.Box(), Qt::Key_Return);
    ASSERT_EQ(parEdit.CommitKind(), CParEdit::kCommitText);
    parEdit.List()->show();
    owner.Notify();
    EXPECT_FALSE(parEdit.Box()->isVisible());
    EXPECT_FALSE(parEdit.List()->isVisible());
    EXPECT_EQ(parEdit.CommitKind(), CParEdit::kCommitNone);
    EXPECT_EQ(recorder.commits.size(), 1u);
}

TEST(ParEdit, ChildrenDieWithTheEditorAndTheEditorOutlivesItsGrid)
{
    QWidget grid;
    {
        CParEdit edit;
        edit.CreateChildren(&grid);
        EXPECT_EQ(grid.findChildren<CEditText*>().size(), 1);
    }
    EXPECT_TRUE(grid.findChildren<CEditText*>().isEmpty());
    EXPECT_TRUE(grid.findChildren<CEditComboBox*>().isEmpty());

    CParEdit edit;
    {
        QWidget shortLived;
        edit.CreateChildren(&shortLived);
    }
    EXPECT_EQ(edit.Box(), nullptr);
    EXPECT_EQ(edit.List(), nullptr);
}
