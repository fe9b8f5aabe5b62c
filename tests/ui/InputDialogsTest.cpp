// The seven input sub-setting dialogs, run with RunSettingDialog as the input
// pages run them and driven through their captions as a user would.
#include "ui/editors/dialogs/InputDialogs.h"

#include "DialogTestSupport.h"
#include "app/StringTable.h"
#include "model/CapabilityFlags.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace dialogtest;

namespace {

constexpr int kDcModel = 15; // DC voltage input
constexpr int kTcModel = 44; // thermocouple input

CRegisterImage ImageOf(int model)
{
    CRegisterImage image;
    image.ResetForModel(model, true);
    return image;
}

using DialogMaker = std::function<std::unique_ptr<CSettingDialog>()>;
template <typename T>
DialogMaker Make()
{
    return [] { return std::make_unique<T>(); };
}

std::string RangeText(std::int32_t minimum, std::int32_t maximum, std::int32_t divisor, unsigned nameId)
{
    return UiMessage(CScalingParameterResolver::RangeMessage(minimum, maximum, divisor, nameId)).toStdString();
}

} // namespace

TEST(InputDialogs, EachListShowsItsStoredWordByItsRuleAndOkWritesTheShownOption)
{
    struct Case
    {
        DialogMaker make;
        int model;
        unsigned caption;
        int word;
        std::uint16_t stored;
        const char* shown;
        std::uint16_t written;
        int options;
    };
    const Case cases[] = {
        {Make<CDecimalPointDialog>(), kDcModel, 15006, 10, 7, "0.0000", 4, 5},
        {Make<CDecimalPointDialog>(), kDcModel, 15006, 10, 1, "0000.0", 1, 5},
        {Make<CZeroLimitDialog>(), kDcModel, 15050, 21, 9, "By absolute value", 2, 3},
        {Make<CFilterDialog>(), kDcModel, 15101, 29, 15, "512 samples", 9, 10},
        {Make<CFilterDialog>(), kDcModel, 15100, 28, 3, "Moving average", 1, 2},
        {Make<CFilterDialog>(), kDcModel, 15102, 30, 2, "ON", 1, 2},
        {Make<CFilterDialog>(), kDcModel, 15102, 30, 0, "OFF", 0, 2},
        {Make<CForceZeroDialog>(), kDcModel, 15602, 23, 5, "Tare adjust ON", 2, 3},
        {Make<CBurnoutDialog>(), kTcModel, 15008, 11, 2, "Upscale", 1, 2},
        {Make<CBurnoutDialog>(), kTcModel, 15008, 11, 0, "Downscale", 0, 2},
    };
    CMessageCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(UiText(c.caption).toStdString() + " = " + std::to_string(c.stored));
        CRegisterImage image = ImageOf(c.model);
        image.SetWord(c.word, c.stored);
        const std::unique_ptr<CSettingDialog> dialog = c.make();
        const bool ok = RunDriven(*dialog, image, [&] {
            auto* list = Named<QComboBox>(dialog.get(), UiText(c.caption));
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->count(), c.options);
            EXPECT_EQ(list->currentText(), c.shown);
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        });
        EXPECT_TRUE(ok);
        EXPECT_EQ(image.GetWord(c.word), c.written);
    }
    EXPECT_TRUE(capture.Messages().empty());
}

TEST(InputDialogs, ColdJunctionShowsDisableForAnyWordButOneAndWritesTheCheckedButton)
{
    struct Case
    {
        std::uint16_t stored;
        unsigned shown;
        unsigned clicked; // 0: none
        std::uint16_t written;
    };
    const Case cases[] = {{5, 3260, 0, 0}, {1, 3261, 0, 1}, {5, 3260, 3261, 1}};
    CMessageCapture capture;
    for (const Case& c : cases) {
        CRegisterImage image = ImageOf(kTcModel);
        image.SetWord(12, c.stored);
        CCJCDialog dialog;
        RunDriven(dialog, image, [&] {
            auto* shown = Named<QRadioButton>(&dialog, UiText(c.shown));
            ASSERT_NE(shown, nullptr);
            EXPECT_TRUE(shown->isChecked()) << "word " << c.stored;
            EXPECT_EQ(dialog.focusWidget(), shown);
            if (c.clicked)
                ClickRadio(Named<QRadioButton>(&dialog, UiText(c.clicked)));
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        });
        EXPECT_EQ(image.GetWord(12), c.written) << "word " << c.stored;
    }
}

