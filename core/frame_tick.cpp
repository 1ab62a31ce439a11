// cef_samp_mainloop: the module's heartbeat, run by the host once per rendered frame.
#include "core/frame_tick.h"

#include <cwchar>

#include "core/exports.h"
#include "core/plugin_state.h"
#include "keyboard/esc_requests.h"
#include "screens/browser_set.h"
#include "screens/loading_screen.h"

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
  runCreationSchedule(elapsedSince(now, gState.windowSeenAt));
  keepLoadingScreen();
  // Still to come here, in this order: ESC once the player is in the world, the HUD kept
  // hidden under the open menu, the map page.
  processEscRequest();
  // Still to come here, in this order: bridge commands, the settings save, the state document.
}
