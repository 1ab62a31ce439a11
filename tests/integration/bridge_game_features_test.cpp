// The last game features through the bridge in the simulated game: a binding changes the game's
// action table in the next frame and shows in "/state" within 120 ms, "map" opens the game's map
// page, "reset_controls" restores the game's default bindings.
#include <gtest/gtest.h>

#include <string>

#include "tests/sim/bridge_client.h"
#include "tests/sim/game_window.h"
#include "tests/sim/module_under_test.h"
#include "tests/sim/sim_game.h"
#include "tests/sim/sim_host.h"

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
  EXPECT_EQ(get("/bind?action=3&type=1&key=87"), "{\"ok\":true}");
  EXPECT_EQ(sim::actionKey(3, 1), 0u) << "the game is only touched on its own thread";
  sim::runFrames(1, kFrameMs);
  EXPECT_EQ(sim::actionKey(3, 1), 87u);
  EXPECT_EQ(sim::actionKey(22, 0), sim::kNoKey) << "the game took W from the action that held it";
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
