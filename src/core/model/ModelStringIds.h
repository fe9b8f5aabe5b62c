#pragma once
// Numbers of the string table texts used by the device table and the model
// identification.

namespace model_ids {
// Model names of the 14 families: 4100-4103, 4120-4121, 4140-4141, 4160-4165.
inline constexpr unsigned kModelNameFirst = 4100;
inline constexpr unsigned kModelNameLast = 4165;

// Option texts; an option's code is its text id minus this base.
inline constexpr unsigned kOptionTextBase = 4180;
inline constexpr unsigned kOptionTextLast = 4190;

inline constexpr unsigned kOutputNone = 4200;  // " "
inline constexpr unsigned kOutputDcOne = 4201; // "Dc output x 1"

inline constexpr unsigned kInputVoltage = 4220;
inline constexpr unsigned kInputCurrent = 4221;
inline constexpr unsigned kInputTc = 4222;
inline constexpr unsigned kInputRtd = 4223;
inline constexpr unsigned kInputPtm = 4224;
// The AC families have kind ids of their own but no text: the ids keep AC
// voltage and AC current apart when a model change decides whether to reset.
inline constexpr unsigned kInputAcVoltage = 4225;
inline constexpr unsigned kInputAcCurrent = 4226;

inline constexpr unsigned kDeviceNotSupported = 11023;
} // namespace model_ids
