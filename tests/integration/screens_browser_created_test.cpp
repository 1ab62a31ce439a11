// Browser reports through the loaded module: what is logged and which host calls follow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/browser_ids.h"
#include "sim/module_under_test.h"
#include "sim/sim_host.h"

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

}  // namespace
