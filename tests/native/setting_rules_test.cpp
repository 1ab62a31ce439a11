// The settings' conversions onto the game's own ranges and back, the game's rules for display
// modes, and read-backs that stay on the page's scale for every value a game variable can hold.
#include "native/setting_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

uint32_t bitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float floatOf(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The ranges of the game's own sliders, spelt out here so that a wrong end in the module fails.
constexpr float kSensitivityMin = 1.0f / 3200.0f;
constexpr float kSensitivityMax = 1.0f / 200.0f;
constexpr float kDrawDistanceMin = 0.925f;
constexpr float kDrawDistanceMax = 1.8f;
constexpr int32_t kBrightnessMax = 384;
constexpr int32_t kVolumeLevels = 64;

// Every page value lands inside the game's range, the ends exactly on the game's ends, each step
// strictly above the one before, nearest to the page value's place in the range; and it reads
// back as itself, or for a volume (65 levels) as the nearest page value of the level it landed on.
TEST(SettingRules, EveryPageValueLandsInTheGamesRangeAndReadsBackAsItselfOrItsNearestLevel) {
  for (int32_t page = 0; page <= 100; ++page) {
    const float sensitivity = mouseSensitivityFromPage(page);
    const float distance = drawDistanceFromPage(page);
    const int32_t brightness = brightnessFromPage(page);
    const int32_t level = volumeLevelFromPage(page);
    EXPECT_GE(sensitivity, kSensitivityMin) << page;
    EXPECT_LE(sensitivity, kSensitivityMax) << page;
    EXPECT_GE(distance, kDrawDistanceMin) << page;
    EXPECT_LE(distance, kDrawDistanceMax) << page;
    EXPECT_LE(std::fabs(brightness - page * kBrightnessMax / 100.0), 0.5) << page;
    EXPECT_LE(std::fabs(level - page * kVolumeLevels / 100.0), 0.5) << page;
    if (page > 0) {
      EXPECT_GT(sensitivity, mouseSensitivityFromPage(page - 1)) << page;
      EXPECT_GT(distance, drawDistanceFromPage(page - 1)) << page;
      EXPECT_GT(brightness, brightnessFromPage(page - 1)) << page;
    }
    EXPECT_EQ(mouseSensitivityToPage(sensitivity), page);
    EXPECT_EQ(drawDistanceToPage(distance), page);
    EXPECT_EQ(brightnessToPage(brightness), page);
    const int32_t volumeBack = volumeLevelToPage(static_cast<uint8_t>(level));
    EXPECT_LE(std::fabs(volumeBack - level * 100.0 / kVolumeLevels), 0.5) << page;
    EXPECT_EQ(volumeLevelFromPage(volumeBack), level) << "a level's page value is that level's";
  }
  EXPECT_EQ(mouseSensitivityFromPage(0), kSensitivityMin);
  EXPECT_EQ(mouseSensitivityFromPage(100), kSensitivityMax);
  EXPECT_EQ(drawDistanceFromPage(0), kDrawDistanceMin);
  EXPECT_EQ(drawDistanceFromPage(100), kDrawDistanceMax);
  EXPECT_EQ(brightnessFromPage(100), kBrightnessMax);
  EXPECT_EQ(volumeLevelFromPage(100), kVolumeLevels);
}

TEST(SettingRules, PageValuesOutsideZeroToHundredCountAsTheNearestEnd) {
  for (const int32_t outside : {INT32_MIN, -3, 101, INT32_MAX}) {
    const int32_t end = outside < 0 ? 0 : 100;
    EXPECT_EQ(mouseSensitivityFromPage(outside), mouseSensitivityFromPage(end)) << outside;
    EXPECT_EQ(drawDistanceFromPage(outside), drawDistanceFromPage(end)) << outside;
    EXPECT_EQ(brightnessFromPage(outside), brightnessFromPage(end)) << outside;
    EXPECT_EQ(volumeLevelFromPage(outside), volumeLevelFromPage(end)) << outside;
    EXPECT_EQ(radarModeFromPage(outside), outside < 0 ? 0 : 2) << outside;
    EXPECT_EQ(toggleFromPage(outside), 1) << outside;
    EXPECT_EQ(invertedToggleFromPage(outside), 0) << outside;
  }
  EXPECT_EQ(toggleFromPage(0), 0);
  EXPECT_EQ(invertedToggleFromPage(0), 1) << "the game's menu shows invert mouse OFF for 1";
  EXPECT_TRUE(invertedToggleToPage(0));
  EXPECT_FALSE(invertedToggleToPage(1));
}

// The game's own list of display modes, by its rules.
TEST(SettingRules, VideoModesFollowTheGamesListRules) {
  const struct {
    int32_t width, height;
    uint32_t flags;
    bool offered;
  } modes[] = {
      {640, 480, 1, true},    {800, 600, 1, true},     {1280, 1024, 1, true},  {1280, 768, 1, true} /* 5:3 */,
      {1680, 1050, 1, true},  {1920, 1080, 1, true},   {3840, 2160, 1, true},  {1920, 1080, 0, false} /* windowed */,
      {1920, 1080, 3, true} /* other flag bits */,     {1366, 768, 1, false},  {1360, 768, 1, false},
      {2560, 1080, 1, false}, {320, 240, 1, false},    {512, 384, 1, false},   {1024, 768, 0, false},
      {0, 0, 1, false},       {-640, -480, 1, false},  {INT32_MAX, INT32_MAX, 1, false},
  };
  for (const auto& mode : modes) {
    ResolutionModeInfo info{};
    info.width = mode.width;
    info.height = mode.height;
    info.depth = 32;
    info.flags = mode.flags;
    EXPECT_EQ(videoModeMeetsGameRules(info), mode.offered) << mode.width << "x" << mode.height << " flags " << mode.flags;
  }
}

// The game's variables can hold anything a broken save or another plug-in left there.
TEST(SettingRules, HostileGameValuesReadBackOnThePagesScale) {
  const struct {
    float value;
    int32_t page;
  } floats[] = {
      {std::numeric_limits<float>::quiet_NaN(), 0}, {-std::numeric_limits<float>::quiet_NaN(), 0},
      {floatOf(0x7FA00000), 0} /* signalling NaN */, {std::numeric_limits<float>::infinity(), 100},
      {-std::numeric_limits<float>::infinity(), 0},  {std::numeric_limits<float>::max(), 100},
      {-std::numeric_limits<float>::max(), 0},       {std::numeric_limits<float>::denorm_min(), 0},
      {-0.0f, 0},                                    {20.0f, 100},
  };
  for (const auto& f : floats) {
    EXPECT_EQ(mouseSensitivityToPage(f.value), f.page) << bitsOf(f.value);
    EXPECT_EQ(drawDistanceToPage(f.value), f.page) << bitsOf(f.value);
  }
  EXPECT_EQ(mouseSensitivityToPage(0.0025f), 47) << "the default the document assumes";
  EXPECT_EQ(drawDistanceToPage(1.2f), 31);
  EXPECT_EQ(brightnessToPage(256), 67) << "the game's default brightness";

  const struct {
    int32_t value;
    int32_t brightness;
    int32_t radar;
  } ints[] = {{INT32_MIN, 0, 0}, {-1, 0, 0}, {383, 100, 2}, {382, 99, 2}, {511, 100, 2}, {21474837, 100, 2}, {INT32_MAX, 100, 2}};
  for (const auto& i : ints) {
    EXPECT_EQ(brightnessToPage(i.value), i.brightness) << i.value;
    EXPECT_EQ(radarModeToPage(i.value), i.radar) << i.value;
  }
  for (int level = 0; level <= 255; ++level) {
    const int32_t page = volumeLevelToPage(static_cast<uint8_t>(level));
    EXPECT_EQ(page, level >= 64 ? 100 : (level * 100 + 32) / 64) << level;
  }
}

// A sweep across every sign, exponent and many mantissas and integers: UBSan stays quiet and
// every result lies on the page's scale.
TEST(SettingRules, EveryReadBackStaysOnThePagesScale) {
  for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 262139) {
    const float f = floatOf(static_cast<uint32_t>(bits));
    const int32_t i = static_cast<int32_t>(static_cast<uint32_t>(bits));
    for (const int32_t page : {mouseSensitivityToPage(f), drawDistanceToPage(f), brightnessToPage(i)}) {
      ASSERT_GE(page, 0) << bits;
      ASSERT_LE(page, 100) << bits;
    }
    ASSERT_GE(radarModeToPage(i), 0);
    ASSERT_LE(radarModeToPage(i), 2);
  }
}

TEST(SettingRules, NamesMatchExactlyAndInTableOrder) {
  const char* const names[] = {"mouseSensitivity", "invertY",    "mouseSteer", "mouseFly",  "brightness",  "drawDistance",
                               "resolutionMode",   "widescreen", "frameLimiter", "hud",     "subtitles",   "radarMode",
                               "sfxVolume",        "musicVolume", "radioEq",   "radioAuto"};
  for (const char* name : names) {
    const SettingRule* rule = findSettingRule(name, static_cast<uint32_t>(std::strlen(name)));
    ASSERT_NE(rule, nullptr) << name;
    EXPECT_STREQ(rule->name, name);
  }
  EXPECT_EQ(findSettingRule("sfxVolume", 9)->address, game::kSfxVolume);
  EXPECT_EQ(findSettingRule("sfxVolume", 9)->kind, SettingKind::SfxVolume);
  for (const std::string& refused : std::vector<std::string>{"Brightness", "brightnesS", "brightness ", "bright", "", std::string("hud\0x", 5)})
    EXPECT_EQ(findSettingRule(refused.data(), static_cast<uint32_t>(refused.size())), nullptr) << refused;
}

}  // namespace
