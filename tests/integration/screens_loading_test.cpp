// The loading screen through the simulated host: kept up every 250 ms, and the ways it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/browser_ids.h"
#include "screens/page_urls.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/sim_host.h"

namespace {

using sim::HostCall;
using sim::HostFn;

constexpr char kHiddenLine[] = "[LOADING] Hidden. AUTH page is ready.";
constexpr char kWaitingLine[] = "[LOADING] Hide requested. Waiting for browser READY.";
constexpr char kTimeoutLine[] = "[LOADING] Maximum maintenance timeout (60s) reached -> auto-hiding.";

std::string calls(std::initializer_list<HostCall> expected) { return sim::describe(expected); }
HostCall hide(int32_t hidden) { return {HostFn::Hide, kLoadingBrowserId, hidden, 0, "", 0}; }
HostCall focus(int32_t focused) { return {HostFn::Focus, kLoadingBrowserId, focused, 0, "", 0}; }
HostCall createLoading() {
  return {HostFn::Create, kLoadingBrowserId, 0, 1, std::string(kLocalPageOrigin) + "/loading/index.html", 0};
}

std::string loadingCalls() { return sim::describe(sim::hostCallsFor(kLoadingBrowserId)); }

// Starts with the window present; the host answers the loading browser's creation at once, so it
// is ready at 200 ms after the start and shown there.
class LoadingScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::createGameWindow();
    sim::setAnswerCreates(true);
    sim::initializeWithHost();
    start_ = sim::tickMs();
    sim::runFrames(20, 10);
    ASSERT_TRUE(sim::logHas("[LOADING] READY and visible.")) << loadingCalls();
  }

  void atMs(uint64_t sinceStart) {
    sim::setTickMs(start_ + sinceStart);
    sim::runFrame();
  }

  uint64_t start_ = 0;
};

TEST_F(LoadingScreen, ReadyIsShownThenFocusedAndReshownEvery250Ms) {
  EXPECT_EQ(loadingCalls(), calls({createLoading(), hide(0), focus(1)}));
  std::vector<uint64_t> reshownAt;
  for (int frame = 0; frame < 100; ++frame) {
    const size_t before = sim::hostCallsFor(kLoadingBrowserId).size();
    sim::runFrames(1, 30);
    const std::vector<HostCall> now = sim::hostCallsFor(kLoadingBrowserId);
    if (now.size() == before) continue;
    EXPECT_EQ(sim::describe({now.begin() + static_cast<long>(before), now.end()}), calls({hide(0), focus(1)}));
    reshownAt.push_back(sim::tickMs() - start_);
  }
  ASSERT_GE(reshownAt.size(), 10u);
  EXPECT_EQ(reshownAt[0], 230u) << "the first upkeep runs in the first frame after READY";
  // Frames every 30 ms: each later upkeep runs in the first frame at least 250 ms after the last.
  for (size_t i = 1; i < reshownAt.size(); ++i) EXPECT_EQ(reshownAt[i] - reshownAt[i - 1], 270u) << i;
}

TEST_F(LoadingScreen, AuthPageHidesItTakingTheInputFirst) {
  sim::clearHostCalls();
  sim::module().browserCreated(kAuthBrowserId, 1);
  EXPECT_EQ(loadingCalls(), calls({focus(0), hide(1)}));
  const std::vector<std::string> lines = sim::logMessagesTagged({"[CEF]", "[LOADING]"});
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"[CEF] Browser callback ID=74597 status=1", kHiddenLine,
                                      "[CEF] Auth browser created (0x12365). Local loading hidden, ESC disabled for auth."}));
  sim::runFrames(400, 50);
  EXPECT_EQ(loadingCalls(), calls({focus(0), hide(1)})) << "never shown again";
  EXPECT_FALSE(sim::logHas(kTimeoutLine));
}

