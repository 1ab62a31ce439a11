// Flood while the game thread stalls: the game window is gone for 10 s while pages keep sending
// bindings. The queue stops at its bound, every refusal is answered as such, memory stays
// bounded, and once the window is back the accepted commands run in arrival order, 32 a frame.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tests/sim/module_under_test.h"
#include "tests/sim/page_traffic.h"
#include "tests/sim/process_metrics.h"
#include "tests/sim/sim_game.h"
#include "tests/sim/stress_rig.h"

namespace {

constexpr int kPages = 4;
constexpr int kQueueBound = 1024;
constexpr int kCommandsPerFrame = 32;
constexpr DWORD kStallMs = 10000;
constexpr uint64_t kStallMemoryGrowthMaxBytes = 8u << 20;

// Each page's binding keys are its own numbers, so the game's calls tell which request they
// came from.
uint32_t keyOf(int page, int index) { return static_cast<uint32_t>(1000000 * (page + 1) + index); }

// The keys of the accepted "/bind" requests in the order the bridge logged them.
std::vector<uint32_t> acceptedInLogOrder(const std::set<uint32_t>& accepted) {
  std::vector<uint32_t> keys;
  for (const std::string& line : sim::logMessages()) {
    if (line.rfind("[BRIDGE] GET /bind?", 0) != 0) continue;
    const size_t at = line.find("&key=");
    if (at == std::string::npos) continue;
    const uint32_t key = static_cast<uint32_t>(std::stoul(line.substr(at + 5)));
    if (accepted.count(key) != 0) keys.push_back(key);
  }
  return keys;
}

TEST(StressFlood, StalledGameKeepsTheQueueBoundedAndRunsItInOrderAfterwards) {
  const HWND window = stress::startGame();
  ASSERT_TRUE(stress::initializeAndWaitForBridge());
  stress::runRealFrames(1500);

  // The window search fails while the window is hidden: no frame drains the queue.
  ::ShowWindow(window, SW_HIDE);
  std::mutex lock;
  std::set<uint32_t> accepted;
  std::set<uint32_t> refused;
  sim::PageTraffic pages;
  for (int page = 0; page < kPages; ++page) {
    pages.addPage([page](int i) {
      return "/bind?action=" + std::to_string(page * 10 + i % 10) + "&type=0&key=" + std::to_string(keyOf(page, i));
    }, 0, [&](const std::string& target, int status) {
      const uint32_t key = static_cast<uint32_t>(std::stoul(target.substr(target.find("&key=") + 5)));
      std::lock_guard<std::mutex> hold(lock);
      (status == 200 ? accepted : refused).insert(key);
    });
  }
  // Measured once the pages run, so their own threads' stacks are not counted as growth.
  pages.threadIds();
  const sim::ProcessMetrics atStall = sim::processMetrics();
  uint64_t mostPrivate = atStall.privateBytes;
  for (auto start = std::chrono::steady_clock::now(); stress::msSince(start) < kStallMs;) {
    stress::runRealFrame();
    mostPrivate = std::max(mostPrivate, sim::privateBytes());
  }
  pages.stop();
  const sim::PageTally& tally = pages.tally();
  std::printf("flood: %d requests in %u ms of stall, %zu accepted, %zu refused as busy; private memory %s -> peak +%llu KB\n",
              tally.requests.load(), static_cast<unsigned>(kStallMs), accepted.size(), refused.size(), stress::describe(atStall).c_str(),
              static_cast<unsigned long long>((mostPrivate - atStall.privateBytes) / 1024));
  EXPECT_EQ(accepted.size(), static_cast<size_t>(kQueueBound)) << "the queue takes exactly its bound";
  EXPECT_GT(refused.size(), 0u);
  EXPECT_EQ(tally.busy.load(), static_cast<int>(refused.size()));
  EXPECT_EQ(tally.otherStatus.load() + tally.noAnswer.load(), 0) << "every request is answered 200 or busy";
  EXPECT_EQ(sim::logCount("[BRIDGE] Command queue full (1024 commands); refusing commands until the game thread "
                          "drains it."),
            1)
      << "one line for the whole burst of refusals";
  EXPECT_LT(mostPrivate - atStall.privateBytes, kStallMemoryGrowthMaxBytes);

  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  std::vector<uint32_t> executed;
  std::vector<int> perFrame;
  for (int frame = 0; frame < kQueueBound / kCommandsPerFrame + 3; ++frame) {
    stress::runRealFrame();
    int count = 0;
    for (const sim::RoutineCall& call : sim::callsOf(sim::gta::kSetKeyboardKeyForAction)) {
      executed.push_back(static_cast<uint32_t>(call.args[1]));
      ++count;
    }
    perFrame.push_back(count);
  }
  std::vector<int> expectedPerFrame(kQueueBound / kCommandsPerFrame, kCommandsPerFrame);
  expectedPerFrame.resize(perFrame.size(), 0);
  EXPECT_EQ(perFrame, expectedPerFrame);
  EXPECT_EQ(executed, acceptedInLogOrder(accepted)) << "the accepted commands, each once, in arrival order";
  for (uint32_t key : executed) EXPECT_EQ(refused.count(key), 0u) << "a refused command ran: key " << key;
  sim::module().quit();
}

}  // namespace
