// The settings table and its conversions, exactly as the game stores each value.
#include "native/setting_rules.h"

#include <cstring>

#include "native/state_json.h"

namespace {

// The ranges of the game's own sliders. The menu keeps brightness at 0..384 (its lighting uses
// the value directly), draw distance at 0.925..1.8 and the mouse at 1/3200..1/200 per pixel.
constexpr float kMouseSensitivityMin = 1.0f / 3200.0f;
constexpr float kMouseSensitivityMax = 1.0f / 200.0f;
constexpr float kDrawDistanceMin = 0.925f;
constexpr float kDrawDistanceMax = 1.8f;
constexpr int32_t kBrightnessMax = 384;
constexpr int32_t kVolumeLevelMax = 64;
constexpr int32_t kRadarModeMax = 2;

constexpr SettingRule kRules[kSettingCount] = {
    {"mouseSensitivity", SettingKind::MouseSensitivity, game::kMouseSensitivity},
    {"invertY", SettingKind::InvertedToggle, game::kInvertY},
    {"mouseSteer", SettingKind::Toggle, game::kMouseSteer},
    {"mouseFly", SettingKind::Toggle, game::kMouseFly},
    {"brightness", SettingKind::Brightness, game::kBrightness},
    {"drawDistance", SettingKind::DrawDistance, game::kDrawDistance},
    {"resolutionMode", SettingKind::ResolutionMode, game::kResolutionMode},
    {"widescreen", SettingKind::Toggle, game::kWidescreen},
    {"frameLimiter", SettingKind::Toggle, game::kFrameLimiter},
    {"hud", SettingKind::Toggle, game::kHud},
    {"subtitles", SettingKind::Toggle, game::kSubtitles},
    {"radarMode", SettingKind::RadarMode, game::kRadarMode},
    {"sfxVolume", SettingKind::SfxVolume, game::kSfxVolume},
    {"musicVolume", SettingKind::MusicVolume, game::kMusicVolume},
    {"radioEq", SettingKind::RadioEq, game::kRadioEq},
    {"radioAuto", SettingKind::RadioAutoRetune, game::kRadioAuto},
};

int32_t clampTo(int32_t value, int32_t low, int32_t high) { return value < low ? low : (value > high ? high : value); }

// Page values 0..100: anything below 0 counts as 0, anything above 100 as 100.
int32_t clampPercent(int32_t value) { return clampTo(value, 0, 100); }

// Each step is stored to a float so that it is rounded to single precision on its own: the
// 32-bit build computes on the x87 unit, which would otherwise keep extended precision. The end
// of the range is kept, as the game's slider keeps it, where the last step rounds past it.
float scaleFromPage(int32_t value, float minimum, float maximum) {
  volatile float step = static_cast<float>(clampPercent(value));
  step = step / 100.0f;
  step = step * (maximum - minimum);
  step = step + minimum;
  const float scaled = step;
  return scaled > maximum ? maximum : (scaled < minimum ? minimum : scaled);
}

// The inverse: subtract, divide, clamp to 0..1, then round to the nearest percent. NaN has no
// place on the page's scale and reports as 0.
int32_t scaleToPage(float value, float minimum, float maximum) {
  volatile float share = value - minimum;
  share = share / (maximum - minimum);
  const float s = share;
  if (!(s >= 0.0f)) return 0;
  if (s > 1.0f) return 100;
  volatile float percent = s * 100.0f;
  percent = percent + 0.5f;
  return static_cast<int32_t>(percent);
}

// Nearest of 0..`steps` for a page value, and nearest percent for a step, halves upwards; in 64
// bits, since the game's int32 may hold anything.
int32_t stepFromPage(int32_t value, int32_t steps) { return (clampPercent(value) * steps + 50) / 100; }

int32_t stepToPage(int64_t step, int32_t steps) {
  const int64_t percent = (step * 100 + steps / 2) / steps;
  return static_cast<int32_t>(step < 0 ? 0 : (percent > 100 ? 100 : percent));
}

}  // namespace

const SettingRule* findSettingRule(const char* name, uint32_t length) {
  for (const SettingRule& rule : kRules)
    if (std::strlen(rule.name) == length && std::memcmp(rule.name, name, length) == 0) return &rule;
  return nullptr;
}

float mouseSensitivityFromPage(int32_t value) {
  return scaleFromPage(value, kMouseSensitivityMin, kMouseSensitivityMax);
}

float drawDistanceFromPage(int32_t value) { return scaleFromPage(value, kDrawDistanceMin, kDrawDistanceMax); }

int32_t brightnessFromPage(int32_t value) { return stepFromPage(value, kBrightnessMax); }

uint8_t volumeLevelFromPage(int32_t value) { return static_cast<uint8_t>(stepFromPage(value, kVolumeLevelMax)); }

int32_t radarModeFromPage(int32_t value) { return clampTo(value, 0, kRadarModeMax); }

uint8_t toggleFromPage(int32_t value) { return value != 0 ? 1 : 0; }

uint8_t invertedToggleFromPage(int32_t value) { return value != 0 ? 0 : 1; }

int32_t mouseSensitivityToPage(float value) {
  return scaleToPage(value, kMouseSensitivityMin, kMouseSensitivityMax);
}

int32_t drawDistanceToPage(float value) { return scaleToPage(value, kDrawDistanceMin, kDrawDistanceMax); }

int32_t brightnessToPage(int32_t value) { return stepToPage(value, kBrightnessMax); }

int32_t volumeLevelToPage(uint8_t level) { return stepToPage(level, kVolumeLevelMax); }

int32_t radarModeToPage(int32_t value) { return clampTo(value, 0, kRadarModeMax); }

bool invertedToggleToPage(uint8_t value) { return value == 0; }

namespace {

// The height-to-width ratios the game accepts, as whole numbers: its own test compares the
// single-precision quotient with 3/4, 4/5, 3/5, 10/16 and 9/16, which for any screen size
// below 100,000 pixels a side agrees exactly with these products.
struct Ratio {
  int64_t height;
  int64_t width;
};
constexpr Ratio kGameRatios[] = {{3, 4}, {4, 5}, {3, 5}, {10, 16}, {9, 16}};

}  // namespace

bool videoModeMeetsGameRules(const ResolutionModeInfo& mode) {
  if ((mode.flags & kVideoModeExclusive) == 0) return false;
  if (mode.width < kMinOptionWidth || mode.height < kMinOptionHeight) return false;
  for (const Ratio& ratio : kGameRatios)
    if (int64_t{mode.height} * ratio.width == int64_t{mode.width} * ratio.height) return true;
  return false;
}
