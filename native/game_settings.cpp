// Applying and saving the game's settings through the guarded game access.
#include "native/game_settings.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/game_access.h"
#include "native/setting_rules.h"

namespace {

// The game's Display page draws the current mode's name from the game's own list without a
// check, so a mode the list leaves out would fault inside the game: only a mode the list holds
// (or, before the game has built it, one its rules admit) may be chosen.
bool resolutionModeSelectable(int32_t mode) {
  int32_t count = 0;
  if (!getResolutionModeCount(&count) || count < 1 || count > kMaxResolutionModes) return false;
  if (mode < 0 || mode >= count) return false;
  ResolutionModeInfo info{};
  return getResolutionModeInfo(mode, &info) && gameOffersVideoMode(mode, info);
}

// Both variables are written whatever the first write gave; no game routine switches the mode.
bool writeResolutionMode(int32_t mode) {
  if (!resolutionModeSelectable(mode)) {
    logLine("[NATIVE] Resolution mode " + std::to_string(mode) + " refused: the game does not offer it.");
    return false;
  }
  const bool primary = guardedWrite32(game::kResolutionMode, mode);
  const bool secondary = guardedWrite32(game::kResolutionModeSecondary, mode);
  return primary && secondary;
}

// The byte is the game's stored value; the audio engine's routine makes the running game follow
// it, as the game's menu does. A fault in the routine is swallowed: the value is stored and takes
// effect at the next start.
bool writeAudioSetting(game::Address address, uint8_t value, bool (*applyToAudio)(uint8_t)) {
  const bool written = guardedWrite8(address, value);
  applyToAudio(value);
  return written;
}

// The menu's draw distance and the renderer's scale the running game reads, as the game's slider
// writes them.
bool writeDrawDistance(float distance) {
  const bool menu = guardedWriteFloat(game::kDrawDistance, distance);
  const bool renderer = guardedWriteFloat(game::kLodDistanceScale, distance);
  return menu && renderer;
}

bool writeSetting(const SettingRule& rule, int32_t value) {
  switch (rule.kind) {
    case SettingKind::MouseSensitivity:
      return guardedWriteFloat(rule.address, mouseSensitivityFromPage(value));
    case SettingKind::DrawDistance:
      return writeDrawDistance(drawDistanceFromPage(value));
    case SettingKind::Toggle:
      return guardedWrite8(rule.address, toggleFromPage(value));
    case SettingKind::InvertedToggle:
      return guardedWrite8(rule.address, invertedToggleFromPage(value));
    case SettingKind::Brightness:
      return guardedWrite32(rule.address, brightnessFromPage(value));
    case SettingKind::RadarMode:
      return guardedWrite32(rule.address, radarModeFromPage(value));
    case SettingKind::SfxVolume:
      return writeAudioSetting(rule.address, volumeLevelFromPage(value), callApplySfxVolume);
    case SettingKind::MusicVolume:
      return writeAudioSetting(rule.address, volumeLevelFromPage(value), callApplyMusicVolume);
    case SettingKind::RadioEq:
      return writeAudioSetting(rule.address, toggleFromPage(value), callApplyRadioEq);
    case SettingKind::RadioAutoRetune:
      return writeAudioSetting(rule.address, toggleFromPage(value), callApplyRadioAutoRetune);
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

bool gameOffersVideoMode(int32_t mode, const ResolutionModeInfo& info) {
  bool built = false;
  bool listed = false;
  if (!readVideoModeListed(mode, &built, &listed)) return false;
  return built ? listed : videoModeMeetsGameRules(info);
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
