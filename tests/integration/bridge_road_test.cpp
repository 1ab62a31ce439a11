// Whole roads through the bridge with real keys in the simulated game: ESC opens the menu, the
// page reads it, changes the effects volume and continues; and a key captured for a binding.
#include <gtest/gtest.h>

#include <string>

#include "sim/bridge_client.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/real_input.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace {

constexpr uint32_t kPauseBrowserId = 0x7F002009;
constexpr int32_t kSomePlayerPed = 0x01234560;
// Longer than the state document's 120 ms between rebuilds.
constexpr uint64_t kRebuildStepMs = 200;

std::string get(const std::string& target) {
  return sim::bodyOf(sim::exchange("GET " + target + " HTTP/1.1\r\nOrigin: http://tembra.local\r\n\r\n"));
}

// The state document after the next frame's rebuild.
std::string stateAfterFrame() {
  sim::runFrames(1, kRebuildStepMs);
  return get("/state");
}

bool has(const std::string& document, const std::string& member) {
  return document.find(member) != std::string::npos;
}

class BridgeRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    game_ = sim::createGameWindow();
    ASSERT_TRUE(sim::bringToFront(game_));
    sim::setAnswerCreates(true);
    sim::initializeWithHost();
    ASSERT_TRUE(sim::pumpUntil([] { return sim::logHas("[KEYBOARD] Low-level hook installed."); }));
    ASSERT_TRUE(sim::waitForBridge());
    sim::runFrames(60, 20);
    sim::setGameValue<int32_t>(sim::gta::kPlayerPed, kSomePlayerPed);
    sim::runFrames(1, 20);
    sim::clearHostCalls();
    sim::clearRoutineCalls();
  }

  void press(const std::string& key) { ASSERT_EQ(sim::runXdotool("key " + key), 0) << key; }

  HWND game_ = nullptr;
};

TEST_F(BridgeRoad, EscOpensThePageReadsItSetsTheVolumeAndContinues) {
  press("Escape");
  ASSERT_TRUE(sim::pumpUntil([] { return sim::logHas("[ESC] Open pause menu request."); }));
  std::string state = stateAfterFrame();
  EXPECT_TRUE(has(state, "\"menuOpen\":true,\"menuGeneration\":1,")) << state;

  sim::setGameValue<uint8_t>(sim::gta::kSfxVolume, 64);
  EXPECT_EQ(get("/setting?name=sfxVolume&value=50"), "{\"ok\":true}");
  EXPECT_EQ(sim::gameValue<uint8_t>(sim::gta::kSfxVolume), 64) << "the game is only touched on its own thread";
  EXPECT_TRUE(sim::callsOf(sim::gta::kApplySfxVolume).empty());
  sim::runFrame();
  EXPECT_EQ(sim::gameValue<uint8_t>(sim::gta::kSfxVolume), 32);
  const std::vector<sim::RoutineCall> volume = sim::callsOf(sim::gta::kApplySfxVolume);
  ASSERT_EQ(volume.size(), 1u);
  EXPECT_EQ(volume[0].args, std::vector<int32_t>{32});
  EXPECT_EQ(volume[0].threadId, ::GetCurrentThreadId()) << "called on the game thread";
  EXPECT_TRUE(has(get("/state"), "\"sfxVolume\":50,")) << "rebuilt at once after a setting";

  sim::clearHostCalls();
  EXPECT_EQ(get("/action?name=continue"), "{\"ok\":true}");
  sim::runFrame();
  EXPECT_EQ(sim::describe(sim::hostCallsFor(kPauseBrowserId)),
            sim::describe({{sim::HostFn::Focus, kPauseBrowserId, 0, 0, "", 0},
                           {sim::HostFn::Hide, kPauseBrowserId, 1, 0, "", 0}}));
  state = stateAfterFrame();
  EXPECT_TRUE(has(state, "\"menuOpen\":false,\"menuGeneration\":1,")) << state;
  EXPECT_EQ(sim::logMessagesTagged({"[BRIDGE] GET"}),
            (std::vector<std::string>{"[BRIDGE] GET /state (origin=http://tembra.local)",
                                      "[BRIDGE] GET /setting?name=sfxVolume&value=50 (origin=http://tembra.local)",
                                      "[BRIDGE] GET /state (origin=http://tembra.local)",
                                      "[BRIDGE] GET /action?name=continue (origin=http://tembra.local)",
                                      "[BRIDGE] GET /state (origin=http://tembra.local)"}));
}

TEST_F(BridgeRoad, CapturedKeyAndEscCancelShowInTheState) {
  EXPECT_EQ(get("/action?name=capture_on"), "{\"ok\":true}");
  sim::runFrame();
  ASSERT_TRUE(sim::logHas("[CAPTURE] Keyboard capture enabled."));
  press("w");
  ASSERT_TRUE(sim::pumpUntil([] { return sim::logHas("[CAPTURE] Native keyboard key captured. vk=87 scan=17 rs=87"); }));
  std::string state = stateAfterFrame();
  EXPECT_TRUE(has(state, "\"captureCancelCounter\":0,\"capturedKey\":87,\"capturedKeyCounter\":1,")) << state;

  EXPECT_EQ(get("/action?name=capture_on"), "{\"ok\":true}");
  sim::runFrame();
  press("Escape");
  ASSERT_TRUE(sim::pumpUntil([] { return sim::logHas("[CAPTURE] Cancelled by ESC."); }));
  state = stateAfterFrame();
  EXPECT_TRUE(has(state, "\"menuOpen\":false,\"menuGeneration\":0,\"captureCancelCounter\":1,\"capturedKey\":-1,"
                         "\"capturedKeyCounter\":1,"))
      << state << ": ESC cancelled the capture and did not open the menu";
}

}  // namespace
