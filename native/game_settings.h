// The game's settings as the pages change them: applied by name on the game thread, saved
// 200 ms after the last change.
#pragma once

#include <cstdint>
#include <string>

#include "native/state_json.h"

// A burst of changes (a slider being dragged) costs one save this long after the last one.
inline constexpr uint64_t kSettingsSaveDelayMs = 200;

// Writes the setting's game value (and calls the audio engine's routine for the audio settings); true
// when the name is known and the write succeeded, which arms the deferred save. Game thread.
bool applySetting(const std::string& name, int32_t value);

// Whether the game's own list of display modes offers mode `mode` (of 0..count-1, described by
// `info`): the list's entry once the game has built it, its rules before. Game thread.
bool gameOffersVideoMode(int32_t mode, const ResolutionModeInfo& info);

// Once per frame: saves through the game 200 ms after the last accepted change. Game thread.
void saveChangedSettings();

// The sixteen game values, each left at its default when its read fails. Game thread.
GameSettingValues readGameSettingValues();
