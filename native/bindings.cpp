// Bindings applied by the game's own routines, in the order the game's menu applies them.
#include "native/bindings.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/game_access.h"
#include "native/game_addresses.h"

namespace {

bool setsNoKey(uint32_t key) { return key == 0 || key == kNoKeyCode; }

}  // namespace

bool applyBinding(int32_t action, int32_t type, uint32_t key) {
  // Compared as unsigned, so a negative action or type is out of range as well.
  if (!gState.nativeSupported || static_cast<uint32_t>(action) >= static_cast<uint32_t>(game::kActionCount) ||
      static_cast<uint32_t>(type) >= static_cast<uint32_t>(game::kActionKeySlots))
    return false;
  // The game takes the key as a 32-bit word: a "negative" key from a page keeps its bit pattern.
  const int32_t gameKey = static_cast<int32_t>(key);
  if (!setsNoKey(key) && !callDeleteMatchingActionInitiators(action, gameKey, type)) {
    logLine("[NATIVE] EXCEPTION in DeleteMatchingActionInitiators.");
    return false;
  }
  // The slot is emptied in every case; "no key" leaves it empty.
  const bool written = setsNoKey(key) ? callClearActionSlot(action, type) : callClearActionSlotAndSetKey(action, type, gameKey);
  if (!written) {
    logLine("[NATIVE] EXCEPTION while changing binding.");
    return false;
  }
  logLine("[NATIVE] Binding applied by GTA rules: " + describeBinding(action, type, key));
  return true;
}

std::string describeBinding(int32_t action, int32_t type, uint32_t key) {
  return "action=" + std::to_string(action) + " type=" + std::to_string(type) + " key=" + std::to_string(key);
}
