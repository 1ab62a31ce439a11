// Hides the loading screen on request and keeps it shown until then.
#include "screens/loading_screen.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/browser_ids.h"
#include "screens/screen_timing.h"

void hideLoadingBrowser() {
  if (gState.focusBrowser != nullptr) gState.focusBrowser(kLoadingBrowserId, 0);
  if (gState.hideBrowser != nullptr) gState.hideBrowser(kLoadingBrowserId, 1);
}

void showLoadingBrowser() {
  if (gState.hideBrowser != nullptr) gState.hideBrowser(kLoadingBrowserId, 0);
  if (gState.focusBrowser != nullptr) gState.focusBrowser(kLoadingBrowserId, 1);
  // The host may report browsers on its own thread, so a hide can be requested while the
  // screen is being shown here. Looking at the flag again after the show means the last
  // calls the host sees are always hiding ones: either this re-hide, or the request's own
  // hide, which then comes after this show.
  if (gState.loadingHideRequested.load() != 0) hideLoadingBrowser();
}

void requestLoadingHide() {
  gState.loadingHideRequested.store(1);
  if (gState.loadingReady.load() != 0 && gState.hideBrowser != nullptr && gState.focusBrowser != nullptr) {
    hideLoadingBrowser();
    logLine("[LOADING] Hidden. AUTH page is ready.");
    return;
  }
  logLine("[LOADING] Hide requested. Waiting for browser READY.");
}

void keepLoadingScreen() {
  if (gState.loadingReady.load() == 0 || gState.loadingHideRequested.load() != 0) return;
  if (gState.hideBrowser == nullptr || gState.focusBrowser == nullptr) return;
  const uint64_t now = currentTick();
  const LoadingUpkeep step = loadingUpkeepStep(now, gState.loadingCheckedAt, gState.windowSeenAt);
  if (step == LoadingUpkeep::Wait) return;
  gState.loadingCheckedAt = now;
  if (step == LoadingUpkeep::TimeOut) {
    logLine("[LOADING] Maximum maintenance timeout (60s) reached -> auto-hiding.");
    requestLoadingHide();
    return;
  }
  // The host or a page may have hidden the screen or taken its input; both are given back.
  showLoadingBrowser();
}
