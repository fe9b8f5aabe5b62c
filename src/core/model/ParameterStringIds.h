#pragma once
// Named numbers of the string table texts that the parameter table, the
// enumeration and the scaling code refer to by themselves. The option bases
// and name ids of single parameters stay plain numbers in the descriptor table,
// where they are read against their rows.

namespace ids {
inline constexpr unsigned kRangeMessage = 11000;

// Parameter groups
inline constexpr unsigned kGroupInput = 17000;
inline constexpr unsigned kGroupBargraph = 17001;
inline constexpr unsigned kGroupAnalogOutput = 17002;
inline constexpr unsigned kGroupAlarm = 17003;
inline constexpr unsigned kGroupControl = 17004;
inline constexpr unsigned kGroupDisplay = 17005;
inline constexpr unsigned kGroupModbus = 17006;
inline constexpr unsigned kGroupLockout = 17007;
inline constexpr unsigned kGroupEventInput = 17008;
inline constexpr unsigned kGroupBcdOutput = 17009;

// Input type lists; which one applies depends on the model
inline constexpr unsigned kInputTypesDcVoltage = 2500;
inline constexpr unsigned kInputTypesDcCurrent = 2550;
inline constexpr unsigned kInputTypesRtd = 2600;
inline constexpr unsigned kInputTypesTc = 2650;
inline constexpr unsigned kInputTypesAcVoltage = 2700;
inline constexpr unsigned kInputTypesAcCurrent = 2750;

inline constexpr unsigned kOptionsNoYes = 3265;

// Names of the alarm detail fields, used in their range messages
inline constexpr unsigned kNameSetpoint = 15800;
inline constexpr unsigned kNameDeadband = 15801;
inline constexpr unsigned kNameOnDelay = 15802;
inline constexpr unsigned kNameOffDelay = 15803;
inline constexpr unsigned kNameOneShot = 15804;
} // namespace ids
