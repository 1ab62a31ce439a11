// The state document's build taken apart: each of its steps timed on its own, to see where a
// build's time goes (perf cannot look into a program under Wine).
#pragma once

#include "bench/bench_game.h"

namespace bench {

// Prints one "PART" line per step for 1, 30 and 512 modes: name, modes, microseconds per call.
void benchBuildParts(const Plan& plan);

}  // namespace bench
