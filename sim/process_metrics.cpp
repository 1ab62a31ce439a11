// Threads, handles and private memory of the host process.
#include "sim/process_metrics.h"

#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace sim {
namespace {

// The system's handle table (SystemExtendedHandleInformation): GetProcessHandleCount is not
// implemented by Wine, which reports 0, so the handles are counted from the table instead.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
  PVOID object;
  ULONG_PTR processId;
  ULONG_PTR handle;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG attributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

int countOwnHandles() {
  DWORD reported = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &reported) && reported != 0) return static_cast<int>(reported);
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<char> buffer(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0) return -1;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const ULONG_PTR self = ::GetCurrentProcessId();
    int own = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i) own += table->entries[i].processId == self;
    return own;
  }
  return -1;
}

}  // namespace

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

uint64_t privateBytes() {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

ProcessMetrics processMetrics() {
  ProcessMetrics metrics;
  metrics.threads = static_cast<int>(threadIds().size());
  metrics.handles = countOwnHandles();
  metrics.privateBytes = privateBytes();
  return metrics;
}

}  // namespace sim
