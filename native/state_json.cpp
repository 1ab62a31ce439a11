// Formats the state document and orders the resolution options.
#include "native/state_json.h"

#include <algorithm>
#include <charconv>

#include "native/setting_rules.h"

namespace {

// Room for a whole supported document without its options, and for one option at its longest
// ({"mode":-2147483648,"width":-2147483648,"height":-2147483648}), so a build appends without
// reallocating. Every piece is appended in place: a build runs on the game thread, and each
// temporary text would be one more trip through the allocator.
constexpr size_t kDocumentReserveBytes = 4096;
constexpr size_t kOptionMaxBytes = 64;

void appendNumber(std::string& out, int64_t value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end.ptr);
}

void appendName(std::string& out, const char* name) {
  out += '"';
  out += name;
  out += "\":";
}

void appendMember(std::string& out, const char* name, int64_t value) {
  appendName(out, name);
  appendNumber(out, value);
  out += ',';
}

void appendMember(std::string& out, const char* name, bool value) {
  appendName(out, name);
  out += value ? "true" : "false";
  out += ',';
}

void appendSettings(std::string& out, const StateSnapshot& snapshot) {
  const GameSettingValues& game = snapshot.settings;
  appendMember(out, "mouseSensitivity", int64_t{mouseSensitivityToPage(game.mouseSensitivity)});
  appendMember(out, "invertY", invertedToggleToPage(game.invertY));
  appendMember(out, "mouseSteer", game.mouseSteer != 0);
  appendMember(out, "mouseFly", game.mouseFly != 0);
  appendMember(out, "brightness", int64_t{brightnessToPage(game.brightness)});
  appendMember(out, "drawDistance", int64_t{drawDistanceToPage(game.drawDistance)});
  appendMember(out, "widescreen", game.widescreen != 0);
  appendMember(out, "frameLimiter", game.frameLimiter != 0);
  appendMember(out, "hud", game.hud != 0);
  appendMember(out, "subtitles", game.subtitles != 0);
  appendMember(out, "radarMode", int64_t{radarModeToPage(game.radarMode)});
  appendMember(out, "sfxVolume", int64_t{volumeLevelToPage(game.sfxVolume)});
  appendMember(out, "musicVolume", int64_t{volumeLevelToPage(game.musicVolume)});
  appendMember(out, "radioEq", game.radioEq != 0);
  appendMember(out, "radioAuto", game.radioAuto != 0);
  appendMember(out, "resolutionMode", int64_t{game.resolutionMode});
  appendMember(out, "resolutionWidth", int64_t{snapshot.resolutionWidth});
  appendMember(out, "resolutionHeight", int64_t{snapshot.resolutionHeight});
  out += "\"resolutionOptions\":[";
  for (size_t i = 0; i < snapshot.resolutionOptions.size(); ++i) {
    const ResolutionOption& option = snapshot.resolutionOptions[i];
    if (i > 0) out += ',';
    out += "{\"mode\":";
    appendNumber(out, option.mode);
    out += ",\"width\":";
    appendNumber(out, option.width);
    out += ",\"height\":";
    appendNumber(out, option.height);
    out += '}';
  }
  out += ']';
}

void appendBindings(std::string& out, const StateSnapshot& snapshot) {
  for (int action = 0; action < game::kActionCount; ++action) {
    if (action > 0) out += ',';
    const uint32_t* keys = snapshot.bindings[action];
    out += '"';
    appendNumber(out, action);
    out += "\":[";
    appendNumber(out, keys[0]);
    out += ',';
    appendNumber(out, keys[1]);
    out += ',';
    appendNumber(out, keys[2]);
    out += ']';
  }
}

bool sameSize(const ResolutionOption& a, const ResolutionOption& b) { return a.width == b.width && a.height == b.height; }

}  // namespace

GameSettingValues defaultGameSettingValues() {
  GameSettingValues values{};
  values.mouseSensitivity = 0.0025f;  // bits 0x3B23D70A, page 47
  values.brightness = 256;
  values.drawDistance = 1.2f;  // bits 0x3F99999A, page 31
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
  out.reserve(kDocumentReserveBytes + snapshot.resolutionOptions.size() * kOptionMaxBytes);
  out += '{';
  appendMember(out, "supported", snapshot.supported);
  appendMember(out, "menuOpen", snapshot.menuOpen);
  appendMember(out, "menuGeneration", int64_t{snapshot.menuGeneration});
  appendMember(out, "captureCancelCounter", int64_t{snapshot.captureCancelCounter});
  appendMember(out, "capturedKey", int64_t{snapshot.capturedKey});
  appendMember(out, "capturedKeyCounter", int64_t{snapshot.capturedKeyCounter});
  out += "\"settings\":{";
  if (snapshot.supported) appendSettings(out, snapshot);
  out += "},\"bindings\":{";
  if (snapshot.supported) appendBindings(out, snapshot);
  out += "}}";
  return out;
}

void addResolutionOption(std::vector<ResolutionOption>& options, const ResolutionOption& mode) {
  if (mode.width < kMinOptionWidth || mode.height < kMinOptionHeight) return;
  options.push_back(mode);
}

// Sorting first makes the modes of one size neighbours, so each size is settled in one pass
// instead of a search through the whole list for every mode.
void finishResolutionOptions(std::vector<ResolutionOption>& options, int32_t current) {
  std::sort(options.begin(), options.end(), [](const ResolutionOption& a, const ResolutionOption& b) {
    if (a.width != b.width) return a.width < b.width;
    if (a.height != b.height) return a.height < b.height;
    return a.mode < b.mode;
  });
  size_t kept = 0;
  for (size_t first = 0; first < options.size();) {
    size_t end = first + 1;
    ResolutionOption chosen = options[first];  // the lowest index of its size
    for (; end < options.size() && sameSize(options[end], options[first]); ++end)
      if (options[end].mode == current) chosen = options[end];
    options[kept++] = chosen;
    first = end;
  }
  options.resize(kept);
}
