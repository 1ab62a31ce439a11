// Every way the host enters the module: the seven functions of core/TembraUI.def, the host's
// browser callback among them. Each only keeps exceptions in the module and hands on.
#include "core/exports.h"

#include "core/contained.h"
#include "core/frame_tick.h"
#include "core/lifecycle.h"
#include "core/plugin_state.h"
#include "log/log_file.h"
#include "screens/browser_reports.h"

extern "C" void __cdecl cef_initialize(const HostApi* api) {
  runContained("[CEF] EXCEPTION in cef_initialize.", [&] { initializeModule(api); });
}

extern "C" void __cdecl cef_quit() {
  runContained("[CEF] EXCEPTION in cef_quit.", [] { quitModule(); });
}

extern "C" void __cdecl cef_connect() {
  runContained("[CEF] EXCEPTION in cef_connect.", [] { logLine("[CEF] cef_connect."); });
}

extern "C" void __cdecl cef_disconnect() {
  gState.escEnabled.store(0);
  runContained("[CEF] EXCEPTION in cef_disconnect.", [] { logLine("[CEF] cef_disconnect. ESC disabled."); });
}

extern "C" void __cdecl cef_dxreset() {
  runContained("[CEF] EXCEPTION in cef_dxreset.", [] { logLine("[CEF] cef_dxreset called."); });
}

// Run by the host once per rendered frame, on the game thread.
extern "C" void __cdecl cef_samp_mainloop() {
  runContained("[CEF] EXCEPTION in cef_samp_mainloop.", [] { runFrame(); });
}

// The host may call this on any thread; everything it shares is atomic.
extern "C" void __cdecl cef_browser_created(uint32_t id, int32_t status) {
  runContained("[CEF] EXCEPTION in cef_browser_created.", [&] { noteBrowserCreated(id, status); });
}
