// Real top-level windows for the simulated game.
#include "sim/game_window.h"

#include <algorithm>

namespace sim {
namespace {

std::vector<KeyMessage> keyMessages;
int closeMessages = 0;

LRESULT CALLBACK recordKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP)
    keyMessages.push_back({message, wParam});
  // The game would end; the simulated one stays up so a test can go on looking.
  if (message == WM_CLOSE) {
    ++closeMessages;
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND createWindow(const wchar_t* className, bool visible, HWND owner) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = recordKeys;
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
  // A frame takes a bounded share of the queue: keys sent back to back without a hook to slow
  // them arrive faster than a slow machine (the emulated one) handles them, and an unbounded
  // loop would never get back to the frame.
  constexpr int kMessagesPerPump = 256;
  MSG message;
  for (int taken = 0; taken < kMessagesPerPump && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++taken) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

std::vector<KeyMessage> keyMessagesReceived() { return keyMessages; }

int keyMessageCount(UINT message, WPARAM virtualKey) {
  return static_cast<int>(std::count_if(keyMessages.begin(), keyMessages.end(), [&](const KeyMessage& key) {
    return key.message == message && key.virtualKey == virtualKey;
  }));
}

int closeMessagesReceived() { return closeMessages; }

}  // namespace sim
