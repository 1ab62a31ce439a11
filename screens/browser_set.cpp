// The creation of the module's own three browsers on the frame tick's schedule.
#include "screens/browser_set.h"

#include <string>

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/browser_ids.h"
#include "screens/page_urls.h"
#include "screens/pause_page.h"
#include "screens/screen_timing.h"

namespace {

// The one-shot guard: true for the single caller that moves it from 0 to 1.
bool claim(SharedInt& guard) {
  int32_t expected = 0;
  return guard.compare_exchange_strong(expected, 1);
}

// One create request with its three log lines; tag is the area's "[TAG]" prefix.
void requestBrowser(const std::string& tag, const char* creatingLine, uint32_t id, const std::string& url,
                    int32_t flagA, int32_t flagB) {
  logLine(tag + " " + creatingLine);
  logLine(tag + " URL=" + url);
  gState.createBrowser(id, url.c_str(), flagA, flagB);
  logLine(tag + " Create request returned.");
}

void createLoadingBrowser() {
  // A hide requested before creation means the loading screen is not wanted at all.
  if (gState.createBrowser == nullptr || gState.loadingHideRequested.load() != 0) return;
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

}  // namespace

void runCreationSchedule(uint64_t elapsedMs) {
  if (elapsedMs >= kLoadingCreateDelayMs) createLoadingBrowser();
  if (elapsedMs >= kPauseCreateDelayMs) createPauseBrowser();
  if (elapsedMs >= kHudCreateDelayMs) createHudBrowser();
}
