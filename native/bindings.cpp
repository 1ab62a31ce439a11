// Bindings applied by the game's own routines, in the order the game's menu applies them.
#include "native/bindings.h"

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/game_access.h"
#include "native/game_addresses.h"

namespace {

constexpr int32_t kKeyboardSlots[] = {0, 1};

// The game's deletion compares one slot kind at a time, so its menu asks it once for each
// keyboard slot: a key rebound from another action leaves both of that action's keyboard slots.
bool deleteKeyFromOtherBindings(int32_t action, int32_t type, int32_t key) {
  if (type == game::kMouseButtonSlot) return callDeleteMatchingActionInitiators(action, key, type);
  for (int32_t keyboardSlot : kKeyboardSlots)
    if (!callDeleteMatchingActionInitiators(action, key, keyboardSlot)) return false;
  return true;
}

}  // namespace

bool applyBinding(int32_t action, int32_t type, uint32_t key) {
  // Compared as unsigned, so a negative action or type is out of range as well.
  if (!gState.nativeSupported || static_cast<uint32_t>(action) >= static_cast<uint32_t>(game::kActionCount) ||
      static_cast<uint32_t>(type) >= static_cast<uint32_t>(game::kActionKeySlots))
    return false;
  const BindingKey kind = classifyBindingKey(type, key);
  if (kind == BindingKey::Refused) {
    logLine("[NATIVE] Binding refused (a key the game cannot bind there): " + describeBinding(action, type, key));
    return false;
  }
  const int32_t gameKey = static_cast<int32_t>(key);
  if (kind == BindingKey::Set && !deleteKeyFromOtherBindings(action, type, gameKey)) {
    logLine("[NATIVE] EXCEPTION in DeleteMatchingActionInitiators.");
    return false;
  }
  // The slot is emptied in every case; "no key" leaves it as the game's blank.
  const bool written = kind == BindingKey::Clear ? callClearActionSlot(action, type)
                                                 : callClearActionSlotAndSetKey(action, type, gameKey);
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
