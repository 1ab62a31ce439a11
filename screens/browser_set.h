// The module's three browsers: their creation on the frame tick's schedule.
#pragma once

#include <cstdint>

// Each requests its browser once per guard value; no-ops afterwards. Game thread.
void createLoadingBrowser();
void createPauseBrowser();
void createHudBrowser();

// Runs the creation steps that are due elapsedMs after the game window appeared, in order.
void runCreationSchedule(uint64_t elapsedMs);
