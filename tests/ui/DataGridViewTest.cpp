// The grid control and in-cell editing on the layouts of the alarm table
// (6 × 9, P row partly header) and the bank grid (12 × 9, spans, two header
// rows in the middle), with a hand-written owner standing in for the alarm
// windows.
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/GridCellEditing.h"

#include "app/PrivateException.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr int kWidth = 60;

std::vector<CGridHeaderCell> BankHeader()
{
    std::vector<CGridHeaderCell> h;
    for (int half = 0; half < 2; ++half) {
        const int top = half * 6;
        h.push_back({gridtext::kSpanRowsHeader, 0, top});
        for (int k = 0; k < 4; ++k) {
            h.push_back({1141 + 4 * half + k, 1 + 2 * k, top});
            h.push_back({gridtext::kCoveredHeader, 2 + 2 * k, top});
        }
        for (int c = 1; c <= 8; ++c)
            h.push_back({c % 2 ? 1101 : 1102, c, top + 1});
        const int trips[] = {1120, 1121, 1123, 1124};
        for (int i = 0; i < 4; ++i)
            h.push_back({trips[i], 0, top + 2 + i});
    }
    return h;
}

std::vector<CGridHeaderCell> MainHeader()
{
    std::vector<CGridHeaderCell> h;
    for (int c = 0; c < 9; ++c)
        h.push_back({1100 + c, c, 0});
    for (int r = 1; r <= 5; ++r)
        h.push_back({1119 + r, 0, r});
    for (int c = 1; c <= 4; ++c)
        h.push_back({1138, c, 3}); // the P row has no enable, setpoint, action, deadband
    return h;
}

struct Counter
{
    int count = 0;
};

class DataGridFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // First in the focus chain, so that focus lost by a hidden editor
        // goes there unless someone hands it back to the grid.
        other = new QPushButton(QStringLiteral("x"), &window);
        grid = new CDataGridView(&window);
        other->move(0, 300);
        window.resize(700, 400);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QObject::connect(grid, &CDataGridView::editRequested, [this] { ++edits.count; });
    }

    void Use(std::vector<CGridHeaderCell> header, int firstColumn, int firstRow)
    {
        grid->SetHeader(std::move(header), kWidth);
        grid->SetFirstSelectable(firstColumn, firstRow);
        ASSERT_TRUE(grid->SetCurrentCell(firstColumn, firstRow));
        grid->SetEditable(true);
        grid->setFocus();
        QApplication::processEvents();
    }

    QPoint Center(int column, int row) const { return grid->CellRect(column, row).center(); }
    void Click(int column, int row) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, Center(column, row)); }
    std::pair<int, int> Current() const { return {grid->CurrentColumn(), grid->CurrentRow()}; }
    void Keys(std::initializer_list<Qt::Key> keys)
    {
        for (Qt::Key k : keys)
            QTest::keyClick(grid, k);
    }

    QWidget window;
    CDataGridView* grid = nullptr;
    QPushButton* other = nullptr;
    Counter edits;
};

} // namespace

TEST_F(DataGridFixture, BankGridMovesSkipHeaderRowsAndStopAtEdges)
{
    Use(BankHeader(), 1, 2);
    EXPECT_EQ(grid->size(), QSize(9 * kWidth + 1, 12 * grid->RowHeight() + 1));
    EXPECT_FALSE(grid->SetCurrentCell(2, 7)) << "a header cell is never current";
    Keys({Qt::Key_Up});
    EXPECT_EQ(Current(), std::make_pair(1, 2)) << "Up from row 2 stays";
    Keys({Qt::Key_Left});
    EXPECT_EQ(Current(), std::make_pair(1, 2)) << "Left from column 1 stays";
    Keys({Qt::Key_Down, Qt::Key_Down, Qt::Key_Down});
    EXPECT_EQ(Current(), std::make_pair(1, 5));
    Keys({Qt::Key_Down});
    EXPECT_EQ(Current(), std::make_pair(1, 8)) << "rows 6 and 7 are skipped";
    Keys({Qt::Key_Up});
    EXPECT_EQ(Current(), std::make_pair(1, 5));
    for (int i = 0; i < 10; ++i)
        Keys({Qt::Key_Right, Qt::Key_Down});
    EXPECT_EQ(Current(), std::make_pair(8, 11));
    EXPECT_EQ(edits.count, 0) << "moves alone start no edit";
}

