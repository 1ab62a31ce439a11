// The pause menu's two transitions; game thread only.
#include "screens/pause_menu.h"

#include <string>

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/browser_ids.h"

void openPauseMenu() {
  const HideBrowserFn hide = gState.hideBrowser;
  const FocusBrowserFn focus = gState.focusBrowser;
  if (hide == nullptr || focus == nullptr) return;
  // The others go first, so the pause page never shows with the HUD drawn over it.
  hide(kHudBrowserId, 1);
  if (gState.minimapReady.load() != 0) hide(kMinimapBrowserId, 1);
  hide(kPauseBrowserId, 0);
  focus(kPauseBrowserId, 1);
  gState.menuOpen.store(1);
  const int32_t generation = gState.menuGeneration.fetch_add(1) + 1;
  logLine("[MENU] OPEN. generation=" + std::to_string(generation) + " (HUD hidden under pause)");
}

void closePauseMenu() {
  const HideBrowserFn hide = gState.hideBrowser;
  const FocusBrowserFn focus = gState.focusBrowser;
  if (hide == nullptr || focus == nullptr) return;
  // Focus leaves the pause page before it hides, so the input returns to the game.
  focus(kPauseBrowserId, 0);
  hide(kPauseBrowserId, 1);
  hide(kHudBrowserId, 0);
  if (gState.minimapReady.load() != 0) hide(kMinimapBrowserId, 0);
  gState.menuOpen.store(0);
  // A key capture that is still running ends with the menu; the last captured key stays.
  gState.captureMode.store(kCaptureNone);
  logLine("[MENU] CLOSED (HUD restored).");
}
