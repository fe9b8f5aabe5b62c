#pragma once
// The parameter descriptor table: row N describes word N of the register
// image. A 32-bit parameter (kinds VK_INT32, VK_DISPLAY32, VK_INPUT32) has two
// identical rows, N and N+1; only row N is used. For VK_OPTION the argument is
// the string number of option 0 (row 0 picks its list by model instead).

#include "model/CapabilityFlags.h"
#include "model/ParameterStringIds.h"

#include <array>
#include <cstdint>

// How a parameter's value becomes text.
enum EValueKind : int {
    VK_INT16 = 0, // signed word; argument 1: "%d", otherwise value / argument
    // 1 is not used: the kinds keep their numbers.
    VK_INT32 = 2,     // signed 32-bit pair; as VK_INT16
    VK_OPTION = 3,    // unsigned word; option text argument + value
    VK_DISPLAY32 = 4, // signed 32-bit pair / display scale
    VK_DISPLAY16 = 5, // unsigned word / display scale
    VK_INPUT32 = 6,   // signed 32-bit pair / input scale
};

constexpr bool IsWideKind(int kind)
{
    return kind == VK_INT32 || kind == VK_DISPLAY32 || kind == VK_INPUT32;
}

struct CParameterDescriptor
{
    unsigned groupId;   // string 17000 … 17009
    unsigned nameId;    // string 15000 … 16055
    int kind;           // EValueKind
    int argument;       // divisor, multiplier or option base, by kind
    std::uint32_t mask; // the parameter exists when mask AND model flags != 0
};

inline constexpr int kParameterRows = 211;

inline constexpr unsigned GRP_INPUT = ids::kGroupInput;
inline constexpr unsigned GRP_BARGRAPH = ids::kGroupBargraph;
inline constexpr unsigned GRP_ANALOG_OUTPUT = ids::kGroupAnalogOutput;
inline constexpr unsigned GRP_ALARM = ids::kGroupAlarm;
inline constexpr unsigned GRP_CONTROL = ids::kGroupControl;
inline constexpr unsigned GRP_DISPLAY = ids::kGroupDisplay;
inline constexpr unsigned GRP_MODBUS = ids::kGroupModbus;
inline constexpr unsigned GRP_LOCKOUT = ids::kGroupLockout;
inline constexpr unsigned GRP_EVENT_INPUT = ids::kGroupEventInput;
inline constexpr unsigned GRP_BCD_OUTPUT = ids::kGroupBcdOutput;

