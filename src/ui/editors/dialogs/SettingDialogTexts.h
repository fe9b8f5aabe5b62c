#pragma once
// Numbers of the titles and captions of the alarm, output and interface and
// front panel dialogs that are no parameter name.

namespace settingdialogtext {
inline constexpr unsigned kAlarmBankTitle = 12730;
inline constexpr unsigned kAdvancedAlarmTitle = 12731;
inline constexpr unsigned kAnalogOutputTitle = 12732;
inline constexpr unsigned kBcdOutputTitle = 12733;
inline constexpr unsigned kEventInputTitle = 12734;
inline constexpr unsigned kModbusTitle = 12735;
inline constexpr unsigned kAdvancedModbusTitle = 12736;
inline constexpr unsigned kOperationTitle = 12737;
inline constexpr unsigned kDisplayTitle = 12738;
inline constexpr unsigned kProtectTitle = 12739;
inline constexpr unsigned kBankNumber = 12740;      // "Alarm setpoint bank no."
inline constexpr unsigned kTripAtOverRange = 12741; // "Alarm trip at over range"
inline constexpr unsigned kPowerOnDelay = 12742;
inline constexpr unsigned kSec = 12743;
inline constexpr unsigned kType = 12744;
inline constexpr unsigned kFunctionMode = 12745;
inline constexpr unsigned kAnalogOutput = 12746;
inline constexpr unsigned kAdjustment = 12747;
inline constexpr unsigned kZeroPercent = 12748;
inline constexpr unsigned kFullPercent = 12749;
inline constexpr unsigned kAdvanced = 12750;
inline constexpr unsigned kNormalLowFirst = 12751;
inline constexpr unsigned kSwapHighFirst = 12752;
inline constexpr unsigned kProtocolTimer = 12753;
inline constexpr unsigned kT15 = 12754;
inline constexpr unsigned kT35 = 12755;
inline constexpr unsigned kChar = 12756;
inline constexpr unsigned kTimerWarning = 12757;
inline constexpr unsigned kAutomaticReturn = 12758;
inline constexpr unsigned kLockoutTransition = 12759;
inline constexpr unsigned kDark = 12760;
inline constexpr unsigned kBright = 12761;
inline constexpr unsigned kLow = 12762;
inline constexpr unsigned kHigh = 12763;
inline constexpr unsigned kBankNumbers = 12764; // "1" ... "8"
inline constexpr unsigned kBankGrid = 12772;    // the bank grid's name
inline constexpr unsigned kFirst = kAlarmBankTitle, kLast = kBankGrid;
} // namespace settingdialogtext
