// The state document's text from a snapshot of plain values, and the rules for the resolution
// options it offers. No Windows header: tested natively, byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "native/game_addresses.h"

struct ResolutionOption {
  int32_t mode;
  int32_t width;
  int32_t height;
};

// Smaller modes are never offered: the game's menus do not fit.
inline constexpr int32_t kMinOptionWidth = 640;
inline constexpr int32_t kMinOptionHeight = 480;
// A count outside 1..512 means the game's video layer is not answering sensibly.
inline constexpr int32_t kMaxResolutionModes = 512;

// The game's raw values behind the "settings" member, in the order they are read.
struct GameSettingValues {
  float mouseSensitivity;
  uint8_t invertY;
  uint8_t mouseSteer;
  uint8_t mouseFly;
  int32_t brightness;
  float drawDistance;
  uint8_t widescreen;
  uint8_t frameLimiter;
  uint8_t hud;
  uint8_t subtitles;
  int32_t radarMode;
  uint8_t sfxVolume;
  uint8_t musicVolume;
  uint8_t radioEq;
  uint8_t radioAuto;
  int32_t resolutionMode;
};

// What a read that fails leaves in place.
GameSettingValues defaultGameSettingValues();

struct StateSnapshot {
  bool supported = false;
  bool menuOpen = false;
  int32_t menuGeneration = 0;
  int32_t captureCancelCounter = 0;
  int32_t capturedKey = -1;
  int32_t capturedKeyCounter = 0;
  // The rest is written only when supported.
  GameSettingValues settings = defaultGameSettingValues();
  int32_t resolutionWidth = 0;
  int32_t resolutionHeight = 0;
  std::vector<ResolutionOption> resolutionOptions;
  uint32_t bindings[game::kActionCount][game::kActionKeySlots] = {};
};

// One line of JSON, no whitespace, members in their fixed order.
std::string formatStateDocument(const StateSnapshot& snapshot);

// Gathers mode i for the options, unless its size is too small.
void addResolutionOption(std::vector<ResolutionOption>& options, const ResolutionOption& mode);

// Leaves each size of the gathered modes once, ascending by width, then height: represented by
// the current mode when it has that size, otherwise by the size's lowest index.
void finishResolutionOptions(std::vector<ResolutionOption>& options, int32_t current);
