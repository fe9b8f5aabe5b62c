// The alarm bank and advanced alarm dialogs, run with RunSettingDialog as the
// main window runs them and driven as a user would: keys on the bank grid,
// typing in its cells, the lists.
#include "ui/editors/dialogs/AlarmDialogs.h"

#include "DialogTestSupport.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/ParEdit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace dialogtest;

namespace {

using TP = CRegisterImage::TripPoint;

int FirstModelWith(std::uint32_t flag)
{
    for (int code = 0; code < kDeviceModelCount; ++code)
        if (CDeviceType::FromCode(code).Has(flag))
            return code;
    return -1;
}

CRegisterImage ImageOf(int model)
{
    CRegisterImage image;
    image.ResetForModel(model, true);
    return image;
}

std::pair<int, int> Current(const CDataGridView* grid)
{
    return {grid->CurrentColumn(), grid->CurrentRow()};
}

QString RangeText(std::int32_t minimum, std::int32_t maximum, std::int32_t divisor)
{
    return UiMessage(CScalingParameterResolver::RangeMessage(minimum, maximum, divisor, 15800));
}

} // namespace

TEST(AlarmBankDialog, GridShowsAllEightBanksAndMovesOnlyOverTheirCells)
{
    CRegisterImage image = ImageOf(FirstModelWith(CAP_FOUR_ALARMS));
    image.SetWord(10, 1); // 0000.0
    image.SetWord(CRegisterImage::BankEnableWord(6, TP::TripL), 1);
    image.SetLong(CRegisterImage::BankSetpointWord(6, TP::TripL), -125);
    image.SetLong(CRegisterImage::BankSetpointWord(1, TP::TripHH), 4321);
    CAlarmBankDialog dialog;
    RunDriven(dialog, image, [&] {
        CDataGridView* grid = dialog.Grid();
        EXPECT_EQ(grid->Columns(), 9);
        EXPECT_EQ(grid->Rows(), 12);
        EXPECT_EQ(grid->ShownText(3, 6), "Bank6");
        EXPECT_EQ(grid->CellSpan(3, 6), QSize(2, 1));
        EXPECT_EQ(grid->ShownText(0, 10), UiText(1123)); // "L"
        EXPECT_EQ(grid->CellText(3, 10), "Yes");
        EXPECT_EQ(grid->CellText(4, 10), "-12.5");
        EXPECT_EQ(grid->CellText(2, 2), "432.1");
        EXPECT_EQ(grid->Cells().size(), 64u);
        EXPECT_EQ(Current(grid), std::make_pair(1, 2));

        const std::tuple<int, int, Qt::Key, int, int> moves[] = {
            {1, 5, Qt::Key_Down, 1, 8},                              // rows 6 and 7 are headers in every column
            {4, 8, Qt::Key_Up, 4, 5},      {1, 2, Qt::Key_Up, 1, 2}, // the first selectable row
            {1, 9, Qt::Key_Left, 1, 9},                              // column 0 holds the trip point names
            {8, 11, Qt::Key_Right, 8, 11}, {8, 11, Qt::Key_Down, 8, 11},
        };
        for (auto [c, r, key, toC, toR] : moves) {
            ASSERT_TRUE(grid->SetCurrentCell(c, r));
            QTest::keyClick(grid, key);
            EXPECT_EQ(Current(grid), std::make_pair(toC, toR)) << "from " << c << "," << r;
        }
        EXPECT_FALSE(grid->SetCurrentCell(1, 7));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
}

TEST(AlarmBankDialog, CellEditsReachTheCallerOnlyWithOk)
{
    CRegisterImage image = ImageOf(FirstModelWith(CAP_FOUR_ALARMS));
    image.SetWord(10, 0); // display scale 1
    image.SetWord(85, 1);
    image.SetWord(86, 3);
    image.SetWord(CRegisterImage::BankEnableWord(4, TP::TripLL), 7); // no option
    const CRegisterImage original = image;
    CMessageCapture capture;
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        capture.Clear();
        CAlarmBankDialog dialog;
        const bool accepted = RunDriven(dialog, image, [&] {
            CDataGridView* grid = dialog.Grid();
            CEditText* box = dialog.Editing().Box();
            CEditComboBox* list = dialog.Editing().List();
            auto* bank = Named<QComboBox>(&dialog, UiText(12740));
            ASSERT_NE(bank, nullptr);
            EXPECT_TRUE(bank->isEnabled());
            EXPECT_EQ(bank->currentText(), "3");
            EXPECT_EQ(dialog.focusWidget(), bank);

            // A typed digit starts the edit with only that digit; Down commits
            // and opens the cell below.
            ASSERT_TRUE(grid->SetCurrentCell(2, 8)); // bank 5 HH
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_5);
            ASSERT_TRUE(box->isVisible());
            EXPECT_EQ(box->text(), "5");
            EXPECT_EQ(AccessibleName(box), "Bank5 Setpoint HH");
            ExpectEveryControlNamed(&dialog);
            QTest::keyClick(box, Qt::Key_Down);
            EXPECT_EQ(dialog.Image().GetLong(CRegisterImage::BankSetpointWord(5, TP::TripHH)), 5);
            EXPECT_EQ(grid->CellText(2, 8), "5");
            EXPECT_EQ(Current(grid), std::make_pair(2, 9));
            ASSERT_TRUE(box->isVisible());

            // One above the display range: the message, and the edit stays.
            box->setText("100001");
            QTest::keyClick(box, Qt::Key_Return);
            ASSERT_EQ(capture.Messages().size(), 1u);
            EXPECT_EQ(capture.Messages()[0].text, RangeText(-20000, 100000, 1));
            EXPECT_EQ(capture.Messages()[0].icon, MessageIcon::Stop);
            EXPECT_TRUE(box->isVisible());
            EXPECT_EQ(box->selectedText(), "100001");
            box->setText("100000");
            QTest::keyClick(box, Qt::Key_Return); // commits in place, never OK
            EXPECT_FALSE(box->isVisible());
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.Image().GetLong(CRegisterImage::BankSetpointWord(5, TP::TripH)), 100000);
            EXPECT_EQ(Current(grid), std::make_pair(2, 9));

            // A list whose word is no option opens without a choice; Left
            // stores the "Yes" the cell showed and opens the cell beside it.
            ASSERT_TRUE(grid->SetCurrentCell(7, 5)); // bank 4 LL enable
            EXPECT_EQ(grid->CellText(7, 5), "Yes");
            QTest::keyClick(grid, Qt::Key_Return);
            ASSERT_TRUE(list->view()->isVisible());
            EXPECT_EQ(list->currentIndex(), -1);
            QTest::keyClick(list->view(), Qt::Key_Left);
            QApplication::processEvents();
            EXPECT_EQ(dialog.Image().GetWord(CRegisterImage::BankEnableWord(4, TP::TripLL)), 1);
            EXPECT_EQ(Current(grid), std::make_pair(6, 5));
            ASSERT_TRUE(box->isVisible()) << "bank 3 LL setpoint";

            // Escape closes only the cell editor, also while the closed
            // drop-down has left the dialog inactive (as the offscreen
            // platform does).
            QTest::keyClick(box, Qt::Key_Escape);
            EXPECT_FALSE(dialog.Editing().IsEditing());
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.focusWidget(), grid);

            bank->setCurrentIndex(6);
            QTest::mouseClick(ok ? dialog.OkButton() : dialog.CancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(accepted, ok);
        EXPECT_EQ(capture.Messages().size(), 1u);
        if (!ok) {
            EXPECT_TRUE(image == original);
            continue;
        }
        EXPECT_EQ(image.GetWord(86), 7);
        EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(5, TP::TripHH)), 5);
        EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(5, TP::TripH)), 100000);
        EXPECT_EQ(image.GetWord(CRegisterImage::BankEnableWord(4, TP::TripLL)), 1);
    }
}

