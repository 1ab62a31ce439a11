// The host's report that a browser exists: the module's own browsers once ready, the server's
// and the authentication browser as signs that the loading screen is no longer wanted.
#include "screens/browser_reports.h"

#include <string>

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/browser_ids.h"
#include "screens/loading_screen.h"

namespace {

void onPauseBrowserReady() {
  gState.pauseReady.store(1);
  gState.menuOpen.store(0);
  if (gState.focusBrowser != nullptr) gState.focusBrowser(kPauseBrowserId, 0);
  if (gState.hideBrowser != nullptr) gState.hideBrowser(kPauseBrowserId, 1);
  // ESC stays off until the frame tick sees the player in the world again.
  gState.escEnabled.store(0);
  logLine("[CEF] Tembra pause browser READY and hidden.");
}

void onHudBrowserReady() {
  logLine("[CEF] Tembra HUD browser READY.");
  if (gState.menuOpen.load() != 0 && gState.hideBrowser != nullptr) {
    gState.hideBrowser(kHudBrowserId, 1);
    logLine("[CEF] HUD ready while pause menu is open -> hidden immediately.");
  }
}

void onLoadingBrowserReady() {
  gState.loadingReady.store(1);
  logLine("[CEF] Tembra LOCAL loading browser READY.");
  if (gState.loadingHideRequested.load() != 0) {
    hideLoadingBrowser();
    logLine("[LOADING] READY after hide request -> hidden immediately.");
    return;
  }
  showLoadingBrowser();
  logLine("[LOADING] READY and visible.");
}

void onMinimapBrowserReady() {
  gState.minimapReady.store(1);
  logLine("[CEF] Local minimap browser READY.");
  // The minimap only shows; it must never take the player's input.
  if (gState.focusBrowser != nullptr) gState.focusBrowser(kMinimapBrowserId, 0);
}

}  // namespace

// May run on any thread the host likes; everything it shares with the game thread is atomic.
void noteBrowserCreated(uint32_t id, int32_t status) {
  logLine("[CEF] Browser callback ID=" + std::to_string(id) + " status=" + std::to_string(status));
  switch (id) {
    case kAuthBrowserId:
      requestLoadingHide();
      gState.escEnabled.store(0);
      logLine("[CEF] Auth browser created (0x12365). Local loading hidden, ESC disabled for auth.");
      return;
    case kPauseBrowserId:
      onPauseBrowserReady();
      return;
    case kHudBrowserId:
      onHudBrowserReady();
      return;
    case kLoadingBrowserId:
      onLoadingBrowserReady();
      return;
    case kMinimapBrowserId:
      onMinimapBrowserReady();
      return;
    default:
      logLine("[CEF] External/Server browser created ID=" + std::to_string(id) +
              " -> auto-hiding local loading screen.");
      requestLoadingHide();
      return;
  }
}