TEST_F(DataGridFixture, MovesStepOverHeaderCellsButNeverOntoOne)
{
    // The alarm table, plus a footer of header cells in columns 1-2 and one
    // at the end of row 1: stepping over those would leave the grid.
    auto header = MainHeader();
    for (auto [c, r] : {std::pair{1, 6}, {2, 6}, {9, 1}})
        header.push_back({1138, c, r});
    Use(header, 1, 1);
    const std::tuple<int, int, Qt::Key, int, int> moves[] = {
        {5, 3, Qt::Key_Left, 5, 3}, // columns 1-4 of the P row are header cells
        {2, 4, Qt::Key_Up, 2, 2},   // from the L row over the P row to the H row
        {2, 2, Qt::Key_Down, 2, 4}, {2, 5, Qt::Key_Down, 2, 5}, {8, 1, Qt::Key_Right, 8, 1}, {9, 2, Qt::Key_Up, 9, 2},
    };
    for (auto [c, r, key, toC, toR] : moves) {
        ASSERT_TRUE(grid->SetCurrentCell(c, r));
        Keys({key});
        EXPECT_EQ(Current(), std::make_pair(toC, toR)) << "from " << c << "," << r;
    }
}

TEST_F(DataGridFixture, BeginEditOnlyOnSelectableDataCells)
{
    Use(MainHeader(), 1, 1);
    grid->SetCell(2, 2, QStringLiteral("12.5"));
    grid->SetCell(2, 2, QStringLiteral("second"));
    for (auto [c, r] : {std::pair{0, 2}, {2, 0}, {2, 3}, {4, 3}}) {
        Click(c, r);
        EXPECT_EQ(edits.count, 0) << "header cell " << c << "," << r;
    }
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      QPoint(9 * kWidth, grid->RowHeight() + 2)); // the closing line
    EXPECT_EQ(edits.count, 0);
    EXPECT_EQ(Current(), std::make_pair(1, 1));

    Click(2, 2);
    EXPECT_EQ(edits.count, 1);
    EXPECT_EQ(Current(), std::make_pair(2, 2));
    EXPECT_EQ(grid->EditText(), QStringLiteral("12.5")) << "the first of two cells";
    EXPECT_EQ(grid->StartCharacter(), 0);
    Click(5, 3);
    EXPECT_EQ(edits.count, 2) << "the P row edits from column 5";
    EXPECT_EQ(grid->EditText(), QString());

    QTest::keyClick(grid, Qt::Key_5);
    EXPECT_EQ(edits.count, 3);
    EXPECT_EQ(grid->StartCharacter(), int('5'));
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(edits.count, 3) << "shortcuts and Escape start no edit";
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(edits.count, 4);
    EXPECT_EQ(grid->StartCharacter(), 0);
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(edits.count, 5);
    EXPECT_EQ(grid->StartCharacter(), 0);
    edits.count = 4;

    // Display only: a click takes the focus, and nothing else happens.
    grid->SetEditable(false);
    other->setFocus();
    Click(2, 2);
    EXPECT_TRUE(grid->hasFocus());
    Keys({Qt::Key_Down, Qt::Key_Return, Qt::Key_7});
    EXPECT_EQ(edits.count, 4);
    EXPECT_EQ(Current(), std::make_pair(5, 3));
}

TEST_F(DataGridFixture, ReturnAndArrowsStayWithAnEditableGrid)
{
    Use(MainHeader(), 1, 1);
    struct Seen : QObject
    {
        int keys = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            keys += e->type() == QEvent::KeyPress;
            return false;
        }
    } seen;
    window.installEventFilter(&seen);
    Keys({Qt::Key_Return, Qt::Key_Down, Qt::Key_Left, Qt::Key_8});
    EXPECT_EQ(seen.keys, 0);
    grid->SetEditable(false);
    Keys({Qt::Key_Return, Qt::Key_Down});
    EXPECT_EQ(seen.keys, 2) << "a display-only grid passes them on to its window";
}

TEST_F(DataGridFixture, PaintsSpansMarksAndTheCurrentCell)
{
    Use(BankHeader(), 1, 2);
    const QPalette pal = grid->palette();
    const QRgb face = pal.color(QPalette::Button).rgb();
    const QRgb line = pal.color(QPalette::ButtonText).rgb();
    const QRgb white = QColor(Qt::white).rgb();
    ASSERT_NE(face, white);
    const int h = grid->RowHeight();
    const int mid = h / 2;

    QImage image = grid->grab().toImage();
    EXPECT_EQ(image.pixel(2 * kWidth, mid), face) << "@Bank1 covers the line inside its span";
    EXPECT_EQ(image.pixel(3 * kWidth, mid), line) << "@Bank2 starts after the covered cell";
    EXPECT_EQ(image.pixel(5, h), face) << "$ covers the line below it";
    EXPECT_EQ(image.pixel(5, 2 * h), line);
    ASSERT_TRUE(grid->hasFocus());
    EXPECT_EQ(image.pixel(kWidth + 5, 2 * h + mid), pal.color(QPalette::Highlight).rgb())
        << "the current cell is highlighted while the grid has the focus";
    EXPECT_EQ(image.pixel(3 * kWidth + 5, 2 * h + mid), white);

    other->setFocus();
    image = grid->grab().toImage();
    EXPECT_EQ(image.pixel(kWidth + 5, 2 * h + mid), white);

    Use(MainHeader(), 1, 1);
    image = grid->grab().toImage();
    EXPECT_EQ(image.pixel(kWidth + 5, 3 * h + mid), face) << "\" \" is an empty grey cell";
    grid->setEnabled(false);
    image = grid->grab().toImage();
    EXPECT_EQ(image.pixel(5 * kWidth + 5, 2 * h + mid), face) << "a disabled grid has no white background";
}