TEST_F(LoadingScreen, ForeignBrowserHidesItAndEveryLaterOneHidesItAgain) {
  sim::clearHostCalls();
  sim::module().browserCreated(4242, 0);
  EXPECT_EQ(loadingCalls(), calls({focus(0), hide(1)}));
  EXPECT_TRUE(sim::logHas("[CEF] External/Server browser created ID=4242 -> auto-hiding local loading screen."));
  // Long after the screen is gone: the hide is carried out and logged again.
  sim::runFrames(100, 1000);
  sim::module().browserCreated(0xFFFFFFFFu, -1);
  EXPECT_TRUE(sim::logHas("[CEF] Browser callback ID=4294967295 status=-1"));
  EXPECT_TRUE(sim::logHas("[CEF] External/Server browser created ID=4294967295 -> auto-hiding local loading screen."));
  EXPECT_EQ(loadingCalls(), calls({focus(0), hide(1), focus(0), hide(1)}));
  EXPECT_EQ(sim::logCount(kHiddenLine), 2);
}

TEST_F(LoadingScreen, StillShownAtExactlySixtySecondsHiddenAtTheFirstUpkeepAfter) {
  atMs(59750);
  sim::clearHostCalls();
  atMs(60000);
  EXPECT_EQ(loadingCalls(), calls({hide(0), focus(1)})) << "at exactly 60 s the screen is kept up";
  sim::clearHostCalls();
  atMs(60249);
  EXPECT_EQ(loadingCalls(), "") << "within the interval nothing happens";
  EXPECT_FALSE(sim::logHas(kTimeoutLine));
  atMs(60250);
  EXPECT_EQ(loadingCalls(), calls({focus(0), hide(1)}));
  const std::vector<std::string> lines = sim::logMessagesTagged({"[CEF]", "[LOADING]"});
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{kTimeoutLine, kHiddenLine}));
  sim::runFrames(100, 250);
  EXPECT_EQ(loadingCalls(), calls({focus(0), hide(1)}));
  EXPECT_EQ(sim::logCount(kTimeoutLine), 1);
}

TEST(LoadingHide, RequestedBeforeCreationMeansTheScreenIsNeverRequested) {
  sim::createGameWindow();
  sim::setAnswerCreates(true);
  sim::initializeWithHost();
  sim::runFrames(10, 10);
  sim::module().browserCreated(kAuthBrowserId, 1);
  EXPECT_TRUE(sim::logHas(kWaitingLine));
  sim::runFrames(300, 10);
  EXPECT_EQ(loadingCalls(), "");
  EXPECT_EQ(sim::hostCallsFor(kPauseBrowserId).size(), 3u) << "the other browsers come as usual: "
                                                           << sim::describe(sim::hostCalls());
  EXPECT_EQ(sim::hostCallsOf(HostFn::Create).size(), 2u);
}

TEST(LoadingHide, RequestedBeforeReadinessHidesItOnReadyWithoutEverShowingIt) {
  sim::createGameWindow();
  sim::initializeWithHost();
  sim::runFrames(25, 10);
  ASSERT_EQ(loadingCalls(), calls({createLoading()}));
  sim::module().browserCreated(kAuthBrowserId, 1);
  EXPECT_TRUE(sim::logHas(kWaitingLine));
  sim::runFrames(50, 10);
  sim::module().browserCreated(kLoadingBrowserId, 1);
  EXPECT_EQ(loadingCalls(), calls({createLoading(), focus(0), hide(1)}));
  EXPECT_TRUE(sim::logHas("[LOADING] READY after hide request -> hidden immediately."));
  EXPECT_FALSE(sim::logHas("[LOADING] READY and visible."));
  sim::runFrames(300, 250);
  EXPECT_EQ(loadingCalls(), calls({createLoading(), focus(0), hide(1)}));
}

TEST(LoadingHide, NeverReadyNeverShownNorTimedOut) {
  sim::createGameWindow();
  sim::initializeWithHost();
  sim::runFrames(300, 250);
  EXPECT_EQ(loadingCalls(), calls({createLoading()}));
  EXPECT_FALSE(sim::logHas(kTimeoutLine));
}

}  // namespace
