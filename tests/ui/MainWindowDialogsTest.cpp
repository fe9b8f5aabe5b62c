// Every setting dialog behind the main window's buttons, opened from its
// button on a model that has the option, changed and confirmed (or
// cancelled), as a technician would; and the commit before and the refresh
// after of the buttons whose dialogs show or change what the window shows.
#include "DialogTestSupport.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/AlarmTable.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/dialogs/AlarmDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace dialogtest;
namespace text = mainwindowtext;

namespace {

int ModelWith(std::uint32_t with)
{
    for (int code = 0; code < kDeviceModelCount; ++code)
        if ((CDeviceType::FromCode(code).CapabilityFlags() & with) == with)
            return code;
    ADD_FAILURE() << "no model";
    return 0;
}

class MainWindowDialogs : public ::testing::Test
{
protected:
    testsupport::TempConfigHome home;
    CMessageCapture messages;
    CAppSettings settings;

    std::unique_ptr<CMyQ6KDlg> Open(int model)
    {
        settings.m_deviceId = model;
        auto window = std::make_unique<CMyQ6KDlg>(settings);
        window->Build();
        window->show();
        return window;
    }

    // Clicks the window's button `captionId`; `act` gets the setting dialog
    // it opens and must end it. False when no dialog opened.
    static bool ClickAndAnswer(CMyQ6KDlg& window, unsigned captionId, const std::function<void(CSettingDialog*)>& act)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CSettingDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            opened = true;
            act(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "dialog left open";
                dialog->done(QDialog::Rejected);
            }
        });
        QPushButton* button = window.Button(captionId);
        EXPECT_NE(button, nullptr);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents(); // a singleShot not taken is spent here
        return opened;
    }
};

void ChooseIn(CSettingDialog* dialog, unsigned caption, int index)
{
    if (auto* list = Named<QComboBox>(dialog, UiText(caption)))
        list->setCurrentIndex(index);
}

void TypeIn(CSettingDialog* dialog, unsigned caption, const QString& value)
{
    if (auto* edit = Named<QLineEdit>(dialog, UiText(caption)))
        Type(edit, value);
}

} // namespace

