// The host's report that a browser exists.
#include "core/exports.h"
#include "log/log_file.h"

#include <string>

extern "C" void __cdecl cef_browser_created(uint32_t id, int32_t status) {
  logLine("[CEF] Browser callback ID=" + std::to_string(id) + " status=" + std::to_string(status));
  // The per-browser reactions (readiness, initial visibility, loading screen hide) arrive
  // with the screens.
}
