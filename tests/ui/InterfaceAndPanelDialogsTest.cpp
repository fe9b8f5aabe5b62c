// The output and interface dialogs and the front panel dialogs, run with
// RunSettingDialog as the main window runs them and driven through their
// captions as a user would.
#include "ui/editors/dialogs/AlarmDialogs.h"
#include "ui/editors/dialogs/FrontPanelDialogs.h"
#include "ui/editors/dialogs/InterfaceDialogs.h"

#include "DialogTestSupport.h"
#include "app/StringTable.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

#include <memory>

using namespace dialogtest;

namespace {

// The first model with every bit of `with` and none of `without`.
int ModelWith(std::uint32_t with, std::uint32_t without = 0)
{
    for (int code = 0; code < kDeviceModelCount; ++code) {
        const std::uint32_t flags = CDeviceType::FromCode(code).CapabilityFlags();
        if ((flags & with) == with && (flags & without) == 0)
            return code;
    }
    ADD_FAILURE() << "no model";
    return 0;
}

CRegisterImage ImageOf(int model)
{
    CRegisterImage image;
    image.ResetForModel(model, true);
    return image;
}

QString Range(std::int32_t minimum, std::int32_t maximum, std::int32_t divisor, unsigned nameId)
{
    return UiMessage(CScalingParameterResolver::RangeMessage(minimum, maximum, divisor, nameId));
}

using DialogMaker = std::function<std::unique_ptr<CSettingDialog>()>;
template <typename T>
DialogMaker Make()
{
    return [] { return std::make_unique<T>(); };
}

// Types `text` into the edit named `caption`, presses OK and, if the dialog
// stays open, Cancel; the messages shown on the way are in `capture`.
bool OkWith(CSettingDialog& dialog, CRegisterImage& image, const QString& caption, const QString& text,
            const std::function<void()>& more = {})
{
    return RunDriven(dialog, image, [&] {
        auto* edit = Named<QLineEdit>(&dialog, caption);
        ASSERT_NE(edit, nullptr);
        Type(edit, text);
        if (more)
            more();
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        if (dialog.isVisible()) {
            EXPECT_EQ(dialog.focusWidget(), edit) << "the rejected edit is focused";
            EXPECT_EQ(edit->selectedText(), text);
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        }
    });
}

} // namespace

TEST(InterfaceAndPanelDialogs, TypedValuesAreTakenWithinTheirLimitsAndRefusedBeyond)
{
    struct Case
    {
        DialogMaker make;
        int model;
        QString caption;
        const char* typed;
        int word;
        int stored; // -1: refused with `message`
        QString message;
    };
    const int modbus = ModelWith(CAP_MODBUS);
    const int events = ModelWith(CAP_EVENT_INPUT);
    const QString address = UiText(15700), automatic = UiText(12758), refresh = UiText(15653);
    const QString startup = UiText(16000);
    const Case cases[] = {
        {Make<CModbusDialog>(), modbus, address, "0", 70, -1, Range(1, 247, 1, 15700)},
        {Make<CModbusDialog>(), modbus, address, "248", 70, -1, Range(1, 247, 1, 15700)},
        {Make<CModbusDialog>(), modbus, address, "1", 70, 1, {}},
        {Make<CModbusDialog>(), modbus, address, "247", 70, 247, {}},
        {Make<CModbusDialog>(), modbus, address, "0x10", 70, -1, Range(1, 247, 1, 15700)},
        {Make<CModbusDialog>(), modbus, address, "010", 70, 10, {}},
        {Make<CModbusDialog>(), modbus, address, "12a", 70, -1, Range(1, 247, 1, 15700)},
        {Make<COperationDialog>(), 0, automatic, "100", 36, -1, Range(0, 99, 1, 15600)},
        {Make<COperationDialog>(), 0, automatic, "99", 36, 99, {}},
        {Make<COperationDialog>(), 0, UiText(12759), "-1", 37, -1, Range(0, 99, 1, 15601)},
        {Make<CDisplayDialog>(), 0, refresh, "1.25", 40, 13, {}}, // 1.3 s, half away from zero
        {Make<CDisplayDialog>(), 0, refresh, "100.0", 40, -1, Range(0, 999, 10, 15653)},
        {Make<CEventInputDialog>(), events, startup, "100.0", 59, -1, Range(0, 999, 10, 16000)},
        {Make<CEventInputDialog>(), events, startup, "99.9", 59, 999, {}},
        {Make<CEventInputDialog>(), events, UiText(16002), "999.9", 57, 9999, {}},
        {Make<CAdvancedAlarmDialog>(), 1, UiText(12742), "1000.0", 84, -1, Range(0, 9999, 10, 15257)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString() + " := " + c.typed);
        CRegisterImage image = ImageOf(c.model);
        image.SetWord(c.word, 3);
        const CRegisterImage original = image;
        CMessageCapture capture;
        const std::unique_ptr<CSettingDialog> dialog = c.make();
        const bool ok = OkWith(*dialog, image, c.caption, c.typed);
        if (c.stored < 0) {
            EXPECT_FALSE(ok);
            ASSERT_EQ(capture.Messages().size(), 1u);
            EXPECT_EQ(capture.Messages()[0].text, c.message);
            EXPECT_EQ(capture.Messages()[0].icon, MessageIcon::Stop);
            EXPECT_TRUE(image == original);
        } else {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(capture.Messages().empty());
            EXPECT_EQ(image.GetWord(c.word), c.stored);
        }
    }
}

