// What one bridge request costs beyond the floor server's work, taken apart: the pieces the
// module adds to every "/state" request, each timed on its own.
#pragma once

#include "bench/bench_game.h"

namespace bench {

// Prints one "PART" line per piece: the request's log line, one socket time-out setting, the
// copy of the cached document. Needs the module started (the locks and the document exist).
void benchRequestParts(const Plan& plan);

}  // namespace bench
