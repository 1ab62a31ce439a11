// The reaction to each reported browser on the shared flags, from any thread and before start.
#include <gtest/gtest.h>

#include "screens/browser_ids.h"
#include "screens/pause_menu.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;

class BrowserCreated : public ::testing::Test {
 protected:
  void SetUp() override {
    startModule();
    sim::clearHostCalls();
  }
};

TEST_F(BrowserCreated, AuthPageRequestsTheLoadingHideAndDisablesEsc) {
  gState.escEnabled.store(1);
  cef_browser_created(kAuthBrowserId, 0);
  EXPECT_EQ(gState.loadingHideRequested.load(), 1);
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(recorded(), "") << "the loading screen is not ready yet";
}

TEST_F(BrowserCreated, PauseReadyClosesHidesAndDisablesEscAgain) {
  gState.escEnabled.store(1);
  gState.menuOpen.store(1);
  cef_browser_created(kPauseBrowserId, 1);
  EXPECT_EQ(gState.pauseReady.load(), 1);
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(recorded(), calls({focus(kPauseBrowserId, 0), hide(kPauseBrowserId, 1)}));
  EXPECT_EQ(logCount("[CEF] Tembra pause browser READY and hidden."), 1);
}

TEST_F(BrowserCreated, HudReadyUnderTheOpenMenuIsHiddenAtOnce) {
  cef_browser_created(kHudBrowserId, 1);
  EXPECT_EQ(recorded(), "") << "with the menu closed the HUD stays as the host made it";
  openPauseMenu();
  sim::clearHostCalls();
  cef_browser_created(kHudBrowserId, 1);
  EXPECT_EQ(recorded(), calls({hide(kHudBrowserId, 1)}));
  EXPECT_EQ(logCount("[CEF] Tembra HUD browser READY."), 2);
  EXPECT_EQ(logCount("[CEF] HUD ready while pause menu is open -> hidden immediately."), 1);
}

TEST(BrowserCreatedBeforeStart, SetsItsFlagsWithoutCallingTheHost) {
  gState.escEnabled.store(1);
  cef_browser_created(kPauseBrowserId, 1);
  cef_browser_created(kMinimapBrowserId, 1);
  cef_browser_created(kHudBrowserId, 1);
  cef_browser_created(kAuthBrowserId, 1);
  EXPECT_EQ(gState.pauseReady.load(), 1);
  EXPECT_EQ(gState.minimapReady.load(), 1);
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(recorded(), "");
  // The pause browser's readiness outlives the start: ESC can open the menu at once.
  sim::createGameWindow();
  startModule();
  runFrames(1, 10);
  gState.escRequest.store(1);
  runFrames(1, 10);
  EXPECT_EQ(gState.menuOpen.load(), 1);
}

}  // namespace
