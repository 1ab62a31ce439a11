// The calling forms of the game's routines. On the 32-bit game a member routine takes its
// object in ECX and removes its own arguments (thiscall); the 64-bit test build has a single
// convention, which ignores the attribute, so the same call sites build for both.
#pragma once

#include <cstdint>

#include "native/game_addresses.h"

namespace game {

template <typename... Args>
void callMember(Address routine, Address receiver, Args... args) {
  using Routine = void(__attribute__((thiscall)) *)(void*, Args...);
  reinterpret_cast<Routine>(routine)(reinterpret_cast<void*>(receiver), args...);
}

// cdecl: the caller removes the arguments.
template <typename Result, typename... Args>
Result callPlain(Address routine, Args... args) {
  using Routine = Result(__cdecl*)(Args...);
  return reinterpret_cast<Routine>(routine)(args...);
}

}  // namespace game
