// Each constructor is its dialog's table: one line per control, in the order
// OK reads them (control id, word, and what the descriptor table cannot
// know: the list rule, the limits, a caption other than the parameter's name).
#include "ui/editors/dialogs/InterfaceDialogs.h"

#include "ui/editors/dialogs/SettingDialogTexts.h"

using namespace settingdialogtext;

CAnalogOutputDialog::CAnalogOutputDialog(QWidget* parent) : CSettingDialog(kAnalogOutputTitle, parent)
{
    // clang-format off
    //           control word rule
    AddOptionRow(1030,   60,  EOptionRule::Clamped, {.captionId = kType});        // "0.000 to 5.000 Vdc" ...
    AddOptionRow(1031,   61,  EOptionRule::TwoWay, {.captionId = kFunctionMode}); // display, scaling/temp value
    CSettingTable* table = AddTable(0, {kZeroPercent, kFullPercent}, {kAnalogOutput, kAdjustment});
    // clang-format on
    //            table  column row control word
    AddNumberCell(table, 0, 0, 1032, 62, LimitsDisplayValue());
    AddNumberCell(table, 1, 0, 1033, 64, LimitsDisplayValue());
    AddNumberCell(table, 0, 1, 1034, 66, LimitsFixed(-5000, 100000));
    // At least 5.000 above the 0 % adjustment just read, at most 105.000.
    AddNumberCell(table, 1, 1, 1013, 68, LimitsAbove(66, ENumberWidth::Long, 5000, 105000));
}

CBCDOutputDialog::CBCDOutputDialog(QWidget* parent) : CSettingDialog(kBcdOutputTitle, parent)
{
    AddOptionRow(1098, 52, EOptionRule::TwoWay); // request valid at OFF, ON
    AddOptionRow(1099, 53, EOptionRule::TwoWay); // data valid at OFF, ON
    AddOptionRow(1100, 54, EOptionRule::TwoWay); // negative, positive logic
    AddOptionRow(1103, 55, EOptionRule::TwoWay); // "Valid at OFF", "Valid at ON"
}

CEventInputDialog::CEventInputDialog(QWidget* parent) : CSettingDialog(kEventInputTitle, parent)
{
    AddOptionRow(1097, 56, EOptionRule::Clamped); // "Normal" ... "Peak-to-peak hold"
    // A held reading must still trip the alarms when the input is over range.
    AddStoreRule([](CRegisterImage& image) { image.SetWord(image_words::kTripAtOverRange, 1); });
    AddNumberRow(1011, 57, LimitsFixed(0, 9999), {.unitId = kSec});
    AddNumberRow(1012, 58, LimitsFixed(0, 9999), {.unitId = kSec});
    AddNumberRow(1009, 59, LimitsFixed(0, 999), {.unitId = kSec});
}

CModbusDialog::CModbusDialog(QWidget* parent) : CSettingDialog(kModbusTitle, parent)
{
    // Scale 1: a whole decimal number.
    AddNumberRow(1067, 70, LimitsFixed(kFirstDeviceAddress, kLastDeviceAddress));
    AddOptionRow(1014, 71, EOptionRule::Clamped); // "1200bps" ... "38400bps"
    AddOptionRow(1015, 72, EOptionRule::Clamped); // "None", "Odd", "Even"
    AddOptionRow(1016, 73, EOptionRule::TwoWay);  // "1bit", "2bit"
    AddDialogButton<CAdvancedModbusDialog>(kAdvanced, 1030);
}

CAdvancedModbusDialog::CAdvancedModbusDialog(QWidget* parent) : CSettingDialog(kAdvancedModbusTitle, parent)
{
    // Any word but 0 shows "Swap".
    AddRadioRow(76, {{1038, 0, kNormalLowFirst}, {1039, 1, kSwapHighFirst}}, 1);
    CSettingSection* timer = AddGroup(kProtocolTimer);
    AddNumberRow(1017, 74, LimitsFixed(1, 59),
                 {.section = timer, .unitId = kChar, .captionId = kT15}); // 0.1 ... 5.9 characters
    // Above the t1.5 just read, at most 6.0 characters.
    AddNumberRow(1018, 75, LimitsAbove(74, ENumberWidth::Word, 1, 60),
                 {.section = timer, .unitId = kChar, .captionId = kT35});
    AddNote(1069, kTimerWarning, {.section = timer});
}
