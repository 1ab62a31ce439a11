// The host's report that a browser exists, and the creation of the module's own three.
#include "screens/browser_set.h"

#include <string>

#include "core/contained.h"
#include "core/exports.h"
#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/browser_ids.h"
#include "screens/loading_screen.h"
#include "screens/page_urls.h"
#include "screens/pause_page.h"
#include "screens/screen_timing.h"

namespace {

// The one-shot guard: true for the single caller that moves it from 0 to 1.
bool claim(SharedInt& guard) {
  int32_t expected = 0;
  return guard.compare_exchange_strong(expected, 1);
}

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
  if (gState.menuOpen.load() == 1 && gState.hideBrowser != nullptr) {
    gState.hideBrowser(kHudBrowserId, 1);
    logLine("[CEF] HUD ready while pause menu is open -> hidden immediately.");
  }
}

void onLoadingBrowserReady() {
  gState.loadingReady.store(1);
  logLine("[CEF] Tembra LOCAL loading browser READY.");
  if (gState.loadingHideRequested.load() == 1) {
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

namespace {

// One create request with its three log lines; tag is the area's "[TAG]" prefix.
void requestBrowser(const std::string& tag, const char* creatingLine, uint32_t id, const std::string& url,
                    int32_t flagA, int32_t flagB) {
  logLine(tag + " " + creatingLine);
  logLine(tag + " URL=" + url);
  gState.createBrowser(id, url.c_str(), flagA, flagB);
  logLine(tag + " Create request returned.");
}

}  // namespace

void createLoadingBrowser() {
  // A hide requested before creation means the loading screen is not wanted at all.
  if (gState.createBrowser == nullptr || gState.loadingHideRequested.load() == 1) return;
  if (!claim(gState.loadingCreated)) return;
  requestBrowser("[LOADING]", "Creating LOCAL Tembra loading browser.", kLoadingBrowserId,
                 localPageUrl(kLoadingPagePath), 0, 1);
}

void createPauseBrowser() {
  if (gState.createBrowser == nullptr || !claim(gState.pauseCreated)) return;
  requestBrowser("[UI]", "Creating ONE LocalUI browser.", kPauseBrowserId, pausePageUrl(), 1, 0);
}

void createHudBrowser() {
  if (gState.createBrowser == nullptr || !claim(gState.hudCreated)) return;
  requestBrowser("[HUD]", "Creating Tembra HUD browser.", kHudBrowserId, localPageUrl(kHudPagePath), 0, 0);
}

void runCreationSchedule(uint64_t elapsedMs) {
  if (elapsedMs >= kLoadingCreateDelayMs) createLoadingBrowser();
  if (elapsedMs >= kPauseCreateDelayMs) createPauseBrowser();
  if (elapsedMs >= kHudCreateDelayMs) createHudBrowser();
}

// May run on any thread the host likes; everything it shares with the game thread is atomic.
namespace {

void onBrowserCreated(uint32_t id, int32_t status) {
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

}  // namespace

// The host may call this on any thread; everything it shares is atomic.
extern "C" void __cdecl cef_browser_created(uint32_t id, int32_t status) {
  runContained("[CEF] EXCEPTION in cef_browser_created.", [&] { onBrowserCreated(id, status); });
}
