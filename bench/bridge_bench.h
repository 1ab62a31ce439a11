// The game side of the bridge measurements: the module with its bridge running in the simulated
// game in real time at 60 frames a second, while the Linux client (bench/bridge_client.cpp)
// makes the pages' requests. The two programs meet through files in a control folder.
#pragma once

#include <string>

#include "bench/bench_game.h"

namespace bench {

// Serves until CONTROL/done exists. A file CONTROL/mark-NAME is answered with the file
// CONTROL/memory-NAME holding the process's private bytes.
int serveBridge(const std::wstring& control);

// Frame ticks with and without a flood: quiet and flooded phases in turns, the flood asked of the
// client by the file CONTROL/flood; ends by creating CONTROL/done. One row: the 99th percentile
// of the frame tick with the flood beside the same without it.
int benchFrameTickUnderFlood(const Plan& plan, const std::wstring& control);

}  // namespace bench
