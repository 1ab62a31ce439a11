// Start-up, shutdown and notifications as the host drives them through the module's exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/sim_host.h"

namespace {

using sim::logMessages;

const std::vector<std::string> kBanner = {
    "================================================",
    "TembraUI Native Pause + HUD + Local Loading V3",
    "Pause menu + HUD + local loading + GTA map + native GTA settings bridge",
    "================================================",
};

std::vector<std::string> bannerPlus(std::vector<std::string> rest) {
  std::vector<std::string> lines = kBanner;
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

TEST(Initialize, NullTableLogsTheErrorAndStaysInactive) {
  sim::createGameWindow();
  sim::module().initialize(nullptr);
  EXPECT_EQ(sim::readLogBytes().substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(logMessages(), bannerPlus({"[CEF] ERROR: api == nullptr"}));
  sim::runFrames(100, 20);
  EXPECT_TRUE(sim::hostCalls().empty()) << sim::describe(sim::hostCalls());
  EXPECT_EQ(logMessages().size(), kBanner.size() + 1) << "an inactive module logs nothing per frame";
}

class NullSlot : public ::testing::TestWithParam<int> {};

TEST_P(NullSlot, AnyNullSlotLogsTheErrorAndStartsNothing) {
  sim::createGameWindow();
  HostApi table = sim::hostTable();
  void** slots = reinterpret_cast<void**>(&table);
  slots[GetParam()] = nullptr;
  sim::module().initialize(&table);
  EXPECT_EQ(logMessages(), bannerPlus({"[CEF] ERROR: one of the 4 proven API pointers is null."}));
  sim::runFrames(100, 20);
  EXPECT_TRUE(sim::hostCalls().empty()) << sim::describe(sim::hostCalls());
  EXPECT_EQ(logMessages().size(), kBanner.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(EachOfTheFour, NullSlot, ::testing::Values(0, 1, 2, 3));

// Without the simulated game's memory installed, the layout check rejects this process.
TEST(Initialize, ValidTableLogsReadinessAndNoNativeSupportWithoutTheGame) {
  sim::initializeWithHost();
  const std::vector<std::string> lines = logMessages();
  ASSERT_GE(lines.size(), kBanner.size() + 2);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4), kBanner);
  EXPECT_TRUE(sim::logHas("[CEF] [OK] API ready (4 proven functions only)."));
  EXPECT_TRUE(sim::logHas("[NATIVE] supported=NO"));
  EXPECT_TRUE(sim::hostCallsOf(sim::HostFn::Spare).empty()) << "the spare slot is never called";
}

TEST(Quit, WithoutInitializeLogsItsTwoLines) {
  sim::module().quit();
  EXPECT_EQ(logMessages(), (std::vector<std::string>{"[CEF] cef_quit.", "TembraUI Native Pause V1 stopped."}));
}

TEST(Quit, SecondInitializeStartsAFreshLog) {
  sim::initializeWithHost();
  sim::module().connect();
  sim::module().quit();
  ASSERT_TRUE(sim::logHas("TembraUI Native Pause V1 stopped."));
  sim::initializeWithHost();
  EXPECT_EQ(sim::readLogBytes().substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_FALSE(sim::logHas("[CEF] cef_connect.")) << "lines of the earlier run must be gone";
  EXPECT_FALSE(sim::logHas("TembraUI Native Pause V1 stopped."));
  EXPECT_EQ(sim::logCount("[CEF] [OK] API ready (4 proven functions only)."), 1);
}

TEST(Notifications, EachLogsItsLine) {
  sim::initializeWithHost();
  sim::module().connect();
  sim::module().disconnect();
  sim::module().dxreset();
  // The keyboard thread logs on its own meanwhile, so only the host's area is compared.
  const std::vector<std::string> lines = sim::logMessagesTagged({"[CEF]"});
  const std::vector<std::string> tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"[CEF] cef_connect.", "[CEF] cef_disconnect. ESC disabled.",
                                            "[CEF] cef_dxreset called."}));
  EXPECT_TRUE(sim::hostCalls().empty()) << "a device reset touches no browser";
}

}  // namespace
