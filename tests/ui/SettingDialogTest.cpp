// The setting-dialog mechanism, through a small dialog run with
// RunSettingDialog exactly as the main window runs the real ones.
#include "ui/editors/SettingDialog.h"

#include "DialogTestSupport.h"
#include "model/CapabilityFlags.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/ErrorReport.h"
#include "ui/app/UiText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace dialogtest;

namespace {

constexpr int kPOutputWord = 80;  // clamped, strings 3700-3704 (3 used here)
constexpr int kPatternWord = 79;  // two-way, strings 3650-3651
constexpr int kBankNoWord = 86;   // integer, scale 1
constexpr int kDelayWord = 84;    // tenths of a second
constexpr int kSetpointWord = 88; // 32-bit, display scale

class CSampleDialog : public CSettingDialog
{
public:
    CSampleDialog() : CSettingDialog(0)
    {
        pOutput = AddOptionRow(15253, 1054, kPOutputWord, 3700, 3, EOptionRule::Clamped);
        pattern = AddOptionRow(15252, 1056, kPatternWord, 3650, 2, EOptionRule::TwoWay);
        bankNo = AddNumberRow(15300, 1060, kBankNoWord, ENumberWidth::Word, ScaleFixed(1),
                              LimitsFixed(1, 8), 15300);
        delay = AddNumberRow(15257, 1009, kDelayWord, ENumberWidth::Word, ScaleFixed(10),
                             LimitsFixed(0, 9999), 15257);
        setpoint = AddNumberRow(15800, 1061, kSetpointWord, ENumberWidth::Long, ScaleDisplay(),
                                LimitsDisplayValue(), 15800);
    }

    QComboBox* pOutput;
    QComboBox* pattern;
    QLineEdit* bankNo;
    QLineEdit* delay;
    QLineEdit* setpoint;
};

CRegisterImage SampleImage()
{
    CRegisterImage image;
    image.SetWord(10, 2); // decimal point position: display scale 100 on every model
    image.SetWord(kPOutputWord, 7);
    image.SetWord(kPatternWord, 5);
    image.SetWord(kBankNoWord, 3);
    image.SetWord(kDelayWord, 125);
    image.SetLong(kSetpointWord, -5);
    return image;
}

} // namespace

TEST(SettingDialog, ShowsWordsThroughTheListRulesAndScalesAndWritesTheShownValuesOnOk)
{
    CRegisterImage image = SampleImage();
    ASSERT_EQ(CScalingParameterResolver(image).DisplayScale(), 100);
    CMessageCapture capture;
    CSampleDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        EXPECT_EQ(dialog.pOutput->count(), 3);
        EXPECT_EQ(dialog.pOutput->itemText(0), UiText(3700));
        EXPECT_EQ(dialog.pOutput->currentIndex(), 2); // 7 in a 3-option clamped list
        EXPECT_EQ(dialog.pattern->currentIndex(), 1); // any non-zero word: second option
        EXPECT_EQ(dialog.bankNo->text(), "3");
        EXPECT_EQ(dialog.delay->text(), "12.5");
        EXPECT_EQ(dialog.setpoint->text(), "-0.05");
        EXPECT_EQ(dialog.focusWidget(), dialog.pOutput); // first control
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(capture.Messages().empty());
    EXPECT_EQ(image.GetWord(kPOutputWord), 2);
    EXPECT_EQ(image.GetWord(kPatternWord), 1);
    EXPECT_EQ(image.GetWord(kBankNoWord), 3);
    EXPECT_EQ(image.GetWord(kDelayWord), 125);
    EXPECT_EQ(image.GetLong(kSetpointWord), -5);
}

