// Controlled time for the module under test.
#include "sim/fake_clock.h"

#include <atomic>
#include <cstring>

namespace sim {
namespace {

// Far from zero, so an unset stamp (0) in the module is long in the past, as on a real system.
constexpr uint64_t kStartTickMs = 5'000'000;
constexpr uint64_t kMsPerDay = 24ull * 60 * 60 * 1000;

std::atomic<uint64_t> currentTick{kStartTickMs};
std::atomic<uint64_t> wallClockBaseMs{12ull * 60 * 60 * 1000};
std::atomic<uint64_t> wallClockSetAtTick{kStartTickMs};

ULONGLONG WINAPI fakeGetTickCount64() { return currentTick.load(); }

void WINAPI fakeGetLocalTime(LPSYSTEMTIME time) {
  const uint64_t ms = (wallClockBaseMs.load() + (currentTick.load() - wallClockSetAtTick.load())) % kMsPerDay;
  std::memset(time, 0, sizeof(*time));
  time->wYear = 2026;
  time->wMonth = 12;
  time->wDay = 9;
  time->wHour = static_cast<WORD>(ms / 3'600'000);
  time->wMinute = static_cast<WORD>(ms / 60'000 % 60);
  time->wSecond = static_cast<WORD>(ms / 1000 % 60);
  time->wMilliseconds = static_cast<WORD>(ms % 1000);
}

template <typename T>
T* at(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

}  // namespace

bool patchImport(HMODULE module, const char* dllName, const char* functionName, void* replacement) {
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
  auto* nt = at<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return false;
  bool patched = false;
  for (auto* entry = at<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); entry->Name != 0; ++entry) {
    if (_stricmp(at<char>(module, entry->Name), dllName) != 0) continue;
    auto* names = at<IMAGE_THUNK_DATA>(module, entry->OriginalFirstThunk ? entry->OriginalFirstThunk : entry->FirstThunk);
    auto* slots = at<IMAGE_THUNK_DATA>(module, entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = at<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), functionName) != 0) continue;
      DWORD oldProtection = 0;
      ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &oldProtection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), oldProtection, &oldProtection);
      patched = true;
    }
  }
  return patched;
}

bool installFakeClock(HMODULE module) {
  const bool tick = patchImport(module, "kernel32.dll", "GetTickCount64", reinterpret_cast<void*>(&fakeGetTickCount64));
  const bool local = patchImport(module, "kernel32.dll", "GetLocalTime", reinterpret_cast<void*>(&fakeGetLocalTime));
  return tick && local;
}

void setTickMs(uint64_t tick) { currentTick.store(tick); }
void advanceMs(uint64_t ms) { currentTick.fetch_add(ms); }
uint64_t tickMs() { return currentTick.load(); }

void setWallClock(uint16_t hour, uint16_t minute, uint16_t second, uint16_t milliseconds) {
  wallClockBaseMs.store(((hour * 60ull + minute) * 60 + second) * 1000 + milliseconds);
  wallClockSetAtTick.store(currentTick.load());
}

}  // namespace sim
