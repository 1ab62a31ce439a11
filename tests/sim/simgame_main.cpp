// The main job: the module running inside the simulated game and host at real speed, until
// the game window is closed or the program is stopped.
#include <windows.h>

#include "tests/sim/fake_clock.h"
#include "tests/sim/game_window.h"
#include "tests/sim/module_under_test.h"
#include "tests/sim/sim_game.h"
#include "tests/sim/sim_host.h"

namespace {

constexpr DWORD kFrameMs = 16;

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
  sim::setAnswerCreates(true);
  sim::initializeWithHost();
  while (::IsWindow(gameWindow)) {
    ::Sleep(kFrameMs);
    followRealTime();
    sim::runFrame();
  }
  sim::module().quit();
  return 0;
}
