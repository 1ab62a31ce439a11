// The loading screen ended by a page's request, and the hide without the host's functions.
#include <gtest/gtest.h>

#include "screens/browser_ids.h"
#include "screens/loading_screen.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;

TEST(LoadingPageRequest, HidesTheShownScreenForGood) {
  sim::createGameWindow();
  sim::setAnswerCreates(true);
  startModule();
  runFrames(30, 10);
  ASSERT_EQ(gState.loadingReady.load(), 1);
  sim::clearHostCalls();
  // What the executor does for a page's "loading_hide".
  requestLoadingHide();
  EXPECT_EQ(recordedFor(kLoadingBrowserId), calls({focus(kLoadingBrowserId, 0), hide(kLoadingBrowserId, 1)}));
  EXPECT_EQ(logCount("[LOADING] Hidden. AUTH page is ready."), 1);
  runFrames(100, 250);
  EXPECT_EQ(recordedFor(kLoadingBrowserId), calls({focus(kLoadingBrowserId, 0), hide(kLoadingBrowserId, 1)}))
      << "the upkeep never shows it again";
}

TEST(LoadingPageRequest, WithoutHostFunctionsOnlyTheRequestIsRemembered) {
  startModule();
  gState.loadingReady.store(1);
  gState.hideBrowser = nullptr;
  requestLoadingHide();
  EXPECT_EQ(gState.loadingHideRequested.load(), 1);
  EXPECT_EQ(logCount("[LOADING] Hide requested. Waiting for browser READY."), 1);
  EXPECT_EQ(recorded(), "") << "the focus function alone is not called either";
}

}  // namespace
