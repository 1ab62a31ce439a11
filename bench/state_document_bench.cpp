// The state document's build cost, and its floor: the game's own reads and routine calls.
#include "bench/state_document_bench.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "native/game_addresses.h"
#include "native/game_calls.h"
#include "native/state_document.h"
#include "sim/sim_game.h"

namespace bench {
namespace {

struct ModeGoal {
  int modes;
  double goalMicroseconds;  // 0: no goal of its own
};
constexpr ModeGoal kModeGoals[] = {{1, 0}, {30, 50}, {512, 500}};
// Each batch runs about this long: long against the counter's resolution, short against the
// time slices of the other programs on a loaded machine, so most batches are never cut.
constexpr double kBatchMicroseconds = 300;

template <typename T>
int64_t plainRead(game::Address address) {
  return static_cast<int64_t>(*reinterpret_cast<volatile const T*>(address));
}

// The same game work as one build, done plainly: the sixteen settings and the 177 key slots
// read, and the resolution routines called as often as a build calls them (the count before
// the current mode and before every listed mode, once more for the list, and the record of
// the current mode and of every mode). What remains of a build beyond this is the module's.
__attribute__((noinline)) int64_t plainBuildWork() {
  int64_t sum = plainRead<float>(game::kMouseSensitivity) + plainRead<uint8_t>(game::kInvertY) +
                plainRead<uint8_t>(game::kMouseSteer) + plainRead<uint8_t>(game::kMouseFly) +
                plainRead<int32_t>(game::kBrightness) + plainRead<float>(game::kDrawDistance) +
                plainRead<uint8_t>(game::kWidescreen) + plainRead<uint8_t>(game::kFrameLimiter) +
                plainRead<uint8_t>(game::kHud) + plainRead<uint8_t>(game::kSubtitles) +
                plainRead<int32_t>(game::kRadarMode) + plainRead<uint8_t>(game::kSfxVolume) +
                plainRead<uint8_t>(game::kMusicVolume) + plainRead<uint8_t>(game::kRadioEq) +
                plainRead<uint8_t>(game::kRadioAuto);
  const int32_t current = static_cast<int32_t>(plainRead<int32_t>(game::kResolutionMode));
  ResolutionModeInfo info{};
  sum += game::callPlain<int32_t>(game::kGetResolutionModeCount);
  sum += game::callPlain<int32_t>(game::kGetResolutionModeInfo, &info, current);
  const int32_t count = game::callPlain<int32_t>(game::kGetResolutionModeCount);
  for (int32_t mode = 0; mode < count; ++mode) {
    sum += game::callPlain<int32_t>(game::kGetResolutionModeCount);
    sum += game::callPlain<int32_t>(game::kGetResolutionModeInfo, &info, mode);
    sum += info.width;
  }
  for (int action = 0; action < game::kActionCount; ++action)
    for (int slot = 0; slot < game::kActionKeySlots; ++slot) sum += plainRead<int32_t>(game::actionKeySlot(action, slot));
  return sum;
}

// The options a build listed, counted in its text: one "mode" member each.
int listedOptions(const std::string& document) {
  int count = 0;
  for (size_t at = document.find("{\"mode\":"); at != std::string::npos; at = document.find("{\"mode\":", at + 1)) ++count;
  return count;
}

struct BuildFigures {
  std::vector<double> builds, floors;  // microseconds per build, per batch
};

// The game lists this many modes, and its current one is in the middle.
void useModes(int modes) {
  sim::setResolutionModes(distinctModes(modes));
  sim::setGameValue<int32_t>(sim::gta::kResolutionMode, modes / 2);
}

BuildFigures measureBuilds(const Plan& plan) {
  const int batches = plan.smoke ? 3 : 201;
  // The quickest of a few single builds, as one of them may have been cut short.
  double once = 1e9;
  for (int i = 0; i < 5; ++i) once = std::min(once, microsecondsPerCall(1, [] { buildStateDocument(); }));
  const int perBatch = plan.smoke ? 2 : std::max(1, std::min(200, static_cast<int>(kBatchMicroseconds / (once + 0.01))));
  BuildFigures figures;
  volatile int64_t sink = 0;
  const auto build = [] { buildStateDocument(); };
  const auto plain = [&sink] { sink = sink + plainBuildWork(); };
  alternateBatches(batches, perBatch, build, plain, figures.builds, figures.floors);
  return figures;
}

}  // namespace

void benchStateDocument(const Plan& plan) {
  double buildMedians[sizeof kModeGoals / sizeof kModeGoals[0]] = {};
  double floorMedians[sizeof kModeGoals / sizeof kModeGoals[0]] = {};
  for (size_t i = 0; i < sizeof kModeGoals / sizeof kModeGoals[0]; ++i) {
    const ModeGoal& goal = kModeGoals[i];
    const std::string measurement =
        "state document build, " + std::to_string(goal.modes) + " resolution mode" + (goal.modes > 1 ? "s" : "");
    useModes(goal.modes);
    const int listed = listedOptions(buildStateDocument());
    if (listed != goal.modes) {
      emitRow(failedRow(measurement, "the build listed " + std::to_string(listed) + " options"));
      continue;
    }
    const BuildFigures figures = measureBuilds(plan);
    buildMedians[i] = spreadOf(figures.builds).median;
    floorMedians[i] = spreadOf(figures.floors).median;
    Row row = sideBySideRow(measurement, figures.builds, figures.floors);
    if (goal.goalMicroseconds > 0) {
      row.goal = "≤ " + formatMicroseconds(goal.goalMicroseconds);
      row.verdict = atMost(buildMedians[i], goal.goalMicroseconds);
    }
    emitRow(row);
  }
  // Growth between the two larger counts, per mode: linear growth shows as a steady cost per
  // mode, close to the floor's.
  const double extraModes = kModeGoals[2].modes - kModeGoals[1].modes;
  Row growth;
  growth.measurement = "state document build, growth per mode from 30 to 512 modes";
  const double modulePerMode = (buildMedians[2] - buildMedians[1]) / extraModes;
  const double floorPerMode = (floorMedians[2] - floorMedians[1]) / extraModes;
  growth.module = formatMicroseconds(modulePerMode) + " per mode";
  growth.floor = formatMicroseconds(floorPerMode) + " per mode";
  if (floorPerMode > 0) growth.ratio = formatNumber(modulePerMode / floorPerMode);
  emitRow(growth);
}

}  // namespace bench
