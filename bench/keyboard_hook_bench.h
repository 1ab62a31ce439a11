// What the keyboard hook costs for the keys that are none of its business.
#pragma once

#include "bench/bench_game.h"

namespace bench {

// Ordinary keys outside capture, pressed and released through the hook procedure with every
// import of the program counted: allocations, locks, log lines and other system calls besides
// passing the key on. Counted, not timed. Call before the module starts its threads.
void benchKeyboardHook(const Plan& plan);

}  // namespace bench