TEST(AlarmBankDialog, OkStoresAnOpenCellEditAndStaysOpenOnARejectedOne)
{
    CRegisterImage image = ImageOf(FirstModelWith(CAP_FOUR_ALARMS));
    image.SetWord(10, 0); // display scale 1
    CMessageCapture capture;
    // Space on OK presses it without moving the focus, as Return on the
    // default button or an access key do; a click on it leaves the cell.
    for (const bool byMouse : {false, true}) {
        SCOPED_TRACE(byMouse ? "click" : "key");
        capture.Clear();
        int oks = 0;
        CAlarmBankDialog dialog;
        QObject::connect(dialog.OkButton(), &QPushButton::clicked, [&oks] { ++oks; });
        QSignalSpy committed(&dialog.Editing(), &CGridCellEditing::valueCommitted);
        auto pressOk = [&] {
            if (byMouse)
                QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
            else
                QTest::keyClick(dialog.OkButton(), Qt::Key_Space);
        };
        const bool accepted = RunDriven(dialog, image, [&] {
            // Focus moves only send their events in the active window.
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
            CDataGridView* grid = dialog.Grid();
            CEditText* box = dialog.Editing().Box();
            ASSERT_TRUE(grid->SetCurrentCell(2, 8)); // bank 5 HH
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_1);
            QTest::keyClicks(box, "00001");
            pressOk();
            ASSERT_EQ(capture.Messages().size(), 1u);
            EXPECT_EQ(capture.Messages()[0].text, RangeText(-20000, 100000, 1));
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(oks, byMouse ? 0 : 1);
            EXPECT_TRUE(box->isVisible());
            EXPECT_TRUE(box->hasFocus());
            EXPECT_EQ(box->selectedText(), "100001");
            QApplication::processEvents();
            QTest::keyClicks(box, "77");
            pressOk();
        });
        EXPECT_TRUE(accepted);
        EXPECT_EQ(capture.Messages().size(), 1u);
        EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(5, TP::TripHH)), 77);
        ASSERT_EQ(committed.count(), 1);
        EXPECT_EQ(committed[0], QVariantList({2, 8}));
    }
}

