// Threads, handles and private memory of the host process.
#include "tests/sim/process_metrics.h"

#include <tlhelp32.h>

namespace sim {

std::set<DWORD> threadIds() {
  std::set<DWORD> ids;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == self) ids.insert(entry.th32ThreadID);
  ::CloseHandle(snapshot);
  return ids;
}

bool threadEnded(DWORD threadId) {
  const HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, threadId);
  if (thread == nullptr) return true;
  const bool ended = ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  ::CloseHandle(thread);
  return ended;
}

ProcessMetrics processMetrics() {
  ProcessMetrics metrics;
  metrics.threads = static_cast<int>(threadIds().size());
  DWORD handles = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &handles)) metrics.handles = static_cast<int>(handles);
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) metrics.privateBytes += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return metrics;
}

}  // namespace sim
