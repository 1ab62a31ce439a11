// Applying and saving the game's settings through the guarded game access.
#include "native/game_settings.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/game_access.h"
#include "native/setting_rules.h"

namespace {

// Only a mode the game itself describes, at least 640 x 480, may be selected.
bool resolutionModeSelectable(int32_t mode) {
  int32_t count = 0;
  if (!getResolutionModeCount(&count) || count < 1 || count > kMaxResolutionModes) return false;
  if (mode < 0 || mode >= count) return false;
  ResolutionModeInfo info{};
  if (!getResolutionModeInfo(mode, &info)) return false;
  return info.width >= kMinOptionWidth && info.height >= kMinOptionHeight;
}

// Both variables are written whatever the first write gave; no game routine switches the mode.
bool writeResolutionMode(int32_t mode) {
  if (!resolutionModeSelectable(mode)) return false;
  const bool primary = guardedWrite32(game::kResolutionMode, mode);
  const bool secondary = guardedWrite32(game::kResolutionModeSecondary, mode);
  return primary && secondary;
}

// The byte is the game's stored level; the routine makes the running game's sound follow it. A
// fault in the routine is swallowed: the level is stored and takes effect at the next start.
bool writeVolume(game::Address address, uint8_t level, bool (*applyVolume)(uint8_t)) {
  const bool written = guardedWrite8(address, level);
  applyVolume(level);
  return written;
}

bool writeSetting(const SettingRule& rule, int32_t value) {
  switch (rule.kind) {
    case SettingKind::MouseSensitivity:
      return guardedWriteFloat(rule.address, mouseSensitivityFromPage(value));
    case SettingKind::DrawDistance:
      return guardedWriteFloat(rule.address, drawDistanceFromPage(value));
    case SettingKind::Toggle:
      return guardedWrite8(rule.address, toggleFromPage(value));
    case SettingKind::Brightness:
      return guardedWrite32(rule.address, brightnessFromPage(value));
    case SettingKind::RadarMode:
      return guardedWrite32(rule.address, radarModeFromPage(value));
    case SettingKind::SfxVolume:
      return writeVolume(rule.address, volumeLevelFromPage(value), callApplySfxVolume);
    case SettingKind::MusicVolume:
      return writeVolume(rule.address, volumeLevelFromPage(value), callApplyMusicVolume);
    case SettingKind::ResolutionMode:
      return writeResolutionMode(value);
  }
  return false;
}

}  // namespace

bool applySetting(const std::string& name, int32_t value) {
  if (!gState.nativeSupported) return false;
  const SettingRule* rule = findSettingRule(name.data(), static_cast<uint32_t>(name.size()));
  if (rule == nullptr || !writeSetting(*rule, value)) return false;
  gState.settingsDirty = true;
  gState.settingsChangedAt = currentTick();
  return true;
}

void saveChangedSettings() {
  if (!gState.nativeSupported || !gState.settingsDirty) return;
  if (elapsedSince(currentTick(), gState.settingsChangedAt) < kSettingsSaveDelayMs) return;
  gState.settingsDirty = false;
  if (!gState.persistenceAvailable) {
    logLine("[NATIVE] Settings applied for current session (persistence helper is patched).");
    return;
  }
  logLine("[NATIVE] Saving changed GTA settings...");
  const bool saved = saveGameSettings();
  logLine(std::string("[NATIVE] Settings persisted. save=") + (saved ? "YES" : "NO"));
}

GameSettingValues readGameSettingValues() {
  GameSettingValues values = defaultGameSettingValues();
  guardedReadFloat(game::kMouseSensitivity, values.mouseSensitivity);
  guardedRead8(game::kInvertY, values.invertY);
  guardedRead8(game::kMouseSteer, values.mouseSteer);
  guardedRead8(game::kMouseFly, values.mouseFly);
  guardedRead32(game::kBrightness, values.brightness);
  guardedReadFloat(game::kDrawDistance, values.drawDistance);
  guardedRead8(game::kWidescreen, values.widescreen);
  guardedRead8(game::kFrameLimiter, values.frameLimiter);
  guardedRead8(game::kHud, values.hud);
  guardedRead8(game::kSubtitles, values.subtitles);
  guardedRead32(game::kRadarMode, values.radarMode);
  guardedRead8(game::kSfxVolume, values.sfxVolume);
  guardedRead8(game::kMusicVolume, values.musicVolume);
  guardedRead8(game::kRadioEq, values.radioEq);
  guardedRead8(game::kRadioAuto, values.radioAuto);
  guardedRead32(game::kResolutionMode, values.resolutionMode);
  return values;
}
