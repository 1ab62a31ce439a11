// Keeps a C++ exception (above all a failed allocation) from leaving one of the module's entry
// points, thread procedures or callbacks: past them are the host's, the system's and the game's
// frames, where it would end the player's game.
#pragma once

#include "log/log_file.h"

// Runs the body; anything thrown ends as the fixed log line instead (and, should even that line
// find no memory, as nothing).
template <typename Body>
void runContained(const char* failureMessage, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    try {
      logLine(failureMessage);
    } catch (...) {
    }
  }
}
