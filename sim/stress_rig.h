// What the stress scenarios of this program share: the simulated game started with the module
// in it, frames at the game's pace on the real clock, and reports of the process's resources.
#pragma once

#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/process_metrics.h"

namespace stress {

constexpr DWORD kFrameMs = 16;

int64_t msSince(std::chrono::steady_clock::time_point start);

// The game's memory and window, the recording host answering creates; returns the window.
HWND startGame();

// cef_initialize, then waits for the bridge; false when it does not come up.
bool initializeAndWaitForBridge();

// One frame on the real clock (sim::runFrame), then the rest of the frame's time asleep; returns
// how long the frame took, in microseconds. sim::routineCalls() holds this frame's calls after.
int64_t runRealFrame();
void runRealFrames(DWORD durationMs);

// "threads 12, handles 140, private 3456 KB"
std::string describe(const sim::ProcessMetrics& metrics);

}  // namespace stress
