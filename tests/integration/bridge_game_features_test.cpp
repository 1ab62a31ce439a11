// The last game features through the bridge in the simulated game: a binding changes the game's
// action table in the next frame (taking the key from both keyboard slots of the action that held
// it) and shows in "/state" within 120 ms, "map" opens the game's map page through the game's own
// next frame or gives up when its menu never comes, no resolution request puts a mode into the
// game that its Display page could not draw, "reset_controls" restores the game's defaults.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sim/bridge_client.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace {

namespace gta = sim::gta;

constexpr uint64_t kFrameMs = 16;
constexpr uint64_t kStateRefreshMs = 120;

std::string get(const std::string& target) {
  return sim::bodyOf(sim::exchange("GET " + target + " HTTP/1.1\r\nOrigin: http://tembra.local\r\n\r\n"));
}

bool has(const std::string& document, const std::string& member) { return document.find(member) != std::string::npos; }

class BridgeGameFeatures : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    sim::createGameWindow();
    sim::setAnswerCreates(true);
    sim::initializeWithHost();
    ASSERT_TRUE(sim::waitForBridge());
    sim::runFrames(60, 20);
    sim::clearRoutineCalls();
  }
};

TEST_F(BridgeGameFeatures, ABindingReachesTheGameInTheNextFrameAndTheStateWithin120Ms) {
  sim::setActionKey(22, 0, 'W');
  sim::setActionKey(23, 1, 'W');
  EXPECT_EQ(get("/bind?action=3&type=1&key=87"), "{\"ok\":true}");
  EXPECT_EQ(sim::actionKey(3, 1), 0u) << "the game is only touched on its own thread";
  sim::runFrames(1, kFrameMs);
  EXPECT_EQ(sim::actionKey(3, 1), 87u);
  EXPECT_EQ(sim::actionKey(22, 0), sim::kNoKey) << "the game took W from the action that held it";
  EXPECT_EQ(sim::actionKey(23, 1), sim::kNoKey) << "and from the other keyboard slot too";
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 1u);
  EXPECT_TRUE(sim::logHas("[NATIVE] Binding saved: action=3 type=1 key=87"));
  sim::runFrames(1, kStateRefreshMs);
  const std::string state = get("/state");
  EXPECT_TRUE(has(state, "\"3\":[0,87,0]")) << state;
  EXPECT_TRUE(has(state, "\"22\":[1056,0,0]")) << state;
}

TEST_F(BridgeGameFeatures, MapOpensTheGamesMapPage) {
  sim::setGameMenuStartDelay(100);
  EXPECT_EQ(get("/action?name=map"), "{\"ok\":true}");
  sim::runFrames(1, kFrameMs);
  EXPECT_TRUE(sim::logHas("[MAP] GTA menu start requested. Waiting before opening MAP page."));
  sim::runFrames(20, kFrameMs);
  EXPECT_EQ(sim::gameMenuPage(), 5);
  EXPECT_TRUE(sim::logHas("[MAP] Native GTA MAP page opened safely."));
}

TEST_F(BridgeGameFeatures, MapGivesUpAndWithdrawsItsRequestWhenTheGamesMenuNeverComes) {
  sim::setGameMenuStartDelay(sim::kMenuNeverStarts);
  EXPECT_EQ(get("/action?name=map"), "{\"ok\":true}");
  sim::runFrames(100, kFrameMs);
  EXPECT_TRUE(sim::logHas("[MAP] GTA menu did not become active. Returning to Tembra menu."));
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMenuStartRequest), 0);
  sim::setGameMenuStartDelay(0);
  sim::runFrames(5, kFrameMs);
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kGameMenuActive), 0) << "no game menu comes up over the module's";
  EXPECT_TRUE(sim::callsOf(gta::kSwitchMenuPage).empty());
}

// Every mode index a page can send, before the game has built its own list (its rules apply) and
// after it has (here leaving out 1920 x 1080 for want of video memory): the game only ever holds
// a mode its Display page can draw, and only such modes are offered.
TEST_F(BridgeGameFeatures, NoResolutionRequestPutsAModeTheGameLeftOutIntoTheGame) {
  const auto requestEveryMode = [](bool visitEach) {
    for (int mode = -2; mode <= 8; ++mode) {
      EXPECT_EQ(get("/setting?name=resolutionMode&value=" + std::to_string(mode)), "{\"ok\":true}");
      sim::runFrames(1, kFrameMs);
      if (visitEach) {
        ASSERT_TRUE(sim::visitDisplayPage()) << "mode " << mode;
      }
    }
    sim::runFrames(1, kStateRefreshMs);
  };
  requestEveryMode(false);
  ASSERT_TRUE(sim::visitDisplayPage());
  std::string state = get("/state");
  EXPECT_FALSE(has(state, "{\"mode\":0,")) << "the windowed desktop mode: " << state;
  EXPECT_FALSE(has(state, "\"width\":1366")) << state;
  EXPECT_TRUE(has(state, "{\"mode\":6,")) << state;
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kResolutionMode), 6) << "the last mode the game offers";
  EXPECT_TRUE(sim::logHas("[NATIVE] Resolution mode 5 refused: the game does not offer it."));

  // A new device: the game builds its list anew, at a mode it holds itself, with less memory.
  sim::setVideoModes({{1920, 1080, 32, 0}, {640, 480, 32, sim::kExclusive}, {800, 600, 32, sim::kExclusive},
                      {1024, 768, 32, sim::kExclusive}, {1280, 720, 32, sim::kExclusive},
                      {1366, 768, 32, sim::kExclusive}, {1920, 1080, 32, sim::kExclusive}});
  sim::setGameValue<int32_t>(gta::kResolutionMode, 3);
  sim::setVideoMemoryBytes(int64_t{50} << 20);
  ASSERT_TRUE(sim::visitDisplayPage());
  requestEveryMode(true);
  state = get("/state");
  EXPECT_FALSE(has(state, "{\"mode\":6,")) << state;
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kResolutionMode), 4);
  sim::setVideoMemoryBytes(int64_t{256} << 20);
}

TEST_F(BridgeGameFeatures, ResetControlsRestoresTheDefaults) {
  EXPECT_EQ(get("/bind?action=0&type=0&key=87"), "{\"ok\":true}");
  EXPECT_EQ(get("/action?name=reset_controls"), "{\"ok\":true}");
  sim::runFrames(1, kFrameMs);
  for (int action = 0; action < 59; ++action)
    for (int slot = 0; slot < 3; ++slot)
      ASSERT_EQ(sim::actionKey(action, slot), sim::defaultActionKey(action, slot)) << action << " " << slot;
  EXPECT_TRUE(sim::logHas("[NATIVE] Controls reset to GTA defaults and saved."));
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 2u) << "the binding's save and the reset's";
}

}  // namespace
