// The keyboard hook thread. A low-level hook is called on the thread that installed it, and only
// while that thread waits for messages, so this thread does nothing else.
#include "keyboard/hook_thread.h"

#include <string>

#include "core/contained.h"
#include "core/plugin_state.h"
#include "keyboard/hook_proc.h"
#include "log/log_file.h"

namespace {

// The hook procedure runs inside GetMessageW; the loop body only sees posted messages.
void pumpUntilQuit() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
    if (gState.stopRequested.load() != 0) return;
  }
}

void runHookThread() {
  gState.keyboardThreadId.store(::GetCurrentThreadId());
  // Gives the thread its message queue before the stop check below: a WM_QUIT posted from now on
  // is kept, and one posted earlier, when there was no queue to take it, came after stopRequested
  // was set, which the check then sees.
  MSG peeked;
  ::PeekMessageW(&peeked, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  gState.keyboardHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHookProc, gState.moduleHandle, 0);
  if (gState.keyboardHook == nullptr) {
    const DWORD error = ::GetLastError();
    logLine("[KEYBOARD] Hook install failed. Win32=" + std::to_string(error));
    return;
  }
  logLine("[KEYBOARD] Low-level hook installed.");
  // A cef_quit that came while the hook was being installed must not leave the thread waiting.
  if (gState.stopRequested.load() == 0) pumpUntilQuit();
  ::UnhookWindowsHookEx(gState.keyboardHook);
  gState.keyboardHook = nullptr;
  logLine("[KEYBOARD] Hook stopped.");
}

}  // namespace

DWORD WINAPI keyboardThreadMain(LPVOID /*unused*/) {
  runContained("[KEYBOARD] EXCEPTION in the hook thread.", [] { runHookThread(); });
  return 0;
}
