// The state document as built from the simulated game's memory and routines, and its cache.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/plugin_state.h"
#include "native/game_settings.h"
#include "native/state_document.h"
#include "sim/sim_game.h"
#include "tests/module/screens_harness.h"

namespace {

namespace gta = sim::gta;
using Modes = std::vector<std::pair<int32_t, int32_t>>;

// The text of one member up to the next member of the same object.
std::string member(const std::string& document, const std::string& name) {
  const size_t start = document.find("\"" + name + "\":");
  if (start == std::string::npos) return "<missing>";
  const size_t valueStart = start + name.size() + 3;
  size_t end = valueStart;
  int depth = 0;
  for (; end < document.size(); ++end) {
    const char c = document[end];
    if (c == '[' || c == '{') ++depth;
    if (c == ']' || c == '}') {
      if (depth == 0) break;
      --depth;
    }
    if (c == ',' && depth == 0) break;
  }
  return document.substr(valueStart, end - valueStart);
}

class StateDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    sim::installFakeClock(::GetModuleHandleW(nullptr));
    sim::setTickMs(100000);
    gState.nativeSupported = true;
  }
};

TEST_F(StateDocument, ReadsBeforeTheLocksExistGetTheShortAnswer) {
  ASSERT_FALSE(gState.locksReady);
  EXPECT_EQ(readStateDocument(), "{\"supported\":false}");
  refreshStateDocument(true);
  EXPECT_EQ(gState.stateJson, kNoStateDocument) << "no build without the locks";
}

TEST_F(StateDocument, ReportsTheGamesValuesOnThePagesScale) {
  sim::setGameValue<uint8_t>(gta::kSfxVolume, 21);
  sim::setGameValue<int32_t>(gta::kBrightness, 1000);
  sim::setGameValue<float>(gta::kDrawDistance, -1.0f);
  sim::setGameValue<uint8_t>(gta::kInvertY, 0x80);
  sim::setGameValue<uint32_t>(gta::kActionTable + 32 * 58 + 16, 0xFFFFFFFFu);
  sim::setGameValue<uint32_t>(gta::kActionTable + 8, 87);
  const std::string document = buildStateDocument();
  EXPECT_EQ(member(document, "sfxVolume"), "33");
  EXPECT_EQ(member(document, "brightness"), "100");
  EXPECT_EQ(member(document, "drawDistance"), "0");
  EXPECT_EQ(member(document, "invertY"), "false") << "the game's menu shows invert mouse OFF";
  EXPECT_EQ(member(document, "0"), "[0,87,0]");
  EXPECT_EQ(member(document, "58"), "[0,0,4294967295]");
}

// The options are the modes the game's own list offers: before the game has built its list, by
// its rules (no windowed mode 0, no 1366 x 768); once built, its entries, which also leave out
// what its video memory cannot hold.
TEST_F(StateDocument, ResolutionOptionsAreTheModesTheGamesOwnListOffers) {
  sim::setVideoModes({{1920, 1080, 32, 0},
                      {640, 480, 32, sim::kExclusive},
                      {1366, 768, 32, sim::kExclusive},
                      {1280, 1024, 32, sim::kExclusive},
                      {1920, 1080, 32, sim::kExclusive}});
  sim::setGameValue<int32_t>(gta::kResolutionMode, 1);
  sim::setGameValue<int32_t>(gta::kResolutionGate, 1);
  EXPECT_EQ(member(buildStateDocument(), "resolutionOptions"),
            "[{\"mode\":1,\"width\":640,\"height\":480},{\"mode\":3,\"width\":1280,\"height\":1024},"
            "{\"mode\":4,\"width\":1920,\"height\":1080}]");
  sim::setVideoMemoryBytes(int64_t{52} << 20);  // room for 1280 x 1024 beside the game's 45 MB, not for 1920 x 1080
  sim::buildVideoModeList();
  EXPECT_EQ(member(buildStateDocument(), "resolutionOptions"),
            "[{\"mode\":1,\"width\":640,\"height\":480},{\"mode\":3,\"width\":1280,\"height\":1024}]");
  sim::setVideoMemoryBytes(int64_t{256} << 20);
  sim::setResolutionModes({{640, 480}});
}

