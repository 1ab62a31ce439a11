// The state document's exact bytes, checked again with a JSON parser, and the resolution
// options' selection and order.
#include "native/state_json.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace {

using nlohmann::ordered_json;

TEST(StateJson, WithoutNativeSupportSettingsAndBindingsAreEmpty) {
  StateSnapshot snapshot;
  snapshot.menuOpen = true;
  snapshot.menuGeneration = 3;
  snapshot.captureCancelCounter = 2;
  snapshot.capturedKeyCounter = 5;
  snapshot.resolutionOptions = {{0, 800, 600}};  // ignored without support
  EXPECT_EQ(formatStateDocument(snapshot),
            "{\"supported\":false,\"menuOpen\":true,\"menuGeneration\":3,\"captureCancelCounter\":2,"
            "\"capturedKey\":-1,\"capturedKeyCounter\":5,\"settings\":{},\"bindings\":{}}");
}

StateSnapshot supportedSnapshot() {
  StateSnapshot snapshot;
  snapshot.supported = true;
  snapshot.menuGeneration = -7;
  snapshot.capturedKey = 1001;
  snapshot.settings.brightness = 1000;      // out of range: reported as 100
  snapshot.settings.drawDistance = -3.0f;   // reported as 0
  snapshot.settings.invertY = 0xFF;         // any non-zero byte is the game's "invert mouse" OFF
  snapshot.settings.frameLimiter = 0;
  snapshot.settings.radarMode = 7;
  snapshot.settings.sfxVolume = 21;
  snapshot.settings.resolutionMode = 9;
  snapshot.resolutionWidth = 1024;
  snapshot.resolutionHeight = 768;
  snapshot.resolutionOptions = {{1, 640, 480}, {2, 800, 600}};
  for (int action = 0; action < game::kActionCount; ++action)
    for (int slot = 0; slot < game::kActionKeySlots; ++slot) snapshot.bindings[action][slot] = action * 3 + slot;
  snapshot.bindings[58][2] = 0xFFFFFFFFu;
  return snapshot;
}

TEST(StateJson, SupportedDocumentHasEveryMemberInOrderWithoutWhitespace) {
  const std::string document = formatStateDocument(supportedSnapshot());
  std::string bindings;
  for (int action = 0; action < game::kActionCount; ++action) {
    const int base = action * 3;
    bindings += (action ? "," : "") + ("\"" + std::to_string(action) + "\":[") + std::to_string(base) + "," +
                std::to_string(base + 1) + "," + (action == 58 ? "4294967295" : std::to_string(base + 2)) + "]";
  }
  EXPECT_EQ(document,
            "{\"supported\":true,\"menuOpen\":false,\"menuGeneration\":-7,\"captureCancelCounter\":0,"
            "\"capturedKey\":1001,\"capturedKeyCounter\":0,\"settings\":{\"mouseSensitivity\":47,\"invertY\":false,"
            "\"mouseSteer\":false,\"mouseFly\":false,\"brightness\":100,\"drawDistance\":0,\"widescreen\":false,"
            "\"frameLimiter\":false,\"hud\":true,\"subtitles\":false,\"radarMode\":2,\"sfxVolume\":33,"
            "\"musicVolume\":100,\"radioEq\":true,\"radioAuto\":true,\"resolutionMode\":9,\"resolutionWidth\":1024,"
            "\"resolutionHeight\":768,\"resolutionOptions\":[{\"mode\":1,\"width\":640,\"height\":480},"
            "{\"mode\":2,\"width\":800,\"height\":600}]},\"bindings\":{" +
                bindings + "}}");

  const ordered_json parsed = ordered_json::parse(document);
  std::vector<std::string> members;
  for (const auto& member : parsed.items()) members.push_back(member.key());
  EXPECT_EQ(members, (std::vector<std::string>{"supported", "menuOpen", "menuGeneration", "captureCancelCounter",
                                               "capturedKey", "capturedKeyCounter", "settings", "bindings"}));
  EXPECT_EQ(parsed["settings"].size(), 19u);
  EXPECT_EQ(parsed["bindings"].size(), 59u);
  EXPECT_EQ(parsed["bindings"]["58"][2].get<uint64_t>(), 4294967295u) << "key codes are unsigned";
}

