// The native map page's start, its per-frame poll and the return of ESC control.
#include "native/native_map.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/game_access.h"
#include "native/game_addresses.h"
#include "screens/pause_menu.h"

namespace {

// The player is never left without a menu: the game's did not come, so the module's returns.
void returnToPauseMenu(const char* reason) {
  gState.nativeMenuActive.store(0);
  logLine(reason);
  openPauseMenu();
}

// Whether the game's own menu is up; false without native support or on a fault.
bool isGameMenuActive() {
  uint8_t active = 0;
  return guardedRead8(game::kGameMenuActive, active) && active != 0;
}

}  // namespace

bool startNativeMap() {
  if (!gState.nativeSupported) {
    logLine("[MAP] Native GTA bridge unavailable for this executable.");
    return false;
  }
  if (!requestGameMenu()) {
    logLine("[MAP] Failed to start native GTA menu.");
    return false;
  }
  // A repeated request starts the wait over.
  gState.mapRequestedAt = currentTick();
  gState.mapPending.store(1);
  logLine("[MAP] GTA menu start requested. Waiting before opening MAP page.");
  return true;
}

void pollNativeMap() {
  if (gState.mapPending.load() == 0) return;
  const uint64_t elapsed = elapsedSince(currentTick(), gState.mapRequestedAt);
  if (elapsed < kMapSwitchDelayMs) return;
  if (isGameMenuActive()) {
    const bool switched = switchToMapPage();
    gState.mapPending.store(0);
    if (switched) {
      logLine("[MAP] Native GTA MAP page opened safely.");
    } else {
      returnToPauseMenu("[MAP] Failed to switch to native MAP page. Returning to Tembra menu.");
    }
    return;
  }
  if (elapsed < kMapGiveUpMs) return;
  // The request is not repeated, and one the game never took is withdrawn, so its menu cannot
  // come up later over the module's.
  gState.mapPending.store(0);
  guardedWrite8(game::kMenuStartRequest, 0);
  returnToPauseMenu("[MAP] GTA menu did not become active. Returning to Tembra menu.");
}

void noticeGameMenuLeft() {
  if (gState.nativeMenuActive.load() == 0 || gState.mapPending.load() != 0 || isGameMenuActive()) return;
  gState.nativeMenuActive.store(0);
  logLine("[MAP] Native GTA menu closed. Tembra ESC control restored.");
}
