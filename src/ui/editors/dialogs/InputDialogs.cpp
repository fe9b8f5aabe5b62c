// Each constructor is its dialog's table: one line per control, in the order
// OK reads them. Plain numbers are those of the table (caption or parameter
// name, control id, word, first option text and count, name in the range
// message), so that a line reads against its row.
#include "ui/editors/dialogs/InputDialogs.h"

using namespace inputdialogtext;

CDecimalPointDialog::CDecimalPointDialog(QWidget* parent) : CSettingDialog(kDecimalPointTitle, parent)
{
    //           caption control word  options  rule
    AddOptionRow(15006,  1043,   10,   3050, 5, EOptionRule::Clamped); // "00000" ... "0.0000"
}

CZeroLimitDialog::CZeroLimitDialog(QWidget* parent) : CSettingDialog(kZeroLimitTitle, parent)
{
    AddOptionRow(15050, 1071, 21, 3500, 3, EOptionRule::Clamped); // "OFF", "ON", "By absolute value"
    // 0 ... 999 stored units whatever the decimal point: 9.99 at word 10 = 2.
    AddNumberRow(15051, 1010, 22, ENumberWidth::Word, ScaleDisplay(), LimitsFixed(0, 999), 15051);
}

CFilterDialog::CFilterDialog(QWidget* parent) : CSettingDialog(kFilterTitle, parent)
{
    CSettingSection* average = AddGroup(kAverageGroup);
    CSettingSection* filter = AddGroup(kFilterGroup);
    AddOptionRow(15100, 1044, 28, 3300, 2, EOptionRule::TwoWay, {.section = average});   // simple, moving
    AddOptionRow(15102, 1046, 30, 4540, 2, EOptionRule::TwoWay, {.section = filter});    // "OFF", "ON"
    AddOptionRow(15101, 1045, 29, 4300, 10, EOptionRule::Clamped, {.section = average}); // none ... 512 samples
}

CForceZeroDialog::CForceZeroDialog(QWidget* parent) : CSettingDialog(kForceZeroTitle, parent)
{
    AddOptionRow(15602, 1070, 23, 4350, 3, EOptionRule::Clamped); // "OFF", forced zero, tare adjust
    AddNumberRow(15603, 1067, 24, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15603);
    AddNumberRow(kTareAdjustValue, 1068, 26, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15604);
}

CAdjustDialog::CAdjustDialog(QWidget* parent) : CSettingDialog(kAdjustTitle, parent)
{
    // Offered on thermocouple and RTD models only, whose display scale is
    // 100: all four values have two decimals.
    CSettingTable* table = AddTable(0, {kAdjustPoint, kOffset}, {kRowA, kRowB});
    //            table  column row control word
    AddNumberCell(table, 0, 0, 1009, 13, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15010);
    AddNumberCell(table, 0, 1, 1010, 15, ENumberWidth::Long, ScaleDisplay(), LimitsDisplayValue(), 15011);
    AddNumberCell(table, 1, 0, 1011, 17, ENumberWidth::Long, ScaleFixed(100), LimitsDisplayValue(), 15012);
    AddNumberCell(table, 1, 1, 1012, 19, ENumberWidth::Long, ScaleFixed(100), LimitsDisplayValue(), 15013);
}

CBurnoutDialog::CBurnoutDialog(QWidget* parent) : CSettingDialog(kBurnoutTitle, parent)
{
    // 3150 "None" is no choice: 0 is "Downscale", 1 "Upscale".
    AddOptionRow(15008, 1049, 11, 3151, 2, EOptionRule::TwoWay);
}

CCJCDialog::CCJCDialog(QWidget* parent) : CSettingDialog(kColdJunctionTitle, parent)
{
    // 1 shows "Enable", any other word "Disable".
    AddRadioRow(15009, 12, {{1050, 3261, 1}, {1051, 3260, 0}}, 0);
}