TEST(SettingDialog, OkReadsTypedValuesWithAutomaticBaseAndRounding)
{
    CRegisterImage image = SampleImage();
    ASSERT_EQ(CScalingParameterResolver(image).DisplayValueMinimum(), -20000);
    CMessageCapture capture;
    CSampleDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        dialog.pattern->setCurrentIndex(0);
        dialog.bankNo->setText("010"); // octal
        dialog.delay->setText("0.05"); // 0.5 rounds away from zero
        dialog.setpoint->setText("-199.995");
        dialog.accept();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(image.GetWord(kPatternWord), 0);
    EXPECT_EQ(image.GetWord(kBankNoWord), 8);
    EXPECT_EQ(image.GetWord(kDelayWord), 1);
    EXPECT_EQ(image.GetLong(kSetpointWord), -20000);
    EXPECT_EQ(image.GetWord(kSetpointWord), 0xB1E0); // low half first
    EXPECT_EQ(image.GetWord(kSetpointWord + 1), 0xFFFF);

    CSampleDialog hexDialog;
    const bool hexOk = RunDriven(hexDialog, image, [&] {
        hexDialog.bankNo->setText("0x7");
        hexDialog.accept();
    });
    EXPECT_TRUE(hexOk);
    EXPECT_TRUE(capture.Messages().empty());
    EXPECT_EQ(image.GetWord(kBankNoWord), 7);
}

TEST(SettingDialog, FailedOkKeepsTheDialogOpenOnTheFirstBadEditAndCancelLeavesTheCallerUntouched)
{
    const CRegisterImage original = SampleImage();
    CRegisterImage image = original;
    CMessageCapture capture;
    CSampleDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        dialog.pOutput->setCurrentIndex(0); // stored before the failing edit
        dialog.delay->setText("1000.0");    // above 999.9
        dialog.setpoint->setText("abc");    // also bad, but never reached
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);

        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        ASSERT_EQ(capture.Messages().size(), 1u);
        EXPECT_EQ(capture.Messages()[0].icon, MessageIcon::Stop);
        EXPECT_EQ(capture.Messages()[0].text,
                  UiMessage(CScalingParameterResolver::RangeMessage(0, 9999, 10, 15257)));
        EXPECT_TRUE(capture.Messages()[0].text.contains("999.9"));
        EXPECT_EQ(dialog.focusWidget(), dialog.delay);
        EXPECT_EQ(dialog.delay->selectedText(), "1000.0");
        EXPECT_EQ(dialog.Image().GetWord(kPOutputWord), 0);

        // Correcting the value moves the failure on to the next bad edit.
        dialog.delay->setText("999.9");
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(capture.Messages().size(), 2u);
        EXPECT_EQ(dialog.focusWidget(), dialog.setpoint);
        EXPECT_EQ(dialog.setpoint->selectedText(), "abc");

        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(image == original);
    EXPECT_EQ(image.GetWord(kPOutputWord), 7);
}

TEST(SettingDialog, CopiesTheIdentityInAndBackOut)
{
    CRegisterImage image = SampleImage();
    image.ResetForModel(12, false);
    const CDeviceType identity = image.Identity();
    CMessageCapture capture;
    CSampleDialog dialog;
    CDeviceType seen;
    RunDriven(dialog, image, [&] {
        seen = dialog.Image().Identity();
        dialog.Image().ResetForModel(0, false); // as a dialog that changed the model would
        dialog.accept();
    });
    EXPECT_TRUE(seen == identity);
    EXPECT_FALSE(image.Identity() == identity);
}


// ---------------------------------------------------------------------------
// The kinds of row beyond a plain list or edit.

namespace {

// Rows in sections, with a unit, a trackbar, a note and a table; shown on
// model 15 (DC voltage, Modbus option).
class CLayoutDialog : public CSettingDialog
{
public:
    CLayoutDialog() : CSettingDialog(0)
    {
        CSettingSection* average = AddGroup(17000);
        AddOptionRow(15100, 1044, 28, 3300, 2, EOptionRule::TwoWay, {.section = average});
        AddNumberRow(15257, 1009, 84, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 9999), 15257,
                     {.unitId = 3000});
        contrast = AddTrackbarRow(15656, 1028, 1029, 43, 1, 10, 15656, 3265, 3266);
        CSettingTable* table = AddTable(0, {1102, 1104}, {1120, 1121});
        AddNumberCell(table, 0, 0, 1011, 88, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15800);
        AddNumberCell(table, 1, 1, 1012, 90, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15800);
        AddNote(1069, 12400);
    }
    QLineEdit* contrast;
};

} // namespace

