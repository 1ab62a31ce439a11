// The settings' conversions: exact single-precision game values, and read-backs that stay on
// the page's scale for every value a game variable can hold.
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

struct FloatWrite {
  int32_t page;
  uint32_t mouseSensitivityBits;
  uint32_t drawDistanceBits;
};

// Worked out step by step in IEEE single precision: clamp, convert, / 100, x span, + minimum.
const FloatWrite kFloatWrites[] = {
    {-5, 0x3983126F, 0x3F4CCCCD}, {0, 0x3983126F, 0x3F4CCCCD},   {1, 0x399BF9C6, 0x3F4F5C29},
    {33, 0x3AEE392F, 0x3F90A3D7}, {50, 0x3B2C0831, 0x3FA66666},  {99, 0x3BA24895, 0x3FE51EB8},
    {100, 0x3BA3D70A, 0x3FE66666}, {150, 0x3BA3D70A, 0x3FE66666}, {INT32_MIN, 0x3983126F, 0x3F4CCCCD},
};

TEST(SettingRules, FloatSettingsAreWrittenAsTheExactSinglePrecisionValues) {
  for (const FloatWrite& write : kFloatWrites) {
    EXPECT_EQ(bitsOf(mouseSensitivityFromPage(write.page)), write.mouseSensitivityBits) << write.page;
    EXPECT_EQ(bitsOf(drawDistanceFromPage(write.page)), write.drawDistanceBits) << write.page;
  }
}

TEST(SettingRules, EveryPercentSurvivesAFloatWriteAndReadBack) {
  for (int32_t page = 0; page <= 100; ++page) {
    EXPECT_EQ(mouseSensitivityToPage(mouseSensitivityFromPage(page)), page);
    EXPECT_EQ(drawDistanceToPage(drawDistanceFromPage(page)), page);
  }
}

struct IntegerCase {
  int32_t page;
  int32_t brightness;     // written
  int32_t brightnessBack; // read back
  int32_t volumeLevel;
  int32_t volumeBack;
  int32_t radarMode;
};

const IntegerCase kIntegerCases[] = {
    {INT32_MIN, 0, 0, 0, 0, 0}, {-3, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0},      {1, 5, 0, 1, 1, 1},
    {2, 10, 1, 1, 1, 2},        {33, 168, 32, 21, 32, 2},  {50, 256, 50, 32, 50, 2}, {99, 506, 98, 63, 98, 2},
    {100, 512, 100, 64, 100, 2}, {7, 35, 6, 4, 6, 2},       {INT32_MAX, 512, 100, 64, 100, 2},
};

TEST(SettingRules, IntegerSettingsTruncateAndClampAsTheGameStoresThem) {
  for (const IntegerCase& c : kIntegerCases) {
    EXPECT_EQ(brightnessFromPage(c.page), c.brightness) << c.page;
    EXPECT_EQ(brightnessToPage(c.brightness), c.brightnessBack) << c.page;
    EXPECT_EQ(volumeLevelFromPage(c.page), c.volumeLevel) << c.page;
    EXPECT_EQ(volumeLevelToPage(static_cast<uint8_t>(c.volumeLevel)), c.volumeBack) << c.page;
    EXPECT_EQ(radarModeFromPage(c.page), c.radarMode) << c.page;
    EXPECT_EQ(toggleFromPage(c.page), c.page != 0 ? 1 : 0) << c.page;
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
  EXPECT_EQ(drawDistanceToPage(1.2f), 40);

  const struct {
    int32_t value;
    int32_t brightness;
    int32_t radar;
  } ints[] = {{INT32_MIN, 0, 0}, {-1, 0, 0}, {511, 99, 2}, {1000, 100, 2}, {21474837, 100, 2}, {INT32_MAX, 100, 2}};
  for (const auto& i : ints) {
    EXPECT_EQ(brightnessToPage(i.value), i.brightness) << i.value;
    EXPECT_EQ(radarModeToPage(i.value), i.radar) << i.value;
  }
  for (int level = 0; level <= 255; ++level) {
    const int32_t page = volumeLevelToPage(static_cast<uint8_t>(level));
    EXPECT_EQ(page, level >= 64 ? 100 : level * 100 / 64) << level;
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
