// The main job: the module running inside the simulated game and host at real speed, until
// the game window is closed or the program is stopped. "--events <file>" writes what the module
// does to the host and the game to that file, line by line, for the sandbox's real browsers;
// "--controls <file>" follows the player's commands in that file (sim/player_controls.h);
// "--save-patched" starts a game build whose persistence routine is patched.
#include <windows.h>

#include <cstring>
#include <string>

#include "sim/event_feed.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/player_controls.h"
#include "sim/real_input.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace {

constexpr DWORD kFrameMs = 16;
// The player's character appears in the world this long after start-up, as after the game's
// own loading; from then on ESC opens the pause menu.
constexpr ULONGLONG kPlayerSpawnDelayMs = 3000;
constexpr int32_t kSomePlayerPed = 0x01234560;

void followRealTime() { sim::setTickMs(::GetTickCount64()); }

// The value after the option, empty when it is not given.
std::wstring optionValue(int argc, char** argv, const char* option) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], option) != 0) continue;
    const std::string value = argv[i + 1];
    return std::wstring(value.begin(), value.end());
  }
  return L"";
}

bool hasOption(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

// Wine's X11 driver keeps the X window of each top-level window in this property; the sandbox
// gives it the input focus before it types keys into the game.
void feedXWindow(HWND window) {
  const auto xWindow = reinterpret_cast<uintptr_t>(::GetPropW(window, L"__wine_x11_whole_window"));
  sim::feedEvent("game window " + std::to_string(xWindow));
}

}  // namespace

int main(int argc, char** argv) {
  const std::wstring feedPath = optionValue(argc, argv, "--events");
  if (!feedPath.empty()) sim::openEventFeed(feedPath);
  followRealTime();
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  sim::setWallClock(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);

  // The game's memory is in place before the module looks at it in cef_initialize.
  sim::installGame();
  // The game as a player's copy has it: its default controls, and its own build's code bytes.
  sim::writeDefaultBindings();
  if (hasOption(argc, argv, "--save-patched")) sim::patchSaveRoutine();
  HWND gameWindow = sim::createGameWindow();
  // Keys typed on the display (xdotool key Escape) go to the game, as to a game in the foreground.
  sim::bringToFront(gameWindow);
  feedXWindow(gameWindow);
  const std::wstring controlsPath = optionValue(argc, argv, "--controls");
  if (!controlsPath.empty()) sim::followPlayerControls(controlsPath, gameWindow);
  sim::setAnswerCreates(true);
  sim::initializeWithHost();
  const ULONGLONG startedAt = ::GetTickCount64();
  bool playerInWorld = false;
  // The game ends on WM_CLOSE (the module's exit action or the window's close box), as the real
  // one does; the simulated window only counts the message.
  while (::IsWindow(gameWindow) && sim::closeMessagesReceived() == 0) {
    ::Sleep(kFrameMs);
    followRealTime();
    if (!playerInWorld && ::GetTickCount64() - startedAt >= kPlayerSpawnDelayMs) {
      playerInWorld = true;
      sim::setGameValue<int32_t>(sim::gta::kPlayerPed, kSomePlayerPed);
      sim::feedEvent("game player-in-world");
    }
    sim::applyPlayerControls();
    sim::runFrame();
    sim::feedNewEvents();
  }
  sim::feedEvent("game closed");
  sim::module().quit();
  return 0;
}
