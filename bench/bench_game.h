// The simulated game and host around the module linked into the benchmark program, set up for
// long runs: routines reached directly and nothing recorded per call, so what is measured is
// the module and not the simulation's bookkeeping.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_stats.h"

namespace bench {

// How long each measurement runs: the full benchmark, or the smoke run that only proves every
// measurement still works.
struct Plan {
  bool smoke = false;
};

// Resolution modes while the game runs: what a common monitor offers.
inline constexpr int kPlayModes = 30;

// Prints the row at once, so a run that dies later still leaves what it measured.
void emitRow(const Row& row);

// count distinct sizes of at least 640 x 480, as the game lists them: ascending.
std::vector<std::pair<int32_t, int32_t>> distinctModes(int count);

// The game's memory and routines, its window, and the fake clock on this program's imports.
void prepareSimulatedGame(int modeCount);

// cef_initialize with the simulated host, which answers every create request; true when the
// module accepted the simulated game's layout, which every game measurement needs (otherwise
// says so on the error output).
bool startModuleInGame();

// One game frame outside any measurement: the window's messages, then the host's answers.
void pumpGame();

// The frame tick's floor: the game-window search alone, as every frame makes it.
void searchGameWindowAlone();

// What the game and the loading page do once loading is over: the player's character appears
// and the page asks the module to hide the loading screen.
void enterWorld();

}  // namespace bench
