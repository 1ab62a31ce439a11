// The game thread's side of the command queue: what each bridge command does to the game, the
// pause menu, the capture and the loading screen.
#include "core/command_executor.h"

#include <windows.h>

#include <string>

#include "core/command_queue.h"
#include "core/game_window.h"
#include "core/plugin_state.h"
#include "log/log_file.h"
#include "log/log_line.h"
#include "native/bindings.h"
#include "native/game_access.h"
#include "native/game_settings.h"
#include "native/native_map.h"
#include "native/state_document.h"
#include "screens/loading_screen.h"
#include "screens/pause_menu.h"

namespace {

// ESC is handed to the game before its menu is started, so the hook never takes an ESC meant for
// it; when the game's menu cannot be started the module's own menu comes back at once.
void openNativeMap() {
  logLine("[MENU] Native map requested.");
  closePauseMenu();
  gState.nativeMenuActive.store(1);
  if (startNativeMap()) return;
  gState.nativeMenuActive.store(0);
  openPauseMenu();
}

void exitGame() {
  logLine("[MENU] Exit confirmed by user.");
  const HWND gameWindow = findGameWindow();
  if (gameWindow == nullptr) {
    logLine("[MENU] ERROR: game window not found for WM_CLOSE.");
    return;
  }
  ::PostMessageW(gameWindow, WM_CLOSE, 0, 0);
}

void resetControls() {
  if (!gState.nativeSupported) return;
  if (!callReinitControls()) {
    logLine("[NATIVE] EXCEPTION in ReinitControls.");
    return;
  }
  // Logged whatever the save gave: the defaults are in place for this session either way.
  saveGameSettings();
  logLine("[NATIVE] Controls reset to GTA defaults and saved.");
}

// applyBinding refuses without native support and logs its own failures. The next unforced
// refresh of the document shows the new binding.
void bindKey(const BridgeCommand& command) {
  if (!applyBinding(command.action, command.type, command.key)) return;
  // Logged whatever the save gave: the binding is in place for this session either way.
  saveGameSettings();
  logLine("[NATIVE] Binding saved: " + describeBinding(command.action, command.type, command.key));
}

void startCapture(int32_t requestedMode) {
  gState.capturedKey.store(-1);
  const bool mouse = requestedMode == kCaptureMouse;
  gState.captureMode.store(mouse ? kCaptureMouse : kCaptureKeyboard);
  logLine(mouse ? "[CAPTURE] Mouse capture enabled." : "[CAPTURE] Keyboard capture enabled.");
}

void stopCapture() {
  gState.captureMode.store(kCaptureNone);
  gState.capturedKey.store(-1);
  logLine("[CAPTURE] Capture disabled.");
}

// A setting's effect is shown at once: the document is rebuilt whether or not it was applied.
void changeSetting(const BridgeCommand& command) {
  if (!applySetting(command.name, command.value))
    logLine("[NATIVE] Setting rejected/unsupported: " + escapeControlBytes(command.name));
  refreshStateDocument(true);
}

void execute(const BridgeCommand& command) {
  switch (command.kind) {
    case kCommandContinue:
      closePauseMenu();
      break;
    case kCommandMap:
      openNativeMap();
      break;
    case kCommandExit:
      exitGame();
      break;
    case kCommandResetControls:
      resetControls();
      break;
    case kCommandCaptureOn:
      startCapture(command.value);
      break;
    case kCommandCaptureOff:
      stopCapture();
      break;
    case kCommandLoadingHide:
      requestLoadingHide();
      break;
    case kCommandSetting:
      changeSetting(command);
      break;
    case kCommandBinding:
      bindKey(command);
      break;
    default:
      break;  // not a kind the bridge makes: dropped, but counted toward the frame's limit
  }
}

}  // namespace

void drainCommands() {
  if (!gState.locksReady) return;
  BridgeCommand command;
  for (int handled = 0; handled < kCommandsPerFrame && takeFrontCommand(command); ++handled) execute(command);
}
