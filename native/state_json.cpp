// Formats the state document and orders the resolution options.
#include "native/state_json.h"

#include <algorithm>

#include "native/setting_rules.h"

namespace {

// Room for a whole supported document with a few dozen modes, so a build appends without
// reallocating.
constexpr size_t kDocumentReserveBytes = 4096;

void appendMember(std::string& out, const char* name, const std::string& value) {
  out += '"';
  out += name;
  out += "\":";
  out += value;
  out += ',';
}

std::string boolText(bool value) { return value ? "true" : "false"; }
std::string number(int64_t value) { return std::to_string(value); }

void appendSettings(std::string& out, const StateSnapshot& snapshot) {
  const GameSettingValues& game = snapshot.settings;
  appendMember(out, "mouseSensitivity", number(mouseSensitivityToPage(game.mouseSensitivity)));
  appendMember(out, "invertY", boolText(game.invertY != 0));
  appendMember(out, "mouseSteer", boolText(game.mouseSteer != 0));
  appendMember(out, "mouseFly", boolText(game.mouseFly != 0));
  appendMember(out, "brightness", number(brightnessToPage(game.brightness)));
  appendMember(out, "drawDistance", number(drawDistanceToPage(game.drawDistance)));
  appendMember(out, "widescreen", boolText(game.widescreen != 0));
  appendMember(out, "frameLimiter", boolText(game.frameLimiter != 0));
  appendMember(out, "hud", boolText(game.hud != 0));
  appendMember(out, "subtitles", boolText(game.subtitles != 0));
  appendMember(out, "radarMode", number(radarModeToPage(game.radarMode)));
  appendMember(out, "sfxVolume", number(volumeLevelToPage(game.sfxVolume)));
  appendMember(out, "musicVolume", number(volumeLevelToPage(game.musicVolume)));
  appendMember(out, "radioEq", boolText(game.radioEq != 0));
  appendMember(out, "radioAuto", boolText(game.radioAuto != 0));
  appendMember(out, "resolutionMode", number(game.resolutionMode));
  appendMember(out, "resolutionWidth", number(snapshot.resolutionWidth));
  appendMember(out, "resolutionHeight", number(snapshot.resolutionHeight));
  out += "\"resolutionOptions\":[";
  for (size_t i = 0; i < snapshot.resolutionOptions.size(); ++i) {
    const ResolutionOption& option = snapshot.resolutionOptions[i];
    if (i > 0) out += ',';
    out += "{\"mode\":" + number(option.mode) + ",\"width\":" + number(option.width) +
           ",\"height\":" + number(option.height) + "}";
  }
  out += ']';
}

void appendBindings(std::string& out, const StateSnapshot& snapshot) {
  for (int action = 0; action < game::kActionCount; ++action) {
    if (action > 0) out += ',';
    const uint32_t* keys = snapshot.bindings[action];
    out += '"' + number(action) + "\":[" + number(keys[0]) + ',' + number(keys[1]) + ',' + number(keys[2]) + ']';
  }
}

}  // namespace

GameSettingValues defaultGameSettingValues() {
  GameSettingValues values{};
  values.mouseSensitivity = 0.0025f;  // bits 0x3B23D70A, page 47
  values.brightness = 256;
  values.drawDistance = 1.2f;  // bits 0x3F99999A, page 40
  values.frameLimiter = 1;
  values.hud = 1;
  values.sfxVolume = 64;
  values.musicVolume = 64;
  values.radioEq = 1;
  values.radioAuto = 1;
  return values;
}

std::string formatStateDocument(const StateSnapshot& snapshot) {
  std::string out;
  out.reserve(kDocumentReserveBytes);
  out += '{';
  appendMember(out, "supported", boolText(snapshot.supported));
  appendMember(out, "menuOpen", boolText(snapshot.menuOpen));
  appendMember(out, "menuGeneration", number(snapshot.menuGeneration));
  appendMember(out, "captureCancelCounter", number(snapshot.captureCancelCounter));
  appendMember(out, "capturedKey", number(snapshot.capturedKey));
  appendMember(out, "capturedKeyCounter", number(snapshot.capturedKeyCounter));
  out += "\"settings\":{";
  if (snapshot.supported) appendSettings(out, snapshot);
  out += "},\"bindings\":{";
  if (snapshot.supported) appendBindings(out, snapshot);
  out += "}}";
  return out;
}

void addResolutionOption(std::vector<ResolutionOption>& options, const ResolutionOption& mode, int32_t current) {
  if (mode.width < kMinOptionWidth || mode.height < kMinOptionHeight) return;
  for (ResolutionOption& option : options) {
    if (option.width != mode.width || option.height != mode.height) continue;
    if (mode.mode == current) option.mode = mode.mode;
    return;
  }
  options.push_back(mode);
}

void sortResolutionOptions(std::vector<ResolutionOption>& options) {
  std::sort(options.begin(), options.end(), [](const ResolutionOption& a, const ResolutionOption& b) {
    return a.width != b.width ? a.width < b.width : a.height < b.height;
  });
}
