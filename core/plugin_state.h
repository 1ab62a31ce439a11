// The one process-wide record through which the game thread, the keyboard hook thread,
// the bridge thread and the host's browser callback share everything.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "core/bridge_command.h"
#include "core/host_api.h"

// A 32-bit value shared between threads, every access sequentially consistent: set by store,
// taken by exchange where only one thread may act on a value, counted by increment, claimed by
// compare-exchange where only a real change may act, and read by load.
using SharedInt = std::atomic<int32_t>;

// The answer at "/state" while no document has been built: before the locks exist, and the
// record's load value until cef_initialize builds the first one.
inline constexpr const char kNoStateDocument[] = "{\"supported\":false}";

// Values of PluginState::captureMode.
inline constexpr int32_t kCaptureNone = 0;
inline constexpr int32_t kCaptureKeyboard = 1;  // key-downs become the captured game key code
inline constexpr int32_t kCaptureMouse = 2;     // keyboard keys reach the game; ESC still cancels

// Thread legend: G game thread, K keyboard hook thread, B bridge thread, H host callback thread.
struct PluginState {
  // Copy of the host's table; written by cef_initialize before any worker starts, never cleared.
  CreateBrowserFn createBrowser = nullptr;
  SpareHostFn spareHostFn = nullptr;
  HideBrowserFn hideBrowser = nullptr;
  FocusBrowserFn focusBrowser = nullptr;

  bool locksReady = false;  // both locks initialised; never cleared, no lock is entered before
  CRITICAL_SECTION queueLock;
  CRITICAL_SECTION stateLock;  // guards stateJson only
  CommandQueue commandQueue;  // guarded by queueLock; appended by B, drained by G
  bool queueRefusalLogged = false;  // B: the current burst of refused commands has its log line
  std::string stateJson = kNoStateDocument;
  uint64_t stateBuiltAt = 0;  // G

  SharedInt pluginActive{0};    // 0: the frame tick does nothing
  SharedInt stopRequested{0};   // non-zero ends the worker loops
  bool nativeSupported = false;  // executable layout accepted; fixed before workers start
  bool persistenceAvailable = false;  // the game's SaveSettings may be called

  HMODULE moduleHandle = nullptr;  // this module, recorded on process attach
  HANDLE keyboardThread = nullptr;  // G
  std::atomic<DWORD> keyboardThreadId{0};  // G (creation output) and K (its own id): same value
  HHOOK keyboardHook = nullptr;  // K
  HANDLE bridgeThread = nullptr;  // G
  std::atomic<uintptr_t> listenSocket{~uintptr_t{0}};  // INVALID_SOCKET when none; taken by exchange

  uint64_t windowSeenAt = 0;  // G: last frame without the game window, or cef_initialize
  SharedInt loadingCreated{0};
  SharedInt pauseCreated{0};
  SharedInt hudCreated{0};
  SharedInt pauseReady{0};
  SharedInt minimapReady{0};
  SharedInt loadingReady{0};
  SharedInt loadingHideRequested{0};
  uint64_t loadingCheckedAt = 0;  // G

  SharedInt menuOpen{0};
  SharedInt menuGeneration{0};
  SharedInt escEnabled{0};
  SharedInt escRequest{0};  // K raises, G takes by exchange
  SharedInt escKeyHeld{0};  // K: the press of the ESC key now down has been counted
  uint64_t lastEscAt = 0;  // G: last accepted ESC request

  SharedInt captureMode{kCaptureNone};  // one of the kCapture values
  SharedInt capturedKey{-1};  // game key code, -1 none
  SharedInt capturedKeyCounter{0};
  SharedInt captureCancelCounter{0};

  SharedInt nativeMenuActive{0};  // the game's own menu (map page) owns ESC
  SharedInt mapPending{0};
  uint64_t mapRequestedAt = 0;  // G

  bool settingsDirty = false;  // G
  uint64_t settingsChangedAt = 0;  // G
};

extern PluginState gState;

// The flags every start-up sets back, with the value it gives them; everything else in the
// record survives a quit and a new start (the pause and HUD browsers exist once per process).
struct StartValue {
  SharedInt PluginState::*flag;
  int32_t value;
};
inline constexpr StartValue kStartValues[] = {
    {&PluginState::pluginActive, 1},
    {&PluginState::stopRequested, 0},
    {&PluginState::escEnabled, 0},
    {&PluginState::escRequest, 0},
    {&PluginState::escKeyHeld, 0},
    {&PluginState::captureMode, kCaptureNone},
    {&PluginState::captureCancelCounter, 0},
    {&PluginState::capturedKey, -1},
    {&PluginState::capturedKeyCounter, 0},
    {&PluginState::nativeMenuActive, 0},
    {&PluginState::mapPending, 0},
    {&PluginState::menuGeneration, 0},
    {&PluginState::loadingCreated, 0},
    {&PluginState::loadingReady, 0},
    {&PluginState::loadingHideRequested, 0},
};

// Milliseconds since system start; every stamp and limit in the module uses it.
inline uint64_t currentTick() { return ::GetTickCount64(); }

// Unsigned 64-bit difference of now minus a stamp, so a stamp "in the future" never underflows
// into a negative wait.
inline uint64_t elapsedSince(uint64_t now, uint64_t stamp) { return now - stamp; }
