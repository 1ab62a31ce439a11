// The search for the game's main window among this process's top-level windows.
#include "core/game_window.h"

#include <cwchar>

namespace {

constexpr wchar_t kGameWindowClass[] = L"Grand theft auto San Andreas";
constexpr int kClassNameChars = 64;

BOOL CALLBACK takeGameWindow(HWND window, LPARAM found) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId != ::GetCurrentProcessId()) return TRUE;
  if (!::IsWindowVisible(window)) return TRUE;
  if (::GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  wchar_t className[kClassNameChars] = {};
  ::GetClassNameW(window, className, kClassNameChars);
  if (std::wcscmp(className, kGameWindowClass) != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HWND findGameWindow() {
  HWND found = nullptr;
  ::EnumWindows(takeGameWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}
