#pragma once
// Every option list of the parameters: an option's stored value is its index
// from the list's base string number. Sorted by base.

#include <array>

struct SOptionList
{
    unsigned base;  // string number of option 0
    unsigned count; // number of options
};

inline constexpr std::array<SOptionList, 49> kOptionLists{{
    {1900, 6},  // "1200bps" … "38400bps"
    {1950, 3},  // "None" … "Even"
    {2000, 2},  // "1bit" … "2bit"
    {2050, 2},  // "Normal" … "Swap"
    {2500, 4},  // "1.0000 to 5.0000 Vdc" … "-200.00 to 200.00 Vdc"
    {2550, 4},  // "4.000 to 20.000 mAdc" … "-200.00 to 200.00 mAdc"
    {2600, 5},  // "JPt100 (JIS'89)" … "Pt1000"
    {2650, 14}, // "(PR)" … "L"
    {2700, 4},  // "0.0000 to 0.2000 Vac" … "0.00 to 200.00 Vac"
    {2750, 4},  // "0.0000 to 0.2000 mAac" … "0.00 to 200.00 mAac"
    {3000, 2},  // "degC" … "degF"
    {3050, 5},  // "00000" … "0.0000"
    {3151, 2},  // "Downscale" … "Upscale"
    {3260, 2},  // "Disable" … "Enable"
    {3265, 2},  // "No" … "Yes"
    {3300, 2},  // "Simple average" … "Moving average"
    {3350, 5},  // "No bargraph indication" … "Bidirectional bar, reverse LCD"
    {3400, 5},  // "0.000 to 5.000 Vdc" … "4.000 to 20.000 mAdc"
    {3450, 2},  // "Proportional to the display value" … "Proportional to the scaling/temp value"
    {3500, 3},  // "OFF" … "By absolute value"
    {3600, 4},  // "No flashing" … "0.3 sec."
    {3650, 2},  // "Normal" … "Zone"
    {3700, 5},  // "No P output" … "Alarm setpoint HH"
    {3750, 3},  // "No latching; output and measuring continued" … "Output and measuring latched"
    {3800, 2},  // "Output immediately" … "Output standing by"
    {3850, 2},  // "Hi" … "Lo"
    {3860, 2},  // "Energize" … "Deenergize"
    {3900, 4},  // "Green (normal) to Red (alarm)" … "Red"
    {3950, 4},  // "OFF" … "10"
    {4000, 3},  // "Measured value" … "Minimum value"
    {4060, 3},  // "Unlock Forced Zero and Tare Adj. control" … "Lock Forced Zero and Tare Adj. control"
    {4070, 3},  // "Unlock Max/Min Display control" … "Lock Max/Min Display control"
    {4080, 2},  // "Unlock Loop Test Output Mode" … "Lock Loop Test Output Mode"
    {4300, 10}, // "No averaging" … "512 samples"
    {4350, 3},  // "OFF" … "Tare adjust ON"
    {4400, 3},  // "Disable" … "Enabled by Modbus"
    {4450, 3},  // "Completely unlock Alarm Setting Mode" … "Lock Alarm Setting Mode"
    {4460, 2},  // "Unlock Scaling/Initial Setting Mode" … "Lock Scaling/Initial Setting Mode"
    {4470, 3},  // "Completely unlock Advanced Setting Mode" … "Lock Advanced Setting Mode"
    {4480, 2},  // "Unlock Modbus Setting Mode" … "Lock Modbus Setting Mode"
    {4500, 2},  // "No alarm trip action at over-range" … "Alarm trip action valid at over-range"
    {4520, 2},  // "Alarm setpoint display automatically reset" … "Alarm setpoint display manually reset"
    {4540, 2},  // "OFF" … "ON"
    {4560, 3},  // "No fractions" … "2 decimal places"
    {4580, 5},  // "Normal" … "Peak-to-peak hold"
    {4600, 2},  // "Request valid at OFF" … "Request valid at ON"
    {4620, 2},  // "Data valid at OFF" … "Data valid at ON"
    {4640, 2},  // "Negative logic open collector" … "Positive logic open collector"
    {4700, 2},  // "Valid at OFF" … "Valid at ON"
}};

// The list starting at `base`; nullptr when no list starts there.
constexpr const SOptionList* FindOptionList(unsigned base)
{
    for (const SOptionList& list : kOptionLists)
        if (list.base == base)
            return &list;
    return nullptr;
}

// Number of options of the list at `base`; 0 when there is none.
constexpr unsigned OptionCount(unsigned base)
{
    const SOptionList* list = FindOptionList(base);
    return list ? list->count : 0;
}
