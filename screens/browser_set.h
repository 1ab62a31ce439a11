// The module's three browsers: their creation on the frame tick's schedule.
#pragma once

#include <cstdint>

// Runs the creation steps that are due elapsedMs after the game window appeared, in order:
// loading, pause, HUD browser, each requested once per guard value. Game thread.
void runCreationSchedule(uint64_t elapsedMs);
