#pragma once
// Names for the meter's registers and for the words of the register image,
// written once here beside the block table; code that means one of them uses
// its name. Registers are zero-based wire addresses; words index
// CRegisterImage (a 32-bit parameter names its first, low-order word).

#include <array>

namespace meter_registers {
inline constexpr unsigned kErrorCode = 0;          // 0-1: error code, status
inline constexpr unsigned kDisplayValue = 2;       // 2-7: display, maximum, minimum value (32-bit each)
inline constexpr unsigned kAnalogOutputValue = 22; // 22-23
inline constexpr unsigned kMaxMinReset = 801;      // writing 1 resets the held maximum and minimum
inline constexpr unsigned kWriteEnable = 900;      // 1 around a write of settings, then 0
inline constexpr unsigned kInputType = 1050;
inline constexpr unsigned kDecimalPoint = 1060;
inline constexpr unsigned kAnalogOutputType = 3000;
inline constexpr unsigned kDeviceAddress = 7000;    // 7000-7003: address, baud rate, parity, stop bit
inline constexpr unsigned kLongRegister = 7006;     // 1: a 32-bit value travels high word first
inline constexpr unsigned kLongRegisterLive = 7007; // the same for the live values
inline constexpr unsigned kDeviceId = 9600;
inline constexpr unsigned kExtensionId = 9601;
inline constexpr unsigned kHardwareVersion = 9603;
inline constexpr unsigned kFirmwareVersion = 9604;
inline constexpr unsigned kSerialNumber = 9605; // 8 registers
inline constexpr unsigned kSerialNumberLength = 8;
inline constexpr unsigned kModelText = 9613; // 16 registers
inline constexpr unsigned kModelTextLength = 16;
inline constexpr unsigned kTag = 9631; // 16 registers, one UTF-16 code unit each
inline constexpr unsigned kTagLength = 16;
} // namespace meter_registers

namespace image_words {
inline constexpr int kInputType = 0;
inline constexpr int kTemperatureUnit = 1;
inline constexpr int kInputScalingZero = 2;
inline constexpr int kInputScalingSpan = 4;
inline constexpr int kDisplayScalingZero = 6;
inline constexpr int kDisplayScalingSpan = 8;
inline constexpr int kDecimalPoint = 10;
inline constexpr int kBurnout = 11;
inline constexpr int kColdJunction = 12;
inline constexpr int kInputAdjustXA = 13;
inline constexpr int kInputAdjustXB = 15;
inline constexpr int kInputAdjustYA = 17;
inline constexpr int kInputAdjustYB = 19;
inline constexpr int kLowEndCutout = 21;
inline constexpr int kCutBelow = 22;
inline constexpr int kForcedZero = 23;
inline constexpr int kForcedZeroValue = 24;
inline constexpr int kTareZeroValue = 26;
inline constexpr int kAveragingMode = 28;
inline constexpr int kAveragingTime = 29;
inline constexpr int kHighPassFilter = 30;
inline constexpr int kBargraphType = 31;
inline constexpr int kBargraphLower = 32;
inline constexpr int kBargraphUpper = 34;
inline constexpr int kAutoReturnTime = 36;
inline constexpr int kLockoutTransitionTime = 37;
inline constexpr int kBacklight = 42;
inline constexpr int kLcdContrast = 43;
inline constexpr int kDecimalFractions = 44;
inline constexpr int kAlarmLockout = 45;
inline constexpr int kAdvancedLockout = 47;
inline constexpr int kBcdLogicFirst = 52;
inline constexpr int kBcdLogicLast = 55;
inline constexpr int kEventTriggerMode = 56;
inline constexpr int kAnalogOutputType = 60;
inline constexpr int kAnalogFunction = 61;
inline constexpr int kAnalogOutput0 = 62;
inline constexpr int kAnalogOutput100 = 64;
inline constexpr int kAnalogOutput100Adjust = 68;
inline constexpr int kDeviceAddress = 70;
inline constexpr int kBaudRate = 71;
inline constexpr int kParity = 72;
inline constexpr int kStopBit = 73;
inline constexpr int kT15Timer = 74;
inline constexpr int kT35Timer = 75;
inline constexpr int kLongRegister = 76;
inline constexpr int kFlashing = 78;
inline constexpr int kPattern = 79;
inline constexpr int kPOutput = 80;
inline constexpr int kTripAtOverRange = 83;
inline constexpr int kPowerOnDelay = 84;
inline constexpr int kBankSwitching = 85;
inline constexpr int kBankNo = 86;
inline constexpr int kFirstBankWord = 87;
inline constexpr int kFirstDetailWord = 183;
} // namespace image_words

// The meter's own link: the device addresses a Modbus station may have, and
// the rates that the baud rate word (and the link settings' index) choose from.
inline constexpr int kFirstDeviceAddress = 1;
inline constexpr int kLastDeviceAddress = 247;
inline constexpr std::array<unsigned, 6> kBaudRates{1200, 2400, 4800, 9600, 19200, 38400};
