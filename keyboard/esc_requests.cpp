// The only place where an ESC press changes what is on screen.
#include "keyboard/esc_requests.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/pause_menu.h"

void processEscRequest() {
  // Taken by exchange, so a request the hook raises meanwhile is kept for the next frame.
  if (gState.escRequest.exchange(0) == 0) return;
  const uint64_t now = currentTick();
  if (elapsedSince(now, gState.lastEscAt) < kEscDebounceMs) {
    logLine("[ESC] Debounced duplicate escape request (<200ms).");
    return;
  }
  // Accepted from here on, even if the page cannot be shown: the interval restarts either way.
  gState.lastEscAt = now;
  if (gState.hideBrowser != nullptr && gState.focusBrowser != nullptr && gState.pauseReady.load() != 0) {
    // The direction is what the menu is now, not what the hook saw when the key went down.
    if (gState.menuOpen.load() != 0) {
      closePauseMenu();
    } else {
      openPauseMenu();
    }
    return;
  }
  logLine("[ESC] LocalUI browser not ready.");
}