// A page's slider set to each of 0..100 reads back in the document as itself wherever the game
// holds that value, and for the volumes (65 levels) as the nearest page value of the level the
// game holds: a step up never reads back below the value before it, and never as the old value
// where the game holds more steps than the page.
TEST_F(StateDocument, EverySliderValueReadsBackAsItselfOrItsNearestLevel) {
  const struct {
    const char* name;
    bool everyValueHeld;
  } sliders[] = {{"brightness", true},  {"drawDistance", true}, {"mouseSensitivity", true},
                 {"sfxVolume", false},  {"musicVolume", false}};
  for (const auto& slider : sliders) {
    int previous = -1;
    for (int page = 0; page <= 100; ++page) {
      ASSERT_TRUE(applySetting(slider.name, page));
      const int back = std::stoi(member(buildStateDocument(), slider.name));
      if (slider.everyValueHeld) {
        ASSERT_EQ(back, page) << slider.name;
      } else {
        ASSERT_LE(std::abs(back - page), 1) << slider.name << " " << page;  // 100 / 64 apart at most
        ASSERT_TRUE(applySetting(slider.name, back));
        ASSERT_EQ(std::stoi(member(buildStateDocument(), slider.name)), back) << "a held value is a fixed point";
      }
      ASSERT_GE(back, previous) << slider.name << " " << page;
      previous = back;
    }
  }
}

struct ResolutionCase {
  const char* what;
  Modes modes;
  int32_t current;
  int32_t gate;
  std::string mode, width, height, options;
};

TEST_F(StateDocument, ResolutionMembersFollowTheGamesModeList) {
  const ResolutionCase cases[] = {
      {"duplicates and a tiny mode", {{640, 480}, {640, 480}, {800, 600}, {320, 240}}, 1, 1, "1", "640", "480",
       "[{\"mode\":1,\"width\":640,\"height\":480},{\"mode\":2,\"width\":800,\"height\":600}]"},
      {"current mode beyond the count", {{1024, 768}}, 5, 1, "5", "0", "0",
       "[{\"mode\":0,\"width\":1024,\"height\":768}]"},
      {"the current mode is described even when tiny", {{320, 240}, {800, 600}}, 0, 1, "0", "320", "240",
       "[{\"mode\":1,\"width\":800,\"height\":600}]"},
      {"resolution gate closed", {{800, 600}}, 0, 0, "0", "0", "0", "[]"},
      {"a count beyond 512", Modes(513, {800, 600}), 0, 1, "0", "0", "0", "[]"},
      {"no modes at all", {}, 0, 1, "0", "0", "0", "[]"},
  };
  for (const ResolutionCase& c : cases) {
    sim::setResolutionModes(c.modes);
    sim::setGameValue<int32_t>(gta::kResolutionMode, c.current);
    sim::setGameValue<int32_t>(gta::kResolutionGate, c.gate);
    const std::string document = buildStateDocument();
    EXPECT_EQ(member(document, "resolutionMode"), c.mode) << c.what;
    EXPECT_EQ(member(document, "resolutionWidth"), c.width) << c.what;
    EXPECT_EQ(member(document, "resolutionHeight"), c.height) << c.what;
    EXPECT_EQ(member(document, "resolutionOptions"), c.options) << c.what;
  }
}

TEST_F(StateDocument, FaultingGameReadsAndRoutinesLeaveTheDefaults) {
  sim::setRoutineBehaviour(gta::kGetResolutionModeInfo, sim::RoutineBehaviour::Fault);
  const std::string document = buildStateDocument();
  EXPECT_EQ(member(document, "resolutionWidth"), "0");
  EXPECT_EQ(member(document, "resolutionOptions"), "[]");
  gState.nativeSupported = false;
  EXPECT_EQ(buildStateDocument(),
            "{\"supported\":false,\"menuOpen\":false,\"menuGeneration\":0,\"captureCancelCounter\":0,"
            "\"capturedKey\":-1,\"capturedKeyCounter\":0,\"settings\":{},\"bindings\":{}}");
}

TEST_F(StateDocument, UnforcedRefreshesComeAtMostEvery120ms) {
  screens_harness::startModule();
  const auto sfx = [] { return member(readStateDocument(), "sfxVolume"); };
  sim::setGameValue<uint8_t>(gta::kSfxVolume, 32);
  sim::advanceMs(50);
  refreshStateDocument(false);
  EXPECT_EQ(sfx(), "100") << "built by cef_initialize 50 ms ago";
  refreshStateDocument(true);
  EXPECT_EQ(sfx(), "50");
  sim::setGameValue<uint8_t>(gta::kSfxVolume, 0);
  sim::advanceMs(119);
  refreshStateDocument(false);
  EXPECT_EQ(sfx(), "50");
  sim::advanceMs(1);
  refreshStateDocument(false);
  EXPECT_EQ(sfx(), "0");
  cef_quit();
}

}  // namespace
