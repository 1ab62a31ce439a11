// The simulated CEF host: a table of four browser functions that record every call, and
// optional answers through the module's cef_browser_created.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/host_api.h"

namespace sim {

enum class HostFn { Create, Spare, Hide, Focus };

struct HostCall {
  HostFn fn;
  uint32_t id;
  int32_t first;   // Create: flag A; Hide: hidden; Focus: focused
  int32_t second;  // Create: flag B
  std::string url;  // Create only
  DWORD threadId;
};

HostApi hostTable();
std::vector<HostCall> hostCalls();
void clearHostCalls();

// Calls recorded for one browser id, in order.
std::vector<HostCall> hostCallsFor(uint32_t id);
std::vector<HostCall> hostCallsOf(HostFn fn);

// When on, every create request is answered by the host with cef_browser_created(id, status)
// at the next deliverCreatedBrowsers(), as a real host does a few frames later.
void setAnswerCreates(bool answer);
void deliverCreatedBrowsers(void(__cdecl* browserCreated)(uint32_t, int32_t));

// Compact text of a call sequence for readable failures, e.g. "hide(2130714626,1) focus(...)".
std::string describe(const std::vector<HostCall>& calls);

}  // namespace sim
