// Reads the player's command file between frames and changes the simulated game accordingly.
#include "sim/player_controls.h"

#include <sstream>
#include <utility>
#include <vector>

#include "sim/event_feed.h"
#include "sim/routine_names.h"
#include "sim/sim_game.h"

namespace sim {
namespace {

constexpr int32_t kSomePlayerPed = 0x01234560;

HANDLE commands = INVALID_HANDLE_VALUE;
HWND window = nullptr;
std::string partial;

// "800x600,1024x768" -> the modes; false when any entry is not WIDTHxHEIGHT.
bool parseModes(const std::string& text, std::vector<std::pair<int32_t, int32_t>>& modes) {
  std::stringstream list(text);
  std::string entry;
  while (std::getline(list, entry, ',')) {
    int width = 0;
    int height = 0;
    char x = 0;
    std::stringstream size(entry);
    if (!(size >> width >> x >> height) || x != 'x') return false;
    modes.emplace_back(width, height);
  }
  return !modes.empty();
}

bool apply(const std::string& line) {
  std::stringstream words(line);
  std::string verb;
  std::string what;
  words >> verb >> what;
  if (verb == "player" && (what == "in" || what == "out")) {
    setGameValue<int32_t>(gta::kPlayerPed, what == "in" ? kSomePlayerPed : 0);
    return true;
  }
  if (verb == "window" && (what == "hidden" || what == "shown")) {
    ::ShowWindow(window, what == "hidden" ? SW_HIDE : SW_SHOW);
    return true;
  }
  if (verb == "menu" && (what == "up" || what == "down")) {
    setGameValue<uint8_t>(gta::kGameMenuActive, what == "up" ? 1 : 0);
    return true;
  }
  if (verb == "fault") {
    std::string onOff;
    words >> onOff;
    if (onOff != "on" && onOff != "off") return false;
    for (const NamedRoutine& routine : kNamedRoutines) {
      if (what != routine.name) continue;
      setRoutineBehaviour(routine.address, onOff == "on" ? RoutineBehaviour::Fault : RoutineBehaviour::Return);
      return true;
    }
    return false;
  }
  if (verb == "modes") {
    std::vector<std::pair<int32_t, int32_t>> modes;
    if (!parseModes(what, modes)) return false;
    setResolutionModes(std::move(modes));
    return true;
  }
  if (verb == "bind") {
    int action = -1;
    int slot = -1;
    uint32_t key = 0;
    std::stringstream numbers(what);
    numbers >> action;
    if (!(numbers && words >> slot >> key)) return false;
    if (action < 0 || action >= gta::kActionCount || slot < 0 || slot >= gta::kSlotsPerAction) return false;
    setActionKey(action, slot, key);
    return true;
  }
  if (verb == "defaults") {
    writeDefaultBindings();
    return true;
  }
  return false;
}

}  // namespace

void followPlayerControls(const std::wstring& path, HWND gameWindow) {
  window = gameWindow;
  // Created empty when missing, so the player may start writing at any time; shared, since the
  // player appends while the game reads.
  commands = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (commands == INVALID_HANDLE_VALUE) feedEvent("game control refused: the command file cannot be opened");
}

void applyPlayerControls() {
  if (commands == INVALID_HANDLE_VALUE) return;
  char buffer[512];
  DWORD read = 0;
  // At the end, a read gives nothing; the file position stays, so what is appended later comes next.
  while (::ReadFile(commands, buffer, sizeof buffer, &read, nullptr) && read > 0) partial.append(buffer, read);
  for (size_t end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
    std::string line = partial.substr(0, end);
    partial.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    feedEvent(std::string("game control ") + (apply(line) ? "" : "refused ") + line);
  }
}

void writeDefaultBindings() {
  for (int action = 0; action < gta::kActionCount; ++action)
    for (int slot = 0; slot < gta::kSlotsPerAction; ++slot) setActionKey(action, slot, defaultActionKey(action, slot));
}

void patchSaveRoutine() {
  const uint8_t jump = 0xE9;
  setGameValue<uint8_t>(gta::kPersistenceHelper, jump);
}

}  // namespace sim
