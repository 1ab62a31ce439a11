// Real top-level windows for the simulated game.
#include "tests/sim/game_window.h"

namespace sim {

HWND createWindow(const wchar_t* className, bool visible, HWND owner) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  ::RegisterClassW(&windowClass);  // fails harmlessly when the class already exists
  const DWORD style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0);
  HWND window = ::CreateWindowExW(0, className, L"GTA: San Andreas", style, 0, 0, 320, 240, owner, nullptr,
                                  windowClass.hInstance, nullptr);
  pumpMessages();
  return window;
}

HWND createGameWindow(bool visible) { return createWindow(kGameWindowClass, visible); }

void pumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace sim
