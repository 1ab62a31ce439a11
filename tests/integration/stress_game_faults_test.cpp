// Game faults under traffic: while pages change settings and bindings, open the map and poll
// "/state", the game's routines and the pages of its variables fault at random. The module
// keeps running, logs each logged fault exactly once, serves valid JSON throughout, and lets no
// fault escape.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sim/bridge_client.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/page_traffic.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "sim/stress_rig.h"

namespace {

namespace gta = sim::gta;
using sim::RoutineBehaviour;

constexpr uintptr_t kPageMask = ~uintptr_t{0xFFF};

// Every routine the module calls, and the line a fault in it leaves ("" when the module stays
// silent by design: a volume routine's fault only loses the live sound change, the resolution
// routines only shorten the document's mode list).
struct RoutineFault {
  uintptr_t routine;
  const char* line;
};
const RoutineFault kRoutines[] = {
    {gta::kSaveSettings, "[NATIVE] EXCEPTION in SaveSettings."},
    {gta::kReinitControls, "[NATIVE] EXCEPTION in ReinitControls."},
    {gta::kDeleteMatchingActionInitiators, "[NATIVE] EXCEPTION in DeleteMatchingActionInitiators."},
    {gta::kClearActionSlot, "[NATIVE] EXCEPTION while changing binding."},
    {gta::kSetKeyboardKeyForAction, "[NATIVE] EXCEPTION while changing binding."},
    {gta::kSetMouseButtonForAction, "[NATIVE] EXCEPTION while changing binding."},
    {gta::kSwitchMenuPage, "[MAP] Failed to switch to native MAP page. Returning to Tembra menu."},
    {gta::kApplySfxVolume, ""},
    {gta::kApplyMusicVolume, ""},
    {gta::kApplyRadioEq, ""},
    {gta::kApplyRadioAutoRetune, ""},
    {gta::kGetResolutionModeCount, ""},
    {gta::kGetResolutionModeInfo, ""},
};
const RoutineBehaviour kFaults[] = {RoutineBehaviour::Fault, RoutineBehaviour::IllegalInstruction,
                                    RoutineBehaviour::Raise, RoutineBehaviour::Throw};

// Every page of game memory the module reads, writes or calls into.
const uintptr_t kGameAddresses[] = {
    gta::kGameMenu,        gta::kGameControls,     gta::kMouseSensitivity,  gta::kMouseSteer,
    gta::kActionTable,     gta::kActionTable + 59 * 32 - 4, gta::kPlayerPed, gta::kResolutionGate,
    gta::kSaveSettings,    gta::kReinitControls,   gta::kClearActionSlot,   gta::kSetKeyboardKeyForAction,
    gta::kMenuStartRequest, gta::kSwitchMenuPage,   gta::kGetResolutionModeCount, gta::kApplySfxVolume,
};

const char* const kSettingNames[] = {"mouseSensitivity", "invertY", "brightness", "drawDistance", "resolutionMode",
                                     "hud", "radarMode", "sfxVolume", "musicVolume", "radioAuto",
                                     "radioEq"};
const char* const kActions[] = {"map", "reset_controls", "capture_on", "capture_off", "continue"};

using stress::msSince;

unsigned seed() {
  const char* given = std::getenv("TEMBRA_STRESS_SEED");
  const unsigned value = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                          : static_cast<unsigned>(::GetTickCount64());
  std::printf("game faults: seed %u (TEMBRA_STRESS_SEED repeats a run)\n", value);
  return value;
}

class GameFaults {
 public:
  explicit GameFaults(unsigned seed) : random_(seed) {}

  // One frame of the game with a random set of faulting routines; with pages, the pages of
  // random game variables and routines allow no access while the module runs.
  void runFrame(bool routines, bool pages) {
    // The player leaves the game's menu now and then, so the map is started again and again.
    if (chance(0.05)) sim::setGameValue<uint8_t>(gta::kGameMenuActive, 0);
    sim::setTickMs(::GetTickCount64());
    sim::pumpMessages();
    sim::runGameFrame();
    std::map<uintptr_t, bool> faulting;
    if (routines)
      for (const RoutineFault& fault : kRoutines)
        if (chance(0.25)) {
          faulting[fault.routine] = true;
          sim::setRoutineBehaviour(fault.routine, kFaults[random_() % 4]);
        }
    std::vector<std::pair<uintptr_t, DWORD>> locked;
    if (pages)
      for (uintptr_t address : kGameAddresses)
        if (chance(0.15)) {
          DWORD old = 0;
          if (::VirtualProtect(reinterpret_cast<void*>(address & kPageMask), 1, PAGE_NOACCESS, &old))
            locked.push_back({address & kPageMask, old});
        }
    sim::clearRoutineCalls();
    sim::module().mainloop();
    // Unlocked in reverse, so a page locked twice gets its first protection back.
    for (auto it = locked.rbegin(); it != locked.rend(); ++it) {
      DWORD ignored = 0;
      ::VirtualProtect(reinterpret_cast<void*>(it->first), 1, it->second, &ignored);
    }
    for (const RoutineFault& fault : kRoutines) sim::setRoutineBehaviour(fault.routine, RoutineBehaviour::Return);
    for (const sim::RoutineCall& call : sim::routineCalls()) {
      if (faulting.count(call.routine) == 0) continue;
      faultedCalls_++;
      for (const RoutineFault& fault : kRoutines)
        if (fault.routine == call.routine && fault.line[0] != '\0') expectedLines_[fault.line]++;
    }
    sim::deliverCreatedBrowsers(sim::module().browserCreated);
    ::Sleep(stress::kFrameMs);
  }

