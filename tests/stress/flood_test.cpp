// Flood while the game thread stalls: the game window is gone for 10 s while pages keep sending
// bindings. The queue stops at its bound, every refusal is answered as such, memory stays
// bounded, and once the window is back the accepted commands run in arrival order, 32 a frame.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sim/module_under_test.h"
#include "sim/page_traffic.h"
#include "sim/process_metrics.h"
#include "sim/sim_game.h"
#include "sim/stress_rig.h"

namespace {

constexpr int kPages = 4;
constexpr int kQueueBound = 1024;
constexpr int kCommandsPerFrame = 32;
constexpr DWORD kStallMs = 10000;
constexpr uint64_t kStallMemoryGrowthMaxBytes = 8u << 20;

// Every request is a binding the game takes, and its action, keyboard slot and key spell out the
// request's own number, so the game's calls tell which request they came from: 59 actions x 2
// slots x 302 keys the game binds (the character codes but '^' and 178, and F4 to right Alt).
constexpr uint32_t kCaret = '^';
constexpr uint32_t kSuperscriptTwo = 178;
constexpr uint32_t kFirstSpecialKey = 1004;  // F4, the first special key the game's menu binds
constexpr int kCharacterKeys = 253;
constexpr int kKeys = kCharacterKeys + 49;
constexpr int kActions = 59;
constexpr int kSlots = 2;

uint32_t bindableKey(int index) {
  if (index >= kCharacterKeys) return kFirstSpecialKey + static_cast<uint32_t>(index - kCharacterKeys);
  uint32_t key = static_cast<uint32_t>(index) + 1;
  if (key >= kCaret) ++key;
  if (key >= kSuperscriptTwo) ++key;
  return key;
}

int keyIndex(uint32_t key) {
  if (key >= kFirstSpecialKey) return kCharacterKeys + static_cast<int>(key - kFirstSpecialKey);
  return static_cast<int>(key) - 1 - (key > kCaret ? 1 : 0) - (key > kSuperscriptTwo ? 1 : 0);
}

// Request i of page p is number p + kPages x i.
std::string bindTarget(int number) {
  const int action = number % kActions;
  const int slot = number / kActions % kSlots;
  const int key = number / (kActions * kSlots);
  if (key >= kKeys) std::abort();  // more requests than distinct bindings
  return "/bind?action=" + std::to_string(action) + "&type=" + std::to_string(slot) +
         "&key=" + std::to_string(bindableKey(key));
}

int numberOf(int32_t action, int32_t slot, uint32_t key) { return action + kActions * (slot + kSlots * keyIndex(key)); }

int32_t queryNumber(const std::string& text, const char* name) {
  const size_t at = text.find(name);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + std::string(name).size());
}

int numberOfTarget(const std::string& text) {
  return numberOf(queryNumber(text, "action="), queryNumber(text, "type="),
                  static_cast<uint32_t>(queryNumber(text, "key=")));
}

// The numbers of the accepted "/bind" requests in the order the bridge logged them.
std::vector<int> acceptedInLogOrder(const std::set<int>& accepted) {
  std::vector<int> numbers;
  for (const std::string& line : sim::logMessages()) {
    if (line.rfind("[BRIDGE] GET /bind?", 0) != 0) continue;
    const int number = numberOfTarget(line);
    if (accepted.count(number) != 0) numbers.push_back(number);
  }
  return numbers;
}

TEST(StressFlood, StalledGameKeepsTheQueueBoundedAndRunsItInOrderAfterwards) {
  const HWND window = stress::startGame();
  ASSERT_TRUE(stress::initializeAndWaitForBridge());
  stress::runRealFrames(1500);

  // The window search fails while the window is hidden: no frame drains the queue.
  ::ShowWindow(window, SW_HIDE);
  std::mutex lock;
  std::set<int> accepted;
  std::set<int> refused;
  sim::PageTraffic pages;
  for (int page = 0; page < kPages; ++page) {
    pages.addPage([page](int i) { return bindTarget(page + kPages * i); }, 0, [&](const std::string& target, int status) {
      const int number = numberOfTarget(target);
      std::lock_guard<std::mutex> hold(lock);
      (status == 200 ? accepted : refused).insert(number);
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
  std::vector<int> executed;
  std::vector<int> perFrame;
  for (int frame = 0; frame < kQueueBound / kCommandsPerFrame + 3; ++frame) {
    stress::runRealFrame();
    int count = 0;
    for (const sim::RoutineCall& call : sim::callsOf(sim::gta::kSetKeyboardKeyForAction)) {
      executed.push_back(numberOf(call.args[0], call.args[2], static_cast<uint32_t>(call.args[1])));
      ++count;
    }
    perFrame.push_back(count);
  }
  std::vector<int> expectedPerFrame(kQueueBound / kCommandsPerFrame, kCommandsPerFrame);
  expectedPerFrame.resize(perFrame.size(), 0);
  EXPECT_EQ(perFrame, expectedPerFrame);
  EXPECT_EQ(executed, acceptedInLogOrder(accepted)) << "the accepted commands, each once, in arrival order";
  for (int number : executed) EXPECT_EQ(refused.count(number), 0u) << "a refused command ran: request " << number;
  sim::module().quit();
}

}  // namespace
