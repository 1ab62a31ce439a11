// The settings table and its conversions, exactly as the game stores each value.
#include "native/setting_rules.h"

#include <cstring>

namespace {

// The single-precision constants of the conversions. kDrawDistanceSpan is the largest float
// below 1 (bits 0x3F7FFFFF), so 100 maps to just under 1.8.
constexpr float kMouseSensitivityMin = 0.00025f;
constexpr float kMouseSensitivitySpan = 0.00475f;
constexpr float kDrawDistanceMin = 0.8f;
constexpr float kDrawDistanceSpan = 0.99999994f;
constexpr int32_t kBrightnessMax = 512;
constexpr int32_t kVolumeLevelMax = 64;
constexpr int32_t kRadarModeMax = 2;

constexpr SettingRule kRules[kSettingCount] = {
    {"mouseSensitivity", SettingKind::MouseSensitivity, game::kMouseSensitivity},
    {"invertY", SettingKind::Toggle, game::kInvertY},
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
    {"radioEq", SettingKind::Toggle, game::kRadioEq},
    {"radioAuto", SettingKind::Toggle, game::kRadioAuto},
};

int32_t clampTo(int32_t value, int32_t low, int32_t high) { return value < low ? low : (value > high ? high : value); }

// Each step is stored to a float so that it is rounded to single precision on its own: the
// 32-bit build computes on the x87 unit, which would otherwise keep extended precision.
float scaleFromPage(int32_t value, float span, float minimum) {
  volatile float step = static_cast<float>(clampPercent(value));
  step = step / 100.0f;
  step = step * span;
  step = step + minimum;
  return step;
}

// The inverse: subtract, divide, clamp to 0..1, then round to the nearest percent. NaN has no
// place on the page's scale and reports as 0.
int32_t scaleToPage(float value, float span, float minimum) {
  volatile float share = value - minimum;
  share = share / span;
  const float s = share;
  if (!(s >= 0.0f)) return 0;
  if (s > 1.0f) return 100;
  volatile float percent = s * 100.0f;
  percent = percent + 0.5f;
  return static_cast<int32_t>(percent);
}

}  // namespace

const SettingRule* findSettingRule(const char* name, uint32_t length) {
  for (const SettingRule& rule : kRules)
    if (std::strlen(rule.name) == length && std::memcmp(rule.name, name, length) == 0) return &rule;
  return nullptr;
}

int32_t clampPercent(int32_t value) { return clampTo(value, 0, 100); }

float mouseSensitivityFromPage(int32_t value) {
  return scaleFromPage(value, kMouseSensitivitySpan, kMouseSensitivityMin);
}

float drawDistanceFromPage(int32_t value) { return scaleFromPage(value, kDrawDistanceSpan, kDrawDistanceMin); }

int32_t brightnessFromPage(int32_t value) { return clampTo(clampPercent(value) * kBrightnessMax / 100, 0, kBrightnessMax); }

uint8_t volumeLevelFromPage(int32_t value) {
  return static_cast<uint8_t>((clampPercent(value) * kVolumeLevelMax + 50) / 100);
}

int32_t radarModeFromPage(int32_t value) { return clampTo(value, 0, kRadarModeMax); }

uint8_t toggleFromPage(int32_t value) { return value != 0 ? 1 : 0; }

int32_t mouseSensitivityToPage(float value) { return scaleToPage(value, kMouseSensitivitySpan, kMouseSensitivityMin); }

int32_t drawDistanceToPage(float value) { return scaleToPage(value, kDrawDistanceSpan, kDrawDistanceMin); }

// In 64 bits: the game's variable may hold any int32, and b x 100 leaves 32 bits for b above
// about 21 million.
int32_t brightnessToPage(int32_t value) {
  const int64_t percent = static_cast<int64_t>(value) * 100 / kBrightnessMax;
  return static_cast<int32_t>(percent < 0 ? 0 : (percent > 100 ? 100 : percent));
}

int32_t volumeLevelToPage(uint8_t level) {
  const int32_t percent = level * 100 / kVolumeLevelMax;
  return percent > 100 ? 100 : percent;
}

int32_t radarModeToPage(int32_t value) { return clampTo(value, 0, kRadarModeMax); }
