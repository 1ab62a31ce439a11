// Control bindings: a key bound to one of the game's control actions through the game's own
// routines, so that the game's rules about keys held by other actions apply.
#pragma once

#include <cstdint>
#include <string>

#include "native/binding_rules.h"

// Binds the key to slot `type` (0 and 1 keyboard, 2 mouse button) of action 0..58, as the game's
// controls menu does: the game first deletes the bindings that hold the key (a keyboard key from
// both keyboard slots, one slot kind at a time), then the slot is cleared and the key set; "no
// key" only clears the slot. True when the game's routines ran without a fault; false without a
// word for an action or type out of range or without native support; a key the game would not
// bind is refused with a line and changes nothing; a fault is logged. Game thread; the caller saves.
bool applyBinding(int32_t action, int32_t type, uint32_t key);

// "action=A type=T key=K" as the binding lines log it: action and type signed, the key unsigned.
std::string describeBinding(int32_t action, int32_t type, uint32_t key);
