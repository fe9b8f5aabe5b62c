#pragma once
// Measuring ranges of each input type, by input family. Minimum and maximum
// are in input units of 10^-decimals. A family's row is chosen by the input
// type number, limited to the family's last row.

#include <array>
#include <cstdint>

struct SInputRange
{
    std::int32_t minimum;
    std::int32_t maximum;
    int decimals;
};

// Input types 2500 …
inline constexpr std::array<SInputRange, 4> kDcVoltageRanges{{
    /* 0 "1.0000 to 5.0000 Vdc"  */ {10000, 50000, 4},
    /* 1 "-5.000 to 5.000 Vdc"   */ {-5000, 5000, 3},
    /* 2 "-20.000 to 20.000 Vdc" */ {-20000, 20000, 3},
    /* 3 "-200.00 to 200.00 Vdc" */ {-20000, 20000, 2},
}};

// Input types 2550 …
inline constexpr std::array<SInputRange, 4> kDcCurrentRanges{{
    /* 0 "4.000 to 20.000 mAdc"   */ {4000, 20000, 3},
    /* 1 "0.000 to 20.000 mAdc"   */ {0, 20000, 3},
    /* 2 "-20.000 to 20.000 mAdc" */ {-20000, 20000, 3},
    /* 3 "-200.00 to 200.00 mAdc" */ {-20000, 20000, 2},
}};

// Input types 2600 …
inline constexpr std::array<SInputRange, 5> kRtdRanges{{
    /* 0 "JPt100 (JIS'89)"     */ {-20000, 50000, 2},
    /* 1 "Pt100 (JIS'89)"      */ {-20000, 65000, 2},
    /* 2 "Pt100 (JIS'97, IEC)" */ {-20000, 85000, 2},
    /* 3 "Pt50 (JIS'81)"       */ {-20000, 64900, 2},
    /* 4 "Pt1000"              */ {-20000, 85000, 2},
}};

// Input types 2650 …
inline constexpr std::array<SInputRange, 14> kTcRanges{{
    /*  0 "(PR)"       */ {0, 170000, 2},
    /*  1 "K(CA) 1"    */ {-20000, 130000, 2},
    /*  2 "K(CA) 2"    */ {-2000, 50000, 2},
    /*  3 "E(CRC)"     */ {0, 60000, 2},
    /*  4 "J(IC) 1"    */ {-10000, 85000, 2},
    /*  5 "J(IC) 2"    */ {-2000, 40000, 2},
    /*  6 "T(CC)"      */ {-20000, 40000, 2},
    /*  7 "B(RH)"      */ {10000, 180000, 2},
    /*  8 "R"          */ {0, 170000, 2},
    /*  9 "S"          */ {0, 170000, 2},
    /* 10 "C(WRe5-26)" */ {0, 230000, 2},
    /* 11 "N"          */ {-20000, 130000, 2},
    /* 12 "U"          */ {-20000, 40000, 2},
    /* 13 "L"          */ {-10000, 85000, 2},
}};

// Input types 2700 … (voltage) and 2750 … (current) share these rows.
inline constexpr std::array<SInputRange, 4> kAcRanges{{
    /* 0 "0.0000 to 0.2000 Vac" / "… mAac" */ {0, 2000, 4},
    /* 1 "0.000 to 2.000 Vac"   / "… mAac" */ {0, 2000, 3},
    /* 2 "0.000 to 20.000 Vac"  / "… mAac" */ {0, 20000, 3},
    /* 3 "0.00 to 200.00 Vac"   / "… mAac" */ {0, 20000, 2},
}};

// PTM inputs have no type; their range is fixed.
inline constexpr std::int32_t kPtmInputMinimum = -20000;
inline constexpr std::int32_t kPtmInputMaximum = 100000;
