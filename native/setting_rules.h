// The sixteen game settings: their names, the game variable behind each, and the conversions
// between the pages' scale and the game's own values. No Windows header: tested natively.
#pragma once

#include <cstdint>

#include "native/game_addresses.h"

enum class SettingKind {
  MouseSensitivity,  // float
  DrawDistance,      // float
  Toggle,            // byte, exactly 0 or 1
  Brightness,        // int32 0..512
  RadarMode,         // int32 0..2
  SfxVolume,         // byte level 0..64, then the game's effects volume routine
  MusicVolume,       // byte level 0..64, then the game's music volume routine
  ResolutionMode,    // int32 mode index, written twice, only when the game describes the mode
};

struct SettingRule {
  const char* name;
  SettingKind kind;
  game::Address address;
};

inline constexpr int kSettingCount = 16;

// The rule whose name equals the text exactly (case-sensitive), or null.
const SettingRule* findSettingRule(const char* name, uint32_t length);

// Page values 0..100: anything below 0 counts as 0, anything above 100 as 100.
int32_t clampPercent(int32_t value);

// Page value to game value, each in single precision in the game's order of operations.
float mouseSensitivityFromPage(int32_t value);
float drawDistanceFromPage(int32_t value);
int32_t brightnessFromPage(int32_t value);
uint8_t volumeLevelFromPage(int32_t value);
int32_t radarModeFromPage(int32_t value);
uint8_t toggleFromPage(int32_t value);

// Game value to page value, defined for every value the game variable can hold (NaN and the
// infinities included): an out-of-range value reports as the nearest end of the page's range.
int32_t mouseSensitivityToPage(float value);
int32_t drawDistanceToPage(float value);
int32_t brightnessToPage(int32_t value);
int32_t volumeLevelToPage(uint8_t level);
int32_t radarModeToPage(int32_t value);
