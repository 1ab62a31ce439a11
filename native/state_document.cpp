// Builds, caches and hands out the state document.
//
// For page authors: the document is only ever built on the game thread, so a change a page
// asks for ("/setting", "/bind", "/action") shows in "/state" once the game thread has carried
// it out. A setting is visible after the next frame's drain (the executor rebuilds at once
// after every setting), that is one frame after the answer; other changes after the next
// regular rebuild, at most 120 ms later. No game memory is read or written off the game thread.
#include "native/state_document.h"

#include <windows.h>

#include "core/lock_hold.h"
#include "core/plugin_state.h"
#include "native/game_access.h"
#include "native/game_settings.h"

namespace {

// A fresh count of 1..512, or 0 when the game's video layer does not answer sensibly.
int32_t sensibleModeCount() {
  int32_t count = 0;
  if (!getResolutionModeCount(&count) || count < 1 || count > kMaxResolutionModes) return 0;
  return count;
}

}  // namespace

// The modes a page may offer: those the game's own list offers. The count is asked again before each mode, since the game may
// drop modes (a device reset) while the list is being gathered.
std::vector<ResolutionOption> listResolutionOptions(int32_t current) {
  std::vector<ResolutionOption> options;
  if (!gState.nativeSupported) return options;
  const int32_t count = sensibleModeCount();
  options.reserve(static_cast<size_t>(count));
  for (int32_t mode = 0; mode < count; ++mode) {
    if (!gState.nativeSupported || mode >= sensibleModeCount()) continue;
    ResolutionModeInfo info{};
    if (!getResolutionModeInfo(mode, &info) || !gameOffersVideoMode(mode, info)) continue;
    addResolutionOption(options, {mode, info.width, info.height});
  }
  finishResolutionOptions(options, current);
  return options;
}

namespace {

void readCurrentResolution(StateSnapshot& snapshot) {
  const int32_t mode = snapshot.settings.resolutionMode;
  if (mode < 0 || mode >= sensibleModeCount()) return;
  ResolutionModeInfo info{};
  if (!getResolutionModeInfo(mode, &info)) return;
  snapshot.resolutionWidth = info.width;
  snapshot.resolutionHeight = info.height;
}

void readBindings(StateSnapshot& snapshot) {
  for (int action = 0; action < game::kActionCount; ++action) {
    for (int slot = 0; slot < game::kActionKeySlots; ++slot) {
      int32_t key = 0;
      guardedRead32(game::actionKeySlot(action, slot), key);
      snapshot.bindings[action][slot] = static_cast<uint32_t>(key);
    }
  }
}

}  // namespace

std::string buildStateDocument() {
  StateSnapshot snapshot;
  // The menu and counters first, as one moment's view; the hook thread changes them meanwhile.
  snapshot.menuOpen = gState.menuOpen.load() != 0;
  snapshot.menuGeneration = gState.menuGeneration.load();
  snapshot.captureCancelCounter = gState.captureCancelCounter.load();
  snapshot.supported = gState.nativeSupported;
  snapshot.capturedKey = gState.capturedKey.load();
  snapshot.capturedKeyCounter = gState.capturedKeyCounter.load();
  if (snapshot.supported) {
    snapshot.settings = readGameSettingValues();
    readCurrentResolution(snapshot);
    snapshot.resolutionOptions = listResolutionOptions(snapshot.settings.resolutionMode);
    readBindings(snapshot);
  }
  return formatStateDocument(snapshot);
}

void refreshStateDocument(bool force) {
  if (!gState.locksReady) return;
  const uint64_t now = currentTick();
  if (!force && elapsedSince(now, gState.stateBuiltAt) < kStateRefreshIntervalMs) return;
  gState.stateBuiltAt = now;
  std::string document = buildStateDocument();
  LockHold hold(gState.stateLock);
  gState.stateJson.swap(document);
}

std::string readStateDocument() {
  if (!gState.locksReady) return kNoStateDocument;
  LockHold hold(gState.stateLock);
  return gState.stateJson;
}
