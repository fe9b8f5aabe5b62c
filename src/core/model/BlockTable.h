#pragma once
// The meter's register map: 97 rows, always processed in table order.
// Columns: register, count, first image word, width, flush, mask. Rows 1-13
// test input-kind bits, not the derived bits of the parameter descriptors.
// Row 94 ("Long register", 7006) comes after every 32-bit row so that a
// download writes them all in the meter's previous word order.

#include "model/CapabilityFlags.h"
#include "model/RegisterBlock.h"

#include <array>

namespace block_masks {
inline constexpr std::uint32_t kDcPtmAc = CAP_DC_INPUT | CAP_PTM_INPUT | CAP_AC_INPUT;
inline constexpr std::uint32_t kDcTcRtdAc = CAP_DC_INPUT | CAP_TC_INPUT | CAP_RTD_INPUT | CAP_AC_INPUT;
inline constexpr std::uint32_t kTcRtd = CAP_TC_INPUT | CAP_RTD_INPUT;
inline constexpr std::uint32_t kDcAc = CAP_DC_INPUT | CAP_AC_INPUT;
inline constexpr std::uint32_t kTc = CAP_TC_INPUT;
static_assert(kDcPtmAc == 0x19 && kDcTcRtdAc == 0x17 && kTcRtd == 0x6 && kDcAc == 0x11 && kTc == 0x2);
} // namespace block_masks