TEST_F(DataGridFixture, ToolTipShowsTheDataCellUnderTheMouse)
{
    Use(MainHeader(), 1, 1);
    const QString longText(100, QLatin1Char('x'));
    grid->SetCell(5, 3, longText);
    grid->SetCell(2, 1, QStringLiteral("1234.5"));

    auto hover = [&](int column, int row) {
        QHelpEvent help(QEvent::ToolTip, Center(column, row), grid->mapToGlobal(Center(column, row)));
        QApplication::sendEvent(grid->viewport(), &help);
    };
    hover(2, 1);
    EXPECT_FALSE(QToolTip::isVisible()) << "tooltips are the owner's choice";
    grid->SetToolTipsEnabled(true);
    hover(2, 3);
    EXPECT_FALSE(QToolTip::isVisible()) << "nothing for a header cell";
    EXPECT_TRUE(grid->indexAt(Center(0, 2)).data(Qt::ToolTipRole).toString().isEmpty());
    hover(2, 1);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("1234.5"));
    EXPECT_EQ(grid->indexAt(Center(5, 3)).data(Qt::ToolTipRole).toString(), longText.left(79));
    QToolTip::hideText();
}

// ---------------------------------------------------------------------------
// In-cell editing with the real cell editors.

namespace {

// The alarm table's cell kinds: lists in columns 1, 3 and 8, tenths in the
// others; column 7 shows a unit after the value.
class FakeTable : public CGridEditOwnerInterface
{
public:
    explicit FakeTable(CDataGridView& grid) : m_grid(grid) {}

    CGridCellEdit DescribeCell(int column, int row) const override
    {
        CGridCellEdit edit;
        if (row == 3 && column < 5)
            return edit;
        if (column == 1 || column == 3 || column == 8) {
            edit.kind = CGridCellEdit::Kind::List;
            edit.options = {UiText(3265), UiText(3266)};
            const int word = Value(column, row);
            edit.selected = word == 0 || word == 1 ? word : -1;
        } else {
            edit.kind = CGridCellEdit::Kind::Text;
        }
        return edit;
    }
    void StoreChoice(int column, int row, int index) override
    {
        values[{column, row}] = index;
        ++stores;
    }
    void StoreText(int column, int row, const QString& text) override
    {
        values[{column, row}] = CScalingParameterResolver::ParseScaled(text.toStdString(), 0, 9999, 10, 15804);
        ++stores;
    }
    void Refill() override
    {
        m_grid.ClearCells();
        for (int r = 1; r <= 5; ++r)
            for (int c = r == 3 ? 5 : 1; c <= 8; ++c) {
                const auto edit = DescribeCell(c, r);
                const int v = Value(c, r);
                QString text = edit.kind == CGridCellEdit::Kind::List
                                   ? UiText(v == 0 ? 3265 : 3266)
                                   : QString::fromStdString(CScalingParameterResolver::FormatScaled(v, 10));
                m_grid.SetCell(c, r, c == 7 ? text + QStringLiteral(" s") : text);
            }
    }
    int Value(int column, int row) const
    {
        auto it = values.find({column, row});
        return it == values.end() ? 0 : it->second;
    }

    std::map<std::pair<int, int>, int> values;
    int stores = 0;

private:
    CDataGridView& m_grid;
};

class DataGridCellEdit : public DataGridFixture
{
protected:
    void SetUp() override
    {
        DataGridFixture::SetUp();
        Use(MainHeader(), 1, 1);
        table = std::make_unique<FakeTable>(*grid);
        table->values[{2, 2}] = 123;
        table->values[{2, 4}] = 456;
        table->values[{7, 1}] = 15;
        table->values[{3, 1}] = 7;
        table->values[{1, 2}] = 1;
        table->Refill();
        editing = std::make_unique<CGridCellEditing>(*grid, *table);
        box = editing->Box();
        list = editing->List();
    }
    void TearDown() override { QApplication::processEvents(); }

    std::unique_ptr<FakeTable> table;
    std::unique_ptr<CGridCellEditing> editing;
    CEditText* box = nullptr;
    CEditComboBox* list = nullptr;
    CMessageCapture messages;
};

} // namespace

