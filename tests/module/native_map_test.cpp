// The game's own map page from the pause menu's "map" action: the game is asked for its menu
// through its start-request byte (it opens the menu in its own next frame), the switch to the map
// page waits 250 ms for it and gives up at 1500 ms, a repeated request starts over, and ESC goes
// back to the module when the player leaves the game's menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "core/command_queue.h"
#include "core/plugin_state.h"
#include "native/native_map.h"
#include "screens/browser_ids.h"
#include "sim/real_input.h"
#include "sim/sim_game.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;
using sim::RoutineBehaviour;
namespace gta = sim::gta;

constexpr char kRequested[] = "[MENU] Native map requested.";
constexpr char kPauseClosed[] = "[MENU] CLOSED (HUD restored).";
constexpr char kWaiting[] = "[MAP] GTA menu start requested. Waiting before opening MAP page.";
constexpr char kOpened[] = "[MAP] Native GTA MAP page opened safely.";
constexpr char kNotActive[] = "[MAP] GTA menu did not become active. Returning to Tembra menu.";
constexpr char kSwitchFailed[] = "[MAP] Failed to switch to native MAP page. Returning to Tembra menu.";
constexpr char kUnavailable[] = "[MAP] Native GTA bridge unavailable for this executable.";
constexpr char kGameMenuLeft[] = "[MAP] Native GTA menu closed. Tembra ESC control restored.";
constexpr char kPauseOpened[] = "[MENU] OPEN. generation=1 (HUD hidden under pause)";
constexpr uint64_t kFrameMs = 16;
// The game's menu gets 250 ms before the switch and 1500 ms before the module gives up; spelt
// out here so that a wrong limit in the module fails.
constexpr uint64_t kSwitchAtMs = 250;
constexpr uint64_t kGiveUpAtMs = 1500;

std::vector<std::string> menuAndMapLines() { return logMessagesStartingWith({"[MENU]", "[MAP]"}); }

BridgeCommand mapCommand() {
  BridgeCommand command;
  command.kind = kCommandMap;
  return command;
}

bool menuRequested() { return sim::gameValue<uint8_t>(gta::kMenuStartRequest) != 0; }
size_t switchCalls() { return sim::callsOf(gta::kSwitchMenuPage).size(); }

// The module running in the simulated game with its browsers created; the map is requested
// through the command queue, as the bridge does.
class NativeMap : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    window_ = sim::createGameWindow();
    sim::setAnswerCreates(true);
    // What DllMain records when the module is a DLL; the keyboard hook is installed with it.
    gState.moduleHandle = ::GetModuleHandleW(nullptr);
    startModule();
    ASSERT_TRUE(gState.nativeSupported);
    runFrames(100, 15);
    sim::clearHostCalls();
    sim::clearRoutineCalls();
  }
  void TearDown() override { cef_quit(); }

  // The command is carried out in this frame, without the clock moving: the waits count from now.
  void requestMap() {
    ASSERT_TRUE(pushCommand(mapCommand()));
    runFrame();
    requestedAt_ = sim::tickMs();
  }

  // Frames every 16 ms (the last one shorter) until the given time after the request.
  void runUntil(uint64_t msAfterRequest) {
    const uint64_t target = requestedAt_ + msAfterRequest;
    while (sim::tickMs() < target) {
      sim::advanceMs(std::min(kFrameMs, target - sim::tickMs()));
      runFrame();
    }
  }

  HWND window_ = nullptr;
  uint64_t requestedAt_ = 0;
};

struct Timing {
  const char* what;
  uint64_t menuDelayMs;  // after the game's first frame that sees the request (16 ms after it)
  uint64_t edgeMs;       // the first time at which the switch or the give-up happens
  bool opens;
};

void PrintTo(const Timing& timing, std::ostream* out) { *out << timing.what; }

class MapTiming : public NativeMap, public ::testing::WithParamInterface<Timing> {};

