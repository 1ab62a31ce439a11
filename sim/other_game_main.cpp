// A second game process for the tests, mapped at an image base other than the game's:
// "start" runs cef_initialize on the module in it; "window PID" shows a window of the game's
// class until the process PID ends.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "sim/game_window.h"
#include "sim/module_under_test.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "start") == 0) {
    sim::initializeWithHost();
    sim::module().quit();
    return 0;
  }
  if (argc < 3 || std::strcmp(argv[1], "window") != 0) return 2;
  const HANDLE owner = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  if (owner == nullptr) return 3;
  sim::createGameWindow();
  while (::WaitForSingleObject(owner, 20) == WAIT_TIMEOUT) sim::pumpMessages();
  return 0;
}
