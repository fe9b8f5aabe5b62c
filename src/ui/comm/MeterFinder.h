#pragma once
// "Find meter..." of the Connect dialog: the line sweep on the chosen RS-485
// port behind the progress window, with Cancel, and what it found said to
// the user.

#include "jobs/LineSweep.h"

#include <optional>

class QWidget;

namespace commtext {
inline constexpr unsigned kFindMeter = 12631;
inline constexpr unsigned kLookingForMeter = 12632;
inline constexpr unsigned kMeterFound = 12633;
inline constexpr unsigned kNoMeterFound = 12634;
inline constexpr unsigned kSearchCancelled = 12635;
inline constexpr unsigned kTryingSetting = 12636;
} // namespace commtext

// Looks for a meter on the port of `settings` at every line setting and
// address, and tells the user what came of it: the first meter found (also
// one found before a Cancel), or none. A port that cannot be used raises
// CPrivateException.
std::optional<SSweepFinding> FindMeter(QWidget* parent, const ComSettings& settings);
// The addresses FindMeter asks: every address unless narrowed (a test that
// needs no minutes of silent addresses).
void SetFindMeterRange(int from, int to);