TEST_F(DataGridCellEdit, TypedDigitReplacesTheTextAndReturnCommitsInPlace)
{
    ASSERT_TRUE(grid->SetCurrentCell(2, 2));
    QTest::keyClick(grid, Qt::Key_5);
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("5"));
    EXPECT_EQ(box->geometry(), grid->CellRect(2, 2).translated(1, 1));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(table->Value(2, 2), 50);
    EXPECT_EQ(grid->CellText(2, 2), QStringLiteral("5.0"));
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(Current(), std::make_pair(2, 2));

    Click(7, 1);
    EXPECT_EQ(grid->EditText(), QStringLiteral("1.5 s"));
    EXPECT_EQ(box->text(), QStringLiteral("1.5")) << "only the value is edited, not its unit";
}

TEST_F(DataGridCellEdit, ArrowCommitsMoveTheEditToTheNextCell)
{
    Click(2, 2);
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("12.3"));
    QTest::keyClicks(box, QStringLiteral("7"));
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(table->Value(2, 2), 70);
    EXPECT_EQ(Current(), std::make_pair(2, 4)) << "the P row's header cell is skipped";
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("45.6"));
    EXPECT_EQ(box->selectedText(), QStringLiteral("45.6"));

    // Right at the end of the text: the list of the next column opens.
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(table->stores, 2);
    EXPECT_EQ(Current(), std::make_pair(3, 4));
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(list->isVisible());

    // Down from the last row commits and opens the same cell again.
    grid->SetCurrentCell(7, 5);
    grid->BeginEdit(0);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(Current(), std::make_pair(7, 5));
    EXPECT_TRUE(box->isVisible());
}

TEST_F(DataGridCellEdit, RejectedValueKeepsTheEditOpenHoweverTheCellIsLeft)
{
    int clicks = 0;
    QObject::connect(other, &QPushButton::clicked, [&clicks] { ++clicks; });
    QSignalSpy committed(editing.get(), &CGridCellEditing::valueCommitted);
    const QRect cell = grid->CellRect(5, 3).translated(1, 1);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Down", [&] { QTest::keyClick(box, Qt::Key_Down); }},
        {"Tab", [&] { QTest::keyClick(box, Qt::Key_Tab); }},
        {"Shift+Tab", [&] { QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier); }},
        {"a click on another cell", [&] { Click(2, 2); }},
        {"a click on a button", [&] { QTest::mouseClick(other, Qt::LeftButton); }},
        {"a command", [&] { EXPECT_FALSE(RunCommand(grid, [&] { editing->CommitOpenEdit(); })); }},
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        messages.Clear();
        ASSERT_TRUE(grid->SetCurrentCell(5, 3));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_9);
        QTest::keyClicks(box, QStringLiteral("9999"));
        const int edits0 = edits.count;
        leave();
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Stop);
        EXPECT_TRUE(messages.Messages()[0].text.contains(QStringLiteral("999.9")));
        EXPECT_EQ(Current(), std::make_pair(5, 3)) << "no move after a rejected value";
        EXPECT_EQ(edits.count, edits0) << "no other edit begun";
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->geometry(), cell);
        EXPECT_TRUE(box->hasFocus());
        EXPECT_EQ(box->selectedText(), QStringLiteral("99999"));
        EXPECT_EQ(clicks, 0) << "what was clicked does not act";
        QApplication::processEvents();
        EXPECT_EQ(messages.Messages().size(), 1u);
        QTest::keyClick(box, Qt::Key_Escape);
    }
    EXPECT_EQ(table->stores, 0);
    EXPECT_EQ(committed.count(), 0);

    // A corrected value goes in; the next click is the user's again.
    ASSERT_TRUE(grid->SetCurrentCell(5, 3));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_9);
    QTest::keyClicks(box, QStringLiteral("9999"));
    QTest::mouseClick(other, Qt::LeftButton);
    ASSERT_TRUE(box->hasFocus());
    QTest::keyClicks(box, QStringLiteral("2.5"));
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_EQ(table->Value(5, 3), 25);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(committed.count(), 1);
    EXPECT_EQ(committed[0], QVariantList({5, 3}));
}

