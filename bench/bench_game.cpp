// The simulated game and host for the benchmark program.
#include "bench/bench_game.h"

#include <windows.h>

#include <cstdio>

#include "core/command_queue.h"
#include "core/exports.h"
#include "core/game_window.h"
#include "core/plugin_state.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace bench {
namespace {

constexpr uint64_t kStartTickMs = 1'000'000;
// 4:3 from 640 x 480 upwards, one step of 4 x 3 pixels a mode: every size distinct, each one the
// game's own list would offer.
constexpr int32_t kFirstWidth = 640;
constexpr int32_t kFirstHeight = 480;
constexpr int32_t kWidthStep = 4;
constexpr int32_t kHeightStep = 3;
constexpr int32_t kPlayerPedValue = 0x1234560;

}  // namespace

void emitRow(const Row& row) {
  std::printf("%s\n", rowLine(row).c_str());
  std::fflush(stdout);
}

std::vector<std::pair<int32_t, int32_t>> distinctModes(int count) {
  std::vector<std::pair<int32_t, int32_t>> modes;
  for (int i = 0; i < count; ++i)
    modes.emplace_back(kFirstWidth + kWidthStep * i, kFirstHeight + kHeightStep * i);
  return modes;
}

void prepareSimulatedGame(int modeCount) {
  sim::installGame();
  sim::useDirectRoutineCode();
  sim::setRecordRoutineCalls(false);
  sim::setResolutionModes(distinctModes(modeCount));
  sim::setGameValue<int32_t>(sim::gta::kResolutionMode, modeCount / 2);
  sim::installFakeClock(::GetModuleHandleW(nullptr));
  sim::setTickMs(kStartTickMs);
  sim::createGameWindow();
}

bool startModuleInGame() {
  sim::setAnswerCreates(true);
  const HostApi table = sim::hostTable();
  cef_initialize(&table);
  if (!gState.nativeSupported) std::fprintf(stderr, "bench: the module did not accept the simulated game's layout\n");
  return gState.nativeSupported;
}

void pumpGame() {
  sim::pumpMessages();
  sim::deliverCreatedBrowsers(&cef_browser_created);
}

void searchGameWindowAlone() {
  volatile HWND found = findGameWindow();
  (void)found;
}

void enterWorld() {
  sim::setGameValue<int32_t>(sim::gta::kPlayerPed, kPlayerPedValue);
  BridgeCommand hide;
  hide.kind = kCommandLoadingHide;
  pushCommand(hide);
}

}  // namespace bench
