// The fault guard: runs a piece of game access so that any fault or exception inside it
// becomes a false result instead of taking the game down.
#pragma once

#include <type_traits>

using GuardedBody = void (*)(void* context);

// Calls body(context); true when it returned, false when anything was raised or thrown inside
// it (access violation, illegal instruction, RaiseException, a C++ throw). Whatever the body
// did before the fault stays done. Thread-safe: the guard's record lives on the caller's stack.
bool runGuarded(GuardedBody body, void* context);

// The same for a callable that captures only references and plain values (no objects with
// destructors, since a fault skips them).
template <typename Callable>
bool guarded(Callable&& callable) {
  using Body = std::remove_reference_t<Callable>;
  return runGuarded([](void* context) { (*static_cast<Body*>(context))(); },
                    const_cast<void*>(static_cast<const void*>(&callable)));
}