TEST_F(MainWindowDialogs, EachButtonsDialogChangesTheWindowsImageOnOkOnly)
{
    struct Case
    {
        unsigned button;
        std::uint32_t model; // capabilities the model needs
        const char* title;
        std::function<void(CSettingDialog*)> change;
        int word;
        std::uint16_t value;
    };
    const Case cases[] = {
        {text::kControl, 0, "Control Setting", [](CSettingDialog* d) { TypeIn(d, 12758, "45"); }, 36, 45},
        {text::kDisplay, 0, "Display Setting", [](CSettingDialog* d) { TypeIn(d, 15656, "8"); }, 43, 8},
        {text::kLockout, 0, "Lockout Setting", [](CSettingDialog* d) { ChooseIn(d, 15751, 2); }, 45, 2},
        {text::kBcdOutput, CAP_BCD_OUTPUT, "BCD Output Setting", [](CSettingDialog* d) { ChooseIn(d, 16055, 1); }, 55,
         1},
        {text::kEventTrigger, CAP_EVENT_INPUT, "Event Trigger Input Setting",
         [](CSettingDialog* d) { ChooseIn(d, 16001, 4); }, 56, 4},
        {text::kAnalogOut, CAP_ANALOG_OUTPUT, "Analog Output Setting", [](CSettingDialog* d) { ChooseIn(d, 12744, 3); },
         60, 3},
        {text::kModbus, CAP_MODBUS, "Modbus Setting", [](CSettingDialog* d) { TypeIn(d, 15700, "33"); }, 70, 33},
        {text::kBank, CAP_FOUR_ALARMS, "Alarm Bank Setting", [](CSettingDialog* d) { ChooseIn(d, 12740, 4); }, 86, 5},
        {text::kAdvanced, CAP_FOUR_ALARMS, "Alarm Advanced Setting", [](CSettingDialog* d) { ChooseIn(d, 15253, 4); },
         80, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        auto w = Open(ModelWith(c.model | CAP_ALL));
        w->Image().SetWord(85, 1); // banks switched by the front buttons: "Bank" is on
        w->FullRefresh();
        for (const bool ok : {false, true}) {
            const CRegisterImage before = w->Image();
            const bool opened = ClickAndAnswer(*w, c.button, [&](CSettingDialog* d) {
                EXPECT_EQ(d->windowTitle(), c.title);
                c.change(d);
                QTest::mouseClick(ok ? d->OkButton() : d->CancelButton(), Qt::LeftButton);
            });
            EXPECT_TRUE(opened);
            if (ok)
                EXPECT_EQ(w->Image().GetWord(c.word), c.value);
            else
                EXPECT_TRUE(w->Image() == before) << "Cancel changes nothing";
        }
    }
    EXPECT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
}

TEST_F(MainWindowDialogs, BankCommitsTheWindowFirstAndTheAlarmTableShowsTheNewBankAfter)
{
    auto w = Open(ModelWith(CAP_FOUR_ALARMS | CAP_DC_INPUT));
    CRegisterImage& image = w->Image();
    image.SetWord(10, 0);
    image.SetWord(85, 1);
    image.SetWord(86, 1);
    w->FullRefresh();
    CDataGridView* table = w->AlarmTable()->Grid();
    w->BargraphLower()->setText("-150"); // not yet in the image

    // In bank 4, HH becomes 777, and bank 4 the one in use.
    EXPECT_TRUE(ClickAndAnswer(*w, text::kBank, [&](CSettingDialog* d) {
        auto* bank = static_cast<CAlarmBankDialog*>(d);
        EXPECT_EQ(d->Image().GetLong(32), -150) << "the window's edits were committed first";
        CDataGridView* grid = bank->Grid();
        ASSERT_TRUE(grid->SetCurrentCell(8, 2));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_7); // opens the cell's edit with the 7
        QTest::keyClicks(bank->Editing().Box(), "77");
        QTest::keyClick(bank->Editing().Box(), Qt::Key_Return);
        ChooseIn(d, 12740, 3);
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(image.GetLong(32), -150);
    EXPECT_EQ(image.GetWord(86), 4);
    EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(4, CRegisterImage::TripHH)), 777);
    EXPECT_EQ(table->CellText(2, 1), "777") << "the table shows bank 4 now";

    // A value the window cannot take stops the button before its dialog.
    w->BargraphUpper()->setText("x");
    EXPECT_FALSE(ClickAndAnswer(*w, text::kBank, [](CSettingDialog* d) { d->reject(); }));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(w->focusWidget(), w->BargraphUpper());
}

TEST_F(MainWindowDialogs, AdvancedSwitchingBanksOffTurnsBankOffAndShowsBankOne)
{
    auto w = Open(ModelWith(CAP_FOUR_ALARMS | CAP_DC_INPUT));
    CRegisterImage& image = w->Image();
    image.SetWord(10, 0);
    image.SetWord(85, 1);
    image.SetWord(86, 3);
    image.SetLong(CRegisterImage::BankSetpointWord(1, CRegisterImage::TripH), 111);
    image.SetLong(CRegisterImage::BankSetpointWord(3, CRegisterImage::TripH), 333);
    w->FullRefresh();
    CDataGridView* table = w->AlarmTable()->Grid();
    EXPECT_EQ(table->CellText(2, 2), "333");
    EXPECT_TRUE(w->Button(text::kBank)->isEnabled());
    EXPECT_TRUE(ClickAndAnswer(*w, text::kAdvanced, [](CSettingDialog* d) {
        ChooseIn(d, 15250, 2); // "Enabled by Modbus"
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(image.GetWord(85), 2);
    EXPECT_EQ(image.GetWord(86), 1);
    EXPECT_EQ(table->CellText(2, 2), "111");
    EXPECT_TRUE(w->Button(text::kBank)->isEnabled()) << "switching by Modbus still has banks";

    EXPECT_TRUE(ClickAndAnswer(*w, text::kAdvanced, [](CSettingDialog* d) {
        ChooseIn(d, 15250, 0);
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(w->Button(text::kBank)->isEnabled());
    EXPECT_TRUE(messages.Messages().empty());
}
