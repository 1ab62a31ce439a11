// cef_samp_mainloop: the module's heartbeat, run by the host once per rendered frame.
#include "core/frame_tick.h"

#include <cwchar>

#include "core/command_queue.h"
#include "core/contained.h"
#include "core/exports.h"
#include "core/plugin_state.h"
#include "keyboard/esc_requests.h"
#include "log/log_file.h"
#include "native/game_access.h"
#include "native/game_settings.h"
#include "native/native_map.h"
#include "native/state_document.h"
#include "screens/browser_ids.h"
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

// ESC belongs to the module only once the player's character exists; the line is logged once
// per change from disabled to enabled.
void enableEscOncePlayerInWorld() {
  int32_t playerPed = 0;
  if (!guardedRead32(game::kPlayerPed, playerPed) || playerPed == 0) return;
  // Compare-exchange: a page may enable ESC at the same moment, and only a real change is logged.
  int32_t disabled = 0;
  if (gState.escEnabled.compare_exchange_strong(disabled, 1)) logLine("[ESC] Player ped detected in world -> ESC enabled.");
}

// Whatever showed the HUD meanwhile (a page, the host), it stays hidden under the open menu.
void keepHudHiddenUnderMenu() {
  const HideBrowserFn hide = gState.hideBrowser;
  if (gState.menuOpen.load() == 1 && hide != nullptr) hide(kHudBrowserId, 1);
}

void runFrame() {
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
  enableEscOncePlayerInWorld();
  keepHudHiddenUnderMenu();
  pollNativeMap();
  noticeGameMenuLeft();
  processEscRequest();
  drainCommands();
  saveChangedSettings();
  refreshStateDocument(false);
}

}  // namespace

HWND findGameWindow() {
  HWND found = nullptr;
  ::EnumWindows(takeGameWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

extern "C" void __cdecl cef_samp_mainloop() {
  runContained("[CEF] EXCEPTION in cef_samp_mainloop.", [] { runFrame(); });
}