// clang-format off
inline constexpr std::array<CParameterDescriptor, kParameterRows> kParameterDescriptors{{
    // word      group              name   kind          arg   mask              name text
    /*   0 */ {GRP_INPUT,         15000, VK_OPTION,     2500, CAP_INPUT_TYPE}, // Input type
    /*   1 */ {GRP_INPUT,         15001, VK_OPTION,     3000, CAP_TEMPERATURE}, // Temperature unit
    /*   2 */ {GRP_INPUT,         15002, VK_INPUT32,       1, CAP_SCALING}, // Input scaling value zero
    /*   3 */ {GRP_INPUT,         15002, VK_INPUT32,       1, CAP_SCALING}, // Input scaling value zero
    /*   4 */ {GRP_INPUT,         15003, VK_INPUT32,       1, CAP_SCALING}, // Input scaling value span
    /*   5 */ {GRP_INPUT,         15003, VK_INPUT32,       1, CAP_SCALING}, // Input scaling value span
    /*   6 */ {GRP_INPUT,         15004, VK_DISPLAY32,     1, CAP_SCALING}, // Display scaling value zero
    /*   7 */ {GRP_INPUT,         15004, VK_DISPLAY32,     1, CAP_SCALING}, // Display scaling value zero
    /*   8 */ {GRP_INPUT,         15005, VK_DISPLAY32,     1, CAP_SCALING}, // Display scaling value span
    /*   9 */ {GRP_INPUT,         15005, VK_DISPLAY32,     1, CAP_SCALING}, // Display scaling value span
    /*  10 */ {GRP_INPUT,         15006, VK_OPTION,     3050, CAP_SCALING}, // Decimal point position
    /*  11 */ {GRP_INPUT,         15008, VK_OPTION,     3151, CAP_TEMPERATURE}, // Burnout
    /*  12 */ {GRP_INPUT,         15009, VK_OPTION,     3260, CAP_TC_INPUT}, // Cold junction compensation
    /*  13 */ {GRP_INPUT,         15010, VK_INPUT32,      10, CAP_TEMPERATURE}, // Input adjust X A
    /*  14 */ {GRP_INPUT,         15010, VK_INPUT32,      10, CAP_TEMPERATURE}, // Input adjust X A
    /*  15 */ {GRP_INPUT,         15011, VK_INPUT32,      10, CAP_TEMPERATURE}, // Input adjust X B
    /*  16 */ {GRP_INPUT,         15011, VK_INPUT32,      10, CAP_TEMPERATURE}, // Input adjust X B
    /*  17 */ {GRP_INPUT,         15012, VK_INT32,       100, CAP_TEMPERATURE}, // Input adjust Y A
    /*  18 */ {GRP_INPUT,         15012, VK_INT32,       100, CAP_TEMPERATURE}, // Input adjust Y A
    /*  19 */ {GRP_INPUT,         15013, VK_INT32,       100, CAP_TEMPERATURE}, // Input adjust Y B
    /*  20 */ {GRP_INPUT,         15013, VK_INT32,       100, CAP_TEMPERATURE}, // Input adjust Y B
    /*  21 */ {GRP_INPUT,         15050, VK_OPTION,     3500, CAP_ALL}, // Low-end cutout
    /*  22 */ {GRP_INPUT,         15051, VK_DISPLAY16,     1, CAP_ALL}, // Cut below
    /*  23 */ {GRP_INPUT,         15602, VK_OPTION,     4350, CAP_SCALING}, // Forced zero
    /*  24 */ {GRP_INPUT,         15603, VK_DISPLAY32,     0, CAP_SCALING}, // Forced zero value
    /*  25 */ {GRP_INPUT,         15603, VK_DISPLAY32,     0, CAP_SCALING}, // Forced zero value
    /*  26 */ {GRP_INPUT,         15604, VK_DISPLAY32,     0, CAP_SCALING}, // Tare zero value
    /*  27 */ {GRP_INPUT,         15604, VK_DISPLAY32,     0, CAP_SCALING}, // Tare zero value
    /*  28 */ {GRP_INPUT,         15100, VK_OPTION,     3300, CAP_ALL}, // Averaging mode
    /*  29 */ {GRP_INPUT,         15101, VK_OPTION,     4300, CAP_ALL}, // Averaging time
    /*  30 */ {GRP_INPUT,         15102, VK_OPTION,     4540, CAP_ALL}, // High-pass filter
    /*  31 */ {GRP_BARGRAPH,      15150, VK_OPTION,     3350, CAP_ALL}, // Bargraph type
    /*  32 */ {GRP_BARGRAPH,      15151, VK_DISPLAY32,     1, CAP_ALL}, // Bargraph lower limit
    /*  33 */ {GRP_BARGRAPH,      15151, VK_DISPLAY32,     1, CAP_ALL}, // Bargraph lower limit
    /*  34 */ {GRP_BARGRAPH,      15152, VK_DISPLAY32,     1, CAP_ALL}, // Bargraph upper limit
    /*  35 */ {GRP_BARGRAPH,      15152, VK_DISPLAY32,     1, CAP_ALL}, // Bargraph upper limit
    /*  36 */ {GRP_CONTROL,       15600, VK_INT16,         1, CAP_ALL}, // Automatic return time to Measuring Mode
    /*  37 */ {GRP_CONTROL,       15601, VK_INT16,         1, CAP_ALL}, // Transition time to Lockout Setting Mode
    /*  38 */ {GRP_DISPLAY,       15650, VK_OPTION,     3900, CAP_ALL}, // Display color
    /*  39 */ {GRP_DISPLAY,       15652, VK_OPTION,     3950, CAP_ALL}, // Round off low-digit reading
    /*  40 */ {GRP_DISPLAY,       15653, VK_INT16,        10, CAP_ALL}, // Display refresh rate
    /*  41 */ {GRP_DISPLAY,       15654, VK_OPTION,     4000, CAP_ALL}, // Display reading type
    /*  42 */ {GRP_DISPLAY,       15655, VK_INT16,         1, CAP_ALL}, // Backlight brightness
    /*  43 */ {GRP_DISPLAY,       15656, VK_INT16,         1, CAP_ALL}, // LCD contrast
    /*  44 */ {GRP_DISPLAY,       15007, VK_OPTION,     4560, CAP_TEMPERATURE}, // Decimal fractions
    /*  45 */ {GRP_LOCKOUT,       15751, VK_OPTION,     4450, CAP_ALL}, // Alarm setting lockout
    /*  46 */ {GRP_LOCKOUT,       15752, VK_OPTION,     4460, CAP_ALL}, // Scaling/Initial setting lockout
    /*  47 */ {GRP_LOCKOUT,       15753, VK_OPTION,     4470, CAP_ALL}, // Advanced setting lockout
    /*  48 */ {GRP_LOCKOUT,       15754, VK_OPTION,     4480, CAP_MODBUS}, // Modbus setting lockout
    /*  49 */ {GRP_LOCKOUT,       15755, VK_OPTION,     4070, CAP_ALL}, // Max/Min display control lockout
    /*  50 */ {GRP_LOCKOUT,       15756, VK_OPTION,     4060, CAP_SCALING}, // Forced zero control lockout
    /*  51 */ {GRP_LOCKOUT,       15757, VK_OPTION,     4080, CAP_ALL}, // Loop test output lockout
    /*  52 */ {GRP_BCD_OUTPUT,    16050, VK_OPTION,     4600, CAP_BCD_OUTPUT}, // REQ, MAX_REQ, MIN_REQ input logic
    /*  53 */ {GRP_BCD_OUTPUT,    16051, VK_OPTION,     4620, CAP_BCD_OUTPUT}, // DAV output logic
    /*  54 */ {GRP_BCD_OUTPUT,    16052, VK_OPTION,     4640, CAP_BCD_OUTPUT}, // Data output logic
    /*  55 */ {GRP_BCD_OUTPUT,    16055, VK_OPTION,     4700, CAP_BCD_OUTPUT}, // Status output logic
    /*  56 */ {GRP_EVENT_INPUT,   16001, VK_OPTION,     4580, CAP_EVENT_INPUT}, // Event trigger mode
    /*  57 */ {GRP_EVENT_INPUT,   16002, VK_INT16,        10, CAP_EVENT_INPUT}, // ON timing delay
    /*  58 */ {GRP_EVENT_INPUT,   16003, VK_INT16,        10, CAP_EVENT_INPUT}, // OFF timing delay
    /*  59 */ {GRP_EVENT_INPUT,   16000, VK_INT16,        10, CAP_EVENT_INPUT}, // Startup timer
    /*  60 */ {GRP_ANALOG_OUTPUT, 15200, VK_OPTION,     3400, CAP_ANALOG_OUTPUT}, // Analog output type
    /*  61 */ {GRP_ANALOG_OUTPUT, 15201, VK_OPTION,     3450, CAP_ANALOG_OUTPUT}, // Analog output function mode
    /*  62 */ {GRP_ANALOG_OUTPUT, 15202, VK_DISPLAY32,     1, CAP_ANALOG_OUTPUT}, // Analog output 0%
    /*  63 */ {GRP_ANALOG_OUTPUT, 15202, VK_DISPLAY32,     1, CAP_ANALOG_OUTPUT}, // Analog output 0%
    /*  64 */ {GRP_ANALOG_OUTPUT, 15203, VK_DISPLAY32,     1, CAP_ANALOG_OUTPUT}, // Analog output 100%
    /*  65 */ {GRP_ANALOG_OUTPUT, 15203, VK_DISPLAY32,     1, CAP_ANALOG_OUTPUT}, // Analog output 100%
    /*  66 */ {GRP_ANALOG_OUTPUT, 15204, VK_INT32,      1000, CAP_ANALOG_OUTPUT}, // Analog output 0% adjustment
    /*  67 */ {GRP_ANALOG_OUTPUT, 15204, VK_INT32,      1000, CAP_ANALOG_OUTPUT}, // Analog output 0% adjustment
    /*  68 */ {GRP_ANALOG_OUTPUT, 15205, VK_INT32,      1000, CAP_ANALOG_OUTPUT}, // Analog output 100% adjustment
    /*  69 */ {GRP_ANALOG_OUTPUT, 15205, VK_INT32,      1000, CAP_ANALOG_OUTPUT}, // Analog output 100% adjustment
    /*  70 */ {GRP_MODBUS,        15700, VK_INT16,         1, CAP_MODBUS}, // Device address
    /*  71 */ {GRP_MODBUS,        15701, VK_OPTION,     1900, CAP_MODBUS}, // Baud rate
    /*  72 */ {GRP_MODBUS,        15702, VK_OPTION,     1950, CAP_MODBUS}, // Parity bit
    /*  73 */ {GRP_MODBUS,        15703, VK_OPTION,     2000, CAP_MODBUS}, // Stop bit
    /*  74 */ {GRP_MODBUS,        15704, VK_INT16,        10, CAP_MODBUS}, // T1.5 timer
    /*  75 */ {GRP_MODBUS,        15705, VK_INT16,        10, CAP_MODBUS}, // T3.5 timer
    /*  76 */ {GRP_MODBUS,        15706, VK_OPTION,     2050, CAP_MODBUS}, // Long register
    /*  77 */ {GRP_ALARM,         15651, VK_OPTION,     4520, CAP_ALL}, // Manual subdisplay reset
    /*  78 */ {GRP_ALARM,         15251, VK_OPTION,     3600, CAP_ALL}, // Display flashing at alarm
    /*  79 */ {GRP_ALARM,         15252, VK_OPTION,     3650, CAP_ALL}, // Alarm output pattern
    /*  80 */ {GRP_ALARM,         15253, VK_OPTION,     3700, CAP_ALL}, // P output
    /*  81 */ {GRP_ALARM,         15254, VK_OPTION,     3750, CAP_ALL}, // Latching
    /*  82 */ {GRP_ALARM,         15255, VK_OPTION,     3800, CAP_ALL}, // Standby sequence
    /*  83 */ {GRP_ALARM,         15256, VK_OPTION,     4500, CAP_ALL}, // Alarm trip at over-range
    /*  84 */ {GRP_ALARM,         15257, VK_INT16,        10, CAP_ALL}, // Power on delay time
    /*  85 */ {GRP_ALARM,         15250, VK_OPTION,     4400, CAP_ALL}, // Bank switching
    /*  86 */ {GRP_ALARM,         15300, VK_INT16,         1, CAP_ALL}, // Bank No.
    /*  87 */ {GRP_ALARM,         15900, VK_OPTION,     3265, CAP_ALL}, // Bank1 LL
    /*  88 */ {GRP_ALARM,         15301, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 LL setpoint
    /*  89 */ {GRP_ALARM,         15301, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 LL setpoint
    /*  90 */ {GRP_ALARM,         15901, VK_OPTION,     3265, CAP_ALL}, // Bank1 L
    /*  91 */ {GRP_ALARM,         15302, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 L setpoint
    /*  92 */ {GRP_ALARM,         15302, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 L setpoint
    /*  93 */ {GRP_ALARM,         15902, VK_OPTION,     3265, CAP_ALL}, // Bank1 H
    /*  94 */ {GRP_ALARM,         15303, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 H setpoint
    /*  95 */ {GRP_ALARM,         15303, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 H setpoint
    /*  96 */ {GRP_ALARM,         15903, VK_OPTION,     3265, CAP_ALL}, // Bank1 HH
    /*  97 */ {GRP_ALARM,         15304, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 HH setpoint
    /*  98 */ {GRP_ALARM,         15304, VK_DISPLAY32,     0, CAP_ALL}, // Bank1 HH setpoint
    /*  99 */ {GRP_ALARM,         15904, VK_OPTION,     3265, CAP_ALL}, // Bank2 LL
    /* 100 */ {GRP_ALARM,         15305, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 LL setpoint
    /* 101 */ {GRP_ALARM,         15305, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 LL setpoint
    /* 102 */ {GRP_ALARM,         15905, VK_OPTION,     3265, CAP_ALL}, // Bank2 L
    /* 103 */ {GRP_ALARM,         15306, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 L setpoint
    /* 104 */ {GRP_ALARM,         15306, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 L setpoint
    /* 105 */ {GRP_ALARM,         15906, VK_OPTION,     3265, CAP_ALL}, // Bank2 H
    /* 106 */ {GRP_ALARM,         15307, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 H setpoint
    /* 107 */ {GRP_ALARM,         15307, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 H setpoint
    /* 108 */ {GRP_ALARM,         15907, VK_OPTION,     3265, CAP_ALL}, // Bank2 HH
    /* 109 */ {GRP_ALARM,         15308, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 HH setpoint
    /* 110 */ {GRP_ALARM,         15308, VK_DISPLAY32,     0, CAP_ALL}, // Bank2 HH setpoint
    /* 111 */ {GRP_ALARM,         15908, VK_OPTION,     3265, CAP_ALL}, // Bank3 LL
    /* 112 */ {GRP_ALARM,         15309, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 LL setpoint
    /* 113 */ {GRP_ALARM,         15309, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 LL setpoint
    /* 114 */ {GRP_ALARM,         15909, VK_OPTION,     3265, CAP_ALL}, // Bank3 L
    /* 115 */ {GRP_ALARM,         15310, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 L setpoint
    /* 116 */ {GRP_ALARM,         15310, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 L setpoint
    /* 117 */ {GRP_ALARM,         15910, VK_OPTION,     3265, CAP_ALL}, // Bank3 H
    /* 118 */ {GRP_ALARM,         15311, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 H setpoint
    /* 119 */ {GRP_ALARM,         15311, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 H setpoint
    /* 120 */ {GRP_ALARM,         15911, VK_OPTION,     3265, CAP_ALL}, // Bank3 HH
    /* 121 */ {GRP_ALARM,         15312, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 HH setpoint
    /* 122 */ {GRP_ALARM,         15312, VK_DISPLAY32,     0, CAP_ALL}, // Bank3 HH setpoint
    /* 123 */ {GRP_ALARM,         15912, VK_OPTION,     3265, CAP_ALL}, // Bank4 LL
    /* 124 */ {GRP_ALARM,         15313, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 LL setpoint
    /* 125 */ {GRP_ALARM,         15313, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 LL setpoint
    /* 126 */ {GRP_ALARM,         15913, VK_OPTION,     3265, CAP_ALL}, // Bank4 L
    /* 127 */ {GRP_ALARM,         15314, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 L setpoint
    /* 128 */ {GRP_ALARM,         15314, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 L setpoint
    /* 129 */ {GRP_ALARM,         15914, VK_OPTION,     3265, CAP_ALL}, // Bank4 H
    /* 130 */ {GRP_ALARM,         15315, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 H setpoint
    /* 131 */ {GRP_ALARM,         15315, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 H setpoint
    /* 132 */ {GRP_ALARM,         15915, VK_OPTION,     3265, CAP_ALL}, // Bank4 HH
    /* 133 */ {GRP_ALARM,         15316, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 HH setpoint
    /* 134 */ {GRP_ALARM,         15316, VK_DISPLAY32,     0, CAP_ALL}, // Bank4 HH setpoint
    /* 135 */ {GRP_ALARM,         15916, VK_OPTION,     3265, CAP_ALL}, // Bank5 LL
    /* 136 */ {GRP_ALARM,         15317, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 LL setpoint
    /* 137 */ {GRP_ALARM,         15317, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 LL setpoint
    /* 138 */ {GRP_ALARM,         15917, VK_OPTION,     3265, CAP_ALL}, // Bank5 L
    /* 139 */ {GRP_ALARM,         15318, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 L setpoint
    /* 140 */ {GRP_ALARM,         15318, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 L setpoint
    /* 141 */ {GRP_ALARM,         15918, VK_OPTION,     3265, CAP_ALL}, // Bank5 H
    /* 142 */ {GRP_ALARM,         15319, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 H setpoint
    /* 143 */ {GRP_ALARM,         15319, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 H setpoint
    /* 144 */ {GRP_ALARM,         15919, VK_OPTION,     3265, CAP_ALL}, // Bank5 HH
    /* 145 */ {GRP_ALARM,         15320, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 HH setpoint
    /* 146 */ {GRP_ALARM,         15320, VK_DISPLAY32,     0, CAP_ALL}, // Bank5 HH setpoint
    /* 147 */ {GRP_ALARM,         15920, VK_OPTION,     3265, CAP_ALL}, // Bank6 LL
    /* 148 */ {GRP_ALARM,         15321, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 LL setpoint
    /* 149 */ {GRP_ALARM,         15321, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 LL setpoint
    /* 150 */ {GRP_ALARM,         15921, VK_OPTION,     3265, CAP_ALL}, // Bank6 L
    /* 151 */ {GRP_ALARM,         15322, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 L setpoint
    /* 152 */ {GRP_ALARM,         15322, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 L setpoint
    /* 153 */ {GRP_ALARM,         15922, VK_OPTION,     3265, CAP_ALL}, // Bank6 H
    /* 154 */ {GRP_ALARM,         15323, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 H setpoint
    /* 155 */ {GRP_ALARM,         15323, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 H setpoint
    /* 156 */ {GRP_ALARM,         15923, VK_OPTION,     3265, CAP_ALL}, // Bank6 HH
    /* 157 */ {GRP_ALARM,         15324, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 HH setpoint
    /* 158 */ {GRP_ALARM,         15324, VK_DISPLAY32,     0, CAP_ALL}, // Bank6 HH setpoint
    /* 159 */ {GRP_ALARM,         15924, VK_OPTION,     3265, CAP_ALL}, // Bank7 LL
    /* 160 */ {GRP_ALARM,         15325, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 LL setpoint
    /* 161 */ {GRP_ALARM,         15325, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 LL setpoint
    /* 162 */ {GRP_ALARM,         15925, VK_OPTION,     3265, CAP_ALL}, // Bank7 L
    /* 163 */ {GRP_ALARM,         15326, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 L setpoint
    /* 164 */ {GRP_ALARM,         15326, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 L setpoint
    /* 165 */ {GRP_ALARM,         15926, VK_OPTION,     3265, CAP_ALL}, // Bank7 H
    /* 166 */ {GRP_ALARM,         15327, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 H setpoint
    /* 167 */ {GRP_ALARM,         15327, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 H setpoint
    /* 168 */ {GRP_ALARM,         15927, VK_OPTION,     3265, CAP_ALL}, // Bank7 HH
    /* 169 */ {GRP_ALARM,         15328, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 HH setpoint
    /* 170 */ {GRP_ALARM,         15328, VK_DISPLAY32,     0, CAP_ALL}, // Bank7 HH setpoint
    /* 171 */ {GRP_ALARM,         15928, VK_OPTION,     3265, CAP_ALL}, // Bank8 LL
    /* 172 */ {GRP_ALARM,         15329, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 LL setpoint
    /* 173 */ {GRP_ALARM,         15329, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 LL setpoint
    /* 174 */ {GRP_ALARM,         15929, VK_OPTION,     3265, CAP_ALL}, // Bank8 L
    /* 175 */ {GRP_ALARM,         15330, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 L setpoint
    /* 176 */ {GRP_ALARM,         15330, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 L setpoint
    /* 177 */ {GRP_ALARM,         15930, VK_OPTION,     3265, CAP_ALL}, // Bank8 H
    /* 178 */ {GRP_ALARM,         15331, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 H setpoint
    /* 179 */ {GRP_ALARM,         15331, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 H setpoint
    /* 180 */ {GRP_ALARM,         15931, VK_OPTION,     3265, CAP_ALL}, // Bank8 HH
    /* 181 */ {GRP_ALARM,         15332, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 HH setpoint
    /* 182 */ {GRP_ALARM,         15332, VK_DISPLAY32,     0, CAP_ALL}, // Bank8 HH setpoint
    /* 183 */ {GRP_ALARM,         15400, VK_OPTION,     3850, CAP_ALL}, // LL trip action
    /* 184 */ {GRP_ALARM,         15401, VK_DISPLAY16,     0, CAP_ALL}, // LL deadband
    /* 185 */ {GRP_ALARM,         15402, VK_INT16,        10, CAP_ALL}, // LL ON delay time
    /* 186 */ {GRP_ALARM,         15403, VK_INT16,        10, CAP_ALL}, // LL OFF delay time
    /* 187 */ {GRP_ALARM,         15404, VK_INT16,        10, CAP_ALL}, // LL one-shot time
    /* 188 */ {GRP_ALARM,         15405, VK_OPTION,     3860, CAP_ALL}, // LL coil at alarm
    /* 189 */ {GRP_ALARM,         15450, VK_OPTION,     3850, CAP_ALL}, // L trip action
    /* 190 */ {GRP_ALARM,         15451, VK_DISPLAY16,     0, CAP_ALL}, // L deadband
    /* 191 */ {GRP_ALARM,         15452, VK_INT16,        10, CAP_ALL}, // L ON delay time
    /* 192 */ {GRP_ALARM,         15453, VK_INT16,        10, CAP_ALL}, // L OFF delay time
    /* 193 */ {GRP_ALARM,         15454, VK_INT16,        10, CAP_ALL}, // L one-shot time
    /* 194 */ {GRP_ALARM,         15455, VK_OPTION,     3860, CAP_ALL}, // L coil at alarm
    /* 195 */ {GRP_ALARM,         15500, VK_OPTION,     3850, CAP_ALL}, // H trip action
    /* 196 */ {GRP_ALARM,         15501, VK_DISPLAY16,     0, CAP_ALL}, // H deadband
    /* 197 */ {GRP_ALARM,         15502, VK_INT16,        10, CAP_ALL}, // H ON delay time
    /* 198 */ {GRP_ALARM,         15503, VK_INT16,        10, CAP_ALL}, // H OFF delay time
    /* 199 */ {GRP_ALARM,         15504, VK_INT16,        10, CAP_ALL}, // H one-shot time
    /* 200 */ {GRP_ALARM,         15505, VK_OPTION,     3860, CAP_ALL}, // H coil at alarm
    /* 201 */ {GRP_ALARM,         15550, VK_OPTION,     3850, CAP_ALL}, // HH direction
    /* 202 */ {GRP_ALARM,         15551, VK_DISPLAY16,     0, CAP_ALL}, // HH deadband
    /* 203 */ {GRP_ALARM,         15552, VK_INT16,        10, CAP_ALL}, // HH ON delay time
    /* 204 */ {GRP_ALARM,         15553, VK_INT16,        10, CAP_ALL}, // HH OFF delay time
    /* 205 */ {GRP_ALARM,         15554, VK_INT16,        10, CAP_ALL}, // HH shot time
    /* 206 */ {GRP_ALARM,         15555, VK_OPTION,     3860, CAP_ALL}, // HH coil at alarm
    /* 207 */ {GRP_ALARM,         15580, VK_INT16,        10, CAP_ALL}, // P ON delay time
    /* 208 */ {GRP_ALARM,         15581, VK_INT16,        10, CAP_ALL}, // P OFF delay time
    /* 209 */ {GRP_ALARM,         15582, VK_INT16,        10, CAP_ALL}, // P one-shot time
    /* 210 */ {GRP_ALARM,         15583, VK_OPTION,     3860, CAP_ALL}, // P coil at alarm
}};
// clang-format on
