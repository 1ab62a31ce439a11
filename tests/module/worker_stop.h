// For the worker threads' tests: a host table that ignores every call, and cef_quit timed, since
// each worker must end well within the wait cef_quit gives it.
#pragma once

#include <chrono>
#include <cstdint>

#include "core/exports.h"

namespace worker_stop {

inline void __cdecl ignoreCreate(uint32_t, const char*, int32_t, int32_t) {}
inline void __cdecl ignoreSpare() {}
inline void __cdecl ignoreHideOrFocus(uint32_t, int32_t) {}
inline const HostApi kQuietHost{&ignoreCreate, &ignoreSpare, &ignoreHideOrFocus, &ignoreHideOrFocus};

// Far below both waits of cef_quit (2200 ms bridge, 2000 ms hook): a quit that needs a whole wait
// has missed the thread's end.
constexpr long long kPromptQuitMs = 1000;

inline long long timedQuitMs() {
  const auto start = std::chrono::steady_clock::now();
  cef_quit();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace worker_stop
