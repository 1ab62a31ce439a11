// The frame tick against its floor, the search for the game's window that every frame makes.
#pragma once

#include "bench/bench_game.h"

namespace bench {

// Minutes of play from the module's start at 60 frames a second on the fake clock: browser
// creation, the loading screen, the player entering the world and the regular rebuilds of the
// state document. Each frame is timed beside one window search. Call right after the start.
void benchFrameTickMinutes(const Plan& plan);

// The steady frame: window found, browsers made, loading screen gone, nothing queued and no
// rebuild due, in batches alternating with batches of the window search alone.
void benchSteadyFrameTick(const Plan& plan);

}  // namespace bench