TEST(SettingDialog, EveryRowIsNamedByItsCaptionWhereverItStands)
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    CMessageCapture capture;
    CLayoutDialog dialog;
    RunDriven(dialog, image, [&] {
        ExpectEveryControlNamed(&dialog);
        // A row with a unit text after its control used to lose its name.
        QLineEdit* delay = Named<QLineEdit>(&dialog, UiText(15257));
        ASSERT_NE(delay, nullptr);
        EXPECT_EQ(delay, dialog.Control(1009));
        QLabel* delayLabel = LabelOf(&dialog, delay);
        ASSERT_NE(delayLabel, nullptr);
        EXPECT_EQ(delayLabel->text(), UiText(15257));

        QComboBox* mode = Named<QComboBox>(&dialog, UiText(15100));
        ASSERT_NE(mode, nullptr);
        auto* box = qobject_cast<QGroupBox*>(mode->parentWidget());
        ASSERT_NE(box, nullptr) << "a sectioned row lies in its group box";
        EXPECT_EQ(box->title(), UiText(17000));

        EXPECT_EQ(Named<QLineEdit>(&dialog, UiText(1102) + " " + UiText(1120)), dialog.Control(1011));
        EXPECT_EQ(Named<QLineEdit>(&dialog, UiText(1104) + " " + UiText(1121)), dialog.Control(1012));
        EXPECT_EQ(Named<QSlider>(&dialog, UiText(15656)), dialog.Control(1029));

        auto* note = dialog.Control<QLabel>(1069);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->text(), UiText(12400));
        EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        dialog.reject();
    });
}

TEST(SettingDialog, TrackbarWritesItsEditButTypingLeavesTheTrackbarAndOkReadsTheEdit)
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    image.SetWord(43, 4);
    CMessageCapture capture;
    CLayoutDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        auto* track = dialog.Control<QSlider>(1029);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(dialog.contrast->text(), "4");
        EXPECT_EQ(track->value(), 4);
        EXPECT_EQ(track->minimum(), 1);
        EXPECT_EQ(track->maximum(), 10);
        track->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(track, Qt::Key_Right);
        EXPECT_EQ(dialog.contrast->text(), "7");
        Type(dialog.contrast, "9");
        EXPECT_EQ(track->value(), 7);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(image.GetWord(43), 9);

    // A stored value beyond the trackbar is shown as it is, and refused.
    image.SetWord(43, 15);
    CLayoutDialog again;
    const bool okAgain = RunDriven(again, image, [&] {
        EXPECT_EQ(again.contrast->text(), "15");
        EXPECT_EQ(again.Control<QSlider>(1029)->value(), 10);
        again.accept();
        EXPECT_TRUE(again.isVisible());
        ASSERT_EQ(capture.Messages().size(), 1u);
        EXPECT_EQ(capture.Messages()[0].text, UiMessage(CScalingParameterResolver::RangeMessage(1, 10, 1, 15656)));
        again.reject();
    });
    EXPECT_FALSE(okAgain);
    EXPECT_EQ(image.GetWord(43), 15);
}

namespace {

class CRadioDialog : public CSettingDialog
{
public:
    CRadioDialog(std::vector<SRadioChoice> choices, std::uint16_t fallback) : CSettingDialog(0)
    {
        AddRadioRow(15009, 12, std::move(choices), fallback);
        AddOptionRow(15008, 1049, 11, 3151, 2, EOptionRule::TwoWay);
    }
    QRadioButton* Radio(int id) const { return Control<QRadioButton>(id); }
};

} // namespace

