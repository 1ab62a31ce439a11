// Start and stop under traffic, again and again: after 100 cef_initialize/cef_quit cycles with
// pages talking to the bridge, the process holds the threads, handles and memory it held after
// the first few.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sim/module_under_test.h"
#include "sim/page_traffic.h"
#include "sim/process_metrics.h"
#include "sim/sim_host.h"
#include "sim/stress_rig.h"

namespace {

constexpr int kWarmUpCycles = 3;
constexpr DWORD kCycleRunMs = 150;
constexpr int kHandleSlack = 2;
constexpr uint64_t kPrivateGrowthMaxBytes = 1u << 20;

// One run of the module with pages polling and changing a setting, stopped while they do.
void cycle(int& served) {
  ASSERT_TRUE(stress::initializeAndWaitForBridge());
  sim::PageTraffic pages;
  pages.addPage([](int) { return std::string("/state"); }, 5);
  pages.addPage([](int i) { return "/setting?name=brightness&value=" + std::to_string(i % 101); }, 10);
  stress::runRealFrames(kCycleRunMs);
  sim::module().quit();
  pages.stop();
  served += pages.tally().ok.load();
  EXPECT_EQ(pages.tally().invalidState.load(), 0);
  EXPECT_EQ(pages.tally().otherStatus.load(), 0);
  sim::clearHostCalls();
}

TEST(StressCycles, StartsAndStopsUnderTrafficGiveBackThreadsHandlesAndMemory) {
  const int cycles = sim::longStressRun() ? 1000 : 100;
  stress::startGame();
  int served = 0;
  for (int i = 0; i < kWarmUpCycles; ++i) cycle(served);
  const sim::ProcessMetrics start = sim::processMetrics();
  for (int i = 0; i < cycles && !::testing::Test::HasFatalFailure(); ++i) cycle(served);
  const sim::ProcessMetrics end = sim::processMetrics();
  std::printf("cycles: %d cycles, %d requests served; after warm-up %s; after the cycles %s\n", cycles, served,
              stress::describe(start).c_str(), stress::describe(end).c_str());
  EXPECT_GE(served, cycles) << "every cycle's pages were served";
  EXPECT_EQ(end.threads, start.threads);
  EXPECT_LE(end.handles, start.handles + kHandleSlack);
  EXPECT_LT(end.privateBytes, start.privateBytes + kPrivateGrowthMaxBytes);
}

}  // namespace
