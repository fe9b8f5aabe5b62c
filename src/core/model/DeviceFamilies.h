#pragma once
// The 14 input families of the device table, in table order. Each family
// spans 11 model codes, one per option set (DeviceOptions.h).

#include <array>
#include <cstdint>

struct SDeviceFamily
{
    int firstCode;
    unsigned modelNameId;
    std::uint16_t deviceId;
    std::uint16_t extensionBase;
    std::uint32_t flags;
    unsigned inputKindId; // 4220 voltage, 4221 current, 4222 TC, 4223 RTD, 4224 PTM, 4225/4226 AC (no text)
    unsigned outputId;    // 4200 " ", 4201 "Dc output x 1"
};

// clang-format off
inline constexpr std::array<SDeviceFamily, 14> kDeviceFamilies{{
//   first  name  device ext   flags       kind  output
    {  0,   4100, 2001,   0, 0x85000001, 4220, 4200}, // V6ED-10o   Voltage input
    { 11,   4101, 2001,   1, 0x95010001, 4220, 4201}, // Z6OR-11u   Voltage input, Dc output x 1
    { 22,   4102, 2001,  16, 0x85100001, 4221, 4200}, // V6ID-20e   Current input
    { 33,   4103, 2001,  17, 0x95110001, 4221, 4201}, // D6OZ-21i   Current input, Dc output x 1
    { 44,   4120, 2002,   0, 0x8B000002, 4222, 4200}, // V6AV-0i    TC input
    { 55,   4121, 2002,   1, 0x8B010002, 4222, 4201}, // D6OZ-1u    TC input, Dc output x 1
    { 66,   4140, 2003,   0, 0x8B000004, 4223, 4200}, // D6OV-0o    RTD input
    { 77,   4141, 2003,   1, 0x8B010004, 4223, 4201}, // D6ID-1i    RTD input, Dc output x 1
    { 88,   4160, 2004,   0, 0x8C000008, 4224, 4200}, // Z6IZ-10    PTM input
    { 99,   4161, 2004,   1, 0x9C010008, 4224, 4201}, // V6OV-11    PTM input, Dc output x 1
    {110,   4162, 2005,   0, 0x85000010, 4225, 4200}, // V6IZU-10d  AC (no kind text)
    {121,   4163, 2005,   1, 0x95010010, 4225, 4201}, // D6UZI-11z  AC, Dc output x 1
    {132,   4164, 2005,  16, 0x85100010, 4226, 4200}, // D6URI-20z  AC current
    {143,   4165, 2005,  17, 0x95110010, 4226, 4201}, // V6IRO-21v  AC current, Dc output x 1
}};
// clang-format on