TEST(SettingDialog, RadioGroupShowsTheButtonOfItsValueOrTheFallbackAndStartsOnTheCheckedOne)
{
    const std::vector<SRadioChoice> enableDisable = {{1050, 3261, 1}, {1051, 3260, 0}}; // 1 Enable, else Disable
    const std::vector<SRadioChoice> normalSwap = {{1038, 2050, 0}, {1039, 2051, 1}};     // 0 Normal, else Swap
    struct Case
    {
        const std::vector<SRadioChoice>* choices;
        std::uint16_t fallback;
        std::uint16_t stored;
        int shown;
        std::uint16_t written;
    };
    const Case cases[] = {
        {&enableDisable, 0, 1, 1050, 1}, {&enableDisable, 0, 0, 1051, 0}, {&enableDisable, 0, 5, 1051, 0},
        {&normalSwap, 1, 0, 1038, 0},    {&normalSwap, 1, 1, 1039, 1},    {&normalSwap, 1, 7, 1039, 1},
    };
    CMessageCapture capture;
    for (const Case& c : cases) {
        CRegisterImage image;
        image.SetWord(12, c.stored);
        CRadioDialog dialog(*c.choices, c.fallback);
        RunDriven(dialog, image, [&] {
            QRadioButton* shown = dialog.Radio(c.shown);
            ASSERT_NE(shown, nullptr);
            EXPECT_TRUE(shown->isChecked()) << "word " << c.stored;
            EXPECT_EQ(dialog.focusWidget(), shown) << "the first focus is on the checked button";
            QTest::keyClick(shown, Qt::Key_Space); // Space there changes nothing
            EXPECT_TRUE(shown->isChecked());
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        });
        EXPECT_EQ(image.GetWord(12), c.written) << "word " << c.stored;
    }

    CRegisterImage image;
    image.SetWord(12, 0);
    CRadioDialog dialog(enableDisable, 0);
    RunDriven(dialog, image, [&] {
        ClickRadio(dialog.Radio(1050));
        EXPECT_FALSE(dialog.Radio(1051)->isChecked());
        dialog.accept();
    });
    EXPECT_EQ(image.GetWord(12), 1);
}

namespace {

// Rows that depend on the model: an exact list whose length follows the
// temperature unit (word 1), and rows offered only with the Modbus option.
class CModelDialog : public CSettingDialog
{
public:
    CModelDialog() : CSettingDialog(0)
    {
        modbusLock = AddOptionRow(15754, 1085, 48, 4480, 2, EOptionRule::Clamped,
                                  {.available = HasCapability(CAP_MODBUS)});
        fractions = AddOptionRow(
            15007, 1030, 44, 4560, [](const CRegisterImage& image) { return image.GetWord(1) == 1 ? 2 : 3; },
            EOptionRule::Exact);
        address = AddNumberRow(15700, 1067, 70, ENumberWidth::Word, ScaleFixed(1), LimitsFixed(1, 247), 15700,
                               {.available = HasCapability(CAP_MODBUS)});
        AddStoreRule([](CRegisterImage& image) { image.SetWord(83, image.GetWord(44) + 100); });
        delay = AddNumberRow(15257, 1009, 84, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 9999), 15257);
        BindCustom(nullptr, {}, [this] { ++customStores; });
    }
    QComboBox* modbusLock;
    QComboBox* fractions;
    QLineEdit* address;
    QLineEdit* delay;
    int customStores = 0;
};

} // namespace

