// When the screens' browsers are requested and how the loading screen is kept up.
#pragma once

#include <cstdint>

// Delays after the game window appeared before each browser is requested.
inline constexpr uint64_t kLoadingCreateDelayMs = 200;
inline constexpr uint64_t kPauseCreateDelayMs = 800;
inline constexpr uint64_t kHudCreateDelayMs = 1100;

inline constexpr uint64_t kLoadingUpkeepIntervalMs = 250;
// Longest time the loading screen stays, counted from the game window's appearance.
inline constexpr uint64_t kLoadingTimeoutMs = 60000;

enum class LoadingUpkeep {
  Wait,     // the last upkeep was less than the interval ago
  Reshow,   // show the screen and give it the input again
  TimeOut,  // the screen has stayed long enough: hide it
};

// What the upkeep does at now, given its last run and the window's appearance. All three are
// GetTickCount64 stamps; differences are unsigned, so a stamp ahead of now counts as long ago.
LoadingUpkeep loadingUpkeepStep(uint64_t now, uint64_t checkedAt, uint64_t windowSeenAt);