TEST(InputDialogs, CutBelowTakesUpTo999StoredUnitsInTheDecimalsOfTheDecimalPoint)
{
    struct Case
    {
        std::uint16_t decimalPoint;
        const char* typed;
        int stored; // -1: rejected
        std::int32_t divisor;
    };
    const Case cases[] = {
        {0, "1000", -1, 1}, {0, "999", 999, 1}, {0, "-1", -1, 1}, {2, "10.00", -1, 100}, {2, "9.99", 999, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " at decimal point " + std::to_string(c.decimalPoint));
        CRegisterImage image = ImageOf(kDcModel);
        image.SetWord(10, c.decimalPoint);
        image.SetWord(22, 5);
        const CRegisterImage original = image;
        CMessageCapture capture;
        CZeroLimitDialog dialog;
        const bool ok = RunDriven(dialog, image, [&] {
            auto* cut = Named<QLineEdit>(&dialog, UiText(15051));
            ASSERT_NE(cut, nullptr);
            EXPECT_EQ(cut->text(), QString::fromStdString(CScalingParameterResolver::FormatScaled(5, c.divisor)));
            Type(cut, c.typed);
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
            if (c.stored < 0) {
                EXPECT_TRUE(dialog.isVisible());
                EXPECT_EQ(dialog.focusWidget(), cut);
                EXPECT_EQ(cut->selectedText(), c.typed);
                QTest::keyClick(&dialog, Qt::Key_Escape);
            }
        });
        if (c.stored < 0) {
            EXPECT_FALSE(ok);
            ASSERT_EQ(capture.Messages().size(), 1u);
            EXPECT_EQ(capture.Messages()[0].icon, MessageIcon::Stop);
            EXPECT_EQ(capture.Messages()[0].text.toStdString(), RangeText(0, 999, c.divisor, 15051));
            EXPECT_TRUE(image == original);
        } else {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(capture.Messages().empty());
            EXPECT_EQ(image.GetWord(22), c.stored);
        }
    }
}

TEST(InputDialogs, AdjustOnAThermocoupleTakesTwoDecimalsWithinTheDisplayRange)
{
    CRegisterImage image = ImageOf(kTcModel);
    ASSERT_NE(image.CapabilityFlags() & CAP_TC_INPUT, 0u);
    image.SetWord(10, 0); // the decimal point does not count on a thermocouple
    image.SetLong(13, 10000);
    image.SetLong(15, -99999);
    image.SetLong(17, -10);
    image.SetLong(19, 999999);
    CMessageCapture capture;
    CAdjustDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        const QString point = UiText(inputdialogtext::kAdjustPoint), offset = UiText(inputdialogtext::kOffset);
        auto* pointA = Named<QLineEdit>(&dialog, point + " A");
        auto* pointB = Named<QLineEdit>(&dialog, point + " B");
        auto* offsetA = Named<QLineEdit>(&dialog, offset + " A");
        auto* offsetB = Named<QLineEdit>(&dialog, offset + " B");
        ASSERT_TRUE(pointA && pointB && offsetA && offsetB);
        EXPECT_EQ(pointA->text(), "100.00");
        EXPECT_EQ(pointB->text(), "-999.99");
        EXPECT_EQ(offsetA->text(), "-0.10");
        EXPECT_EQ(offsetB->text(), "9999.99");
        EXPECT_EQ(dialog.focusWidget(), pointA);

        Type(pointA, "10000.00");
        Type(offsetB, "abc"); // read after the adjust point: never reached
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        ASSERT_EQ(capture.Messages().size(), 1u);
        EXPECT_EQ(capture.Messages()[0].text.toStdString(), RangeText(-99999, 999999, 100, 15010));
        EXPECT_TRUE(capture.Messages()[0].text.contains("-999.99 - 9999.99"));
        EXPECT_EQ(dialog.focusWidget(), pointA);

        Type(pointA, "9999.99");
        Type(offsetA, "0.125");
        Type(offsetB, "-12.5");
        Type(pointB, "-999.99");
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(capture.Messages().size(), 1u);
    EXPECT_EQ(image.GetLong(13), 999999);
    EXPECT_EQ(image.GetLong(15), -99999);
    EXPECT_EQ(image.GetLong(17), 13) << "0.125 rounds half away from zero";
    EXPECT_EQ(image.GetLong(19), -1250);
}

