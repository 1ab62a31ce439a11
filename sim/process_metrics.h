// What the host process holds, for the stress scenarios that check the module gives back what it
// took: threads, handles and committed private memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>

namespace sim {

struct ProcessMetrics {
  int threads = 0;
  int handles = 0;  // -1 when the system does not tell
  uint64_t privateBytes = 0;
};

// Committed private memory is summed over the address space as this process sees it, so it
// means the same under Wine as on Windows.
ProcessMetrics processMetrics();
uint64_t privateBytes();

// The ids of this process's threads right now.
std::set<DWORD> threadIds();

// True once the thread has ended (or no longer exists).
bool threadEnded(DWORD threadId);

}  // namespace sim
