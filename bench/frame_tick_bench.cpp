// The frame tick's cost per frame beside the game window search it cannot do without.
#include "bench/frame_tick_bench.h"

#include <windows.h>

#include <vector>

#include "bench/bench_clock.h"
#include "core/exports.h"
#include "core/plugin_state.h"
#include "native/state_document.h"
#include "sim/fake_clock.h"
#include "sim/sim_game.h"

namespace bench {
namespace {

constexpr int kFramesPerMinute = 3600;
// 17, 17 and 16 ms: three frames every 50 ms, exactly 60 frames a second.
constexpr uint64_t kFrameStepsMs[] = {17, 17, 16};
// The loading page tells the module it is done, and the player spawns, this far into the game.
constexpr int kPlayerSpawnFrame = 8 * 60;

constexpr double kSteadyRatioGoal = 1.2;
constexpr double kMinuteMeanRatioGoal = 1.5;

struct MinuteFigures {
  double moduleMean, floorMean, moduleP99, floorP99;
};

// One minute of frames; the order of tick and search alternates, so neither always finds the
// other's caches warm.
MinuteFigures playMinute(int& frameNumber) {
  std::vector<double> ticks, searches;
  ticks.reserve(kFramesPerMinute);
  searches.reserve(kFramesPerMinute);
  for (int i = 0; i < kFramesPerMinute; ++i, ++frameNumber) {
    if (frameNumber == kPlayerSpawnFrame) enterWorld();
    sim::advanceMs(kFrameStepsMs[frameNumber % 3]);
    pumpGame();
    if (i % 2 == 0) {
      ticks.push_back(microsecondsOf(cef_samp_mainloop));
      searches.push_back(microsecondsOf(searchGameWindowAlone));
    } else {
      searches.push_back(microsecondsOf(searchGameWindowAlone));
      ticks.push_back(microsecondsOf(cef_samp_mainloop));
    }
  }
  return {meanOf(ticks), meanOf(searches), percentileOf(ticks, 0.99), percentileOf(searches, 0.99)};
}

// Browsers made and answered, the loading screen hidden, the player in the world, the menu closed.
bool steadyStateReached() {
  return gState.hudCreated.load() == 1 && gState.pauseReady.load() == 1 && gState.loadingHideRequested.load() == 1 &&
         gState.escEnabled.load() == 1 && gState.menuOpen.load() == 0;
}

}  // namespace

void benchFrameTickMinutes(const Plan& plan) {
  const int minutes = plan.smoke ? 1 : 15;
  std::vector<double> moduleMeans, floorMeans, moduleP99s, floorP99s;
  int frameNumber = 0;
  for (int minute = 0; minute < minutes; ++minute) {
    const MinuteFigures figures = playMinute(frameNumber);
    moduleMeans.push_back(figures.moduleMean);
    floorMeans.push_back(figures.floorMean);
    moduleP99s.push_back(figures.moduleP99);
    floorP99s.push_back(figures.floorP99);
  }
  const std::string over = countOf(minutes, "simulated minute");
  emitRow(sideBySideRow("frame tick, 60 s at 60 fps with rebuilds: mean (" + over + ", the first from start-up)",
                        moduleMeans, floorMeans, kMinuteMeanRatioGoal));
  emitRow(sideBySideRow("frame tick, 60 s at 60 fps with rebuilds: 99th percentile (" + over + ")", moduleP99s,
                        floorP99s));
}

void benchSteadyFrameTick(const Plan& plan) {
  // Many short batches: on a loaded machine a batch is sometimes cut by another program's time
  // slice, and the median leaves those batches out as long as most are not.
  const int batches = plan.smoke ? 5 : 401;
  const int framesPerBatch = 10;
  if (!steadyStateReached()) {
    emitRow(failedRow("frame tick, steady", "the simulated game did not reach the steady state"));
    return;
  }
  // The clock stands still from a fresh build on, so no rebuild falls due in any batch.
  refreshStateDocument(true);
  pumpGame();
  std::vector<double> frames, searches;
  alternateBatches(batches, framesPerBatch, cef_samp_mainloop, searchGameWindowAlone, frames, searches);
  emitRow(sideBySideRow("frame tick, steady (" + std::to_string(batches) + " batches of " +
                            std::to_string(framesPerBatch) + " frames)",
                        frames, searches, kSteadyRatioGoal));
}

}  // namespace bench