TEST(AlarmBankDialog, CancelDropsARejectedCellValueWithTheRestAndCloses)
{
    CRegisterImage image = ImageOf(FirstModelWith(CAP_FOUR_ALARMS));
    image.SetWord(10, 0);
    const CRegisterImage before = image;
    CMessageCapture capture;
    CAlarmBankDialog dialog;
    const bool accepted = RunDriven(dialog, image, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        CDataGridView* grid = dialog.Grid();
        ASSERT_TRUE(grid->SetCurrentCell(2, 2));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_9);
        QTest::keyClicks(dialog.Editing().Box(), "999999");
        QPushButton* cancel = nullptr;
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == UiText(uitext::kCancel))
                cancel = b;
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(capture.Messages().empty()) << "nothing to correct in what is thrown away";
    EXPECT_TRUE(image == before);
}

TEST(AlarmBankDialog, TabWalksTheBankCellsOverTheHeaderRowsAndLeavesTheGridAtBothEnds)
{
    CRegisterImage image = ImageOf(FirstModelWith(CAP_FOUR_ALARMS));
    image.SetWord(10, 0);
    image.SetWord(85, 1); // the bank list is enabled: the grid's left neighbour
    CAlarmBankDialog dialog;
    RunDriven(dialog, image, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        CDataGridView* grid = dialog.Grid();
        CEditText* box = dialog.Editing().Box();
        CEditComboBox* list = dialog.Editing().List();
        auto* bank = Named<QComboBox>(&dialog, UiText(12740));
        ASSERT_TRUE(grid->SetCurrentCell(8, 5)); // bank 4 LL setpoint
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Tab);
        EXPECT_EQ(Current(grid), std::make_pair(1, 8)) << "rows 6 and 7 are headers";
        QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(Current(grid), std::make_pair(8, 5));

        ASSERT_TRUE(grid->SetCurrentCell(8, 11)); // the last cell: bank 8 LL setpoint
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_4);
        QTest::keyClick(box, Qt::Key_Tab);
        EXPECT_EQ(dialog.Image().GetLong(CRegisterImage::BankSetpointWord(8, TP::TripLL)), 4);
        EXPECT_FALSE(dialog.Editing().IsEditing());
        EXPECT_EQ(dialog.focusWidget(), dialog.OkButton());

        ASSERT_TRUE(grid->SetCurrentCell(2, 2));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(Current(grid), std::make_pair(1, 2));
        ASSERT_TRUE(list->isVisible());
        QTest::keyClick(list->view(), Qt::Key_Backtab, Qt::ShiftModifier);
        QApplication::processEvents();
        EXPECT_FALSE(dialog.Editing().IsEditing());
        EXPECT_EQ(dialog.focusWidget(), bank);
        QTest::keyClick(bank, Qt::Key_Tab);
        EXPECT_EQ(dialog.focusWidget(), grid) << "from the bank list down to the grid";
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
}

