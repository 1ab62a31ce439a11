// TEMPORARY local stub until main lands; never committed.
#include "core/command_queue.h"
#include "core/plugin_state.h"
#include "native/state_document.h"
bool pushCommand(const BridgeCommand& command) {
  if (!gState.locksReady) return false;
  ::EnterCriticalSection(&gState.queueLock);
  static CommandQueue queue;
  const bool taken = queue.size() < kCommandQueueMaxCommands;
  if (taken) queue.push_back(command);
  ::LeaveCriticalSection(&gState.queueLock);
  return taken;
}
std::string readStateDocument() {
  if (!gState.locksReady) return kStateUnavailableDocument;
  ::EnterCriticalSection(&gState.stateLock);
  std::string copy = gState.stateJson;
  ::LeaveCriticalSection(&gState.stateLock);
  return copy;
}