TEST_F(DataGridCellEdit, ListCellDropsDownWithTheStoredOption)
{
    Click(1, 2);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->geometry(), grid->CellRect(1, 2));
    EXPECT_TRUE(list->view()->isVisible());
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 1);
    list->view()->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(table->Value(1, 2), 0);
    EXPECT_EQ(grid->CellText(1, 2), UiText(3265));
    EXPECT_FALSE(editing->IsEditing());
    // The offscreen platform leaves the closed drop-down the active window;
    // the window's own focus shows where the keys go next.
    EXPECT_EQ(window.focusWidget(), grid);

    // A stored 7 is no option: nothing is selected, and closing the drop-down
    // without a choice keeps the 7.
    Click(3, 1);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->currentIndex(), -1);
    QTest::keyClick(list->view(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_EQ(window.focusWidget(), grid) << "a drop-down closed without a choice hands back to the grid";
    EXPECT_EQ(table->Value(3, 1), 7);
    EXPECT_EQ(table->stores, 1);
}

TEST_F(DataGridCellEdit, LeavingTheCellCommitsWhatWasTypedAndOnlyEscapeDropsIt)
{
    int clicks = 0;
    QObject::connect(other, &QPushButton::clicked, [&clicks] { ++clicks; });
    QSignalSpy committed(editing.get(), &CGridCellEditing::valueCommitted);
    Click(2, 2);
    QTest::keyClicks(box, QStringLiteral("88"));
    editing->CancelEdit(); // Escape in the owning dialog
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(table->Value(2, 2), 123);
    EXPECT_EQ(committed.count(), 0);

    Click(2, 2);
    QTest::keyClicks(box, QStringLiteral("88"));
    Click(4, 1); // another cell: the value goes in, the new edit opens
    EXPECT_EQ(table->Value(2, 2), 880);
    EXPECT_EQ(grid->CellText(2, 2), QStringLiteral("88.0"));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(Current(), std::make_pair(4, 1));

    // A window in front (a message box, another program) is not leaving.
    QTest::keyClicks(box, QStringLiteral("5"));
    QWidget front;
    front.show();
    front.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&front));
    front.close();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(table->Value(4, 1), 0);
    EXPECT_TRUE(box->hasFocus());

    QTest::mouseClick(other, Qt::LeftButton); // the button acts on the stored value
    EXPECT_EQ(table->Value(4, 1), 50);
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_TRUE(other->hasFocus()) << "the focus stays where the user put it";
    EXPECT_EQ(clicks, 1);

    // A command run with the edit open (a shortcut moves no focus).
    Click(6, 4);
    QTest::keyClicks(box, QStringLiteral("1.5"));
    EXPECT_TRUE(RunCommand(grid, [&] { editing->CommitOpenEdit(); }));
    EXPECT_EQ(table->Value(6, 4), 15);
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_TRUE(grid->hasFocus());
    Click(1, 2); // an open list is closed as it is
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(RunCommand(grid, [&] { editing->CommitOpenEdit(); }));
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_EQ(table->Value(1, 2), 1);

    EXPECT_EQ(table->stores, 3);
    ASSERT_EQ(committed.count(), 3);
    EXPECT_EQ(committed[0], QVariantList({2, 2}));
    EXPECT_EQ(committed[1], QVariantList({4, 1}));
    EXPECT_EQ(committed[2], QVariantList({6, 4}));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(DataGridCellEdit, TabWalksTheEditableCellsInReadingOrderAndLeavesAtBothEnds)
{
    auto* after = new QPushButton(QStringLiteral("after"), &window);
    after->move(100, 300);
    after->show();
    // From the grid: the current cell moves, no edit starts. The P row's
    // blank header cells are passed over.
    std::vector<std::pair<int, int>> order;
    for (int r = 1; r <= 5; ++r)
        for (int c = r == 3 ? 5 : 1; c <= 8; ++c)
            order.emplace_back(c, r);
    ASSERT_TRUE(grid->SetCurrentCell(1, 1));
    grid->setFocus();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(grid, Qt::Key_Tab);
        ASSERT_EQ(Current(), order[i]) << "Tab number " << i;
    }
    for (std::size_t i = order.size() - 1; i-- > 0;) {
        QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(Current(), order[i]) << "Shift+Tab to " << i;
    }
    EXPECT_EQ(edits.count, 0);
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(other->hasFocus()) << "Shift+Tab on the first cell leaves the grid";
    EXPECT_EQ(Current(), std::make_pair(1, 1));
    ASSERT_TRUE(grid->SetCurrentCell(8, 5));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus()) << "Tab on the last cell leaves the grid";

    // From an editor: commit, move, edit the new cell.
    QSignalSpy committed(editing.get(), &CGridCellEditing::valueCommitted);
    Click(7, 2);
    QTest::keyClicks(box, QStringLiteral("3"));
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(table->Value(7, 2), 30);
    EXPECT_EQ(Current(), std::make_pair(8, 2));
    ASSERT_TRUE(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Down); // "Yes" highlighted
    QTest::keyClick(list->view(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(table->Value(8, 2), 1);
    EXPECT_EQ(Current(), std::make_pair(5, 3)) << "over the P row's blank cells";
    EXPECT_TRUE(box->isVisible());
    QTest::keyClick(box, Qt::Key_Escape);

    // Out of the grid at both ends, after the commit.
    ASSERT_TRUE(grid->SetCurrentCell(8, 5));
    grid->BeginEdit(0);
    ASSERT_TRUE(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Down);
    QTest::keyClick(list->view(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(table->Value(8, 5), 1);
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_EQ(window.focusWidget(), after);
    ASSERT_TRUE(grid->SetCurrentCell(2, 1));
    grid->BeginEdit(0);
    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(Current(), std::make_pair(1, 1));
    ASSERT_TRUE(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_EQ(window.focusWidget(), other);
    EXPECT_EQ(committed.count(), 5);
    EXPECT_EQ(table->stores, 5);
}

TEST_F(DataGridCellEdit, LeftAndRightInTheDroppedListCommitTheHighlightedOptionAndMoveOn)
{
    Click(1, 2); // stored 1: "Yes"
    ASSERT_TRUE(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Up);
    QTest::keyClick(list->view(), Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_EQ(table->Value(1, 2), 0);
    EXPECT_EQ(grid->CellText(1, 2), UiText(3265));
    EXPECT_EQ(Current(), std::make_pair(2, 2));
    EXPECT_FALSE(list->isVisible());
    ASSERT_TRUE(box->isVisible()) << "the setpoint cell's edit opens next";
    EXPECT_EQ(box->text(), QStringLiteral("12.3"));

    EXPECT_EQ(table->stores, 1);
}

TEST_F(DataGridCellEdit, EscapeClosesOnlyTheCellEditorAndTheNextEscapeTheDialog)
{
    // The owner is a dialog that does not override reject().
    QDialog dialog;
    auto* dialogGrid = new CDataGridView(&dialog);
    dialogGrid->SetHeader(MainHeader(), kWidth);
    dialogGrid->SetFirstSelectable(1, 1);
    dialogGrid->SetCurrentCell(2, 2);
    dialogGrid->SetEditable(true);
    FakeTable dialogTable(*dialogGrid);
    dialogTable.values[{2, 2}] = 123;
    dialogTable.Refill();
    CGridCellEditing dialogEditing(*dialogGrid, dialogTable);
    dialog.resize(700, 200);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialogGrid->setFocus();

    QTest::keyClick(dialogGrid, Qt::Key_Return);
    CEditText* dialogBox = dialogEditing.Box();
    ASSERT_TRUE(dialogBox->isVisible());
    QTest::keyClicks(dialogBox, QStringLiteral("9"));
    QTest::keyClick(dialogBox, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible()) << "Escape in the cell editor closes only the editor";
    EXPECT_FALSE(dialogEditing.IsEditing());
    EXPECT_TRUE(dialogGrid->hasFocus());
    EXPECT_EQ(dialogTable.Value(2, 2), 123);
    EXPECT_EQ(dialogTable.stores, 0);

    QTest::keyClick(dialogGrid, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

namespace {
// An owner that fails where the grid asks it: a fault of the window, which
// must reach the user as a message and never the event loop.
class FailingTable : public FakeTable
{
public:
    using FakeTable::FakeTable;
    CGridCellEdit DescribeCell(int column, int row) const override
    {
        if (failDescribe)
            throw std::runtime_error("describe failed");
        return FakeTable::DescribeCell(column, row);
    }
    void Refill() override
    {
        if (failRefill)
            throw CPrivateException(std::string("refill failed"));
        FakeTable::Refill();
    }
    bool failDescribe = false;
    bool failRefill = false;
};
} // namespace

TEST_F(DataGridFixture, OwnerFailuresInKeyAndMouseHandlersAreShownAndEndTheEdit)
{
    Use(MainHeader(), 1, 1);
    FailingTable failing(*grid);
    failing.Refill();
    CGridCellEditing failingEditing(*grid, failing);
    CMessageCapture messages;

    failing.failDescribe = true;
    Click(2, 2);
    QTest::keyClick(grid, Qt::Key_5);
    ASSERT_EQ(messages.Messages().size(), 2u);
    EXPECT_EQ(messages.Messages()[0].text, QStringLiteral("describe failed"));
    EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(failingEditing.IsEditing());

    failing.failDescribe = false;
    failing.failRefill = true;
    QTest::keyClick(grid, Qt::Key_5);
    ASSERT_TRUE(failingEditing.Box()->isVisible());
    QTest::keyClick(failingEditing.Box(), Qt::Key_Down);
    ASSERT_EQ(messages.Messages().size(), 3u);
    EXPECT_EQ(messages.Messages()[2].text, QStringLiteral("refill failed"));
    EXPECT_EQ(failing.Value(2, 2), 50) << "the value was stored before the refill failed";
    EXPECT_FALSE(failingEditing.IsEditing()) << "no move after a failure";
    EXPECT_EQ(Current(), std::make_pair(2, 2));
    EXPECT_TRUE(grid->hasFocus());
}

TEST_F(DataGridFixture, OnlyAnEditableGridTakesTabFocusAndAFocusedGridShowsItsMark)
{
    auto* after = new QPushButton(QStringLiteral("after"), &window);
    after->move(0, 340);
    after->show();
    Use(MainHeader(), 1, 1);
    grid->SetCurrentCell(2, 2);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab);
    EXPECT_TRUE(grid->hasFocus()) << "Tab reaches an editable grid";

    const int h = grid->RowHeight();
    const QRect cell = grid->CellRect(2, 2);
    QImage image = grid->grab().toImage();
    const QRgb highlight = grid->palette().color(QPalette::Highlight).rgb();
    const QRgb mark = grid->palette().color(QPalette::HighlightedText).rgb();
    EXPECT_EQ(image.pixel(cell.left() + 2, cell.top() + 2), mark) << "a focus frame inside the current cell";
    EXPECT_EQ(image.pixel(cell.left() + 4, cell.top() + h / 2), highlight);

    grid->SetEditable(false);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab);
    EXPECT_FALSE(grid->hasFocus()) << "a display-only grid is passed over";
    EXPECT_TRUE(after->hasFocus());

    Click(2, 2); // a click still focuses it, and it shows that it has the focus
    ASSERT_TRUE(grid->hasFocus());
    image = grid->grab().toImage();
    EXPECT_EQ(image.pixel(2, grid->height() / 2), highlight) << "a frame around the whole grid";
    other->setFocus();
    image = grid->grab().toImage();
    EXPECT_NE(image.pixel(2, grid->height() / 2), highlight);
}

TEST_F(DataGridFixture, ScreenReadersSeeATableOfTheCellsTexts)
{
    Use(BankHeader(), 1, 2);
    grid->setAccessibleName(QStringLiteral("Alarm setpoint banks"));
    grid->SetCell(1, 2, UiText(3266));
    grid->SetCell(2, 2, QStringLiteral("95.00"));
    grid->SetCell(4, 9, QStringLiteral("-5.00"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Table);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Alarm setpoint banks"));
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 12);
    EXPECT_EQ(table->columnCount(), 9);
    EXPECT_EQ(iface->childCount(), 12 * 9);

    auto text = [&](int row, int column) {
        QAccessibleInterface* cell = table->cellAt(row, column);
        return cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    EXPECT_EQ(text(2, 1), UiText(3266));
    EXPECT_EQ(text(3, 3), QString()) << "an empty data cell";
    EXPECT_EQ(text(0, 1), QStringLiteral("Bank1")) << "marks are layout, not text";
    EXPECT_EQ(text(2, 0), UiText(1120));
    EXPECT_EQ(table->cellAt(0, 1)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(table->cellAt(5, 0)->role(), QAccessible::RowHeader);
    EXPECT_EQ(table->cellAt(2, 2)->role(), QAccessible::Cell);
    EXPECT_EQ(table->cellAt(12, 0), nullptr);

    QAccessibleTableCellInterface* spanning = table->cellAt(0, 5)->tableCellInterface();
    ASSERT_NE(spanning, nullptr);
    EXPECT_EQ(spanning->columnExtent(), 2);
    EXPECT_EQ(table->cellAt(0, 0)->tableCellInterface()->rowExtent(), 2);

    // A data cell of the lower half is headed by bank 6 and "Setpoint", and
    // by its trip point.
    QAccessibleTableCellInterface* lower = table->cellAt(9, 4)->tableCellInterface();
    ASSERT_NE(lower, nullptr);
    QStringList headers;
    for (QAccessibleInterface* h : lower->columnHeaderCells())
        headers << h->text(QAccessible::Name);
    EXPECT_EQ(headers, QStringList({QStringLiteral("Bank6"), UiText(1102)}));
    ASSERT_EQ(lower->rowHeaderCells().size(), 1);
    EXPECT_EQ(lower->rowHeaderCells()[0]->text(QAccessible::Name), UiText(1121));
    EXPECT_EQ(iface->indexOfChild(table->cellAt(9, 4)), 9 * 9 + 4);
    EXPECT_EQ(iface->child(9 * 9 + 4)->text(QAccessible::Name), QStringLiteral("-5.00"));

    // The focused grid's focus child is its current cell.
    ASSERT_TRUE(grid->hasFocus());
    ASSERT_TRUE(grid->SetCurrentCell(2, 2));
    QAccessibleInterface* focused = iface->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->text(QAccessible::Name), QStringLiteral("95.00"));
    EXPECT_TRUE(focused->state().focused);
    EXPECT_EQ(table->selectedCellCount(), 1);
}

TEST_F(DataGridCellEdit, EditorsAreHiddenChildrenOfTheViewportInTheGridsFontAndAreKeptForTheNextCell)
{
    EXPECT_EQ(box->parentWidget(), grid->viewport());
    EXPECT_EQ(list->parentWidget(), grid->viewport());
    EXPECT_FALSE(box->isVisible());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(box->font(), grid->font());
    EXPECT_EQ(list->font(), grid->font());
    Click(2, 2);
    QTest::keyClick(box, Qt::Key_Return);
    Click(5, 4);
    EXPECT_EQ(editing->Box(), box) << "the same box opens over the next cell";
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(grid->viewport()->findChildren<CEditText*>().size(), 1);
}

TEST(GridCellEditing, EditorsDieWithTheEditingAndTheEditingOutlivesItsGrid)
{
    CDataGridView grid;
    grid.SetHeader(MainHeader(), kWidth);
    FakeTable table(grid);
    {
        CGridCellEditing editing(grid, table);
        EXPECT_EQ(grid.viewport()->findChildren<CEditText*>().size(), 1);
    }
    EXPECT_TRUE(grid.viewport()->findChildren<CEditText*>().isEmpty());
    EXPECT_TRUE(grid.viewport()->findChildren<CEditComboBox*>().isEmpty());
    EXPECT_NE(grid.itemDelegate(), nullptr) << "the grid still draws its cells";
    EXPECT_FALSE(grid.grab().isNull());

    auto shortLived = std::make_unique<CDataGridView>();
    shortLived->SetHeader(MainHeader(), kWidth);
    FakeTable other(*shortLived);
    CGridCellEditing editing(*shortLived, other);
    shortLived.reset();
    EXPECT_EQ(editing.Box(), nullptr);
    EXPECT_EQ(editing.List(), nullptr);
    EXPECT_FALSE(editing.IsEditing());
}

TEST_F(DataGridCellEdit, TheModelAnswersWhatQtAsksOfItsCells)
{
    const QAbstractItemModel* model = grid->model();
    EXPECT_EQ(model->rowCount(), 6);
    EXPECT_EQ(model->columnCount(), 9);
    EXPECT_EQ(model->index(0, 2).data().toString(), UiText(1102)) << "headers are cells of the model";
    EXPECT_EQ(model->index(2, 2).data().toString(), QStringLiteral("12.3"));
    EXPECT_FALSE(model->flags(model->index(3, 2)) & Qt::ItemIsEnabled) << "the P row's blank cells";
    EXPECT_FALSE(model->flags(model->index(0, 2)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(model->index(2, 2)) & Qt::ItemIsEditable);
    grid->SetEditable(false);
    EXPECT_FALSE(model->flags(model->index(2, 2)) & Qt::ItemIsEditable) << "display only";
    EXPECT_EQ(grid->rowSpan(0, 0), 1);
    grid->SetHeader(BankHeader(), kWidth);
    EXPECT_EQ(grid->columnSpan(0, 1), 2) << "\"@Bank1\"";
    EXPECT_EQ(grid->rowSpan(0, 0), 2) << "\"$\"";
    EXPECT_EQ(grid->columnSpan(1, 1), 1);
}

TEST_F(DataGridCellEdit, ARefillOrAMoveOfTheCurrentCellNeverStoresOrOverwritesWhatIsTyped)
{
    QSignalSpy committed(editing.get(), &CGridCellEditing::valueCommitted);
    Click(2, 2);
    QTest::keyClicks(box, QStringLiteral("42"));
    table->Refill(); // the owner's window refreshes while the user types
    EXPECT_EQ(box->text(), QStringLiteral("42"));
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(table->Value(2, 2), 420);

    // The window moves the current cell itself: the edit closes unstored,
    // and its closing is no answer of the editor.
    Click(4, 1);
    QTest::keyClicks(box, QStringLiteral("9"));
    ASSERT_TRUE(grid->SetCurrentCell(5, 2));
    EXPECT_FALSE(editing->IsEditing());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(table->Value(4, 1), 0);
    EXPECT_EQ(table->stores, 1);
    EXPECT_EQ(committed.count(), 1);
    EXPECT_TRUE(messages.Messages().empty());

    // A double click opens one edit, as a click does.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, Center(6, 2));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(Current(), std::make_pair(6, 2));
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(table->stores, 1);
}

TEST_F(DataGridFixture, TheSameHeaderAgainOnlyLaysTheGridOutAgain)
{
    Use(MainHeader(), 1, 1);
    grid->SetCell(2, 2, QStringLiteral("12.5"));
    ASSERT_TRUE(grid->SetCurrentCell(5, 4));
    QSignalSpy reset(grid->model(), &QAbstractItemModel::modelReset);
    grid->SetHeader(MainHeader(), kWidth + 10); // the monitor's table on every resize
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(grid->width(), 9 * (kWidth + 10) + 1);
    EXPECT_EQ(grid->CellRect(2, 2).left(), 2 * (kWidth + 10));
    EXPECT_EQ(grid->columnWidth(8), kWidth + 10);
    EXPECT_EQ(grid->CellText(2, 2), QStringLiteral("12.5"));
    EXPECT_EQ(Current(), std::make_pair(5, 4));
    grid->SetHeader(MainHeader(), kWidth, 12, 6);
    EXPECT_EQ(reset.count(), 1) << "more columns are a new table";
    EXPECT_EQ(grid->Columns(), 12);
    grid->SetHeader(MainHeader(), kWidth);
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(grid->Columns(), 9);
}