TEST(InterfaceAndPanelDialogs, ListsShowStoredWordsByTheirRulesAndOkWritesTheShownOption)
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
    };
    const int modbus = ModelWith(CAP_MODBUS), bcd = ModelWith(CAP_BCD_OUTPUT);
    const Case cases[] = {
        {Make<CModbusDialog>(), modbus, 15701, 71, 9, "38400bps", 5},
        {Make<CModbusDialog>(), modbus, 15702, 72, 1, "Odd", 1},
        {Make<CModbusDialog>(), modbus, 15703, 73, 4, "2bit", 1},
        {Make<CBCDOutputDialog>(), bcd, 16050, 52, 3, "Request valid at ON", 1},
        {Make<CBCDOutputDialog>(), bcd, 16051, 53, 0, "Data valid at OFF", 0},
        {Make<CBCDOutputDialog>(), bcd, 16052, 54, 2, "Positive logic open collector", 1},
        {Make<CBCDOutputDialog>(), bcd, 16055, 55, 7, "Valid at ON", 1},
        {Make<CBCDOutputDialog>(), bcd, 16055, 55, 0, "Valid at OFF", 0},
        {Make<CAnalogOutputDialog>(), ModelWith(CAP_ANALOG_OUTPUT), 12744, 60, 8, "4.000 to 20.000 mAdc", 4},
        {Make<CEventInputDialog>(), ModelWith(CAP_EVENT_INPUT), 16001, 56, 3, "Valley (Bottom) hold", 3},
        {Make<CDisplayDialog>(), 0, 15650, 38, 6, "Red", 3},
        {Make<CDisplayDialog>(), 0, 15654, 41, 1, "Maximum value", 1},
        {Make<CProtectDialog>(), 0, 15751, 45, 5, "Lock Alarm Setting Mode", 2},
        {Make<CProtectDialog>(), 0, 15753, 47, 1, "Partially unlock Advanced Setting Mode", 1},
        {Make<CAdvancedAlarmDialog>(), 1, 15254, 81, 4, "Output and measuring latched", 2},
        {Make<CAdvancedAlarmDialog>(), 1, 12741, 83, 9, "Alarm trip action valid at over-range", 1},
        {Make<CAdvancedAlarmDialog>(), 1, 15651, 77, 0, "Alarm setpoint display automatically reset", 0},
    };
    CMessageCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(UiText(c.caption).toStdString() + " = " + std::to_string(c.stored));
        CRegisterImage image = ImageOf(c.model);
        image.SetWord(c.word, c.stored);
        const std::unique_ptr<CSettingDialog> dialog = c.make();
        EXPECT_TRUE(RunDriven(*dialog, image, [&] {
            auto* list = Named<QComboBox>(dialog.get(), UiText(c.caption));
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->currentText(), c.shown);
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        }));
        EXPECT_EQ(image.GetWord(c.word), c.written);
    }
    EXPECT_TRUE(capture.Messages().empty());
}

