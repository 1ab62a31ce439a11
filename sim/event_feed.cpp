// Writes the simulated game's event feed: host calls, routine calls and changed game values.
#include "sim/event_feed.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "sim/routine_names.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace sim {
namespace {

FILE* feed = nullptr;
std::map<std::string, long long> valuesFed;

struct Watched {
  const char* name;
  uintptr_t address;
  int bytes;  // 1 or 4; floats are fed as their bit pattern
};

const Watched kWatched[] = {
    {"mouseSensitivity", gta::kMouseSensitivity, 4}, {"invertY", gta::kInvertY, 1},
    {"mouseSteer", gta::kMouseSteer, 1},            {"mouseFly", gta::kMouseFly, 1},
    {"brightness", gta::kBrightness, 4},            {"drawDistance", gta::kDrawDistance, 4},
    {"resolutionMode", gta::kResolutionMode, 4},    {"widescreen", gta::kWidescreen, 1},
    {"frameLimiter", gta::kFrameLimiter, 1},        {"hud", gta::kHud, 1},
    {"subtitles", gta::kSubtitles, 1},              {"radarMode", gta::kRadarMode, 4},
    {"sfxVolume", gta::kSfxVolume, 1},              {"musicVolume", gta::kMusicVolume, 1},
    {"radioEq", gta::kRadioEq, 1},                  {"radioAuto", gta::kRadioAuto, 1},
    {"lodDistanceScale", gta::kLodDistanceScale, 4}, {"menuStartRequest", gta::kMenuStartRequest, 1},
    {"gameMenuActive", gta::kGameMenuActive, 1},
};

long long readValue(uintptr_t address, int bytes) {
  return bytes == 1 ? gameValue<uint8_t>(address) : static_cast<long long>(gameValue<uint32_t>(address));
}

void feedValue(const std::string& name, long long value) {
  auto known = valuesFed.find(name);
  if (known != valuesFed.end() && known->second == value) return;
  valuesFed[name] = value;
  feedEvent("game value " + name + " " + std::to_string(value));
}

}  // namespace

bool openEventFeed(const std::wstring& path) {
  feed = _wfopen(path.c_str(), L"w");
  return feed != nullptr;
}

void feedEvent(const std::string& line) {
  if (feed == nullptr) return;
  std::fputs((line + "\n").c_str(), feed);
  std::fflush(feed);  // the reader follows the file line by line
}

void feedNewEvents() {
  if (feed == nullptr) return;
  static const char* const kHostFnNames[] = {"create", "spare", "hide", "focus"};
  // Both records are emptied once fed, so a long run does not copy a growing record each frame;
  // every host and routine call of the main job is made on this, the game thread.
  for (const HostCall& call : hostCalls()) {
    std::ostringstream line;
    line << "host " << kHostFnNames[static_cast<int>(call.fn)] << ' ' << call.id << ' ' << call.first;
    if (call.fn == HostFn::Create) line << ' ' << call.second << ' ' << call.url;
    feedEvent(line.str());
  }
  clearHostCalls();
  // Resolution queries run on every state rebuild; they are left out so the feed stays readable.
  for (const RoutineCall& call : routineCalls()) {
    if (call.routine == gta::kGetResolutionModeCount || call.routine == gta::kGetResolutionModeInfo) continue;
    for (const NamedRoutine& routine : kNamedRoutines) {
      if (call.routine != routine.address) continue;
      std::ostringstream line;
      line << "game call " << routine.name;
      for (int32_t argument : call.args) line << ' ' << argument;
      feedEvent(line.str());
    }
  }
  clearRoutineCalls();
  for (const Watched& watched : kWatched) feedValue(watched.name, readValue(watched.address, watched.bytes));
  for (int action = 0; action < gta::kActionCount; ++action)
    for (int slot = 0; slot < gta::kSlotsPerAction; ++slot)
      feedValue("action" + std::to_string(action) + "." + std::to_string(slot), actionKey(action, slot));
}

}  // namespace sim
