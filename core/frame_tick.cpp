// The module's heartbeat on the game thread, run once per rendered frame (cef_samp_mainloop).
#include "core/frame_tick.h"

#include "core/command_executor.h"
#include "core/game_window.h"
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
  if (gState.menuOpen.load() != 0 && hide != nullptr) hide(kHudBrowserId, 1);
}

}  // namespace

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
