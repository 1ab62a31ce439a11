// Counts what an ordinary key costs the hook procedure: its calls out of the program.
#include "bench/keyboard_hook_bench.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/import_counter.h"
#include "core/plugin_state.h"
#include "keyboard/hook_proc.h"
#include "sim/module_under_test.h"

namespace bench {
namespace {

struct Key {
  DWORD virtualKey;
  DWORD scanCode;
};
constexpr Key kOrdinaryKeys[] = {{'W', 0x11}, {VK_SPACE, 0x39}, {VK_LSHIFT, 0x2A}, {VK_F1, 0x3B}, {VK_LEFT, 0x4B}};

// The module's states in which an ordinary key passes through the ESC stage.
struct HookSituation {
  int32_t menuOpen;
  int32_t escEnabled;
};
constexpr HookSituation kSituations[] = {{0, 1}, {1, 1}, {0, 0}};

const char* const kAllocationFunctions[] = {"malloc", "calloc", "realloc", "_aligned_malloc", "_strdup", "_wcsdup",
                                            "HeapAlloc", "HeapReAlloc", "LocalAlloc", "GlobalAlloc", "VirtualAlloc"};
const char* const kLockFunctions[] = {"EnterCriticalSection", "TryEnterCriticalSection", "AcquireSRWLockExclusive",
                                      "AcquireSRWLockShared", "TryAcquireSRWLockExclusive", "TryAcquireSRWLockShared",
                                      "WaitForSingleObject", "WaitForSingleObjectEx", "WaitForMultipleObjects",
                                      "SleepConditionVariableCS", "SleepConditionVariableSRW"};

template <size_t N>
bool listed(const char* const (&names)[N], const std::string& function) {
  for (const char* name : names)
    if (function == name) return true;
  return false;
}

bool isCRuntime(const std::string& dll) { return _stricmp(dll.c_str(), "msvcrt.dll") == 0; }

int logLineCount() {
  const std::string bytes = sim::readLogBytes();
  int lines = 0;
  for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) ++lines;
  return lines;
}

LRESULT sendKey(const Key& key, WPARAM message) {
  KBDLLHOOKSTRUCT event{};
  event.vkCode = key.virtualKey;
  event.scanCode = key.scanCode;
  return keyboardHookProc(HC_ACTION, message, reinterpret_cast<LPARAM>(&event));
}

struct KeyCosts {
  uint64_t events = 0, passedOn = 0, swallowed = 0, allocations = 0, locks = 0, systemCalls = 0, runtimeCalls = 0;
  std::string calledFunctions;  // what was called besides passing the key on, for the reader
};

KeyCosts pressOrdinaryKeys(int rounds) {
  KeyCosts costs;
  if (!startCountingImports()) return costs;
  for (int round = 0; round < rounds; ++round) {
    for (const HookSituation& situation : kSituations) {
      gState.menuOpen.store(situation.menuOpen);
      gState.escEnabled.store(situation.escEnabled);
      for (const Key& key : kOrdinaryKeys) {
        costs.swallowed += sendKey(key, WM_KEYDOWN) != 0;
        costs.swallowed += sendKey(key, WM_KEYUP) != 0;
        costs.events += 2;
      }
    }
  }
  for (const ImportCalls& call : stopCountingImports()) {
    if (call.function == "CallNextHookEx") {
      costs.passedOn += call.calls;
      continue;
    }
    costs.calledFunctions += call.function + "×" + std::to_string(call.calls) + " ";
    if (listed(kAllocationFunctions, call.function)) {
      costs.allocations += call.calls;
    } else if (listed(kLockFunctions, call.function)) {
      costs.locks += call.calls;
    } else if (isCRuntime(call.dll)) {
      costs.runtimeCalls += call.calls;
    } else {
      costs.systemCalls += call.calls;
    }
  }
  return costs;
}

}  // namespace

void benchKeyboardHook(const Plan& plan) {
  const std::string measurement = "keyboard hook, ordinary key outside capture";
  gState.captureMode.store(kCaptureNone);
  gState.nativeMenuActive.store(0);
  const int logBefore = logLineCount();
  const KeyCosts costs = pressOrdinaryKeys(plan.smoke ? 10 : 1000);
  const int logLines = logLineCount() - logBefore;
  if (costs.events == 0 || costs.passedOn != costs.events || costs.swallowed != 0) {
    emitRow(failedRow(measurement, "counting failed: " + std::to_string(costs.events) + " events, " +
                                       std::to_string(costs.passedOn) + " passed on, " +
                                       std::to_string(costs.swallowed) + " swallowed"));
    return;
  }
  Row row;
  row.measurement = measurement + " (" + std::to_string(costs.events) + " key events, each passed on once)";
  row.module = std::to_string(costs.allocations) + " allocations, " + std::to_string(costs.locks) + " locks, " +
               std::to_string(logLines) + " log lines, " + std::to_string(costs.systemCalls) + " system calls, " +
               std::to_string(costs.runtimeCalls) + " other C runtime calls";
  if (!costs.calledFunctions.empty()) row.module += " (" + costs.calledFunctions + ")";
  row.goal = "none of each (counted, not timed)";
  const bool none = costs.allocations == 0 && costs.locks == 0 && logLines == 0 && costs.systemCalls == 0 &&
                    costs.runtimeCalls == 0;
  row.verdict = none ? Verdict::Met : Verdict::Missed;
  emitRow(row);
}

}  // namespace bench
