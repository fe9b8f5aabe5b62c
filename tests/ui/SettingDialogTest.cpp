// The setting-dialog mechanism, through a small dialog run with
// RunSettingDialog exactly as the main window runs the real ones.
#include "ui/editors/SettingDialog.h"

#include "DialogTestSupport.h"
#include "model/CapabilityFlags.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

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
        pOutput = AddOptionRow(1054, kPOutputWord, EOptionRule::Clamped, {.options = 3});
        pattern = AddOptionRow(1056, kPatternWord, EOptionRule::TwoWay);
        bankNo = AddNumberRow(1060, kBankNoWord, LimitsFixed(1, 8));
        delay = AddNumberRow(1009, kDelayWord, LimitsFixed(0, 9999));
        setpoint = AddNumberRow(1061, kSetpointWord, LimitsDisplayValue());
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
        dialog.bankNo->setText("08");  // decimal, whatever its leading zero
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
        hexDialog.bankNo->setText("7");
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
        EXPECT_EQ(capture.Messages()[0].text, UiMessage(CScalingParameterResolver::RangeMessage(0, 9999, 10, 15257)));
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

// Sections, a unit, a trackbar, a radio group whose fallback is its second
// button, a table and a note.
class CRowsDialog : public CSettingDialog
{
public:
    CRowsDialog() : CSettingDialog(0)
    {
        AddRadioRow(76, {{1038, 0}, {1039, 1}}, 1); // 0 Normal, anything else Swap
        AddOptionRow(1044, 28, EOptionRule::TwoWay, {.section = AddGroup(17000)});
        AddNumberRow(1009, 84, LimitsFixed(0, 9999), {.unitId = 3000});
        contrast = AddTrackbarRow(1028, 1029, 43, 1, 10, 3265, 3266);
        CSettingTable* table = AddTable(0, {1102, 1104}, {1120, 1121});
        AddNumberCell(table, 1, 1, 1012, 90, LimitsDisplayValue());
        AddNote(1069, 12400);
    }
    QLineEdit* contrast;
};

} // namespace