TEST(SettingDialog, RowsAnImageDoesNotOfferAreDisabledEmptyAndNotStored)
{
    CMessageCapture capture;
    // Model 0: DC voltage without the Modbus option.
    CRegisterImage image;
    image.ResetForModel(0, true);
    ASSERT_EQ(image.CapabilityFlags() & CAP_MODBUS, 0u);
    image.SetWord(48, 7);
    image.SetWord(70, 300); // out of range, but never read
    image.SetWord(1, 1);
    image.SetWord(44, 2); // no option of a two-option exact list
    CModelDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        EXPECT_FALSE(dialog.modbusLock->isEnabled());
        EXPECT_FALSE(LabelOf(&dialog, dialog.modbusLock)->isEnabled());
        EXPECT_EQ(dialog.modbusLock->count(), 0) << "an unavailable list is not filled";
        EXPECT_FALSE(dialog.address->isEnabled());
        EXPECT_TRUE(dialog.address->text().isEmpty());
        EXPECT_EQ(dialog.focusWidget(), dialog.fractions) << "the first available row has the focus";
        EXPECT_EQ(dialog.fractions->count(), 2);
        EXPECT_EQ(dialog.fractions->currentIndex(), -1);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(capture.Messages().empty());
    EXPECT_EQ(image.GetWord(48), 7);
    EXPECT_EQ(image.GetWord(70), 300);
    EXPECT_EQ(image.GetWord(44), 2) << "no selection keeps the word";
    EXPECT_EQ(image.GetWord(83), 102) << "the rule sees the rows stored before it";
    EXPECT_EQ(dialog.customStores, 1);

    // Model 15 has the option: the same rows are shown and stored.
    image.ResetForModel(15, true);
    image.SetWord(48, 7);
    image.SetWord(70, 3);
    image.SetWord(1, 0);
    image.SetWord(44, 2);
    CModelDialog offered;
    const bool okOffered = RunDriven(offered, image, [&] {
        EXPECT_TRUE(offered.modbusLock->isEnabled());
        EXPECT_TRUE(LabelOf(&offered, offered.modbusLock)->isEnabled());
        EXPECT_EQ(offered.modbusLock->count(), 2);
        EXPECT_EQ(offered.modbusLock->currentIndex(), 1);
        EXPECT_EQ(offered.focusWidget(), offered.modbusLock);
        EXPECT_EQ(offered.fractions->count(), 3);
        EXPECT_EQ(offered.fractions->currentIndex(), 2);
        offered.fractions->setCurrentIndex(0);
        Type(offered.address, "0x10");
        QTest::mouseClick(offered.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(okOffered);
    EXPECT_EQ(image.GetWord(48), 1);
    EXPECT_EQ(image.GetWord(70), 16);
    EXPECT_EQ(image.GetWord(44), 0);
    EXPECT_EQ(image.GetWord(83), 100);
}

TEST(SettingDialog, AFailedOkAfterAStoreRuleLeavesTheCallerUntouched)
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    const CRegisterImage original = image;
    CMessageCapture capture;
    CModelDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        Type(dialog.delay, "1000");
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(capture.Messages().size(), 1u);
        EXPECT_NE(dialog.Image().GetWord(83), original.GetWord(83)) << "the rule ran in the private image";
        EXPECT_EQ(dialog.customStores, 0) << "rows after the failing one are not read";
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(image == original);
}

namespace {
// Limits that depend on a value read earlier in the same OK.
class CDependentDialog : public CSettingDialog
{
public:
    CDependentDialog() : CSettingDialog(0)
    {
        t15 = AddNumberRow(15704, 1017, 74, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(1, 59), 15704);
        t35 = AddNumberRow(15705, 1018, 75, ENumberWidth::Word, ScaleFixed(10), LimitsAbove(74, ENumberWidth::Word, 1, 60),
                           15705);
        zero = AddNumberRow(15204, 1034, 66, ENumberWidth::Long, ScaleFixed(1000), LimitsFixed(-5000, 100000), 15204);
        full = AddNumberRow(15205, 1013, 68, ENumberWidth::Long, ScaleFixed(1000),
                            LimitsAbove(66, ENumberWidth::Long, 5000, 105000), 15205);
    }
    QLineEdit* t15;
    QLineEdit* t35;
    QLineEdit* zero;
    QLineEdit* full;
};
} // namespace

TEST(SettingDialog, DependentLimitsFollowTheValueTypedBeforeThemInTheSameOk)
{
    struct Case
    {
        const char* t15;
        const char* t35;
        const char* zero;
        const char* full;
        std::string message; // empty: accepted
    };
    const Case cases[] = {
        {"3.0", "3.0", "10", "20", CScalingParameterResolver::RangeMessage(31, 60, 10, 15705)},
        {"0.4", "0.4", "10", "20", CScalingParameterResolver::RangeMessage(5, 60, 10, 15705)},
        {"3.0", "3.1", "10.000", "14.999", CScalingParameterResolver::RangeMessage(15000, 105000, 1000, 15205)},
        {"3.0", "3.1", "-5", "-0.001", CScalingParameterResolver::RangeMessage(0, 105000, 1000, 15205)},
        {"3.0", "3.1", "10.000", "15.000", ""},
    };
    for (const Case& c : cases) {
        CRegisterImage image;
        image.SetWord(74, 10);
        image.SetWord(75, 20);
        CMessageCapture capture;
        CDependentDialog dialog;
        const bool ok = RunDriven(dialog, image, [&] {
            Type(dialog.t15, c.t15);
            Type(dialog.t35, c.t35);
            Type(dialog.zero, c.zero);
            Type(dialog.full, c.full);
            dialog.accept();
            if (dialog.isVisible())
                dialog.reject();
        });
        if (c.message.empty()) {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(capture.Messages().empty());
            EXPECT_EQ(image.GetWord(74), 30);
            EXPECT_EQ(image.GetWord(75), 31);
            EXPECT_EQ(image.GetLong(68), 15000);
        } else {
            EXPECT_FALSE(ok);
            ASSERT_EQ(capture.Messages().size(), 1u) << c.t35 << " " << c.full;
            EXPECT_EQ(capture.Messages()[0].text, UiMessage(c.message));
        }
    }
    EXPECT_TRUE(UiMessage(CScalingParameterResolver::RangeMessage(5, 60, 10, 15705)).contains(" 0.5 - 6"))
        << "the computed lower limit, as the user reads it";
}

namespace {

class CInnerDialog : public CSettingDialog
{
public:
    explicit CInnerDialog(QWidget* parent) : CSettingDialog(0, parent)
    {
        AddRadioRow(15706, 76, {{1038, 2050, 0}, {1039, 2051, 1}}, 1);
        AddNumberRow(15704, 1017, 74, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(1, 59), 15704);
    }
};

class COuterDialog : public CSettingDialog
{
public:
    COuterDialog() : CSettingDialog(0)
    {
        AddOptionRow(15703, 1016, 73, 2000, 2, EOptionRule::TwoWay);
        advanced = AddDialogButton<CInnerDialog>(12400, 1030);
    }
    QPushButton* advanced;
};

// Acts on the nested dialog once it is open, then presses its OK or Cancel.
void OnNested(std::function<void(CSettingDialog*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* inner = qobject_cast<CSettingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(inner, nullptr);
        act(inner);
    });
}

} // namespace

TEST(SettingDialog, ANestedDialogWorksOnTheOuterCopyAndCancelOutsideDropsItsChanges)
{
    CRegisterImage image;
    image.SetWord(73, 0);
    image.SetWord(74, 10);
    image.SetWord(76, 0);
    const CRegisterImage original = image;
    CMessageCapture capture;
    for (const bool outerOk : {false, true}) {
        COuterDialog dialog;
        const bool ok = RunDriven(dialog, image, [&] {
            EXPECT_EQ(AccessibleName(dialog.advanced), UiText(12400));
            // Cancel in the nested dialog keeps nothing of it.
            OnNested([](CSettingDialog* inner) {
                ClickRadio(inner->Control<QRadioButton>(1039));
                QTest::mouseClick(inner->CancelButton(), Qt::LeftButton);
            });
            QTest::mouseClick(dialog.advanced, Qt::LeftButton);
            EXPECT_EQ(dialog.Image().GetWord(76), 0);
            // A rejected value keeps it open; OK then lands in the outer copy.
            OnNested([&](CSettingDialog* inner) {
                ClickRadio(inner->Control<QRadioButton>(1039));
                auto* t15 = inner->Control<QLineEdit>(1017);
                Type(t15, "6.0");
                QTest::mouseClick(inner->OkButton(), Qt::LeftButton);
                EXPECT_TRUE(inner->isVisible());
                Type(t15, "0.5");
                QTest::mouseClick(inner->OkButton(), Qt::LeftButton);
            });
            QTest::mouseClick(dialog.advanced, Qt::LeftButton);
            EXPECT_EQ(dialog.Image().GetWord(76), 1);
            EXPECT_EQ(dialog.Image().GetWord(74), 5);
            EXPECT_TRUE(image == original) << "nothing reaches the caller before the outer OK";
            QTest::mouseClick(outerOk ? dialog.OkButton() : dialog.CancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(ok, outerOk);
        if (!outerOk) {
            EXPECT_TRUE(image == original);
        }
    }
    EXPECT_EQ(image.GetWord(76), 1);
    EXPECT_EQ(image.GetWord(74), 5);
    EXPECT_EQ(capture.Messages().size(), 2u); // the rejected 6.0, once per run
}
