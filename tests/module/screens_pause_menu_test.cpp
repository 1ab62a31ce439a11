// Opening and closing the pause menu: the exact host-call orders, the generation count, the
// key capture ended on close and the silence without host functions.
#include <gtest/gtest.h>

#include "screens/browser_ids.h"
#include "screens/pause_menu.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;

class PauseMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    startModule();
    sim::clearHostCalls();
  }
};

TEST_F(PauseMenu, WithoutMinimapOpenAndCloseMakeThreeCallsEach) {
  openPauseMenu();
  EXPECT_EQ(recorded(), calls({hide(kHudBrowserId, 1), hide(kPauseBrowserId, 0), focus(kPauseBrowserId, 1)}));
  EXPECT_EQ(gState.menuOpen.load(), 1);
  EXPECT_EQ(gState.menuGeneration.load(), 1);
  EXPECT_EQ(logCount("[MENU] OPEN. generation=1 (HUD hidden under pause)"), 1);

  sim::clearHostCalls();
  closePauseMenu();
  EXPECT_EQ(recorded(), calls({focus(kPauseBrowserId, 0), hide(kPauseBrowserId, 1), hide(kHudBrowserId, 0)}));
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_EQ(gState.menuGeneration.load(), 1) << "closing counts nothing";
  EXPECT_EQ(logCount("[MENU] CLOSED (HUD restored)."), 1);
}

TEST_F(PauseMenu, ReadyMinimapIsHiddenAndShownWithTheHud) {
  cef_browser_created(kMinimapBrowserId, 1);
  EXPECT_EQ(recorded(), calls({focus(kMinimapBrowserId, 0)})) << "the minimap never takes the input";
  EXPECT_EQ(gState.minimapReady.load(), 1);
  sim::clearHostCalls();
  openPauseMenu();
  closePauseMenu();
  EXPECT_EQ(recorded(), calls({hide(kHudBrowserId, 1), hide(kMinimapBrowserId, 1), hide(kPauseBrowserId, 0),
                               focus(kPauseBrowserId, 1), focus(kPauseBrowserId, 0), hide(kPauseBrowserId, 1),
                               hide(kHudBrowserId, 0), hide(kMinimapBrowserId, 0)}));
}

TEST_F(PauseMenu, EveryOpenCountsAGenerationUntilTheNextStart) {
  openPauseMenu();
  openPauseMenu();
  EXPECT_EQ(gState.menuGeneration.load(), 2);
  EXPECT_EQ(logCount("[MENU] OPEN. generation=1 (HUD hidden under pause)"), 1);
  EXPECT_EQ(logCount("[MENU] OPEN. generation=2 (HUD hidden under pause)"), 1);
  EXPECT_EQ(sim::hostCalls().size(), 6u) << "a second open repeats its calls: " << recorded();
  closePauseMenu();
  closePauseMenu();
  EXPECT_EQ(logCount("[MENU] CLOSED (HUD restored)."), 2);
  EXPECT_EQ(sim::hostCalls().size(), 12u) << "a second close repeats its calls: " << recorded();

  cef_quit();
  startModule();
  openPauseMenu();
  EXPECT_EQ(gState.menuGeneration.load(), 1);
  EXPECT_EQ(logCount("[MENU] OPEN. generation=1 (HUD hidden under pause)"), 1) << "the new log holds the new count";
}

TEST_F(PauseMenu, CloseEndsAKeyCaptureButKeepsTheCapturedKey) {
  openPauseMenu();
  gState.captureMode.store(1);
  gState.capturedKey.store(57);
  gState.capturedKeyCounter.store(3);
  closePauseMenu();
  EXPECT_EQ(gState.captureMode.load(), 0);
  EXPECT_EQ(gState.capturedKey.load(), 57);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 3);
}

TEST_F(PauseMenu, MissingHideOrFocusMakesBothDoNothing) {
  const HideBrowserFn hideFn = gState.hideBrowser;
  const FocusBrowserFn focusFn = gState.focusBrowser;

  gState.hideBrowser = nullptr;
  openPauseMenu();
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_EQ(gState.menuGeneration.load(), 0);

  gState.hideBrowser = hideFn;
  gState.focusBrowser = nullptr;
  gState.menuOpen.store(1);
  gState.captureMode.store(2);
  closePauseMenu();
  EXPECT_EQ(gState.menuOpen.load(), 1);
  EXPECT_EQ(gState.captureMode.load(), 2);
  openPauseMenu();
  EXPECT_EQ(gState.menuGeneration.load(), 0);

  EXPECT_EQ(recorded(), "");
  for (const std::string& line : logMessages()) EXPECT_EQ(line.rfind("[MENU]", 0), std::string::npos) << line;
  gState.focusBrowser = focusFn;
}

}  // namespace
