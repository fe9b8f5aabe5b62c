// Each constructor is its dialog's table: one line per control, in the order
// OK reads them (caption or parameter name, control id, word, first option
// text and count, name in the range message).
#include "ui/editors/dialogs/FrontPanelDialogs.h"

#include "model/CapabilityFlags.h"
#include "ui/editors/dialogs/SettingDialogTexts.h"

using namespace settingdialogtext;

COperationDialog::COperationDialog(QWidget* parent) : CSettingDialog(kOperationTitle, parent)
{
    //           caption             control word  width               scale          limits               name
    AddNumberRow(kAutomaticReturn,   1028,   36,   ENumberWidth::Word, ScaleFixed(1), LimitsFixed(0, 99),  15600,
                 {.unitId = kSec});
    AddNumberRow(kLockoutTransition, 1029,   37,   ENumberWidth::Word, ScaleFixed(1), LimitsFixed(0, 99),  15601,
                 {.unitId = kSec});
}

namespace {
// Thermocouples show at most one decimal, and so does an RTD in degF.
int DecimalFractionOptions(const CRegisterImage& image)
{
    const bool rtd = (image.CapabilityFlags() & CAP_RTD_INPUT) != 0;
    return rtd && image.GetWord(1) != 1 ? 3 : 2;
}
} // namespace

CDisplayDialog::CDisplayDialog(QWidget* parent) : CSettingDialog(kDisplayTitle, parent)
{
    AddOptionRow(15650, 1020, 38, 3900, 4, EOptionRule::Clamped); // green to red ... red
    AddOptionRow(15652, 1023, 39, 3950, 4, EOptionRule::Clamped); // "OFF", "2", "5", "10"
    AddOptionRow(15654, 1025, 41, 4000, 3, EOptionRule::Clamped); // measured, maximum, minimum value
    AddNumberRow(15653, 1024, 40, ENumberWidth::Word, ScaleFixed(10), LimitsFixed(0, 999), 15653,
                 {.unitId = kSec}); // 0.0 ... 99.9 s
    //             caption edit  trackbar word  range  name   trackbar ends
    AddTrackbarRow(15655,  1026, 1027,     42,  1, 3,  15655, kDark, kBright);
    AddTrackbarRow(15656,  1028, 1029,     43,  1, 10, 15656, kLow,  kHigh);
    // Other input kinds have no decimal fractions: disabled, word 44 untouched.
    AddOptionRow(15007, 1030, 44, 4560, DecimalFractionOptions, EOptionRule::Exact,
                 {.available = HasCapability(CAP_TC_INPUT | CAP_RTD_INPUT)});
}

CProtectDialog::CProtectDialog(QWidget* parent) : CSettingDialog(kProtectTitle, parent)
{
    AddOptionRow(15751, 1082, 45, 4450, 3, EOptionRule::Clamped); // alarm setting: unlock, partially, lock
    AddOptionRow(15752, 1083, 46, 4460, 2, EOptionRule::Clamped); // scaling/initial: unlock, lock
    AddOptionRow(15753, 1084, 47, 4470, 3, EOptionRule::Clamped); // advanced: unlock, partially, lock
    AddOptionRow(15754, 1085, 48, 4480, 2, EOptionRule::Clamped, {.available = HasCapability(CAP_MODBUS)});
    AddOptionRow(15755, 1086, 49, 4070, 3, EOptionRule::Clamped); // max/min: unlock, lock reset, lock
    AddOptionRow(15756, 1087, 50, 4060, 3, EOptionRule::Clamped, {.available = HasCapability(CAP_SCALING)});
    AddOptionRow(15757, 1088, 51, 4080, 2, EOptionRule::Clamped); // loop test output: unlock, lock
}
