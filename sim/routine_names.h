// The game routines the simulated game stands in for, by the names the player's commands and the
// event feed give them (the names of the public reverse engineering, as in docs/game-reference.md).
#pragma once

#include <cstdint>

#include "sim/sim_game.h"

namespace sim {

struct NamedRoutine {
  const char* name;
  uintptr_t address;
};

inline constexpr NamedRoutine kNamedRoutines[] = {
    {"SaveSettings", gta::kSaveSettings},
    {"ReinitControls", gta::kReinitControls},
    {"DeleteMatchingActionInitiators", gta::kDeleteMatchingActionInitiators},
    {"ClearActionSlot", gta::kClearActionSlot},
    {"SetKeyboardKeyForAction", gta::kSetKeyboardKeyForAction},
    {"SetMouseButtonForAction", gta::kSetMouseButtonForAction},
    {"SwitchMenuPage", gta::kSwitchMenuPage},
    {"GetResolutionModeCount", gta::kGetResolutionModeCount},
    {"GetResolutionModeInfo", gta::kGetResolutionModeInfo},
    {"ApplySfxVolume", gta::kApplySfxVolume},
    {"ApplyMusicVolume", gta::kApplyMusicVolume},
    {"ApplyRadioEq", gta::kApplyRadioEq},
    {"ApplyRadioAutoRetune", gta::kApplyRadioAutoRetune},
};

}  // namespace sim
