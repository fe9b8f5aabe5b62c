// Each constructor is its dialog's table: one line per control, in the order
// OK reads them (control id, word, and what the descriptor table cannot
// know: the list rule, the limits, a caption other than the parameter's name).
#include "ui/editors/dialogs/InputDialogs.h"

using namespace inputdialogtext;

CDecimalPointDialog::CDecimalPointDialog(QWidget* parent) : CSettingDialog(kDecimalPointTitle, parent)
{
    // clang-format off
    //           control word rule
    AddOptionRow(1043,   10,  EOptionRule::Clamped); // "00000" ... "0.0000"
    // clang-format on
}

CZeroLimitDialog::CZeroLimitDialog(QWidget* parent) : CSettingDialog(kZeroLimitTitle, parent)
{
    AddOptionRow(1071, 21, EOptionRule::Clamped); // "OFF", "ON", "By absolute value"
    // 0 ... 999 stored units whatever the decimal point: 9.99 at word 10 = 2.
    AddNumberRow(1010, 22, LimitsFixed(0, 999));
}

CFilterDialog::CFilterDialog(QWidget* parent) : CSettingDialog(kFilterTitle, parent)
{
    CSettingSection* average = AddGroup(kAverageGroup);
    CSettingSection* filter = AddGroup(kFilterGroup);
    AddOptionRow(1044, 28, EOptionRule::TwoWay, {.section = average});  // simple, moving
    AddOptionRow(1046, 30, EOptionRule::TwoWay, {.section = filter});   // "OFF", "ON"
    AddOptionRow(1045, 29, EOptionRule::Clamped, {.section = average}); // none ... 512 samples
}

CForceZeroDialog::CForceZeroDialog(QWidget* parent) : CSettingDialog(kForceZeroTitle, parent)
{
    AddOptionRow(1070, 23, EOptionRule::Clamped); // "OFF", forced zero, tare adjust
    AddNumberRow(1067, 24, LimitsDisplayValue());
    AddNumberRow(1068, 26, LimitsDisplayValue(), {.captionId = kTareAdjustValue});
}

CAdjustDialog::CAdjustDialog(QWidget* parent) : CSettingDialog(kAdjustTitle, parent)
{
    // Offered on thermocouple and RTD models only, whose input scale is 100:
    // all four values have two decimals.
    CSettingTable* table = AddTable(0, {kAdjustPoint, kOffset}, {kRowA, kRowB});
    //            table  column row control word
    AddNumberCell(table, 0, 0, 1009, 13, LimitsDisplayValue());
    AddNumberCell(table, 0, 1, 1010, 15, LimitsDisplayValue());
    AddNumberCell(table, 1, 0, 1011, 17, LimitsDisplayValue());
    AddNumberCell(table, 1, 1, 1012, 19, LimitsDisplayValue());
}

CBurnoutDialog::CBurnoutDialog(QWidget* parent) : CSettingDialog(kBurnoutTitle, parent)
{
    // 3150 "None" is no choice: 0 is "Downscale", 1 "Upscale".
    AddOptionRow(1049, 11, EOptionRule::TwoWay);
}

CCJCDialog::CCJCDialog(QWidget* parent) : CSettingDialog(kColdJunctionTitle, parent)
{
    // 1 shows "Enable", any other word "Disable".
    AddRadioRow(12, {{1050, 1}, {1051, 0}}, 0);
}
