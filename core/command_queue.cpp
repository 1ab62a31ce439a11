// The queue of bridge commands between the bridge thread and the game thread.
#include "core/command_queue.h"

#include <string>
#include <utility>

#include "core/lock_hold.h"
#include "core/plugin_state.h"
#include "log/log_file.h"

namespace {

enum class PushResult { Taken, Full, NoMemory };

PushResult appendCommand(const BridgeCommand& command) {
  try {
    LockHold hold(gState.queueLock);
    if (gState.commandQueue.size() >= kCommandQueueMaxCommands) return PushResult::Full;
    gState.commandQueue.push_back(command);
    return PushResult::Taken;
  } catch (...) {
    return PushResult::NoMemory;
  }
}

}  // namespace

bool pushCommand(const BridgeCommand& command) {
  if (!gState.locksReady) return false;
  const PushResult result = appendCommand(command);
  if (result == PushResult::Taken) {
    gState.queueRefusalLogged = false;
    return true;
  }
  // One line per burst: a page hammering a stalled game must not flood the log as well.
  if (result == PushResult::Full && !gState.queueRefusalLogged) {
    gState.queueRefusalLogged = true;
    logLine("[BRIDGE] Command queue full (" + std::to_string(kCommandQueueMaxCommands) +
            " commands); refusing commands until the game thread drains it.");
  }
  return false;
}

bool takeFrontCommand(BridgeCommand& command) {
  LockHold hold(gState.queueLock);
  if (gState.commandQueue.empty()) return false;
  command = std::move(gState.commandQueue.front());
  gState.commandQueue.pop_front();
  return true;
}
