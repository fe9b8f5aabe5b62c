// The setting-dialog mechanism, through a small dialog run with
// RunSettingDialog exactly as the main window runs the real ones.
#include "ui/editors/SettingDialog.h"

#include "model/ScalingParameterResolver.h"
#include "ui/app/ErrorReport.h"
#include "ui/app/UiText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

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

    QPushButton* OkButton() const { return Button(QDialogButtonBox::AcceptRole); }
    QPushButton* CancelButton() const { return Button(QDialogButtonBox::RejectRole); }

    QComboBox* pOutput;
    QComboBox* pattern;
    QLineEdit* bankNo;
    QLineEdit* delay;
    QLineEdit* setpoint;

private:
    QPushButton* Button(QDialogButtonBox::ButtonRole role) const
    {
        for (QAbstractButton* b : Buttons()->buttons())
            if (Buttons()->buttonRole(b) == role)
                return qobject_cast<QPushButton*>(b);
        return nullptr;
    }
};

// Runs the dialog modally; `drive` acts while it is open. A guard ends a
// dialog that the test failed to close, so a fault cannot hang the run.
bool RunDriven(CSampleDialog& dialog, CRegisterImage& image, const std::function<void()>& drive)
{
    QTimer::singleShot(0, &dialog, drive);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] {
        ADD_FAILURE() << "dialog left open";
        dialog.done(QDialog::Rejected);
    });
    guard.start(10000);
    return RunSettingDialog(dialog, image);
}

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

namespace {
// Limits that depend on a value read earlier in the same OK (t3.5 above t1.5).
class CTimerDialog : public CSettingDialog
{
public:
    CTimerDialog() : CSettingDialog(0)
    {
        t15 = AddNumberRow(15704, 1017, 74, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(1, 59), 15704);
        t35 = AddNumberRow(15705, 1018, 75, ENumberWidth::Word, ScaleFixed(10),
                           [](const CRegisterImage& image) {
                               return std::pair<std::int32_t, std::int32_t>{image.GetWord(74) + 1, 60};
                           },
                           15705);
    }
    QLineEdit* t15;
    QLineEdit* t35;
};
} // namespace

TEST(SettingDialog, LimitsSeeTheValuesReadBeforeThemInTheSameOk)
{
    CRegisterImage image;
    image.SetWord(74, 10);
    image.SetWord(75, 20);
    CMessageCapture capture;
    CTimerDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.t15->setText("3.0"); // 30: the old t3.5 (2.0) is now too small
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(capture.Messages().size(), 1u);
        EXPECT_EQ(capture.Messages()[0].text,
                  UiMessage(CScalingParameterResolver::RangeMessage(31, 60, 10, 15705)));
        dialog.t35->setText("3.1");
        dialog.accept();
    });
    EXPECT_TRUE(RunSettingDialog(dialog, image));
    EXPECT_EQ(image.GetWord(74), 30);
    EXPECT_EQ(image.GetWord(75), 31);
}