TEST(SettingDialog, EveryRowIsNamedByItsCaptionAndRadiosStartOnTheCheckedButton)
{
    CMessageCapture capture;
    for (auto [stored, shown, written] : {std::tuple{0, 1038, 0}, {1, 1039, 1}, {7, 1039, 1}}) {
        CRegisterImage image;
        image.SetWord(76, std::uint16_t(stored));
        CRowsDialog dialog;
        RunDriven(dialog, image, [&, stored = stored, shown = shown] {
            ExpectEveryControlNamed(&dialog);
            auto* radio = dialog.Control<QRadioButton>(shown);
            EXPECT_TRUE(radio->isChecked()) << stored;
            EXPECT_EQ(dialog.focusWidget(), radio) << "Space on another button would change the setting";
            EXPECT_TRUE(AccessibleNames(radio).contains(UiText(15706)));
            // A row with a unit after its control used to lose its name.
            EXPECT_EQ(Named<QLineEdit>(&dialog, UiText(15257)), dialog.Control(1009));
            EXPECT_EQ(LabelOf(&dialog, dialog.Control(1009))->text(), UiText(15257));
            auto* mode = Named<QComboBox>(&dialog, UiText(15100));
            ASSERT_NE(mode, nullptr);
            EXPECT_EQ(qobject_cast<QGroupBox*>(mode->parentWidget())->title(), UiText(17000));
            EXPECT_EQ(Named<QLineEdit>(&dialog, UiText(1104) + " " + UiText(1121)), dialog.Control(1012));
            EXPECT_EQ(Named<QSlider>(&dialog, UiText(15656)), dialog.Control(1029));
            EXPECT_EQ(dialog.Control<QLabel>(1069)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        });
        EXPECT_EQ(image.GetWord(76), written) << stored;
    }
}

TEST(SettingDialog, TrackbarWritesItsEditButTypingLeavesTheTrackbarAndOkReadsTheEdit)
{
    CRegisterImage image;
    image.SetWord(43, 4);
    CMessageCapture capture;
    CRowsDialog dialog;
    EXPECT_TRUE(RunDriven(dialog, image, [&] {
        auto* track = dialog.Control<QSlider>(1029);
        EXPECT_EQ(track->value(), 4);
        track->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(track, Qt::Key_Right);
        EXPECT_EQ(dialog.contrast->text(), "7");
        Type(dialog.contrast, "9");
        EXPECT_EQ(track->value(), 7);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(image.GetWord(43), 9);

    // A stored value beyond the trackbar is shown as it is, and refused.
    image.SetWord(43, 15);
    CRowsDialog again;
    EXPECT_FALSE(RunDriven(again, image, [&] {
        EXPECT_EQ(again.contrast->text(), "15");
        EXPECT_EQ(again.Control<QSlider>(1029)->value(), 10);
        again.accept();
        ASSERT_EQ(capture.Messages().size(), 1u);
        EXPECT_EQ(capture.Messages()[0].text, UiMessage(CScalingParameterResolver::RangeMessage(1, 10, 1, 15656)));
        again.reject();
    }));
    EXPECT_EQ(image.GetWord(43), 15);
}

namespace {

// Rows that depend on the model: a list and an edit offered only with the
// Modbus option, an exact list whose length follows word 1, a store rule.
class CModelDialog : public CSettingDialog
{
public:
    CModelDialog() : CSettingDialog(0)
    {
        lock = AddOptionRow(1085, 48, EOptionRule::Clamped, {.available = HasCapability(CAP_MODBUS)});
        fractions =
            AddOptionRow(1030, 44, EOptionRule::Exact,
                         {.options = [](const CRegisterImage& image) { return image.GetWord(1) == 1 ? 2 : 3; }});
        address = AddNumberRow(1067, 70, LimitsFixed(1, 247), {.available = HasCapability(CAP_MODBUS)});
        AddStoreRule([](CRegisterImage& image) { image.SetWord(83, image.GetWord(44) + 100); });
        BindCustom(nullptr, {}, [this] { ++customStores; }); // no load: used to throw
    }
    QComboBox* lock;
    QComboBox* fractions;
    QLineEdit* address;
    int customStores = 0;
};

} // namespace

TEST(SettingDialog, RowsTheModelDoesNotOfferAreDisabledEmptyAndNotStored)
{
    CMessageCapture capture;
    for (const int model : {0, 15}) { // without and with the Modbus option
        const bool modbus = model == 15;
        CRegisterImage image;
        image.ResetForModel(model, true);
        image.SetWord(48, 7);
        image.SetWord(70, 300); // out of range: read only where offered
        image.SetWord(1, modbus ? 0 : 1);
        image.SetWord(44, 2); // no option of the two-option list
        CModelDialog dialog;
        EXPECT_TRUE(RunDriven(dialog, image, [&] {
            EXPECT_EQ(dialog.lock->isEnabled(), modbus);
            EXPECT_EQ(LabelOf(&dialog, dialog.lock)->isEnabled(), modbus);
            EXPECT_EQ(dialog.lock->count(), modbus ? 2 : 0);
            EXPECT_EQ(dialog.address->isEnabled(), modbus);
            EXPECT_EQ(dialog.focusWidget(), modbus ? static_cast<QWidget*>(dialog.lock) : dialog.fractions);
            EXPECT_EQ(dialog.fractions->count(), modbus ? 3 : 2);
            EXPECT_EQ(dialog.fractions->currentIndex(), modbus ? 2 : -1);
            if (modbus) {
                dialog.fractions->setCurrentIndex(0);
                Type(dialog.address, "16");
            }
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        }));
        EXPECT_EQ(image.GetWord(48), modbus ? 1 : 7);
        EXPECT_EQ(image.GetWord(70), modbus ? 16 : 300);
        EXPECT_EQ(image.GetWord(44), modbus ? 0 : 1) << "a list without a selection takes its last option";
        EXPECT_EQ(image.GetWord(83), modbus ? 100 : 101) << "the rule sees the rows stored before it";
        EXPECT_EQ(dialog.customStores, 1);
    }
    EXPECT_TRUE(capture.Messages().empty());
}

namespace {
class CDependentDialog : public CSettingDialog
{
public:
    CDependentDialog() : CSettingDialog(0)
    {
        edits = {AddNumberRow(1017, 74, LimitsFixed(1, 59)),
                 AddNumberRow(1018, 75, LimitsAbove(74, ENumberWidth::Word, 1, 60)),
                 AddNumberRow(1034, 66, LimitsFixed(-5000, 100000)),
                 AddNumberRow(1013, 68, LimitsAbove(66, ENumberWidth::Long, 5000, 105000))};
    }
    std::vector<QLineEdit*> edits;
};
} // namespace

TEST(SettingDialog, DependentLimitsFollowTheValueTypedBeforeThemInTheSameOk)
{
    struct Case
    {
        std::vector<const char*> typed; // t1.5, t3.5, 0 %, 100 % adjustment
        std::string message;            // empty: accepted
    };
    const Case cases[] = {
        {{"3.0", "3.0", "10", "20"}, CScalingParameterResolver::RangeMessage(31, 60, 10, 15705)},
        {{"0.4", "0.4", "10", "20"}, CScalingParameterResolver::RangeMessage(5, 60, 10, 15705)}, // "0.5 - 6"
        {{"3.0", "3.1", "10.000", "14.999"}, CScalingParameterResolver::RangeMessage(15000, 105000, 1000, 15205)},
        {{"3.0", "3.1", "10.000", "15.000"}, ""},
    };
    for (const Case& c : cases) {
        CRegisterImage image;
        CMessageCapture capture;
        CDependentDialog dialog;
        const bool ok = RunDriven(dialog, image, [&] {
            for (std::size_t i = 0; i < c.typed.size(); ++i)
                Type(dialog.edits[i], c.typed[i]);
            dialog.accept();
            if (dialog.isVisible())
                dialog.reject();
        });
        EXPECT_EQ(ok, c.message.empty());
        if (ok) {
            EXPECT_EQ(image.GetWord(75), 31);
            EXPECT_EQ(image.GetLong(68), 15000);
        } else {
            ASSERT_EQ(capture.Messages().size(), 1u);
            EXPECT_EQ(capture.Messages()[0].text, UiMessage(c.message));
        }
    }
}

namespace {

class CInnerDialog : public CSettingDialog
{
public:
    explicit CInnerDialog(QWidget* parent) : CSettingDialog(0, parent)
    {
        AddRadioRow(76, {{1038, 0}, {1039, 1}}, 1);
        AddNumberRow(1017, 74, LimitsFixed(1, 59));
    }
};

class COuterDialog : public CSettingDialog
{
public:
    COuterDialog() : CSettingDialog(0) { advanced = AddDialogButton<CInnerDialog>(12400, 1030); }
    QPushButton* advanced;
};

// Acts on the nested dialog once it is open; `act` ends it.
void OnNested(std::function<void(CSettingDialog*)> act)
{
    QTimer::singleShot(0, [act] { act(qobject_cast<CSettingDialog*>(QApplication::activeModalWidget())); });
}

} // namespace

TEST(SettingDialog, ANestedDialogWorksOnTheOuterCopyAndCancelOutsideDropsItsChanges)
{
    CRegisterImage image;
    image.SetWord(74, 10);
    image.SetWord(76, 0);
    const CRegisterImage original = image;
    CMessageCapture capture;
    for (const bool outerOk : {false, true}) {
        COuterDialog dialog;
        const bool ok = RunDriven(dialog, image, [&] {
            OnNested([](CSettingDialog* inner) {
                ClickRadio(inner->Control<QRadioButton>(1039));
                QTest::mouseClick(inner->CancelButton(), Qt::LeftButton);
            });
            QTest::mouseClick(dialog.advanced, Qt::LeftButton);
            EXPECT_EQ(dialog.Image().GetWord(76), 0) << "the nested Cancel keeps nothing";
            OnNested([&](CSettingDialog* inner) {
                ClickRadio(inner->Control<QRadioButton>(1039));
                Type(inner->Control<QLineEdit>(1017), "0.5");
                QTest::mouseClick(inner->OkButton(), Qt::LeftButton);
            });
            QTest::mouseClick(dialog.advanced, Qt::LeftButton);
            EXPECT_EQ(dialog.Image().GetWord(76), 1);
            EXPECT_EQ(dialog.Image().GetWord(74), 5);
            EXPECT_TRUE(image == original) << "nothing reaches the caller before the outer OK";
            QTest::mouseClick(outerOk ? dialog.OkButton() : dialog.CancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(ok, outerOk);
        EXPECT_EQ(image == original, !outerOk);
    }
    EXPECT_EQ(image.GetWord(76), 1);
    EXPECT_TRUE(capture.Messages().empty());
}
