// The game routines the simulated game can make fault (sim/routine_names.h), by the
// names the event feed uses; the player's panel offers them and the mock knows them.
export const GAME_ROUTINES = Object.freeze([
  "SaveSettings", "SetKeyboardKeyForAction", "SetMouseButtonForAction", "DeleteMatchingActionInitiators",
  "ClearActionSlot", "ReinitControls", "SwitchMenuPage", "ApplySfxVolume", "ApplyMusicVolume", "ApplyRadioEq",
  "ApplyRadioAutoRetune", "GetResolutionModeCount", "GetResolutionModeInfo",
]);