TEST(InputDialogs, ForcedZeroReadsModeZeroAndTareInOrderAndAFailedTareKeepsTheCallerUnchanged)
{
    CRegisterImage image = ImageOf(kDcModel);
    image.SetWord(10, 2);
    image.SetWord(23, 0);
    image.SetLong(24, 125);
    image.SetLong(26, -50);
    const CRegisterImage original = image;
    CMessageCapture capture;
    CForceZeroDialog dialog;
    const bool ok = RunDriven(dialog, image, [&] {
        auto* mode = Named<QComboBox>(&dialog, UiText(15602));
        auto* zero = Named<QLineEdit>(&dialog, UiText(15603));
        auto* tare = Named<QLineEdit>(&dialog, "Tare adjust value");
        ASSERT_TRUE(mode && zero && tare);
        EXPECT_EQ(mode->currentText(), "OFF");
        EXPECT_EQ(zero->text(), "1.25");
        EXPECT_EQ(tare->text(), "-0.50");
        mode->setFocus();
        QTest::keyClick(mode, Qt::Key_Down);
        EXPECT_EQ(mode->currentText(), "Forced zero ON");
        Type(zero, "-200.00");
        Type(tare, "1000.01");
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(capture.Messages().size(), 1u);
        // The range message names the parameter, not the caption.
        EXPECT_EQ(capture.Messages()[0].text.toStdString(), RangeText(-20000, 100000, 100, 15604));
        EXPECT_EQ(dialog.focusWidget(), tare);
        EXPECT_EQ(dialog.Image().GetWord(23), 1) << "mode and forced zero value are in the private copy";
        EXPECT_EQ(dialog.Image().GetLong(24), -20000);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(image == original);
}

TEST(InputDialogs, EveryDialogIsTitledNamesItsControlsAndEscapeLeavesTheCallerUnchanged)
{
    struct Case
    {
        DialogMaker make;
        int model;
        const char* title;
    };
    const Case cases[] = {
        {Make<CDecimalPointDialog>(), kDcModel, "Decimal Point Setting"},
        {Make<CZeroLimitDialog>(), kDcModel, "Low-end Cutout Setting"},
        {Make<CFilterDialog>(), kDcModel, "Filter Setting"},
        {Make<CForceZeroDialog>(), kDcModel, "Forced Zero Setting"},
        {Make<CAdjustDialog>(), kTcModel, "Adjust Setting"},
        {Make<CBurnoutDialog>(), kTcModel, "Burnout Setting"},
        {Make<CCJCDialog>(), kTcModel, "Cold Junction Compensation Setting"},
    };
    CMessageCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        CRegisterImage image = ImageOf(c.model);
        const CRegisterImage original = image;
        const std::unique_ptr<CSettingDialog> dialog = c.make();
        EXPECT_EQ(dialog->windowTitle(), c.title);
        const bool ok = RunDriven(*dialog, image, [&] {
            ExpectEveryControlNamed(dialog.get());
            // Change every control the way a user would, then leave.
            for (QComboBox* list : dialog->findChildren<QComboBox*>()) {
                list->setFocus();
                QTest::keyClick(list, list->currentIndex() + 1 < list->count() ? Qt::Key_Down : Qt::Key_Up);
            }
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
                if (!edit->parentWidget()->inherits("QComboBox"))
                    Type(edit, "1");
            for (QRadioButton* radio : dialog->findChildren<QRadioButton*>())
                if (!radio->isChecked())
                    ClickRadio(radio);
            EXPECT_FALSE(dialog->focusWidget() == nullptr);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        });
        EXPECT_FALSE(ok);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(image == original);
    }
    EXPECT_TRUE(capture.Messages().empty());
}

TEST(InputDialogs, JapaneseTextsCoverTheNewNumbersAndTheDialogsGrowToThem)
{
    const std::string path = std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt";
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    std::stringstream text;
    text << file.rdbuf();
    std::map<unsigned, std::string> japanese;
    ASSERT_TRUE(CStringTable::Parse(text.str(), japanese)) << "every line is NUMBER<TAB>TEXT";
    ASSERT_FALSE(japanese.empty());
    for (const auto& [id, ja] : japanese) {
        EXPECT_FALSE(CStringTable::Get(id).empty()) << id << " has no English text";
        EXPECT_FALSE(ja.empty()) << id;
    }
    for (unsigned id = inputdialogtext::kDecimalPointTitle; id <= inputdialogtext::kTareAdjustValue; ++id)
        EXPECT_TRUE(japanese.count(id)) << id << " has no Japanese text";

    ASSERT_TRUE(CStringTable::LoadLanguageFile(path));
    {
        CAdjustDialog dialog;
        CRegisterImage image = ImageOf(kTcModel);
        dialog.Image().Assign(image);
        dialog.InitDialog();
        dialog.adjustSize();
        EXPECT_EQ(dialog.windowTitle(), UiText(inputdialogtext::kAdjustTitle));
        EXPECT_NE(dialog.windowTitle(), "Adjust Setting");
        EXPECT_NE(Named<QLineEdit>(&dialog, UiText(inputdialogtext::kAdjustPoint) + " A"), nullptr);
        for (QLabel* label : dialog.findChildren<QLabel*>())
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    CStringTable::UnloadLanguage();
}
