// Real ESC presses in the simulated game: the pause menu opens and closes on the frame after a
// press, a held key counts once, and ESC is swallowed, passed on or left to the game as the
// front window and the module's state decide. Also the hook's end with cef_quit.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/real_input.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace {

constexpr uint32_t kPauseBrowserId = 0x7F002009;
constexpr int32_t kSomePlayerPed = 0x01234560;
constexpr char kOpenRequest[] = "[ESC] Open pause menu request.";
constexpr char kCloseRequest[] = "[ESC] Close pause menu request.";
constexpr char kMenuOpened[] = "[MENU] OPEN. generation=1 (HUD hidden under pause)";
constexpr char kMenuClosed[] = "[MENU] CLOSED (HUD restored).";
constexpr char kEscEnabled[] = "[ESC] Player ped detected in world -> ESC enabled.";

void press(const std::string& keys) { ASSERT_EQ(sim::runXdotool("key " + keys), 0) << keys; }

bool waitForLog(const std::string& message, int count = 1) {
  return sim::pumpUntil([&] { return sim::logCount(message) >= count; });
}

std::string pauseCalls() { return sim::describe(sim::hostCallsFor(kPauseBrowserId)); }

const std::string kShowPause = sim::describe({{sim::HostFn::Hide, kPauseBrowserId, 0, 0, "", 0},
                                              {sim::HostFn::Focus, kPauseBrowserId, 1, 0, "", 0}});
const std::string kHidePause = sim::describe({{sim::HostFn::Focus, kPauseBrowserId, 0, 0, "", 0},
                                              {sim::HostFn::Hide, kPauseBrowserId, 1, 0, "", 0}});

// Shift reaches the game whatever ESC does; its release arriving at the game window tells that
// every key sent before it has been through the hook.
void pressThenSettle(const std::string& keys) {
  const int before = sim::keyMessageCount(WM_KEYUP, VK_SHIFT);
  press(keys + " Shift_L");
  ASSERT_TRUE(sim::pumpUntil([&] { return sim::keyMessageCount(WM_KEYUP, VK_SHIFT) > before; }));
}

int gameEscMessages() {
  return sim::keyMessageCount(WM_KEYDOWN, VK_ESCAPE) + sim::keyMessageCount(WM_KEYUP, VK_ESCAPE);
}

// The game in front with its window, the module started and every browser created and ready;
// the player is in the world (so ESC is enabled) unless a test says otherwise.
class RealEsc : public ::testing::Test {
 protected:
  void start(bool playerInWorld) {
    sim::installGame();
    game_ = sim::createGameWindow();
    ASSERT_TRUE(sim::bringToFront(game_));
    sim::setAnswerCreates(true);
    sim::initializeWithHost();
    ASSERT_TRUE(waitForLog("[KEYBOARD] Low-level hook installed.")) << ::testing::PrintToString(sim::logMessages());
    sim::runFrames(60, 20);
    if (playerInWorld) {
      sim::setGameValue<int32_t>(sim::gta::kPlayerPed, kSomePlayerPed);
      sim::runFrames(1, 20);
      ASSERT_TRUE(sim::logHas(kEscEnabled));
    }
    sim::clearHostCalls();
  }

  HWND game_ = nullptr;
};

TEST_F(RealEsc, PressOpensTheMenuOnTheNextFrameAndASecondPress250MsLaterClosesIt) {
  start(true);
  press("Escape");
  ASSERT_TRUE(waitForLog(kOpenRequest));
  EXPECT_TRUE(sim::hostCalls().empty()) << "the hook itself never calls the host";
  sim::runFrames(1, 16);
  EXPECT_EQ(pauseCalls(), kShowPause);
  EXPECT_TRUE(sim::logHas(kMenuOpened));
  for (const sim::HostCall& call : sim::hostCalls())
    EXPECT_EQ(call.threadId, ::GetCurrentThreadId()) << "browsers are shown on the game thread";

  sim::clearHostCalls();
  sim::advanceMs(250);
  press("Escape");
  ASSERT_TRUE(waitForLog(kCloseRequest));
  sim::runFrames(1, 16);
  EXPECT_EQ(pauseCalls(), kHidePause);
  EXPECT_TRUE(sim::logHas(kMenuClosed));
  sim::pumpFor(100);
  EXPECT_EQ(gameEscMessages(), 0) << "the game never sees the ESC it would open its own menu with";
}

