// The sixteen game settings: their names, the game variable behind each, and the conversions
// between the pages' scale and the game's own values. No Windows header: tested natively.
#pragma once

#include <cstdint>

#include "native/game_addresses.h"

enum class SettingKind {
  MouseSensitivity,  // float 1/3200..1/200
  DrawDistance,      // float 0.925..1.8, also written to the renderer's level-of-detail scale
  Toggle,            // byte, exactly 0 or 1
  InvertedToggle,    // byte, 0 when the page's toggle is on: the game's menu shows ON for 0
  Brightness,        // int32 0..384
  RadarMode,         // int32 0..2
  SfxVolume,         // byte level 0..64, then the audio engine's effects volume routine
  MusicVolume,       // byte level 0..64, then the audio engine's music volume routine
  RadioEq,           // byte 0 or 1, then the audio engine's bass boost routine
  RadioAutoRetune,   // byte 0 or 1, then the audio engine's auto-retune routine
  ResolutionMode,    // int32 mode index, written twice, only when the game's own list offers it
};

struct SettingRule {
  const char* name;
  SettingKind kind;
  game::Address address;
};

inline constexpr int kSettingCount = 16;

// The rule whose name equals the text exactly (case-sensitive), or null.
const SettingRule* findSettingRule(const char* name, uint32_t length);

// Page value to game value, rounded to the nearest value the game holds and kept in the range
// of the game's own slider, so every page value the game can hold reads back as itself.
float mouseSensitivityFromPage(int32_t value);
float drawDistanceFromPage(int32_t value);
int32_t brightnessFromPage(int32_t value);
uint8_t volumeLevelFromPage(int32_t value);
int32_t radarModeFromPage(int32_t value);
uint8_t toggleFromPage(int32_t value);
uint8_t invertedToggleFromPage(int32_t value);

// Game value to page value, rounded to the nearest percent and defined for every value the game
// variable can hold (NaN and the infinities included): an out-of-range value reports as the
// nearest end of the page's range.
int32_t mouseSensitivityToPage(float value);
int32_t drawDistanceToPage(float value);
int32_t brightnessToPage(int32_t value);
int32_t volumeLevelToPage(uint8_t level);
int32_t radarModeToPage(int32_t value);
bool invertedToggleToPage(uint8_t value);

// Whether the game's own list of display modes would hold this mode, by the rules the game
// builds it with: an exclusive mode, at least 640 x 480, whose height to width is exactly 4:3,
// 5:4, 5:3, 16:10 or 16:9. (The game also leaves out modes its video memory cannot hold; only
// its list knows that.)
bool videoModeMeetsGameRules(const ResolutionModeInfo& mode);
