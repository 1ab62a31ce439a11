// The low-level keyboard procedure. It runs inside the game process for every key on the
// desktop, so an ordinary key outside capture costs one atomic load and nothing else: no
// allocation, lock, sleep or file access before the event is passed on.
#include "keyboard/hook_proc.h"

#include <string>

#include "core/contained.h"
#include "core/plugin_state.h"
#include "keyboard/game_key_codes.h"
#include "log/log_file.h"

namespace {

constexpr LRESULT kSwallow = 1;

bool isKeyDown(WPARAM message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }
bool isKeyUp(WPARAM message) { return message == WM_KEYUP || message == WM_SYSKEYUP; }

// Any window of the game process counts; asked afresh each time, as the player may switch away
// between two keys.
bool gameInFront() {
  const HWND front = ::GetForegroundWindow();
  if (front == nullptr) return false;
  DWORD processId = 0;
  ::GetWindowThreadProcessId(front, &processId);
  return processId == ::GetCurrentProcessId();
}

uint32_t translateScanCode(uint32_t scanCode) { return ::MapVirtualKeyW(scanCode, MAPVK_VSC_TO_VK_EX); }

void cancelCapture() {
  gState.captureCancelCounter.fetch_add(1);
  gState.captureMode.store(kCaptureNone);
  gState.capturedKey.store(kNoGameKey);
  logLine("[CAPTURE] Cancelled by ESC.");
}

void captureKey(const KBDLLHOOKSTRUCT& event) {
  const int32_t gameKey = toGameKeyCode(&event);
  if (gameKey < 0) {
    logLine("[CAPTURE] Unsupported VK=" + std::to_string(event.vkCode) + " scan=" + std::to_string(event.scanCode));
    return;
  }
  gState.capturedKey.store(gameKey);
  gState.capturedKeyCounter.fetch_add(1);
  logLine("[CAPTURE] Native keyboard key captured. vk=" + std::to_string(event.vkCode) +
          " scan=" + std::to_string(event.scanCode) + " rs=" + std::to_string(gameKey));
}

// Whether the capture stage keeps the event from the game; false hands it to the ESC stage.
bool captureSwallows(int32_t mode, const KBDLLHOOKSTRUCT& event, WPARAM message) {
  // The game's own menu owns the keyboard, and a key for another program is none of ours.
  if (gState.nativeMenuActive.load() != 0 || !gameInFront()) return false;
  if (event.vkCode == VK_ESCAPE) {
    if (isKeyDown(message)) cancelCapture();
    return true;
  }
  if (mode != kCaptureKeyboard) return false;
  if (isKeyDown(message)) {
    captureKey(event);
    return true;
  }
  // The release of a captured key must not reach the game either.
  return isKeyUp(message);
}

// Exactly one request per press: auto-repeated key-downs find the latch already set.
void raiseEscRequest(const char* message) {
  int32_t released = 0;
  if (!gState.escKeyHeld.compare_exchange_strong(released, 1)) return;
  gState.escRequest.store(1);
  logLine(message);
}

// Whether the ESC stage keeps the event from the game.
bool escSwallows(const KBDLLHOOKSTRUCT& event, WPARAM message) {
  if (event.vkCode != VK_ESCAPE) return false;
  if (gState.nativeMenuActive.load() != 0) return false;  // the game's own menu handles ESC
  if (!gameInFront()) return false;
  if (gState.menuOpen.load() != 0) {
    if (isKeyDown(message)) raiseEscRequest("[ESC] Close pause menu request.");
    return true;
  }
  if (gState.escEnabled.load() != 0 && isKeyDown(message)) raiseEscRequest("[ESC] Open pause menu request.");
  // Disabled ESC is swallowed as well: the game's own ESC menu never opens in its place.
  return true;
}

}  // namespace

int32_t toGameKeyCode(const KBDLLHOOKSTRUCT* event) {
  if (event == nullptr) return kNoGameKey;
  const KeyEvent key{event->vkCode, event->scanCode, (event->flags & LLKHF_EXTENDED) != 0};
  return gameKeyCode(key, translateScanCode);
}

LRESULT CALLBACK keyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (nCode != HC_ACTION || event == nullptr) return ::CallNextHookEx(gState.keyboardHook, nCode, wParam, lParam);
  // Every release of ESC ends its press, whichever stage sees it: a latch left set by a release
  // that went to another program would silently eat the player's next ESC.
  if (event->vkCode == VK_ESCAPE && isKeyUp(wParam)) gState.escKeyHeld.store(0);
  const int32_t mode = gState.captureMode.load();
  bool swallow = false;
  // A failure inside passes the key on: the player's keyboard must never die with us.
  runContained("[KEYBOARD] EXCEPTION in the hook procedure.", [&] {
    swallow = (mode != kCaptureNone && captureSwallows(mode, *event, wParam)) || escSwallows(*event, wParam);
  });
  if (swallow) return kSwallow;
  return ::CallNextHookEx(gState.keyboardHook, nCode, wParam, lParam);
}