TEST_F(RealEsc, HeldEscWithAutoRepeatOpensOnce) {
  start(true);
  // Held long enough for the X server's auto-repeat to send a run of further key-downs.
  ASSERT_EQ(sim::runXdotool("keydown Escape sleep 1 keyup Escape"), 0);
  pressThenSettle("");
  sim::runFrames(20, 50);
  EXPECT_EQ(sim::logCount(kOpenRequest), 1);
  EXPECT_EQ(sim::logCount(kCloseRequest), 0);
  EXPECT_EQ(pauseCalls(), kShowPause) << "one request, one opening";
  EXPECT_EQ(gameEscMessages(), 0);
}

TEST_F(RealEsc, DisabledEscIsSwallowedWithoutARequest) {
  start(false);
  pressThenSettle("Escape");
  sim::runFrames(20, 50);
  EXPECT_EQ(gameEscMessages(), 0) << "the game's own ESC menu must not open either";
  EXPECT_EQ(sim::logMessagesTagged({"[ESC]", "[MENU]"}), std::vector<std::string>{});
  EXPECT_EQ(pauseCalls(), "");
}

TEST_F(RealEsc, AnotherProgramInFrontGetsEscAndTheMenuStaysShut) {
  start(true);
  const sim::ForeignWindow other = sim::startForeignWindow();
  ASSERT_NE(other.window, nullptr);
  ASSERT_TRUE(sim::bringToFront(other.window));
  press("Escape");
  ASSERT_TRUE(sim::pumpUntil([&] { return sim::foreignEscapeCount(other) == 1; }));
  sim::runFrames(20, 50);
  EXPECT_EQ(sim::logCount(kOpenRequest), 0);
  EXPECT_EQ(pauseCalls(), "");
}

TEST_F(RealEsc, ReleaseWhileAnotherProgramIsInFrontDoesNotEatTheNextPress) {
  start(true);
  const sim::ForeignWindow other = sim::startForeignWindow();
  ASSERT_NE(other.window, nullptr);
  ASSERT_TRUE(sim::bringToFront(game_));
  ASSERT_EQ(sim::runXdotool("keydown Escape"), 0);
  ASSERT_TRUE(waitForLog(kOpenRequest));
  ASSERT_TRUE(sim::bringToFront(other.window));
  ASSERT_EQ(sim::runXdotool("keyup Escape"), 0);
  sim::pumpFor(200);
  ASSERT_TRUE(sim::bringToFront(game_));
  sim::runFrames(1, 16);
  ASSERT_TRUE(sim::logHas(kMenuOpened));
  sim::advanceMs(250);
  press("Escape");
  EXPECT_TRUE(waitForLog(kCloseRequest)) << "the press after a release elsewhere is a new request";
  sim::runFrames(1, 16);
  EXPECT_TRUE(sim::logHas(kMenuClosed));
}

TEST_F(RealEsc, QuitRemovesTheHookSoEscReachesTheGameAgain) {
  start(true);
  pressThenSettle("Escape");
  ASSERT_EQ(gameEscMessages(), 0);
  const auto before = std::chrono::steady_clock::now();
  sim::module().quit();
  const auto quitMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before).count();
  EXPECT_LT(quitMs, 1000) << "the thread ends well within cef_quit's 2000 ms wait";
  // cef_quit waits for the bridge thread first, then for the hook thread.
  const std::vector<std::string> lines = sim::logMessages();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
            (std::vector<std::string>{"[CEF] cef_quit.", "[BRIDGE] HTTP bridge stopped.", "[KEYBOARD] Hook stopped.",
                                      "TembraUI Native Pause V1 stopped."}));
  pressThenSettle("Escape");
  EXPECT_EQ(sim::keyMessageCount(WM_KEYDOWN, VK_ESCAPE), 1) << "no hook is left to swallow it";
}

}  // namespace
