// Each constructor is its dialog's table: one line per control, in the order
// OK reads them (control id, word, and what the descriptor table cannot
// know: the list rule, the limits, a caption other than the parameter's name).
#include "ui/editors/dialogs/FrontPanelDialogs.h"

#include "model/CapabilityFlags.h"
#include "ui/editors/dialogs/SettingDialogTexts.h"

using namespace settingdialogtext;

COperationDialog::COperationDialog(QWidget* parent) : CSettingDialog(kOperationTitle, parent)
{
    // clang-format off
    //           control word limits
    AddNumberRow(1028,   36,  LimitsFixed(0, 99), {.unitId = kSec, .captionId = kAutomaticReturn});
    AddNumberRow(1029,   37,  LimitsFixed(0, 99), {.unitId = kSec, .captionId = kLockoutTransition});
    // clang-format on
}

namespace {
// Thermocouples show at most one decimal, and so does an RTD in degF.
int DecimalFractionOptions(const CRegisterImage& image)
{
    const bool rtd = (image.CapabilityFlags() & CAP_RTD_INPUT) != 0;
    return rtd && image.GetWord(image_words::kTemperatureUnit) != 1 ? 3 : 2;
}
} // namespace

CDisplayDialog::CDisplayDialog(QWidget* parent) : CSettingDialog(kDisplayTitle, parent)
{
    AddOptionRow(1020, 38, EOptionRule::Clamped);                  // green to red ... red
    AddOptionRow(1023, 39, EOptionRule::Clamped);                  // "OFF", "2", "5", "10"
    AddOptionRow(1025, 41, EOptionRule::Clamped);                  // measured, maximum, minimum
    AddNumberRow(1024, 40, LimitsFixed(0, 999), {.unitId = kSec}); // 0.0 ... 99.9 s
    // clang-format off
    //             edit  trackbar word  range  trackbar ends
    AddTrackbarRow(1026, 1027,     42,  1, 3,  kDark, kBright);
    AddTrackbarRow(1028, 1029,     43,  1, 10, kLow,  kHigh);
    // clang-format on
    // Other input kinds have no decimal fractions: disabled, word 44 untouched.
    AddOptionRow(1030, 44, EOptionRule::Exact,
                 {.available = HasCapability(CAP_TC_INPUT | CAP_RTD_INPUT), .options = DecimalFractionOptions});
}

CProtectDialog::CProtectDialog(QWidget* parent) : CSettingDialog(kProtectTitle, parent)
{
    AddOptionRow(1082, 45, EOptionRule::Clamped); // alarm setting: unlock, partially, lock
    AddOptionRow(1083, 46, EOptionRule::Clamped); // scaling/initial: unlock, lock
    AddOptionRow(1084, 47, EOptionRule::Clamped); // advanced: unlock, partially, lock
    AddOptionRow(1085, 48, EOptionRule::Clamped, {.available = HasCapability(CAP_MODBUS)});
    AddOptionRow(1086, 49, EOptionRule::Clamped); // max/min: unlock, lock reset, lock
    AddOptionRow(1087, 50, EOptionRule::Clamped, {.available = HasCapability(CAP_SCALING)});
    AddOptionRow(1088, 51, EOptionRule::Clamped); // loop test output: unlock, lock
}
