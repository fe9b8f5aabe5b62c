#pragma once
// The 11 option sets of the device table. The extension id is a bit set:
// 1 analog output, 2 Modbus, 4 four alarm relays, 8 two SPDT relays,
// 16 current input, 32 BCD output, 64 event input, 128 photo-MOS (with 4).

#include "model/CapabilityFlags.h"

#include <array>
#include <cstdint>

struct SDeviceOption
{
    int code; // shown as one upper-case hex digit in the description
    unsigned optionTextId;
    std::uint16_t extensionBits;
    std::uint32_t flags;
};

// clang-format off
inline constexpr std::array<SDeviceOption, 11> kDeviceOptions{{
//   code  text  ext  flags
    {0x0, 4180,   0, 0},                                                // " "
    {0x1, 4181,   4, CAP_FOUR_ALARMS | CAP_ALARMS},                     // N.O. relay x 4
    {0x2, 4182,   8, CAP_ALARMS},                                       // SPDT relay x 2
    {0x3, 4183, 132, CAP_FOUR_ALARMS | CAP_ALARMS},                     // N.O.photo MOS relay x 4
    {0x4, 4184,   2, CAP_MODBUS},                                       // RS-485 / Modbus RTU
    {0x5, 4185,  32, CAP_BCD_OUTPUT},                                   // BCD output
    {0x6, 4186,  64, CAP_EVENT_INPUT},                                  // Event trigger input
    {0x7, 4187,   6, CAP_FOUR_ALARMS | CAP_ALARMS | CAP_MODBUS},        // relay x 4, Modbus
    {0x8, 4188,  10, CAP_ALARMS | CAP_MODBUS},                          // SPDT x 2, Modbus
    {0x9, 4189, 164, CAP_FOUR_ALARMS | CAP_ALARMS | CAP_BCD_OUTPUT},    // photo MOS x 4, BCD
    {0xA, 4190,  96, CAP_EVENT_INPUT | CAP_BCD_OUTPUT},                 // Event input, BCD
}};
// clang-format on