TEST(ModbusDialogs, AdvancedWorksOnTheModbusCopyAndT35MustExceedTheT15JustTyped)
{
    CRegisterImage image = ImageOf(ModelWith(CAP_MODBUS));
    image.SetWord(76, 0);
    image.SetWord(74, 15);
    image.SetWord(75, 35);
    const CRegisterImage original = image;
    CMessageCapture capture;
    for (const bool outerOk : {false, true}) {
        SCOPED_TRACE(outerOk ? "OK" : "Cancel");
        capture.Clear();
        CModbusDialog dialog;
        const bool ok = RunDriven(dialog, image, [&] {
            auto* advanced = Named<QPushButton>(&dialog, "Advanced");
            ASSERT_NE(advanced, nullptr);
            QTimer::singleShot(0, [&] {
                auto* inner = qobject_cast<CAdvancedModbusDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(inner, nullptr);
                EXPECT_EQ(inner->windowTitle(), "Modbus Advanced Setting");
                auto* note = inner->Control<QLabel>(1069);
                ASSERT_NE(note, nullptr);
                EXPECT_EQ(note->text(), "WARNING! Communication might fail when t1.5 or t3.5 are changed.");
                EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(255, 0, 0));
                auto* normal = Named<QRadioButton>(inner, "Normal (low first)");
                auto* swap = Named<QRadioButton>(inner, "Swap (high first)");
                auto* t15 = Named<QLineEdit>(inner, "t1.5");
                auto* t35 = Named<QLineEdit>(inner, "t3.5");
                if (!normal || !swap || !t15 || !t35) {
                    ADD_FAILURE() << "controls";
                    inner->reject();
                    return;
                }
                EXPECT_TRUE(normal->isChecked());
                EXPECT_EQ(t15->text(), "1.5");
                ClickRadio(swap);
                Type(t15, "3.0");
                Type(t35, "3.0");
                QTest::mouseClick(inner->OkButton(), Qt::LeftButton);
                EXPECT_TRUE(inner->isVisible());
                EXPECT_EQ(capture.Messages().size(), 1u);
                EXPECT_EQ(capture.Messages().back().text, Range(31, 60, 10, 15705)) << "3.1 - 6";
                EXPECT_EQ(inner->focusWidget(), t35);
                Type(t35, "3.1");
                QTest::mouseClick(inner->OkButton(), Qt::LeftButton);
                if (inner->isVisible())
                    inner->reject();
            });
            QTest::mouseClick(advanced, Qt::LeftButton);
            EXPECT_EQ(dialog.Image().GetWord(76), 1);
            EXPECT_EQ(dialog.Image().GetWord(74), 30);
            EXPECT_EQ(dialog.Image().GetWord(75), 31);
            EXPECT_TRUE(image == original) << "nothing reaches the caller before the Modbus OK";
            Type(Named<QLineEdit>(&dialog, UiText(15700)), "5");
            QTest::mouseClick(outerOk ? dialog.OkButton() : dialog.CancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(ok, outerOk);
        if (!outerOk) {
            EXPECT_TRUE(image == original) << "Cancel drops the advanced changes too";
        } else {
            EXPECT_EQ(image.GetWord(76), 1);
            EXPECT_EQ(image.GetWord(74), 30);
            EXPECT_EQ(image.GetWord(75), 31);
            EXPECT_EQ(image.GetWord(70), 5);
        }
    }
}

TEST(AnalogOutputDialog, TheFullScaleAdjustmentMustLieFiveAboveTheZeroJustTyped)
{
    struct Case
    {
        const char* zero;
        const char* full;
        bool accepted;
    };
    const Case cases[] = {{"10.000", "14.999", false},
                          {"10.000", "15.000", true},
                          {"-5.000", "105.000", true},
                          {"0.000", "105.001", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zero) + " / " + c.full);
        CRegisterImage image = ImageOf(ModelWith(CAP_ANALOG_OUTPUT | CAP_DC_INPUT));
        image.SetWord(10, 1);
        image.SetLong(62, -20000);
        image.SetLong(64, 100000);
        CMessageCapture capture;
        CAnalogOutputDialog dialog;
        const QString adjustment = UiText(12747);
        const bool ok = RunDriven(dialog, image, [&] {
            auto* output0 = Named<QLineEdit>(&dialog, "0% " + UiText(12746));
            auto* output100 = Named<QLineEdit>(&dialog, "100% " + UiText(12746));
            auto* zero = Named<QLineEdit>(&dialog, "0% " + adjustment);
            auto* full = Named<QLineEdit>(&dialog, "100% " + adjustment);
            ASSERT_TRUE(output0 && output100 && zero && full);
            EXPECT_EQ(output0->text(), "-2000.0") << "in the display scale";
            EXPECT_EQ(output100->text(), "10000.0");
            Type(output100, "5000.5");
            Type(zero, c.zero);
            Type(full, c.full);
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
            if (dialog.isVisible()) {
                EXPECT_EQ(dialog.focusWidget(), full);
                dialog.reject();
            }
        });
        EXPECT_EQ(ok, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(image.GetLong(64), 50005);
            EXPECT_EQ(image.GetLong(68), CScalingParameterResolver::ParseScaled(c.full, -99999999, 99999999, 1000, 0));
        } else {
            ASSERT_EQ(capture.Messages().size(), 1u);
            const std::int32_t zeroValue = CScalingParameterResolver::ParseScaled(c.zero, -9999999, 9999999, 1000, 0);
            EXPECT_EQ(capture.Messages()[0].text, Range(zeroValue + 5000, 105000, 1000, 15205));
        }
    }
}

TEST(EventInputDialog, OkMakesAlarmsTripAtOverRangeAfterStoringTheMode)
{
    CRegisterImage image = ImageOf(ModelWith(CAP_EVENT_INPUT));
    image.SetWord(83, 0);
    image.SetWord(56, 0);
    CEventInputDialog dialog;
    ASSERT_TRUE(RunDriven(dialog, image, [&] {
        Named<QComboBox>(&dialog, UiText(16001))->setCurrentIndex(2);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(image.GetWord(56), 2);
    EXPECT_EQ(image.GetWord(83), 1);
}

TEST(DisplayDialog, TrackbarsWriteTheirEditsAndOkReadsTheEdits)
{
    CRegisterImage image = ImageOf(0);
    image.SetWord(42, 2);
    image.SetWord(43, 3);
    CMessageCapture capture;
    CDisplayDialog dialog;
    ASSERT_TRUE(RunDriven(dialog, image, [&] {
        auto* contrast = Named<QLineEdit>(&dialog, UiText(15656));
        auto* brightness = Named<QLineEdit>(&dialog, UiText(15655));
        auto* contrastBar = dialog.Control<QSlider>(1029);
        auto* brightnessBar = dialog.Control<QSlider>(1027);
        ASSERT_TRUE(contrast && brightness && contrastBar && brightnessBar);
        EXPECT_EQ(contrastBar->minimum(), 1);
        EXPECT_EQ(contrastBar->maximum(), 10);
        EXPECT_EQ(brightnessBar->maximum(), 3);
        EXPECT_EQ(contrastBar->value(), 3);
        EXPECT_EQ(brightnessBar->value(), 2);
        EXPECT_EQ(brightness->text(), "2");
        contrastBar->setFocus();
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(contrastBar, Qt::Key_Right);
        EXPECT_EQ(contrastBar->value(), 7);
        EXPECT_EQ(contrast->text(), "7");
        Type(contrast, "9");
        EXPECT_EQ(contrastBar->value(), 7) << "typing leaves the trackbar";
        QTest::keyClick(brightnessBar, Qt::Key_End);
        EXPECT_EQ(brightness->text(), "3");
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(image.GetWord(43), 9);
    EXPECT_EQ(image.GetWord(42), 3);
    EXPECT_TRUE(capture.Messages().empty());
}

TEST(DisplayDialog, DecimalFractionsFollowTheInputKindAndTemperatureUnit)
{
    struct Case
    {
        std::uint32_t input;
        std::uint16_t unit;   // word 1
        std::uint16_t stored; // word 44
        bool enabled;
        int options;
        const char* shown;
        std::uint16_t written;
    };
    const Case cases[] = {
        {CAP_DC_INPUT, 0, 2, false, 0, "", 2}, // untouched
        {CAP_AC_INPUT, 0, 7, false, 0, "", 7},
        {CAP_RTD_INPUT, 1, 1, true, 2, "1 decimal place", 1},
        {CAP_RTD_INPUT, 0, 2, true, 3, "2 decimal places", 2},
        {CAP_TC_INPUT, 0, 0, true, 2, "No fractions", 0},
        // No option for 2: nothing shown, and OK writes the nearest option.
        {CAP_TC_INPUT, 0, 2, true, 2, "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.input) + " unit " + std::to_string(c.unit) + " word " + std::to_string(c.stored));
        CRegisterImage image = ImageOf(ModelWith(c.input));
        image.SetWord(1, c.unit);
        image.SetWord(44, c.stored);
        CDisplayDialog dialog;
        EXPECT_TRUE(RunDriven(dialog, image, [&] {
            auto* fractions = Named<QComboBox>(&dialog, UiText(15007));
            ASSERT_NE(fractions, nullptr);
            EXPECT_EQ(fractions->isEnabled(), c.enabled);
            EXPECT_EQ(LabelOf(&dialog, fractions)->isEnabled(), c.enabled);
            EXPECT_EQ(fractions->count(), c.options);
            EXPECT_EQ(fractions->currentText(), c.shown);
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        }));
        EXPECT_EQ(image.GetWord(44), c.written);
    }
}

TEST(ProtectDialog, ListsTheModelLacksAreDisabledEmptyAndLeftUnchanged)
{
    struct Case
    {
        int model;
        bool modbus;  // "Modbus setting lockout" offered
        bool scaling; // "Forced zero control lockout" offered
    };
    const Case cases[] = {
        {ModelWith(CAP_TC_INPUT, CAP_MODBUS), false, false},
        {ModelWith(CAP_DC_INPUT | CAP_MODBUS), true, true},
        {ModelWith(CAP_RTD_INPUT | CAP_MODBUS), true, false},
        {ModelWith(CAP_PTM_INPUT, CAP_MODBUS), false, true},
        {ModelWith(CAP_AC_INPUT), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CDeviceType::FromCode(c.model).ModelDescription());
        CRegisterImage image = ImageOf(c.model);
        for (int word = 45; word <= 51; ++word)
            image.SetWord(word, 9);
        CProtectDialog dialog;
        EXPECT_TRUE(RunDriven(dialog, image, [&] {
            ExpectEveryControlNamed(&dialog);
            auto* modbus = Named<QComboBox>(&dialog, UiText(15754));
            auto* zero = Named<QComboBox>(&dialog, UiText(15756));
            ASSERT_TRUE(modbus && zero);
            EXPECT_EQ(modbus->isEnabled(), c.modbus);
            EXPECT_EQ(LabelOf(&dialog, modbus)->isEnabled(), c.modbus);
            EXPECT_EQ(modbus->count(), c.modbus ? 2 : 0);
            EXPECT_EQ(zero->isEnabled(), c.scaling);
            EXPECT_EQ(LabelOf(&dialog, zero)->isEnabled(), c.scaling);
            EXPECT_EQ(zero->count(), c.scaling ? 3 : 0);
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        }));
        const std::uint16_t last[] = {2, 1, 2, 1, 2, 2, 1}; // words 45-51, clamped
        for (int word = 45; word <= 51; ++word) {
            const bool kept = (word == 48 && !c.modbus) || (word == 50 && !c.scaling);
            EXPECT_EQ(image.GetWord(word), kept ? 9 : last[word - 45]) << "word " << word;
        }
    }
}

TEST(InterfaceAndPanelDialogs, EveryDialogIsTitledNamesItsControlsAndEscapeLeavesTheCallerUnchanged)
{
    struct Case
    {
        DialogMaker make;
        const char* title;
    };
    const Case cases[] = {
        {Make<CAlarmBankDialog>(), "Alarm Bank Setting"},
        {Make<CAdvancedAlarmDialog>(), "Alarm Advanced Setting"},
        {Make<CAnalogOutputDialog>(), "Analog Output Setting"},
        {Make<CBCDOutputDialog>(), "BCD Output Setting"},
        {Make<CEventInputDialog>(), "Event Trigger Input Setting"},
        {Make<CModbusDialog>(), "Modbus Setting"},
        {Make<CAdvancedModbusDialog>(), "Modbus Advanced Setting"},
        {Make<COperationDialog>(), "Control Setting"},
        {Make<CDisplayDialog>(), "Display Setting"},
        {Make<CProtectDialog>(), "Lockout Setting"},
    };
    // A model with every option these dialogs know of but BCD and events.
    CRegisterImage image = ImageOf(ModelWith(CAP_FOUR_ALARMS | CAP_MODBUS | CAP_ANALOG_OUTPUT));
    image.SetWord(85, 1);
    const CRegisterImage original = image;
    CMessageCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::unique_ptr<CSettingDialog> dialog = c.make();
        EXPECT_EQ(dialog->windowTitle(), c.title);
        const bool ok = RunDriven(*dialog, image, [&] {
            ExpectEveryControlNamed(dialog.get());
            for (QComboBox* list : dialog->findChildren<QComboBox*>()) {
                if (!list->isVisible())
                    continue; // the grid's hidden cell list
                list->setFocus();
                QTest::keyClick(list, list->currentIndex() + 1 < list->count() ? Qt::Key_Down : Qt::Key_Up);
            }
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
                if (edit->isVisible() && !edit->parentWidget()->inherits("QComboBox"))
                    Type(edit, "2");
            ASSERT_NE(dialog->focusWidget(), nullptr);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        });
        EXPECT_FALSE(ok);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(image == original);
    }
    EXPECT_TRUE(capture.Messages().empty());
}

TEST(InterfaceAndPanelDialogs, InJapaneseEveryDialogIsTranslatedAndGrowsToItsTexts)
{
    const std::string path = std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt";
    ASSERT_TRUE(CStringTable::LoadLanguageFile(path));
    const DialogMaker makers[] = {Make<CAlarmBankDialog>(),      Make<CAdvancedAlarmDialog>(),
                                  Make<CAnalogOutputDialog>(),   Make<CBCDOutputDialog>(),
                                  Make<CEventInputDialog>(),     Make<CModbusDialog>(),
                                  Make<CAdvancedModbusDialog>(), Make<COperationDialog>(),
                                  Make<CDisplayDialog>(),        Make<CProtectDialog>()};
    const char* english[] = {"Alarm Bank Setting",
                             "Alarm Advanced Setting",
                             "Analog Output Setting",
                             "BCD Output Setting",
                             "Event Trigger Input Setting",
                             "Modbus Setting",
                             "Modbus Advanced Setting",
                             "Control Setting",
                             "Display Setting",
                             "Lockout Setting"};
    CRegisterImage image = ImageOf(ModelWith(CAP_RTD_INPUT | CAP_MODBUS | CAP_FOUR_ALARMS));
    image.SetWord(85, 1);
    for (std::size_t i = 0; i < std::size(makers); ++i) {
        const std::unique_ptr<CSettingDialog> dialog = makers[i]();
        SCOPED_TRACE(english[i]);
        EXPECT_NE(dialog->windowTitle(), english[i]);
        EXPECT_FALSE(dialog->windowTitle().isEmpty());
        dialog->Image().Assign(image);
        dialog->InitDialog();
        dialog->adjustSize();
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (!label->wordWrap()) { // the warning wraps by design
                EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            }
    }
    CStringTable::UnloadLanguage();
}
