// cef_samp_mainloop: the module's heartbeat, run by the host once per rendered frame.
#include "core/frame_tick.h"

#include <cwchar>

#include "core/exports.h"
#include "core/plugin_state.h"

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

extern "C" void __cdecl cef_samp_mainloop() {
  if (gState.pluginActive.load() == 0) return;
  const HWND gameWindow = findGameWindow();
  const uint64_t now = currentTick();
  if (gameWindow == nullptr) {
    // Keeps moving until the window shows, so every delay below counts from its appearance.
    gState.windowSeenAt = now;
    return;
  }
  // The remaining steps (browser creation, loading screen upkeep, ESC, map page, bridge
  // commands, settings save, state document) are added here in their fixed order.
}
