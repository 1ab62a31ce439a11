// The command queue between the bridge thread and the game thread.
#pragma once

#include <cstddef>

#include "core/bridge_command.h"

// A stalled game thread (no game window, so no drain) must not let a page grow the queue
// without end inside a 32-bit game process; no real page comes near this many.
inline constexpr size_t kCommandQueueMaxCommands = 1024;
inline constexpr int kCommandsPerFrame = 32;

// Bridge thread. Appends a copy; false when the command was not taken (locks not ready, queue
// full, or no memory), so the bridge can answer honestly. A full queue is logged once per burst.
bool pushCommand(const BridgeCommand& command);

// Game thread. Moves the front command out (no allocation while the lock is held); false when
// the queue is empty. The caller has checked that the locks exist.
bool takeFrontCommand(BridgeCommand& command);
