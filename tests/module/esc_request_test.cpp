// ESC requests taken by the frame tick: the 200 ms debounce, the toggle decided at processing
// time, the pause browser not ready, and requests held over frames without the game window.
#include <gtest/gtest.h>

#include "screens/browser_ids.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;

constexpr char kDebouncedLine[] = "[ESC] Debounced duplicate escape request (<200ms).";
constexpr char kNotReadyLine[] = "[ESC] LocalUI browser not ready.";

const std::string kShowPause = calls({hide(kPauseBrowserId, 0), focus(kPauseBrowserId, 1)});
const std::string kHidePause = calls({focus(kPauseBrowserId, 0), hide(kPauseBrowserId, 1)});

// The hook's side of a press: it only raises the flag.
void pressEsc() { gState.escRequest.store(1); }

// Started with the game window present and every browser created and ready.
class EscRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = sim::createGameWindow();
    sim::setAnswerCreates(true);
    startModule();
    runFrames(150, 10);
    ASSERT_EQ(gState.pauseReady.load(), 1);
    sim::clearHostCalls();
  }

  HWND window_ = nullptr;
};

TEST_F(EscRequests, PressesLessThan200MsApartToggleOnce) {
  pressEsc();
  runFrames(1, 10);
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause);
  EXPECT_EQ(gState.menuOpen.load(), 1);
  runFrames(14, 10);  // 150 ms after the first
  pressEsc();
  runFrames(1, 10);
  EXPECT_EQ(logCount(kDebouncedLine), 1);
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause) << "the menu stays open";
  EXPECT_EQ(gState.menuOpen.load(), 1);
  EXPECT_EQ(gState.escRequest.load(), 0) << "a debounced press is consumed";
}

TEST_F(EscRequests, PressesMoreThan200MsApartOpenThenClose) {
  pressEsc();
  runFrames(1, 10);
  runFrames(24, 10);  // 250 ms after the first
  pressEsc();
  runFrames(1, 10);
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause + kHidePause);
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_EQ(logCount(kDebouncedLine), 0);
  EXPECT_EQ(logCount("[MENU] OPEN. generation=1 (HUD hidden under pause)"), 1);
  EXPECT_EQ(logCount("[MENU] CLOSED (HUD restored)."), 1);
}

TEST_F(EscRequests, DebounceCountsFromTheLastAcceptedPress) {
  pressEsc();
  runFrames(1, 10);  // accepted at t
  runFrames(14, 10);
  pressEsc();
  runFrames(1, 10);  // t+150: dropped, and must not restart the interval
  runFrames(4, 10);
  pressEsc();
  runFrames(1, 10);  // t+200: accepted, closes
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause + kHidePause);
  EXPECT_EQ(logCount(kDebouncedLine), 1);
}

TEST_F(EscRequests, DirectionIsTheMenusStateWhenProcessed) {
  pressEsc();
  runFrames(1, 10);
  runFrames(30, 10);
  // The hook saw an open menu and raised a close request; the bridge's "continue" cleared the
  // flag before the next frame, so the request opens the menu again.
  pressEsc();
  gState.menuOpen.store(0);
  runFrames(1, 10);
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause + kShowPause);
  EXPECT_EQ(gState.menuGeneration.load(), 2);
}

TEST_F(EscRequests, RequestWaitsOverFramesWithoutTheWindow) {
  ::ShowWindow(window_, SW_HIDE);
  pressEsc();
  runFrames(30, 10);
  EXPECT_EQ(gState.escRequest.load(), 1) << "still pending";
  EXPECT_EQ(recorded(), "") << "nothing but the window search runs";
  ::ShowWindow(window_, SW_SHOWNA);
  runFrames(1, 10);
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause);
  EXPECT_EQ(gState.escRequest.load(), 0);
}

TEST_F(EscRequests, DebounceSurvivesANewStart) {
  pressEsc();
  runFrames(1, 10);
  cef_quit();
  startModule();
  runFrames(5, 10);
  pressEsc();
  runFrames(1, 10);
  EXPECT_EQ(logCount(kDebouncedLine), 1) << "60 ms after the accepted press, across the restart";
  EXPECT_EQ(recordedFor(kPauseBrowserId), kShowPause);
}

TEST(EscNotReady, PressIsDroppedAndStillStartsAnInterval) {
  sim::createGameWindow();
  startModule();  // the host never answers: the pause browser is requested but never ready
  runFrames(100, 10);
  ASSERT_EQ(gState.pauseCreated.load(), 1);
  sim::clearHostCalls();
  pressEsc();
  runFrames(1, 10);
  EXPECT_EQ(logCount(kNotReadyLine), 1);
  EXPECT_EQ(gState.escRequest.load(), 0) << "dropped, not kept for later";
  runFrames(9, 10);
  pressEsc();
  runFrames(1, 10);  // 100 ms later
  EXPECT_EQ(logCount(kDebouncedLine), 1);
  runFrames(10, 10);
  pressEsc();
  runFrames(1, 10);
  EXPECT_EQ(logCount(kNotReadyLine), 2);
  EXPECT_EQ(recordedFor(kPauseBrowserId), "");
  EXPECT_EQ(gState.menuOpen.load(), 0);
}

}  // namespace
