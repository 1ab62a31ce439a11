// Controlled time: replaces a loaded module's imports of GetTickCount64 and GetLocalTime, so
// tests step through 200 ms, 60 s and other limits without sleeping.
#pragma once

#include <windows.h>

#include <cstdint>

namespace sim {

// Replaces one imported function in a module's import address table; false when the module
// does not import it by name.
bool patchImport(HMODULE module, const char* dllName, const char* functionName, void* replacement);

// Points the module's GetTickCount64 and GetLocalTime at the fake clock.
bool installFakeClock(HMODULE module);

void setTickMs(uint64_t tick);
void advanceMs(uint64_t ms);
uint64_t tickMs();

// The local time reported at the current tick is this wall-clock time plus the ticks that
// passed since it was set.
void setWallClock(uint16_t hour, uint16_t minute, uint16_t second, uint16_t milliseconds);

}  // namespace sim