// Any values at all still give a document a parser accepts.
TEST(StateJson, ExtremeValuesStillParse) {
  StateSnapshot snapshot = supportedSnapshot();
  snapshot.menuGeneration = std::numeric_limits<int32_t>::min();
  snapshot.capturedKey = std::numeric_limits<int32_t>::max();
  snapshot.settings.mouseSensitivity = std::numeric_limits<float>::quiet_NaN();
  snapshot.settings.drawDistance = std::numeric_limits<float>::infinity();
  snapshot.settings.brightness = std::numeric_limits<int32_t>::min();
  snapshot.settings.resolutionMode = std::numeric_limits<int32_t>::min();
  snapshot.resolutionOptions.assign(kMaxResolutionModes, {std::numeric_limits<int32_t>::max(), 1 << 30, 1 << 30});
  const ordered_json parsed = ordered_json::parse(formatStateDocument(snapshot));
  EXPECT_EQ(parsed["settings"]["mouseSensitivity"], 0);
  EXPECT_EQ(parsed["settings"]["drawDistance"], 100);
  EXPECT_EQ(parsed["settings"]["brightness"], 0);
  EXPECT_EQ(parsed["settings"]["resolutionOptions"].size(), static_cast<size_t>(kMaxResolutionModes));
}

struct OptionsCase {
  const char* what;
  std::vector<ResolutionOption> modes;
  int32_t current;
  std::vector<ResolutionOption> expected;
};

bool sameOptions(const std::vector<ResolutionOption>& a, const std::vector<ResolutionOption>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].mode != b[i].mode || a[i].width != b[i].width || a[i].height != b[i].height) return false;
  return true;
}

TEST(StateJson, ResolutionOptionsListEachSizeOnceSortedWithoutSmallModes) {
  const OptionsCase cases[] = {
      {"the current mode represents its size", {{0, 640, 480}, {1, 640, 480}, {2, 800, 600}, {3, 320, 240}}, 1,
       {{1, 640, 480}, {2, 800, 600}}},
      {"otherwise the lowest index", {{0, 640, 480}, {1, 640, 480}, {2, 640, 480}}, 7, {{0, 640, 480}}},
      {"sorted by width, then height",
       {{0, 1920, 1080}, {1, 800, 600}, {2, 1920, 1200}, {3, 1280, 720}, {4, 1280, 1024}},
       -1,
       {{1, 800, 600}, {3, 1280, 720}, {4, 1280, 1024}, {0, 1920, 1080}, {2, 1920, 1200}}},
      {"just under 640 x 480 either way", {{0, 639, 1080}, {1, 1920, 479}, {2, 640, 480}}, 0, {{2, 640, 480}}},
      {"nothing usable", {{0, 0, 0}, {1, -640, -480}}, 0, {}},
  };
  for (const OptionsCase& c : cases) {
    std::vector<ResolutionOption> options;
    for (const ResolutionOption& mode : c.modes) addResolutionOption(options, mode);
    finishResolutionOptions(options, c.current);
    EXPECT_TRUE(sameOptions(options, c.expected)) << c.what;
  }
}

// The rule as the game's modes arrive, one by one: a size already listed is taken over only by
// the current mode; the list is sorted at the end.
std::vector<ResolutionOption> optionsOneByOne(const std::vector<ResolutionOption>& modes, int32_t current) {
  std::vector<ResolutionOption> options;
  for (const ResolutionOption& mode : modes) {
    if (mode.width < kMinOptionWidth || mode.height < kMinOptionHeight) continue;
    bool listed = false;
    for (ResolutionOption& option : options) {
      if (option.width != mode.width || option.height != mode.height) continue;
      if (mode.mode == current) option.mode = mode.mode;
      listed = true;
      break;
    }
    if (!listed) options.push_back(mode);
  }
  std::sort(options.begin(), options.end(), [](const ResolutionOption& a, const ResolutionOption& b) {
    return a.width != b.width ? a.width < b.width : a.height < b.height;
  });
  return options;
}

// The full 512 modes with sizes repeating in no order (refresh rates and colour depths give a
// real game several modes per size), for every choice of the current mode.
TEST(StateJson, ResolutionOptionsOfAFullListFollowTheOneByOneRule) {
  std::vector<ResolutionOption> modes;
  uint32_t seed = 12345;
  for (int32_t mode = 0; mode < kMaxResolutionModes; ++mode) {
    seed = seed * 1103515245u + 12345u;
    const int32_t size = static_cast<int32_t>((seed >> 16) % 40);
    modes.push_back({mode, 600 + 40 * (size % 8), 440 + 30 * (size / 8)});
  }
  for (int32_t current = -1; current <= kMaxResolutionModes; ++current) {
    std::vector<ResolutionOption> options;
    for (const ResolutionOption& mode : modes) addResolutionOption(options, mode);
    finishResolutionOptions(options, current);
    ASSERT_TRUE(sameOptions(options, optionsOneByOne(modes, current))) << "current mode " << current;
  }
}

}  // namespace