TEST(AlarmBankDialog, SetpointLimitsFollowTheDisplayScaleOfTheModel)
{
    struct Case
    {
        std::uint32_t input;
        std::uint16_t decimalPoint;
        const char* rejected;
        const char* accepted;
        std::int32_t stored;
        QString message;
    };
    const Case cases[] = {
        {CAP_DC_INPUT, 0, "100001", "-20000", -20000, RangeText(-20000, 100000, 1)},
        {CAP_DC_INPUT, 2, "-200.01", "1000.00", 100000, RangeText(-20000, 100000, 100)},
        // Thermocouples always show two decimals, whatever word 10 says.
        {CAP_TC_INPUT, 0, "10000.00", "9999.99", 999999, RangeText(-99999, 999999, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rejected);
        CRegisterImage image = ImageOf(FirstModelWith(c.input));
        image.SetWord(10, c.decimalPoint);
        CMessageCapture capture;
        CAlarmBankDialog dialog;
        RunDriven(dialog, image, [&] {
            CDataGridView* grid = dialog.Grid();
            CEditText* box = dialog.Editing().Box();
            ASSERT_TRUE(grid->SetCurrentCell(8, 11)); // bank 8 LL
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Return);
            ASSERT_TRUE(box->isVisible());
            box->setText(c.rejected);
            QTest::keyClick(box, Qt::Key_Return);
            ASSERT_EQ(capture.Messages().size(), 1u);
            EXPECT_EQ(capture.Messages()[0].text, c.message);
            box->setText(c.accepted);
            QTest::keyClick(box, Qt::Key_Return);
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        });
        EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(8, TP::TripLL)), c.stored);
        if (c.input == CAP_TC_INPUT) {
            EXPECT_TRUE(c.message.contains("-999.99 - 9999.99"));
        }
    }
}

TEST(AlarmBankDialog, BankListOnlyWhileTheFrontButtonsSwitchBanks)
{
    struct Case
    {
        std::uint16_t switching;
        std::uint16_t bankNo;
        bool enabled;
        const char* shown;
        std::uint16_t stored; // after choosing "5" where the list is enabled
    };
    const Case cases[] = {
        {0, 4, false, "", 4}, // left as it was
        {2, 4, false, "", 4},  {1, 4, true, "4", 5},
        {1, 0, true, "1", 5}, // a bank the meter does not have shows bank 1
        {1, 12, true, "1", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.switching) + "/" + std::to_string(c.bankNo));
        CRegisterImage image = ImageOf(FirstModelWith(CAP_ALARMS));
        image.SetWord(85, c.switching);
        image.SetWord(86, c.bankNo);
        CAlarmBankDialog dialog;
        EXPECT_TRUE(RunDriven(dialog, image, [&] {
            auto* bank = Named<QComboBox>(&dialog, UiText(12740));
            ASSERT_NE(bank, nullptr);
            EXPECT_EQ(bank->isEnabled(), c.enabled);
            EXPECT_EQ(LabelOf(&dialog, bank)->isEnabled(), c.enabled);
            EXPECT_EQ(bank->currentText(), c.shown);
            if (c.enabled)
                bank->setCurrentIndex(4);
            else
                EXPECT_EQ(dialog.focusWidget(), dialog.Grid());
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        }));
        EXPECT_EQ(image.GetWord(86), c.stored);
    }
}

TEST(AdvancedAlarmDialog, BankSwitchingOtherThanOneSetsBankOneAndTheOtherListsFollowTheirRules)
{
    struct Case
    {
        std::uint16_t switching; // chosen
        std::uint16_t bankNo;    // after OK, from 6
    };
    const Case cases[] = {{0, 1}, {1, 6}, {2, 1}};
    CMessageCapture capture;
    for (const Case& c : cases) {
        CRegisterImage image = ImageOf(FirstModelWith(CAP_FOUR_ALARMS));
        image.SetWord(85, 1);
        image.SetWord(86, 6);
        image.SetWord(80, 9); // shows "Alarm setpoint HH"
        image.SetWord(82, 3); // shows "Output standing by"
        image.SetWord(84, 25);
        CAdvancedAlarmDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), "Alarm Advanced Setting");
        EXPECT_TRUE(RunDriven(dialog, image, [&] {
            ExpectEveryControlNamed(&dialog);
            auto* switching = Named<QComboBox>(&dialog, UiText(15250));
            auto* pOutput = Named<QComboBox>(&dialog, UiText(15253));
            auto* standby = Named<QComboBox>(&dialog, UiText(15255));
            auto* delay = Named<QLineEdit>(&dialog, "Power ON delay");
            ASSERT_TRUE(switching && pOutput && standby && delay);
            EXPECT_EQ(pOutput->currentText(), "Alarm setpoint HH");
            EXPECT_EQ(standby->currentText(), "Output standing by");
            EXPECT_EQ(delay->text(), "2.5");
            switching->setCurrentIndex(c.switching);
            Type(delay, "999.9");
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        }));
        EXPECT_EQ(image.GetWord(85), c.switching);
        EXPECT_EQ(image.GetWord(86), c.bankNo);
        EXPECT_EQ(image.GetWord(80), 4);
        EXPECT_EQ(image.GetWord(82), 1);
        EXPECT_EQ(image.GetWord(84), 9999);
    }
    EXPECT_TRUE(capture.Messages().empty());
}
