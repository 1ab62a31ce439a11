// One request from the bridge to the game thread, as a plain value, and the queue that carries
// them. No Windows header: the bridge's routing logic builds these in pure code.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

// What a command asks of the game thread; any other kind is taken off the queue and ignored.
inline constexpr int32_t kCommandContinue = 1;       // close the pause menu
inline constexpr int32_t kCommandMap = 2;            // the game's own map page
inline constexpr int32_t kCommandExit = 3;           // WM_CLOSE to the game window
inline constexpr int32_t kCommandResetControls = 4;  // the game's default bindings, saved
inline constexpr int32_t kCommandCaptureOn = 5;      // value 2: mouse capture, else keyboard
inline constexpr int32_t kCommandCaptureOff = 6;
inline constexpr int32_t kCommandLoadingHide = 7;
inline constexpr int32_t kCommandSetting = 8;  // name, value
inline constexpr int32_t kCommandBinding = 9;  // action, type, key

struct BridgeCommand {
  int32_t kind = 0;
  std::string name;    // kind 8: the setting name
  int32_t value = 0;   // kind 5: capture mode; kind 8: the setting value
  int32_t action = 0;  // kind 9: game action index 0..58
  int32_t type = 0;    // kind 9: binding slot 0..2
  uint32_t key = 0;    // kind 9: game key code, passed to the game as its 32-bit pattern
};

using CommandQueue = std::deque<BridgeCommand>;
