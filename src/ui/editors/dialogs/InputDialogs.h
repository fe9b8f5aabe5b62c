#pragma once
// The input sub-setting dialogs, opened from the buttons of the input pages:
//
//     CFilterDialog dialog(this);
//     if (RunSettingDialog(dialog, *image))   // OK: the image holds the new words
//         ...refresh what shows them...
//
// Each works on its private copy of the image (RunSettingDialog, in
// SettingDialog.h): Cancel, or Escape, leaves the caller's image as it was,
// and a value out of range keeps the dialog open with the range message.
//
//   CDecimalPointDialog  "Decimal point position" (word 10); the page that
//                        opens it commits its edits before and refreshes after,
//                        since every display value changes its format
//   CZeroLimitDialog     "Low-end cutout" (21), "Cut below" (22)
//   CFilterDialog        "Averaging mode" (28), "High-pass filter" (30),
//                        "Averaging time" (29)
//   CForceZeroDialog     "Forced zero" (23), its value (24-25), the tare value (26-27)
//   CAdjustDialog        input adjust points and offsets A and B (13-20);
//                        thermocouple and RTD models only
//   CBurnoutDialog       "Burnout" (11); thermocouple and RTD models
//   CCJCDialog           "Cold junction compensation" (12); thermocouple models

#include "ui/editors/SettingDialog.h"

// Numbers of the titles and of the captions that are no parameter name.
namespace inputdialogtext {
inline constexpr unsigned kDecimalPointTitle = 12700;
inline constexpr unsigned kZeroLimitTitle = 12701;
inline constexpr unsigned kFilterTitle = 12702;
inline constexpr unsigned kForceZeroTitle = 12703;
inline constexpr unsigned kAdjustTitle = 12704;
inline constexpr unsigned kBurnoutTitle = 12705;
inline constexpr unsigned kColdJunctionTitle = 12706;
inline constexpr unsigned kAverageGroup = 12707;
inline constexpr unsigned kFilterGroup = 12708;
inline constexpr unsigned kAdjustPoint = 12709;
inline constexpr unsigned kOffset = 12710;
inline constexpr unsigned kRowA = 12711;
inline constexpr unsigned kRowB = 12712;
inline constexpr unsigned kTareAdjustValue = 12713;
} // namespace inputdialogtext

class CDecimalPointDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CDecimalPointDialog(QWidget* parent = nullptr);
};

class CZeroLimitDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CZeroLimitDialog(QWidget* parent = nullptr);
};

class CFilterDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CFilterDialog(QWidget* parent = nullptr);
};

class CForceZeroDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CForceZeroDialog(QWidget* parent = nullptr);
};

class CAdjustDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CAdjustDialog(QWidget* parent = nullptr);
};

class CBurnoutDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CBurnoutDialog(QWidget* parent = nullptr);
};

class CCJCDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CCJCDialog(QWidget* parent = nullptr);
};
