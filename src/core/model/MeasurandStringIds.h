#pragma once
// Numbers of the string table texts of the meter's status bits.

namespace measurand_ids {
// "LL", "L", "P", "H", "HH", "S.over", "S.under", "Burnout", "Loop Test",
// "Disable AO": one text each for the status bits that have one, in bit order.
inline constexpr unsigned kStatusTextFirst = 1280;
inline constexpr unsigned kStatusTextLast = 1289;
} // namespace measurand_ids
