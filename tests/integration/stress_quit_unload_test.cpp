// Quit under load, then unload: the host calls cef_quit while pages poll, one peer trickles and
// the keyboard hook is kept busy, unloads the module with FreeLibrary, runs on without it, and
// loads it again. A thread of the module outliving the quit, or a hook left installed, would run
// unmapped code and end the game.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>

#include "sim/bridge_client.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/page_traffic.h"
#include "sim/process_metrics.h"
#include "sim/real_input.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "sim/stress_rig.h"

namespace {

constexpr int kPollingPages = 8;
// cef_quit waits at most 2200 ms for the bridge and 2000 ms for the hook thread.
constexpr int64_t kQuitLimitMs = 4200;
constexpr DWORD kRunWithoutModuleMs = 5000;

using stress::msSince;
using stress::runRealFrames;

// The module's worker threads: those that appeared with cef_initialize, less the pages'.
std::set<DWORD> threadsStartedSince(const std::set<DWORD>& before, sim::PageTraffic& pages) {
  std::set<DWORD> started;
  for (DWORD id : sim::threadIds())
    if (before.count(id) == 0) started.insert(id);
  for (DWORD id : pages.threadIds()) started.erase(id);
  return started;
}

std::string stateBody() { return sim::bodyOf(sim::exchange("GET /state HTTP/1.1\r\n\r\n")); }

TEST(StressQuitUnderLoad, QuitReturnsInTimeUnloadLeavesNothingRunningAndTheModuleLoadsAgain) {
  const HWND window = stress::startGame();
  // The hook procedure captures keys only while the game is in front.
  ASSERT_TRUE(sim::bringToFront(window));
  const std::set<DWORD> before = sim::threadIds();
  ASSERT_TRUE(stress::initializeAndWaitForBridge());

  sim::PageTraffic pages;
  for (int page = 0; page < kPollingPages; ++page) pages.addPage([](int) { return std::string("/state"); }, 0);
  pages.addTrickler(50);
  // Keyboard capture makes the hook procedure log every key it swallows: a busy hook thread.
  ASSERT_EQ(sim::statusOf(sim::exchange("GET /action?name=capture_on HTTP/1.1\r\n\r\n")), 200);
  pages.addKeyPresser('A', 1);
  runRealFrames(1500);
  const std::set<DWORD> workers = threadsStartedSince(before, pages);
  EXPECT_EQ(workers.size(), 2u) << "the bridge and keyboard hook threads";
  EXPECT_GT(sim::logCount("[CAPTURE] Keyboard capture enabled."), 0);

  int keysCaptured = 0;
  for (const std::string& line : sim::logMessages()) keysCaptured += line.rfind("[CAPTURE] Native keyboard key", 0) == 0;
  const auto quitStart = std::chrono::steady_clock::now();
  sim::module().quit();
  const int64_t quitMs = msSince(quitStart);
  std::printf("quit under load: %d requests answered and %d keys captured in 1.5 s; cef_quit took %lld ms\n",
              pages.tally().ok.load(), keysCaptured, static_cast<long long>(quitMs));
  EXPECT_GT(keysCaptured, 10) << "the hook thread was busy with keys when the quit came";
  EXPECT_LE(quitMs, kQuitLimitMs);
  for (DWORD id : workers) EXPECT_TRUE(sim::threadEnded(id)) << "worker thread " << id << " outlived cef_quit";
  EXPECT_TRUE(sim::logHas("[BRIDGE] HTTP bridge stopped."));
  EXPECT_TRUE(sim::logHas("[KEYBOARD] Hook stopped."));
  const int answeredBeforeUnload = pages.tally().ok.load();
  EXPECT_GT(answeredBeforeUnload, kPollingPages) << "the pages were really served before the quit";
  EXPECT_EQ(pages.tally().invalidState.load(), 0);

  // The pages and the key presses go on across the unload: a leftover hook or socket would now
  // run code that is gone.
  ASSERT_TRUE(sim::unloadModule()) << "FreeLibrary must really unload the module";
  const auto unloadedAt = std::chrono::steady_clock::now();
  while (msSince(unloadedAt) < kRunWithoutModuleMs) {
    sim::pumpMessages();
    ::Sleep(stress::kFrameMs);
  }
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_EQ(pages.tally().ok.load(), answeredBeforeUnload) << "nothing may answer once the module is gone";
  pages.stop();

  ASSERT_TRUE(stress::initializeAndWaitForBridge());
  runRealFrames(300);
  const std::string state = stateBody();
  EXPECT_TRUE(sim::isValidJson(state)) << state;
  EXPECT_NE(state.find("\"supported\":true"), std::string::npos) << state;
  EXPECT_EQ(sim::statusOf(sim::exchange("GET /action?name=capture_off HTTP/1.1\r\n\r\n")), 200);
  runRealFrames(100);
  EXPECT_TRUE(sim::logHas("[CAPTURE] Capture disabled.")) << "the reloaded module carries out commands";
  sim::module().quit();
}

}  // namespace
