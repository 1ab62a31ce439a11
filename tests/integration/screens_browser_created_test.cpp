// Browser reports through the loaded module: what is logged and which host calls follow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/browser_ids.h"
#include "tests/sim/fake_clock.h"
#include "tests/sim/game_window.h"
#include "tests/sim/module_under_test.h"
#include "tests/sim/sim_host.h"

namespace {

TEST(BrowserReports, BeforeStartAreLoggedButCallNoHostFunction) {
  sim::module().browserCreated(kPauseBrowserId, 1);
  sim::module().browserCreated(kLoadingBrowserId, 1);
  sim::module().browserCreated(kMinimapBrowserId, -5);
  sim::module().browserCreated(kAuthBrowserId, 1);
  EXPECT_EQ(sim::logMessages(),
            (std::vector<std::string>{
                "[CEF] Browser callback ID=2130714633 status=1",
                "[CEF] Tembra pause browser READY and hidden.",
                "[CEF] Browser callback ID=2130714627 status=1",
                "[CEF] Tembra LOCAL loading browser READY.",
                "[LOADING] READY and visible.",
                "[CEF] Browser callback ID=74594 status=-5",
                "[CEF] Local minimap browser READY.",
                "[CEF] Browser callback ID=74597 status=1",
                "[LOADING] Hide requested. Waiting for browser READY.",
                "[CEF] Auth browser created (0x12365). Local loading hidden, ESC disabled for auth.",
            }));
  EXPECT_TRUE(sim::hostCalls().empty()) << sim::describe(sim::hostCalls());
}

TEST(BrowserReports, EachOfTheModulesBrowsersGetsItsInitialVisibility) {
  sim::createGameWindow();
  sim::setAnswerCreates(true);
  sim::initializeWithHost();
  sim::runFrames(150, 10);
  const std::vector<sim::HostCall> pause = sim::hostCallsFor(kPauseBrowserId);
  ASSERT_EQ(pause.size(), 3u) << sim::describe(pause);
  EXPECT_EQ(pause[0].fn, sim::HostFn::Create);
  EXPECT_EQ(sim::describe({pause[1], pause[2]}),
            sim::describe({{sim::HostFn::Focus, kPauseBrowserId, 0, 0, "", 0},
                           {sim::HostFn::Hide, kPauseBrowserId, 1, 0, "", 0}}))
      << "the pause page stays loaded but hidden";
  EXPECT_EQ(sim::hostCallsFor(kHudBrowserId).size(), 1u) << "the HUD stays as the host made it";
  EXPECT_TRUE(sim::logHas("[CEF] Tembra HUD browser READY."));
  EXPECT_FALSE(sim::logHas("[CEF] HUD ready while pause menu is open -> hidden immediately."));
}

}  // namespace
