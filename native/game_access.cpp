// Guarded reads, writes and routine calls on the game's memory.
#include "native/game_access.h"

#include <windows.h>

#include <cstring>

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/fault_guard.h"
#include "native/game_calls.h"

namespace {

template <typename T>
bool guardedRead(game::Address address, T& value) {
  if (!gState.nativeSupported) return false;
  T loaded{};
  // One aligned load into a local; the out value is only written once the guard has passed.
  if (!guarded([&] { loaded = *reinterpret_cast<volatile const T*>(address); })) return false;
  value = loaded;
  return true;
}

template <typename T>
bool guardedWrite(game::Address address, T value) {
  if (!gState.nativeSupported) return false;
  return guarded([&] { *reinterpret_cast<volatile T*>(address) = value; });
}

// The game's resolution routines may only run once its video layer is up; IsBadReadPtr is
// the one unguarded look at the gate, as the gate itself may be unmapped.
bool resolutionGateOpen() {
  const void* gate = reinterpret_cast<const void*>(game::kResolutionGate);
  if (::IsBadReadPtr(gate, sizeof(int32_t))) return false;
  return *static_cast<const volatile int32_t*>(gate) != 0;
}

}  // namespace

bool guardedRead8(game::Address address, uint8_t& value) { return guardedRead(address, value); }
bool guardedRead32(game::Address address, int32_t& value) { return guardedRead(address, value); }
bool guardedReadFloat(game::Address address, float& value) { return guardedRead(address, value); }
bool guardedWrite8(game::Address address, uint8_t value) { return guardedWrite(address, value); }
bool guardedWrite32(game::Address address, int32_t value) { return guardedWrite(address, value); }
bool guardedWriteFloat(game::Address address, float value) { return guardedWrite(address, value); }

bool callSaveSettings() {
  return guarded([] { game::callMember(game::kSaveSettings, game::kGameMenu); });
}

bool saveGameSettings() {
  if (!gState.nativeSupported || !gState.persistenceAvailable) return false;
  if (!callSaveSettings()) {
    logLine("[NATIVE] EXCEPTION in SaveSettings.");
    return false;
  }
  return true;
}

bool callReinitControls() {
  return guarded([] { game::callMember(game::kReinitControls, game::kGameControls); });
}

bool getResolutionModeCount(int32_t* count) {
  if (count == nullptr) return false;
  *count = 0;
  if (!resolutionGateOpen()) return false;
  int32_t result = 0;
  if (!guarded([&] { result = game::callPlain<int32_t>(game::kGetResolutionModeCount); })) {
    *count = 0;
    return false;
  }
  *count = result;
  return true;
}

bool getResolutionModeInfo(int32_t mode, ResolutionModeInfo* info) {
  if (info == nullptr) return false;
  if (!resolutionGateOpen()) return false;
  std::memset(info, 0, sizeof *info);
  int32_t filled = 0;
  if (!guarded([&] { filled = game::callPlain<int32_t>(game::kGetResolutionModeInfo, info, mode); })) {
    std::memset(info, 0, sizeof *info);
    return false;
  }
  return filled != 0;
}

bool callDeleteMatchingActionInitiators(int32_t action, int32_t key, int32_t type) {
  return guarded([&] { game::callMember(game::kDeleteMatchingActionInitiators, game::kGameControls, action, key, type); });
}

bool callClearActionSlot(int32_t action, int32_t type) {
  return guarded([&] { game::callMember(game::kClearActionSlot, game::kGameControls, action, type); });
}

bool callClearActionSlotAndSetKey(int32_t action, int32_t type, int32_t key) {
  return guarded([&] {
    game::callMember(game::kClearActionSlot, game::kGameControls, action, type);
    if (type == game::kMouseButtonSlot) {
      game::callMember(game::kSetMouseButtonForAction, game::kGameControls, action, key);
    } else {
      game::callMember(game::kSetKeyboardKeyForAction, game::kGameControls, action, key, type);
    }
  });
}

bool requestGameMenu() {
  return guarded([] {
    if (*reinterpret_cast<volatile const uint8_t*>(game::kGameMenuActive) == 0)
      *reinterpret_cast<volatile uint8_t*>(game::kMenuStartRequest) = 1;
  });
}

bool switchToMapPage() {
  bool switched = false;
  guarded([&] {
    if (*reinterpret_cast<volatile const uint8_t*>(game::kGameMenuActive) == 0) return;
    game::callMember(game::kSwitchMenuPage, game::kGameMenu, game::kMapMenuPage);
    switched = true;
  });
  return switched;
}

bool readVideoModeListed(int32_t mode, bool* built, bool* listed) {
  *built = false;
  *listed = false;
  if (mode < 0) return false;
  bool isBuilt = false;
  bool isListed = false;
  const bool read = guarded([&] {
    const char* const* names = *reinterpret_cast<const char* const* volatile*>(game::kVideoModeNames);
    if (names == nullptr) return;
    isBuilt = true;
    isListed = names[mode] != nullptr;
  });
  if (!read) return false;
  *built = isBuilt;
  *listed = isListed;
  return true;
}

namespace {

// The menu's value travels as one 32-bit argument, as the game's own calls pass it. The routine is
// a template argument, so each call site names its routine's address outright.
template <game::Address routine>
bool callAudioEngine(uint8_t value) {
  return guarded([&] { game::callMember(routine, game::kAudioEngine, int32_t{value}); });
}

}  // namespace

bool callApplySfxVolume(uint8_t level) { return callAudioEngine<game::kApplySfxVolume>(level); }
bool callApplyMusicVolume(uint8_t level) { return callAudioEngine<game::kApplyMusicVolume>(level); }
bool callApplyRadioEq(uint8_t on) { return callAudioEngine<game::kApplyRadioEq>(on); }
bool callApplyRadioAutoRetune(uint8_t on) { return callAudioEngine<game::kApplyRadioAutoRetune>(on); }
