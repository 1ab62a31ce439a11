// Which keys the game's own controls menu lets a player bind to a slot, by the game's rules. No
// Windows header: tested natively.
#pragma once

#include <cstdint>

// The game's blank keyboard key: an emptied keyboard slot holds it (an emptied mouse slot 0).
inline constexpr uint32_t kNoKeyCode = 1056;

enum class BindingKey {
  Refused,  // the game's menu would not bind it, or has no name for it on its controls page
  Clear,    // "no key": 0, 1056 or -1; the slot is emptied as the game's blank leaves it
  Set,      // a key the game binds to the slot
};

// For slot `type` (0 and 1 keyboard keys, 2 the mouse button) and a page's key code. Keyboard:
// the character codes 1..255 the game names (not '^' or 178, which it names only in German and
// French) and 1001..1055, less what its menu refuses (F1-F3, both Windows keys) and ESC, which
// cancels its capture. Mouse: the game's seven button codes 1..7.
BindingKey classifyBindingKey(int32_t type, uint32_t key);
