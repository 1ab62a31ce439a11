// The state document's build against the game reads and routine calls it is made of.
#pragma once

#include "bench/bench_game.h"

namespace bench {

// Builds with 1, 30 and 512 resolution modes, in batches alternating with batches of the same
// number of plain reads and routine calls made without the guard; then how the cost grows.
void benchStateDocument(const Plan& plan);

}  // namespace bench
