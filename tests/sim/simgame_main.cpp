// The main job: the module running inside the simulated game and host at real speed, until
// the game window is closed or the program is stopped.
#include <windows.h>

#include "tests/sim/fake_clock.h"
#include "tests/sim/game_window.h"
#include "tests/sim/module_under_test.h"
#include "tests/sim/real_input.h"
#include "tests/sim/sim_game.h"
#include "tests/sim/sim_host.h"

namespace {

constexpr DWORD kFrameMs = 16;
// The player's character appears in the world this long after start-up, as after the game's
// own loading; from then on ESC opens the pause menu.
constexpr ULONGLONG kPlayerSpawnDelayMs = 3000;
constexpr int32_t kSomePlayerPed = 0x01234560;

void followRealTime() { sim::setTickMs(::GetTickCount64()); }

}  // namespace

int main() {
  followRealTime();
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  sim::setWallClock(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);

  // The game's memory is in place before the module looks at it in cef_initialize.
  sim::installGame();
  HWND gameWindow = sim::createGameWindow();
  // Keys typed on the display (xdotool key Escape) go to the game, as to a game in the foreground.
  sim::bringToFront(gameWindow);
  sim::setAnswerCreates(true);
  sim::initializeWithHost();
  const ULONGLONG startedAt = ::GetTickCount64();
  while (::IsWindow(gameWindow)) {
    ::Sleep(kFrameMs);
    followRealTime();
    if (::GetTickCount64() - startedAt >= kPlayerSpawnDelayMs)
      sim::setGameValue<int32_t>(sim::gta::kPlayerPed, kSomePlayerPed);
    sim::runFrame();
  }
  sim::module().quit();
  return 0;
}
