// Each constructor is its dialog's table: one line per control, in the order
// OK reads them (caption or parameter name, control id, word, first option
// text and count, name in the range message).
#include "ui/editors/dialogs/InterfaceDialogs.h"

#include "ui/editors/dialogs/SettingDialogTexts.h"

using namespace settingdialogtext;

CAnalogOutputDialog::CAnalogOutputDialog(QWidget* parent) : CSettingDialog(kAnalogOutputTitle, parent)
{
    //           caption        control word options  rule
    AddOptionRow(kType,         1030,   60,  3400, 5, EOptionRule::Clamped); // "0.000 to 5.000 Vdc" ...
    AddOptionRow(kFunctionMode, 1031,   61,  3450, 2, EOptionRule::TwoWay);  // display, scaling/temp value
    CSettingTable* table = AddTable(0, {kZeroPercent, kFullPercent}, {kAnalogOutput, kAdjustment});
    //            table  column row control word
    AddNumberCell(table, 0, 0, 1032, 62, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15202);
    AddNumberCell(table, 1, 0, 1033, 64, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15203);
    AddNumberCell(table, 0, 1, 1034, 66, ENumberWidth::Long, ScaleFixed(1000), LimitsFixed(-5000, 100000), 15204);
    // At least 5.000 above the 0 % adjustment just read, at most 105.000.
    AddNumberCell(table, 1, 1, 1013, 68, ENumberWidth::Long, ScaleFixed(1000),
                  LimitsAbove(66, ENumberWidth::Long, 5000, 105000), 15205);
}

CBCDOutputDialog::CBCDOutputDialog(QWidget* parent) : CSettingDialog(kBcdOutputTitle, parent)
{
    AddOptionRow(16050, 1098, 52, 4600, 2, EOptionRule::TwoWay); // request valid at OFF, ON
    AddOptionRow(16051, 1099, 53, 4620, 2, EOptionRule::TwoWay); // data valid at OFF, ON
    AddOptionRow(16052, 1100, 54, 4640, 2, EOptionRule::TwoWay); // negative, positive logic
    AddOptionRow(16055, 1103, 55, 4700, 2, EOptionRule::TwoWay); // "Valid at OFF", "Valid at ON"
}

CEventInputDialog::CEventInputDialog(QWidget* parent) : CSettingDialog(kEventInputTitle, parent)
{
    AddOptionRow(16001, 1097, 56, 4580, 5, EOptionRule::Clamped); // "Normal" ... "Peak-to-peak hold"
    // A held reading must still trip the alarms when the input is over range.
    AddStoreRule([](CRegisterImage& image) { image.SetWord(83, 1); });
    AddNumberRow(16002, 1011, 57, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 9999), 16002, {.unitId = kSec});
    AddNumberRow(16003, 1012, 58, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 9999), 16003, {.unitId = kSec});
    AddNumberRow(16000, 1009, 59, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 999), 16000, {.unitId = kSec});
}

CModbusDialog::CModbusDialog(QWidget* parent) : CSettingDialog(kModbusTitle, parent)
{
    // Scale 1: typed in any base, "0x10" is 16.
    AddNumberRow(15700, 1067, 70, ENumberWidth::Word, ScaleFixed(1), LimitsFixed(1, 247), 15700);
    AddOptionRow(15701, 1014, 71, 1900, 6, EOptionRule::Clamped); // "1200bps" ... "38400bps"
    AddOptionRow(15702, 1015, 72, 1950, 3, EOptionRule::Clamped); // "None", "Odd", "Even"
    AddOptionRow(15703, 1016, 73, 2000, 2, EOptionRule::TwoWay);  // "1bit", "2bit"
    AddDialogButton<CAdvancedModbusDialog>(kAdvanced, 1030);
}

CAdvancedModbusDialog::CAdvancedModbusDialog(QWidget* parent) : CSettingDialog(kAdvancedModbusTitle, parent)
{
    // Any word but 0 shows "Swap".
    AddRadioRow(15706, 76, {{1038, kNormalLowFirst, 0}, {1039, kSwapHighFirst, 1}}, 1);
    CSettingSection* timer = AddGroup(kProtocolTimer);
    AddNumberRow(kT15, 1017, 74, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(1, 59), 15704,
                 {.section = timer, .unitId = kChar}); // 0.1 ... 5.9 characters
    // Above the t1.5 just read, at most 6.0 characters.
    AddNumberRow(kT35, 1018, 75, ENumberWidth::Word, ScaleFixed(10), LimitsAbove(74, ENumberWidth::Word, 1, 60), 15705,
                 {.section = timer, .unitId = kChar});
    AddNote(1069, kTimerWarning, {.section = timer});
}