TEST_P(MapTiming, NothingHappensBeforeTheEdgeAndAllOfItAtTheEdge) {
  const Timing& timing = GetParam();
  sim::setGameMenuStartDelay(timing.menuDelayMs);
  gState.menuOpen.store(1);
  requestMap();
  ASSERT_TRUE(menuRequested());
  EXPECT_TRUE(sim::routineCalls().empty()) << "no game routine opens the menu";
  runUntil(timing.edgeMs - 1);
  EXPECT_EQ(switchCalls(), 0u);
  EXPECT_EQ(gState.mapPending.load(), 1);
  EXPECT_EQ(gState.nativeMenuActive.load(), 1);
  EXPECT_EQ(gState.menuOpen.load(), 0);

  runUntil(timing.edgeMs);
  EXPECT_EQ(gState.mapPending.load(), 0);
  if (timing.opens) {
    ASSERT_EQ(switchCalls(), 1u);
    EXPECT_EQ(sim::callsOf(gta::kSwitchMenuPage)[0].receiver, gta::kGameMenu);
    EXPECT_EQ(sim::callsOf(gta::kSwitchMenuPage)[0].args, std::vector<int32_t>{5});
    EXPECT_EQ(sim::gameMenuPage(), 5);
    EXPECT_EQ(menuAndMapLines(), (std::vector<std::string>{kRequested, kPauseClosed, kWaiting, kOpened}));
    EXPECT_EQ(gState.nativeMenuActive.load(), 1) << "ESC stays with the game's menu";
    EXPECT_EQ(gState.menuOpen.load(), 0);
  } else {
    EXPECT_EQ(switchCalls(), 0u);
    EXPECT_EQ(menuAndMapLines(), (std::vector<std::string>{kRequested, kPauseClosed, kWaiting, kNotActive, kPauseOpened}));
    EXPECT_EQ(gState.nativeMenuActive.load(), 0);
    EXPECT_EQ(gState.menuOpen.load(), 1) << "the player is never left without a menu";
  }
  // A request the game never took is withdrawn: no late game menu over the module's.
  EXPECT_FALSE(menuRequested());
  runUntil(timing.edgeMs + 2000);
  EXPECT_EQ(switchCalls(), timing.opens ? 1u : 0u);
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kGameMenuActive), timing.opens ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, MapTiming,
    ::testing::Values(Timing{"After100Ms", 100, kSwitchAtMs, true},
                      Timing{"After800Ms", 800, 816, true}, Timing{"After1483Ms", 1483, 1499, true},
                      Timing{"After1600Ms", 1600, kGiveUpAtMs, false},
                      Timing{"Never", sim::kMenuNeverStarts, kGiveUpAtMs, false}),
    [](const ::testing::TestParamInfo<Timing>& info) { return std::string(info.param.what); });

struct Failure {
  const char* what;
  bool supported;
  uintptr_t faultingRoutine;
  std::vector<std::string> lines;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.what; }

class MapFailure : public NativeMap, public ::testing::WithParamInterface<Failure> {};

TEST_P(MapFailure, ThePauseMenuComesBackAndEscReturnsToTheModule) {
  const Failure& failure = GetParam();
  gState.nativeSupported = failure.supported;
  if (failure.faultingRoutine != 0) sim::setRoutineBehaviour(failure.faultingRoutine, RoutineBehaviour::Fault);
  requestMap();
  runUntil(kGiveUpAtMs + 500);
  EXPECT_EQ(menuAndMapLines(), failure.lines);
  EXPECT_EQ(gState.nativeMenuActive.load(), 0);
  EXPECT_EQ(gState.mapPending.load(), 0);
  EXPECT_EQ(gState.menuOpen.load(), 1);
  EXPECT_EQ(gState.menuGeneration.load(), 1);
  EXPECT_EQ(recordedFor(kPauseBrowserId), calls({focus(kPauseBrowserId, 0), hide(kPauseBrowserId, 1),
                                                 hide(kPauseBrowserId, 0), focus(kPauseBrowserId, 1)}));
}

INSTANTIATE_TEST_SUITE_P(
    Each, MapFailure,
    ::testing::Values(Failure{"Unsupported", false, 0, {kRequested, kPauseClosed, kUnavailable, kPauseOpened}},
                      Failure{"SwitchFaults",
                              true,
                              gta::kSwitchMenuPage,
                              {kRequested, kPauseClosed, kWaiting, kSwitchFailed, kPauseOpened}}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.what); });

TEST_F(NativeMap, ARepeatedRequestWhileStartingWaitsAgainFromItself) {
  sim::setGameMenuStartDelay(100);
  requestMap();
  runUntil(200);
  requestMap();  // the menu is up now: not requested again, the wait starts over
  EXPECT_FALSE(menuRequested());
  runUntil(kSwitchAtMs - 1);
  EXPECT_EQ(switchCalls(), 0u) << "250 ms after the first request is only 50 ms after the second";
  runUntil(kSwitchAtMs);
  EXPECT_EQ(switchCalls(), 1u);
}

