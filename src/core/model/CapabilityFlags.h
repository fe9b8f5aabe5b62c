#pragma once
// Capability flags of a meter model. Every question whether a model has some
// feature (register blocks, parameters, pages, buttons, ranges) is a test of
// these bits: a mask applies to a model when mask AND flags is not 0.

#include <cstdint>

inline constexpr std::uint32_t CAP_DC_INPUT = 0x00000001;      // DC voltage and current (device id 2001)
inline constexpr std::uint32_t CAP_TC_INPUT = 0x00000002;      // thermocouple (2002)
inline constexpr std::uint32_t CAP_RTD_INPUT = 0x00000004;     // RTD (2003)
inline constexpr std::uint32_t CAP_PTM_INPUT = 0x00000008;     // potentiometer (2004)
inline constexpr std::uint32_t CAP_AC_INPUT = 0x00000010;      // AC voltage and current (2005)
inline constexpr std::uint32_t CAP_ANALOG_OUTPUT = 0x00010000; // DC analog output
inline constexpr std::uint32_t CAP_MODBUS = 0x00020000;        // RS-485 / Modbus RTU option
inline constexpr std::uint32_t CAP_FOUR_ALARMS = 0x00040000;   // four alarm outputs
inline constexpr std::uint32_t CAP_ALARMS = 0x00080000;        // two or four alarm outputs
inline constexpr std::uint32_t CAP_CURRENT_INPUT = 0x00100000; // current variants of DC and AC
inline constexpr std::uint32_t CAP_INPUT_TYPE = 0x01000000;    // selectable input type: DC, TC, RTD, AC
inline constexpr std::uint32_t CAP_TEMPERATURE = 0x02000000;   // TC and RTD
inline constexpr std::uint32_t CAP_SCALING = 0x04000000;       // input/display scaling: DC, PTM, AC
inline constexpr std::uint32_t CAP_EVENT_INPUT = 0x20000000;   // event trigger input option
inline constexpr std::uint32_t CAP_BCD_OUTPUT = 0x40000000;    // BCD output option
inline constexpr std::uint32_t CAP_ALL = 0x80000000;           // every model

// Bits 0x08000000 (TC, RTD, PTM) and 0x10000000 (analog-output variants of
// DC, PTM, AC) are part of the device data but no operation tests them, so
// they have no name; the family rows carry them in their literal flags.