  const std::map<std::string, int>& expectedLines() const { return expectedLines_; }
  int faultedCalls() const { return faultedCalls_; }

 private:
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  std::mt19937 random_;
  std::map<std::string, int> expectedLines_;
  int faultedCalls_ = 0;
};

void addPages(sim::PageTraffic& pages) {
  for (int poller = 0; poller < 2; ++poller) pages.addPage([](int) { return std::string("/state"); }, 0);
  pages.addPage([](int i) {
    return "/setting?name=" + std::string(kSettingNames[i % 10]) + "&value=" + std::to_string(i * 37 % 101);
  }, 5);
  pages.addPage([](int i) {
    return "/bind?action=" + std::to_string(i % 59) + "&type=" + std::to_string(i % 3) + "&key=" + std::to_string(32 + i % 90);
  }, 5);
  pages.addPage([](int i) { return "/action?name=" + std::string(kActions[i % 5]); }, 20);
}

TEST(StressGameFaults, ModuleKeepsRunningLogsEachFaultOnceAndServesValidJson) {
  stress::startGame();
  ASSERT_TRUE(stress::initializeAndWaitForBridge());
  ASSERT_TRUE(sim::logHas("[NATIVE] supported=YES"));
  const int64_t phaseMs = sim::longStressRun() ? 60000 : 4000;
  GameFaults faults(seed());
  sim::PageTraffic pages;
  addPages(pages);

  // Routine faults only: every call the simulated game saw fault is accounted for in the log.
  for (auto start = std::chrono::steady_clock::now(); msSince(start) < phaseMs;) faults.runFrame(true, false);
  std::printf("game faults: %d faulted routine calls\n", faults.faultedCalls());
  EXPECT_GE(faults.faultedCalls(), 5) << "the traffic must reach the game's routines";
  for (const RoutineFault& fault : kRoutines) {
    if (fault.line[0] == '\0') continue;
    const auto expected = faults.expectedLines().find(fault.line);
    EXPECT_EQ(sim::logCount(fault.line), expected == faults.expectedLines().end() ? 0 : expected->second) << fault.line;
  }

  // Faulting variables and code pages as well; what is logged then is no longer countable.
  for (auto start = std::chrono::steady_clock::now(); msSince(start) < phaseMs;) faults.runFrame(true, true);
  pages.stop();
  const sim::PageTally& tally = pages.tally();
  std::printf("game faults: %d requests, %d answered 200, %d busy, %d other, %d without answer\n",
              tally.requests.load(), tally.ok.load(), tally.busy.load(), tally.otherStatus.load(),
              tally.noAnswer.load());
  EXPECT_EQ(tally.invalidState.load(), 0) << "every /state answer is valid JSON";
  EXPECT_EQ(tally.noAnswer.load(), 0);
  EXPECT_EQ(tally.otherStatus.load(), 0);
  for (const std::string& line : sim::logMessages()) EXPECT_EQ(line.find("EXCEPTION in cef_"), std::string::npos) << line;
  EXPECT_FALSE(sim::logHas("[BRIDGE] EXCEPTION in the bridge thread."));

  // Without faults the module goes on as before: a setting reaches the game and the document.
  ASSERT_EQ(sim::statusOf(sim::exchange("GET /setting?name=sfxVolume&value=50 HTTP/1.1\r\n\r\n")), 200);
  for (int frame = 0; frame < 20; ++frame) faults.runFrame(false, false);
  const std::string state = sim::bodyOf(sim::exchange("GET /state HTTP/1.1\r\n\r\n"));
  EXPECT_TRUE(sim::isValidJson(state)) << state;
  EXPECT_NE(state.find("\"sfxVolume\":50"), std::string::npos) << state;
  sim::module().quit();
}

}  // namespace
