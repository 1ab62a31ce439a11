// Turns the hook's ESC request into one pause menu toggle on the game thread.
#pragma once

#include <cstdint>

// Presses closer than this to the last accepted one are dropped.
inline constexpr uint64_t kEscDebounceMs = 200;

// Takes a pending ESC request and toggles the pause menu. Game thread, once per frame.
void processEscRequest();
