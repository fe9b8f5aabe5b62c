// Every setting dialog's rows against the parameter descriptor table: each
// row names its word, and what it shows of the word (caption, option texts,
// scaled value) must be what the table says, except for the captions a
// dialog deliberately words its own way, listed here.
#include "ui/editors/dialogs/AlarmDialogs.h"
#include "ui/editors/dialogs/FrontPanelDialogs.h"
#include "ui/editors/dialogs/InputDialogs.h"
#include "ui/editors/dialogs/InterfaceDialogs.h"
#include "ui/editors/dialogs/SettingDialogTexts.h"

#include "DialogTestSupport.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/OptionListTable.h"
#include "model/ParameterDescriptorTable.h"
#include "model/ParameterEnumeration.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/UiText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

using namespace dialogtest;

namespace {

// Captions that are not the parameter's name, by word.
const std::map<int, unsigned> kCaptionOverrides = {
    {26, inputdialogtext::kTareAdjustValue},
    {36, settingdialogtext::kAutomaticReturn},
    {37, settingdialogtext::kLockoutTransition},
    {60, settingdialogtext::kType},
    {61, settingdialogtext::kFunctionMode},
    {74, settingdialogtext::kT15},
    {75, settingdialogtext::kT35},
    {83, settingdialogtext::kTripAtOverRange},
    {84, settingdialogtext::kPowerOnDelay},
};
// Radio buttons that are not the option texts, by word.
const std::map<int, std::set<unsigned>> kChoiceOverrides = {
    {76, {settingdialogtext::kNormalLowFirst, settingdialogtext::kSwapHighFirst}},
};
// Lists that offer fewer options than the table on some models, by word.
const std::set<int> kShorterLists = {44};

struct SDialogCase
{
    const char* name;
    std::function<std::unique_ptr<CSettingDialog>()> make;
    std::uint32_t model; // capability bits the model must have, so every row is offered
};

template <typename T>
std::function<std::unique_ptr<CSettingDialog>()> Make()
{
    return [] { return std::make_unique<T>(); };
}

// A new image of the first model with every bit of `with`.
CRegisterImage NewImageWith(std::uint32_t with)
{
    for (int code = 0; code < kDeviceModelCount; ++code) {
        if ((CDeviceType::FromCode(code).CapabilityFlags() & with) == with) {
            CRegisterImage image;
            image.ResetForModel(code, true);
            return image;
        }
    }
    ADD_FAILURE() << "no model has " << with;
    return CRegisterImage();
}

// Values no scale leaves as they are: every list on its second option, every
// number with more digits than a scale takes.
void SetTellingValues(CRegisterImage& image, const CWordBinder& binder)
{
    for (const CWordBinder::SBinding& b : binder.Bindings()) {
        if (b.word < 0)
            continue;
        const CParameterDescriptor& row = kParameterDescriptors[std::size_t(b.word)];
        if (row.kind == VK_OPTION)
            image.SetWord(b.word, 1);
        else if (IsWideKind(row.kind))
            image.SetLong(b.word, -12345);
        else
            image.SetWord(b.word, 123);
    }
}

QString Name(unsigned id)
{
    return UiText(id);
}

} // namespace

