// Start-up and shutdown: the host's table, the locks, the layout check, the workers.
#include "core/lifecycle.h"

#include <windows.h>

#include <string>

#include "bridge/server_thread.h"
#include "core/plugin_state.h"
#include "keyboard/hook_thread.h"
#include "log/log_file.h"
#include "native/layout_check.h"
#include "native/state_document.h"
#include "screens/pause_page.h"

namespace {

constexpr DWORD kBridgeStopWaitMs = 2200;
constexpr DWORD kKeyboardStopWaitMs = 2000;

void logBanner() {
  logLine("================================================");
  logLine("TembraUI Native Pause + HUD + Local Loading V3");
  logLine("Pause menu + HUD + local loading + GTA map + native GTA settings bridge");
  logLine("================================================");
}

// The start values of the shared flags, and the game thread's own stamp of the loading check.
void resetSharedFlags() {
  for (const StartValue& start : kStartValues) (gState.*start.flag).store(start.value);
  gState.loadingCheckedAt = 0;
}

// A thread that does not end within its wait is abandoned: its handle is closed anyway so
// shutdown never hangs the game.
void waitAndClose(HANDLE& thread, DWORD waitMs) {
  if (thread == nullptr) return;
  ::WaitForSingleObject(thread, waitMs);
  ::CloseHandle(thread);
  thread = nullptr;
}

// A worker that cannot be created is logged with the Win32 code and not retried until the next
// start-up; the module runs on without it.
HANDLE startWorker(LPTHREAD_START_ROUTINE procedure, DWORD* threadId, const char* failureMessage) {
  const HANDLE thread = ::CreateThread(nullptr, 0, procedure, nullptr, 0, threadId);
  if (thread == nullptr) {
    const DWORD error = ::GetLastError();
    logLine(failureMessage + std::to_string(error));
  }
  return thread;
}

}  // namespace

void initializeModule(const HostApi* api) {
  resetLog();
  logBanner();
  if (api == nullptr) {
    logLine("[CEF] ERROR: api == nullptr");
    return;
  }
  gState.createBrowser = api->createBrowser;
  gState.spareHostFn = api->spareHostFn;
  gState.hideBrowser = api->hideBrowser;
  gState.focusBrowser = api->focusBrowser;
  if (gState.createBrowser == nullptr || gState.spareHostFn == nullptr || gState.hideBrowser == nullptr ||
      gState.focusBrowser == nullptr) {
    logLine("[CEF] ERROR: one of the 4 proven API pointers is null.");
    return;
  }
  if (!gState.locksReady) {
    ::InitializeCriticalSection(&gState.queueLock);
    ::InitializeCriticalSection(&gState.stateLock);
    gState.locksReady = true;
  }
  gState.windowSeenAt = currentTick();
  // Before anything touches the game: decides whether the native bridge may be used at all.
  gState.nativeSupported = checkExecutableLayout();
  resetSharedFlags();
  logLine("[CEF] [OK] API ready (4 proven functions only).");
  logLine(std::string("[NATIVE] supported=") + (gState.nativeSupported ? "YES" : "NO"));
  // Only logged here; the pause browser's creation looks the page up again.
  logLine("[CEF] Menu URL=" + pausePageUrl());
  // The locks exist now, so the pages get a real document from their first request on.
  refreshStateDocument(true);
  if (gState.keyboardThread == nullptr) {
    DWORD threadId = 0;
    gState.keyboardThread = startWorker(keyboardThreadMain, &threadId, "[KEYBOARD] CreateThread failed. Win32=");
    if (gState.keyboardThread != nullptr) gState.keyboardThreadId.store(threadId);
  }
  if (gState.bridgeThread == nullptr) {
    DWORD threadId = 0;
    gState.bridgeThread = startWorker(bridgeServerThread, &threadId, "[BRIDGE] CreateThread failed. Win32=");
  }
}

void quitModule() {
  logLine("[CEF] cef_quit.");
  gState.escEnabled.store(0);
  // Set before either worker is woken, so a woken worker finds it.
  gState.stopRequested.store(1);
  closeBridgeListener();
  waitAndClose(gState.bridgeThread, kBridgeStopWaitMs);
  const DWORD keyboardThreadId = gState.keyboardThreadId.load();
  // The hook thread sleeps in GetMessageW; only a message wakes it.
  if (keyboardThreadId != 0) ::PostThreadMessageW(keyboardThreadId, WM_QUIT, 0, 0);
  waitAndClose(gState.keyboardThread, kKeyboardStopWaitMs);
  gState.keyboardThreadId.store(0);
  gState.pluginActive.store(0);
  logLine("TembraUI Native Pause V1 stopped.");
}
