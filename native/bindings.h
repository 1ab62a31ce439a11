// Control bindings: a key bound to one of the game's control actions through the game's own
// routines, so that the game's rules about keys held by other actions apply.
#pragma once

#include <cstdint>
#include <string>

// The key code that, like 0, means "no key": the slot is emptied and nothing is set.
inline constexpr uint32_t kNoKeyCode = 1056;

// Binds the key to slot `type` (0 and 1 keyboard, 2 mouse button) of action 0..58: the game first
// deletes the bindings that hold the key, then the slot is cleared and the key set. True when
// the game's routines ran without a fault; false without a word for an action or type out of
// range or without native support; a fault is logged. Game thread; the caller saves.
bool applyBinding(int32_t action, int32_t type, uint32_t key);

// "action=A type=T key=K" as the binding lines log it: action and type signed, the key unsigned.
std::string describeBinding(int32_t action, int32_t type, uint32_t key);
