// The page author's controls over the running simulated game: the player's player page writes
// one command a line to a file, and the game carries each out on its own thread between frames,
// as the situation would arise in the real game.
//   player in|out            the player's character in the world or not
//   window hidden|shown      the game window hidden (minimised to nothing) or shown again
//   menu up|down             the game's own menu up or not
//   fault <routine> on|off   a game routine faults when called (SaveSettings, SetKeyboardKeyForAction, ...)
//   modes 800x600,1024x768   the display modes the game's video layer lists
//   bind <action> <slot> <key>   a binding changed by the game itself (its own controls menu)
//   defaults                 the game's default bindings
#pragma once

#include <windows.h>

#include <string>

namespace sim {

// Follows the command file at the Windows path; commands written before are carried out too.
void followPlayerControls(const std::wstring& path, HWND gameWindow);

// Carries out the commands written since the last call, each fed back as "game control <line>"
// (or "game control refused <line>").
void applyPlayerControls();

// The game's default bindings written into its control configuration.
void writeDefaultBindings();

// The persistence routine's first byte replaced by a jump, as a patched game build has it; the
// module sees that in its layout check and keeps settings for the session only.
void patchSaveRoutine();

}  // namespace sim