TEST(DialogRows, EveryRowShowsItsWordAsTheDescriptorTableDescribesIt)
{
    const SDialogCase cases[] = {
        {"alarm bank", Make<CAlarmBankDialog>(), CAP_FOUR_ALARMS},
        {"advanced alarm", Make<CAdvancedAlarmDialog>(), CAP_ALL},
        {"operation", Make<COperationDialog>(), CAP_ALL},
        {"display", Make<CDisplayDialog>(), CAP_TC_INPUT},
        {"protect", Make<CProtectDialog>(), CAP_MODBUS | CAP_SCALING},
        {"decimal point", Make<CDecimalPointDialog>(), CAP_SCALING},
        {"low-end cutout", Make<CZeroLimitDialog>(), CAP_SCALING},
        {"filter", Make<CFilterDialog>(), CAP_ALL},
        {"forced zero", Make<CForceZeroDialog>(), CAP_SCALING},
        {"adjust", Make<CAdjustDialog>(), CAP_TC_INPUT},
        {"burnout", Make<CBurnoutDialog>(), CAP_TC_INPUT},
        {"cold junction", Make<CCJCDialog>(), CAP_TC_INPUT},
        {"analog output", Make<CAnalogOutputDialog>(), CAP_ANALOG_OUTPUT},
        {"BCD output", Make<CBCDOutputDialog>(), CAP_BCD_OUTPUT},
        {"event input", Make<CEventInputDialog>(), CAP_EVENT_INPUT},
        {"Modbus", Make<CModbusDialog>(), CAP_MODBUS},
        {"advanced Modbus", Make<CAdvancedModbusDialog>(), CAP_MODBUS},
    };
    const CParameterEnumerationInterface table;
    std::set<int> overridesSeen;
    int rows = 0;
    for (const SDialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<CSettingDialog> dialog = c.make();
        CRegisterImage image = NewImageWith(c.model);
        SetTellingValues(image, dialog->Binder());
        // A decimal point that sets the display scale apart from the input
        // scale, so that a row of the one kind cannot pass for the other.
        for (std::uint16_t point = 0; point < 5 && (image.CapabilityFlags() & CAP_SCALING); ++point) {
            image.SetWord(10, point);
            const CScalingParameterResolver scales(image);
            if (scales.DisplayScale() != scales.InputScale())
                break;
        }
        dialog->Image().Assign(image);
        dialog->InitDialog();
        const std::uint32_t flags = image.CapabilityFlags();

        for (const CWordBinder::SBinding& b : dialog->Binder().Bindings()) {
            if (b.word < 0)
                continue;
            SCOPED_TRACE("word " + std::to_string(b.word));
            ++rows;
            EXPECT_TRUE(b.isAvailable) << "the model offers every row";
            const auto override = kCaptionOverrides.find(b.word);
            if (override != kCaptionOverrides.end())
                overridesSeen.insert(b.word);
            const QString caption = override != kCaptionOverrides.end()
                                        ? Name(override->second)
                                        : QString::fromStdString(table.NameText(b.word));
            const QString value = QString::fromStdString(table.ValueText(image, b.word));
            const unsigned base = CParameterEnumerationInterface::OptionBase(b.word, flags);
            const int options = int(OptionCount(base));

            if (auto* list = qobject_cast<QComboBox*>(b.control)) {
                QLabel* label = LabelOf(dialog.get(), list);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), caption);
                if (kShorterLists.count(b.word))
                    EXPECT_LE(list->count(), options);
                else
                    EXPECT_EQ(list->count(), options);
                for (int i = 0; i < list->count(); ++i)
                    EXPECT_EQ(list->itemText(i), Name(base + unsigned(i))) << "option " << i;
                EXPECT_EQ(list->currentText(), value);
            } else if (auto* edit = qobject_cast<QLineEdit*>(b.control)) {
                // A table's cell is named by its column and row instead.
                if (QLabel* label = LabelOf(dialog.get(), edit))
                    EXPECT_EQ(label->text(), caption);
                else
                    EXPECT_EQ(override, kCaptionOverrides.end()) << "a cell has no caption to override";
                EXPECT_EQ(edit->text(), value);
            } else if (auto* group = qobject_cast<QGroupBox*>(b.control)) {
                EXPECT_EQ(group->title(), caption);
                std::set<QString> shown, expected;
                QString checked;
                for (QRadioButton* button : group->findChildren<QRadioButton*>()) {
                    shown.insert(button->text());
                    if (button->isChecked())
                        checked = button->text();
                }
                if (const auto choices = kChoiceOverrides.find(b.word); choices != kChoiceOverrides.end()) {
                    for (unsigned id : choices->second)
                        expected.insert(Name(id));
                } else {
                    for (int i = 0; i < options; ++i)
                        expected.insert(Name(base + unsigned(i)));
                    EXPECT_EQ(checked, value);
                }
                EXPECT_EQ(shown, expected);
            } else {
                ADD_FAILURE() << "a row of an unknown kind";
            }
        }
    }
    // Every override is a row's; a row that lost its own caption fails above.
    EXPECT_EQ(overridesSeen.size(), kCaptionOverrides.size());
    EXPECT_EQ(rows, 59) << "the rows of the dialogs above";
}
