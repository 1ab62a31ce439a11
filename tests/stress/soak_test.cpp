// Soak: the module in the game for 30 minutes (TEMBRA_SOAK_MINUTES chooses another length) with
// 8 pages polling, a slider being dragged, ESC pressed and keys captured at a player's pace. No
// request fails, memory and handles do not grow, and the frame tick does not get slower.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/page_traffic.h"
#include "sim/process_metrics.h"
#include "sim/real_input.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "sim/stress_rig.h"

namespace {

constexpr int kDefaultMinutes = 30;
constexpr int kPollingPages = 8;
constexpr int64_t kMinuteMs = 60000;
// Memory and handles are compared from the end of the first minute, when every browser exists.
constexpr uint64_t kPrivateGrowthMaxBytes = 2u << 20;
constexpr int kHandleGrowthMax = 4;
// The minutes' 99th percentiles of the last third of the soak may not exceed those of the first
// third by more than this factor and slack, both taken as medians: a drift moves the whole last
// third, while a burst of the machine's other work in one minute moves the median of neither.
constexpr double kP99DriftFactor = 2.0;
constexpr int64_t kP99SlackUs = 1000;

int soakMinutes() {
  const char* given = std::getenv("TEMBRA_SOAK_MINUTES");
  return given != nullptr ? std::max(2, std::atoi(given)) : kDefaultMinutes;
}

int64_t percentile99(std::vector<int64_t> us) {
  if (us.empty()) return 0;
  std::sort(us.begin(), us.end());
  return us[us.size() * 99 / 100];
}

int64_t medianOf(std::vector<int64_t> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

TEST(StressSoak, HoursOfPlayLeaveNoGrowthNoFailedRequestAndNoSlowerFrames) {
  if (!sim::longStressRun()) GTEST_SKIP() << "the soak runs in the long stress run only";
  const int minutes = soakMinutes();
  const HWND window = stress::startGame();
  sim::bringToFront(window);
  ASSERT_TRUE(stress::initializeAndWaitForBridge());
  // The player is in the world: ESC belongs to the module from now on.
  sim::setGameValue<int32_t>(sim::gta::kPlayerPed, 0x01234560);

  sim::PageTraffic pages;
  for (int page = 0; page < kPollingPages; ++page) pages.addPage([](int) { return std::string("/state"); }, 250);
  // The effects slider dragged back and forth, five steps a second.
  pages.addPage([](int i) { return "/setting?name=sfxVolume&value=" + std::to_string(std::abs(i % 200 - 100)); }, 200);
  // A control re-bound now and then: capture on, a key, capture off.
  pages.addPage([](int i) { return std::string(i % 2 == 0 ? "/action?name=capture_on" : "/action?name=capture_off"); },
                2500);
  pages.addKeyPresser('K', 900);
  pages.addKeyPresser(VK_ESCAPE, 4000);

  std::printf("soak: %d minutes\nminute  frames  p50 us  p99 us  requests  %s\n", minutes, "resources");
  std::vector<int64_t> minuteP99s;
  sim::ProcessMetrics settled{};
  for (int minute = 1; minute <= minutes; ++minute) {
    std::vector<int64_t> frameUs;
    for (auto start = std::chrono::steady_clock::now(); stress::msSince(start) < kMinuteMs;)
      frameUs.push_back(stress::runRealFrame());
    sim::clearHostCalls();
    const sim::ProcessMetrics now = sim::processMetrics();
    if (minute == 1) settled = now;
    minuteP99s.push_back(percentile99(frameUs));
    std::vector<int64_t> sorted = frameUs;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%6d  %6zu  %6lld  %6lld  %8d  %s\n", minute, frameUs.size(),
                static_cast<long long>(sorted[sorted.size() / 2]), static_cast<long long>(minuteP99s.back()),
                pages.tally().requests.load(), stress::describe(now).c_str());
    std::fflush(stdout);
  }
  pages.stop();
  const sim::ProcessMetrics end = sim::processMetrics();
  const sim::PageTally& tally = pages.tally();
  int menuOpenings = 0;
  int keysCaptured = 0;
  for (const std::string& line : sim::logMessages()) {
    menuOpenings += line.rfind("[MENU] OPEN.", 0) == 0;
    keysCaptured += line.rfind("[CAPTURE] Native keyboard key captured.", 0) == 0;
  }
  std::printf("soak: %d requests, %d answered 200, slowest %d ms; the menu opened %d times, %d keys captured\n",
              tally.requests.load(), tally.ok.load(), tally.slowest.load(), menuOpenings, keysCaptured);
  EXPECT_GT(menuOpenings, minutes) << "ESC reached the module";
  EXPECT_GT(keysCaptured, minutes) << "keys were captured";
  EXPECT_EQ(tally.ok.load(), tally.requests.load()) << "no failed request";
  EXPECT_EQ(tally.invalidState.load(), 0);
  EXPECT_LT(end.privateBytes, settled.privateBytes + kPrivateGrowthMaxBytes);
  EXPECT_LE(end.handles, settled.handles + kHandleGrowthMax);
  const auto third = static_cast<std::ptrdiff_t>(std::max(1, minutes / 3));
  const int64_t firstP99 = medianOf({minuteP99s.begin(), minuteP99s.begin() + third});
  const int64_t lastP99 = medianOf({minuteP99s.end() - third, minuteP99s.end()});
  std::printf("soak: the minutes' 99th percentile, median of the first %d minutes %lld us, of the last %d %lld us\n",
              static_cast<int>(third), static_cast<long long>(firstP99), static_cast<int>(third),
              static_cast<long long>(lastP99));
  EXPECT_LE(lastP99, static_cast<int64_t>(firstP99 * kP99DriftFactor) + kP99SlackUs);
  sim::module().quit();
}

}  // namespace