// clang-format off
inline constexpr std::array<SRegisterBlock, 97> kBlockTable{{
    //        reg  cnt word width flush mask                  registers -> words, parameters
    /*  0 */ { 901, 5,  45, kW16, 1, CAP_ALL},               // 901-905 -> 45-49 lockouts: alarm, scaling, advanced, Modbus, max/min
    /*  1 */ { 906, 1,  50, kW16, 1, block_masks::kDcPtmAc},   // Forced zero control lockout
    /*  2 */ { 907, 1,  51, kW16, 1, CAP_ALL},               // Loop test output lockout
    /*  3 */ {1050, 1,   0, kW16, 1, block_masks::kDcTcRtdAc}, // Input type
    /*  4 */ {1051, 1,   1, kW16, 1, block_masks::kTcRtd},     // Temperature unit
    /*  5 */ {1052, 2,   2, kW32, 1, block_masks::kDcAc},      // 1052-1055 -> 2-5 input scaling zero, span
    /*  6 */ {1056, 2,   6, kW32, 1, block_masks::kDcPtmAc},   // 1056-1059 -> 6-9 display scaling zero, span
    /*  7 */ {1060, 1,  10, kW16, 1, block_masks::kDcPtmAc},   // Decimal point position
    /*  8 */ {1062, 1,  11, kW16, 1, block_masks::kTcRtd},     // Burnout
    /*  9 */ {1063, 1,  12, kW16, 1, block_masks::kTc},        // Cold junction compensation
    /* 10 */ {1064, 4,  13, kW32, 1, block_masks::kTcRtd},     // 1064-1071 -> 13-20 input adjust X A, X B, Y A, Y B
    /* 11 */ {1010, 2,  21, kW16, 1, CAP_ALL},               // 1010-1011 -> 21-22 low-end cutout, cut below
    /* 12 */ {1020, 1,  23, kW16, 1, block_masks::kDcPtmAc},   // Forced zero
    /* 13 */ {1021, 2,  24, kW32, 1, block_masks::kDcPtmAc},   // 1021-1024 -> 24-27 forced zero value, tare zero value
    /* 14 */ {1000, 3,  28, kW16, 1, CAP_ALL},               // 1000-1002 -> 28-30 averaging mode, time, high-pass filter
    /* 15 */ {2000, 1,  31, kW16, 1, CAP_ALL},               // Bargraph type
    /* 16 */ {2001, 2,  32, kW32, 1, CAP_ALL},               // 2001-2004 -> 32-35 bargraph lower, upper limit
    /* 17 */ {3000, 2,  60, kW16, 1, CAP_ANALOG_OUTPUT},     // 3000-3001 -> 60-61 analog output type, function mode
    /* 18 */ {3002, 4,  62, kW32, 1, CAP_ANALOG_OUTPUT},     // 3002-3009 -> 62-69 analog output 0%, 100%, adjustments
    /* 19 */ {4000, 9,  77, kW16, 1, CAP_ALL},               // 4000-4008 -> 77-85 alarm options ... bank switching
    /* 20 */ {4100, 1,  86, kW16, 1, CAP_ALL},               // Bank No.
    /* 21 */ {4101, 1,  87, kW16, 1, CAP_ALL},               // Bank1 LL
    /* 22 */ {4102, 1,  88, kW32, 1, CAP_ALL},               // 4102-4103 -> 88-89 Bank1 LL setpoint
    /* 23 */ {4104, 1,  90, kW16, 1, CAP_ALL},               // Bank1 L
    /* 24 */ {4105, 1,  91, kW32, 1, CAP_ALL},               // 4105-4106 -> 91-92 Bank1 L setpoint
    /* 25 */ {4107, 1,  93, kW16, 1, CAP_ALL},               // Bank1 H
    /* 26 */ {4108, 1,  94, kW32, 1, CAP_ALL},               // 4108-4109 -> 94-95 Bank1 H setpoint
    /* 27 */ {4110, 1,  96, kW16, 1, CAP_ALL},               // Bank1 HH
    /* 28 */ {4111, 1,  97, kW32, 1, CAP_ALL},               // 4111-4112 -> 97-98 Bank1 HH setpoint
    /* 29 */ {4113, 1,  99, kW16, 1, CAP_ALL},               // Bank2 LL
    /* 30 */ {4114, 1, 100, kW32, 1, CAP_ALL},               // 4114-4115 -> 100-101 Bank2 LL setpoint
    /* 31 */ {4116, 1, 102, kW16, 1, CAP_ALL},               // Bank2 L
    /* 32 */ {4117, 1, 103, kW32, 1, CAP_ALL},               // 4117-4118 -> 103-104 Bank2 L setpoint
    /* 33 */ {4119, 1, 105, kW16, 1, CAP_ALL},               // Bank2 H
    /* 34 */ {4120, 1, 106, kW32, 1, CAP_ALL},               // 4120-4121 -> 106-107 Bank2 H setpoint
    /* 35 */ {4122, 1, 108, kW16, 1, CAP_ALL},               // Bank2 HH
    /* 36 */ {4123, 1, 109, kW32, 1, CAP_ALL},               // 4123-4124 -> 109-110 Bank2 HH setpoint
    /* 37 */ {4125, 1, 111, kW16, 1, CAP_ALL},               // Bank3 LL
    /* 38 */ {4126, 1, 112, kW32, 1, CAP_ALL},               // 4126-4127 -> 112-113 Bank3 LL setpoint
    /* 39 */ {4128, 1, 114, kW16, 1, CAP_ALL},               // Bank3 L
    /* 40 */ {4129, 1, 115, kW32, 1, CAP_ALL},               // 4129-4130 -> 115-116 Bank3 L setpoint
    /* 41 */ {4131, 1, 117, kW16, 1, CAP_ALL},               // Bank3 H
    /* 42 */ {4132, 1, 118, kW32, 1, CAP_ALL},               // 4132-4133 -> 118-119 Bank3 H setpoint
    /* 43 */ {4134, 1, 120, kW16, 1, CAP_ALL},               // Bank3 HH
    /* 44 */ {4135, 1, 121, kW32, 1, CAP_ALL},               // 4135-4136 -> 121-122 Bank3 HH setpoint
    /* 45 */ {4137, 1, 123, kW16, 1, CAP_ALL},               // Bank4 LL
    /* 46 */ {4138, 1, 124, kW32, 1, CAP_ALL},               // 4138-4139 -> 124-125 Bank4 LL setpoint
    /* 47 */ {4140, 1, 126, kW16, 1, CAP_ALL},               // Bank4 L
    /* 48 */ {4141, 1, 127, kW32, 1, CAP_ALL},               // 4141-4142 -> 127-128 Bank4 L setpoint
    /* 49 */ {4143, 1, 129, kW16, 1, CAP_ALL},               // Bank4 H
    /* 50 */ {4144, 1, 130, kW32, 1, CAP_ALL},               // 4144-4145 -> 130-131 Bank4 H setpoint
    /* 51 */ {4146, 1, 132, kW16, 1, CAP_ALL},               // Bank4 HH
    /* 52 */ {4147, 1, 133, kW32, 1, CAP_ALL},               // 4147-4148 -> 133-134 Bank4 HH setpoint
    /* 53 */ {4149, 1, 135, kW16, 1, CAP_ALL},               // Bank5 LL
    /* 54 */ {4150, 1, 136, kW32, 1, CAP_ALL},               // 4150-4151 -> 136-137 Bank5 LL setpoint
    /* 55 */ {4152, 1, 138, kW16, 1, CAP_ALL},               // Bank5 L
    /* 56 */ {4153, 1, 139, kW32, 1, CAP_ALL},               // 4153-4154 -> 139-140 Bank5 L setpoint
    /* 57 */ {4155, 1, 141, kW16, 1, CAP_ALL},               // Bank5 H
    /* 58 */ {4156, 1, 142, kW32, 1, CAP_ALL},               // 4156-4157 -> 142-143 Bank5 H setpoint
    /* 59 */ {4158, 1, 144, kW16, 1, CAP_ALL},               // Bank5 HH
    /* 60 */ {4159, 1, 145, kW32, 1, CAP_ALL},               // 4159-4160 -> 145-146 Bank5 HH setpoint
    /* 61 */ {4161, 1, 147, kW16, 1, CAP_ALL},               // Bank6 LL
    /* 62 */ {4162, 1, 148, kW32, 1, CAP_ALL},               // 4162-4163 -> 148-149 Bank6 LL setpoint
    /* 63 */ {4164, 1, 150, kW16, 1, CAP_ALL},               // Bank6 L
    /* 64 */ {4165, 1, 151, kW32, 1, CAP_ALL},               // 4165-4166 -> 151-152 Bank6 L setpoint
    /* 65 */ {4167, 1, 153, kW16, 1, CAP_ALL},               // Bank6 H
    /* 66 */ {4168, 1, 154, kW32, 1, CAP_ALL},               // 4168-4169 -> 154-155 Bank6 H setpoint
    /* 67 */ {4170, 1, 156, kW16, 1, CAP_ALL},               // Bank6 HH
    /* 68 */ {4171, 1, 157, kW32, 1, CAP_ALL},               // 4171-4172 -> 157-158 Bank6 HH setpoint
    /* 69 */ {4173, 1, 159, kW16, 1, CAP_ALL},               // Bank7 LL
    /* 70 */ {4174, 1, 160, kW32, 1, CAP_ALL},               // 4174-4175 -> 160-161 Bank7 LL setpoint
    /* 71 */ {4176, 1, 162, kW16, 1, CAP_ALL},               // Bank7 L
    /* 72 */ {4177, 1, 163, kW32, 1, CAP_ALL},               // 4177-4178 -> 163-164 Bank7 L setpoint
    /* 73 */ {4179, 1, 165, kW16, 1, CAP_ALL},               // Bank7 H
    /* 74 */ {4180, 1, 166, kW32, 1, CAP_ALL},               // 4180-4181 -> 166-167 Bank7 H setpoint
    /* 75 */ {4182, 1, 168, kW16, 1, CAP_ALL},               // Bank7 HH
    /* 76 */ {4183, 1, 169, kW32, 1, CAP_ALL},               // 4183-4184 -> 169-170 Bank7 HH setpoint
    /* 77 */ {4185, 1, 171, kW16, 1, CAP_ALL},               // Bank8 LL
    /* 78 */ {4186, 1, 172, kW32, 1, CAP_ALL},               // 4186-4187 -> 172-173 Bank8 LL setpoint
    /* 79 */ {4188, 1, 174, kW16, 1, CAP_ALL},               // Bank8 L
    /* 80 */ {4189, 1, 175, kW32, 1, CAP_ALL},               // 4189-4190 -> 175-176 Bank8 L setpoint
    /* 81 */ {4191, 1, 177, kW16, 1, CAP_ALL},               // Bank8 H
    /* 82 */ {4192, 1, 178, kW32, 1, CAP_ALL},               // 4192-4193 -> 178-179 Bank8 H setpoint
    /* 83 */ {4194, 1, 180, kW16, 1, CAP_ALL},               // Bank8 HH
    /* 84 */ {4195, 1, 181, kW32, 1, CAP_ALL},               // 4195-4196 -> 181-182 Bank8 HH setpoint
    /* 85 */ {4200, 6, 183, kW16, 1, CAP_ALL},               // 4200-4205 -> 183-188 LL details
    /* 86 */ {4210, 6, 189, kW16, 1, CAP_ALL},               // 4210-4215 -> 189-194 L details
    /* 87 */ {4220, 6, 195, kW16, 1, CAP_ALL},               // 4220-4225 -> 195-200 H details
    /* 88 */ {4230, 6, 201, kW16, 1, CAP_ALL},               // 4230-4235 -> 201-206 HH details
    /* 89 */ {4242, 4, 207, kW16, 1, CAP_ALL},               // 4242-4245 -> 207-210 P details (no action, no deadband)
    /* 90 */ {5000, 2,  36, kW16, 1, CAP_ALL},               // 5000-5001 -> 36-37 return and transition times
    /* 91 */ {6000, 1,  38, kW16, 1, CAP_ALL},               // Display color
    /* 92 */ {6001, 1,  44, kW16, 1, block_masks::kTcRtd},     // Decimal fractions
    /* 93 */ {6002, 5,  39, kW16, 1, CAP_ALL},               // 6002-6006 -> 39-43 round off ... LCD contrast
    /* 94 */ {7000, 7,  70, kW16, 1, CAP_MODBUS},            // 7000-7006 -> 70-76 address ... Long register
    /* 95 */ {8000, 4,  56, kW16, 1, CAP_EVENT_INPUT},       // 8000-8003 -> 56-59 event trigger
    /* 96 */ {8100, 4,  52, kW16, 1, CAP_BCD_OUTPUT},        // 8100-8103 -> 52-55 BCD output logic
}};
// clang-format on
