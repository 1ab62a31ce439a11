// The simulated game and module as the stress scenarios start and drive them.
#include "sim/stress_rig.h"

#include "sim/bridge_client.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace stress {

int64_t msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

HWND startGame() {
  sim::installGame();
  const HWND window = sim::createGameWindow();
  sim::setAnswerCreates(true);
  return window;
}

bool initializeAndWaitForBridge() {
  sim::setTickMs(::GetTickCount64());
  sim::initializeWithHost();
  return sim::waitForBridge();
}

int64_t runRealFrame() {
  sim::setTickMs(::GetTickCount64());
  // The simulated game's recording holds this frame's calls only, so it never grows for long.
  sim::clearRoutineCalls();
  const auto start = std::chrono::steady_clock::now();
  sim::runFrame();
  const int64_t us =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  ::Sleep(kFrameMs);
  return us;
}

void runRealFrames(DWORD durationMs) {
  for (auto start = std::chrono::steady_clock::now(); msSince(start) < durationMs;) runRealFrame();
}

std::string describe(const sim::ProcessMetrics& metrics) {
  return "threads " + std::to_string(metrics.threads) + ", handles " + std::to_string(metrics.handles) +
         ", private " + std::to_string(metrics.privateBytes / 1024) + " KB";
}

}  // namespace stress
