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

// A routine with no receiver and one 32-bit stack slot, which it may or may not remove: the
// stack pointer is kept in a saved register across the call, so either answer leaves our
// frame intact. The frame pointer keeps the unwind data right while the slot is pushed.
#if defined(__i386__)
__attribute__((noinline, optimize("no-omit-frame-pointer"))) inline void callWithStackSlot(Address routine,
                                                                                          uint32_t slot) {
  __asm__ __volatile__(
      "movl %%esp, %%esi\n\t"
      "pushl %[slot]\n\t"
      "call *%[routine]\n\t"
      "movl %%esi, %%esp"
      :
      : [slot] "r"(slot), [routine] "r"(routine)
      : "eax", "ecx", "edx", "esi", "memory", "cc");
}
#else
inline void callWithStackSlot(Address routine, uint32_t slot) { callPlain<void>(routine, slot); }
#endif

}  // namespace game