TEST_F(NativeMap, ARepeatedRequestWhileShowingSwitchesAgain) {
  requestMap();
  runUntil(kSwitchAtMs);
  ASSERT_EQ(switchCalls(), 1u);
  requestMap();
  EXPECT_EQ(gState.mapPending.load(), 1);
  EXPECT_FALSE(menuRequested());
  runUntil(kSwitchAtMs);
  EXPECT_EQ(switchCalls(), 2u);
  EXPECT_EQ(logCount(kOpened), 2);
  EXPECT_EQ(logCount(kGameMenuLeft), 0);
}

TEST_F(NativeMap, FramesWithoutTheGameWindowSkipThePollWhileTimeRunsOn) {
  sim::setGameMenuStartDelay(sim::kMenuNeverStarts);
  requestMap();
  ::ShowWindow(window_, SW_HIDE);
  runUntil(kGiveUpAtMs + 400);
  EXPECT_EQ(logCount(kNotActive), 0) << "no poll in frames without the window";
  EXPECT_EQ(gState.mapPending.load(), 1);
  ::ShowWindow(window_, SW_SHOW);
  runFrame();
  EXPECT_EQ(logCount(kNotActive), 1) << "the first frame with the window is long past 1500 ms";
  EXPECT_EQ(gState.menuOpen.load(), 1);
}

// Real keys while the game's menu has the screen: the keyboard hook started by cef_initialize,
// the game window in front and the player in the world.
class NativeMapKeys : public NativeMap {
 protected:
  void SetUp() override {
    NativeMap::SetUp();
    ASSERT_TRUE(sim::bringToFront(window_));
    sim::setGameValue<int32_t>(gta::kPlayerPed, 0x01234560);
    ASSERT_TRUE(sim::pumpUntil([] { return logCount("[KEYBOARD] Low-level hook installed.") == 1; }));
    runFrames(1, kFrameMs);
    ASSERT_EQ(gState.escEnabled.load(), 1);
  }
};

void press(const std::string& keys) { ASSERT_EQ(sim::runXdotool("key " + keys), 0) << keys; }

TEST_F(NativeMapKeys, EscGoesToTheGamesMenuAndAfterItToThePauseMenu) {
  requestMap();
  runUntil(kSwitchAtMs);
  ASSERT_EQ(sim::gameMenuPage(), 5);
  // A capture asked for while the game's menu has the screen takes no key from the game.
  BridgeCommand capture;
  capture.kind = kCommandCaptureOn;
  ASSERT_TRUE(pushCommand(capture));
  runFrame();
  ASSERT_EQ(gState.captureMode.load(), kCaptureKeyboard);

  press("w Escape");
  ASSERT_TRUE(sim::pumpUntil([] { return sim::keyMessageCount(WM_KEYUP, VK_ESCAPE) == 1; }));
  EXPECT_EQ(sim::keyMessageCount(WM_KEYDOWN, VK_ESCAPE), 1);
  EXPECT_EQ(sim::keyMessageCount(WM_KEYDOWN, 'W'), 1);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 0);
  EXPECT_EQ(gState.captureCancelCounter.load(), 0);
  EXPECT_EQ(gState.escRequest.load(), 0);

  runFrame();  // the game leaves its menu on the ESC it got; the module notices in the same frame
  EXPECT_EQ(sim::gameMenuPage(), 0);
  EXPECT_EQ(logCount(kGameMenuLeft), 1);
  EXPECT_EQ(gState.menuOpen.load(), 0);

  BridgeCommand stopCapture;
  stopCapture.kind = kCommandCaptureOff;
  ASSERT_TRUE(pushCommand(stopCapture));
  runFrame();
  press("Escape");
  ASSERT_TRUE(sim::pumpUntil([] { return logCount("[ESC] Open pause menu request.") == 1; }));
  runFrames(1, kFrameMs);
  EXPECT_EQ(gState.menuOpen.load(), 1);
  EXPECT_EQ(logCount(kPauseOpened), 1);
  EXPECT_EQ(sim::keyMessageCount(WM_KEYDOWN, VK_ESCAPE), 1) << "the second ESC was the module's";
}

}  // namespace
