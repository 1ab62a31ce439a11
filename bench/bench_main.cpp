// The benchmark program: the module linked in, run inside the simulated game and host, printing
// one "ROW" line per measurement for tools/bench.sh to gather into the table.
//
//   bench.exe game [--smoke]    the measurements inside the game process
//   bench.exe parts [--smoke]   a state document build and a bridge request taken apart
//   bench.exe serve CONTROL     the module's bridge serving in the game until CONTROL\done exists
//   bench.exe flood CONTROL [--smoke]   the frame tick with and without a flood of requests
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_game.h"
#include "bench/bridge_bench.h"
#include "bench/build_parts_bench.h"
#include "bench/frame_tick_bench.h"
#include "bench/keyboard_hook_bench.h"
#include "bench/request_parts_bench.h"
#include "bench/state_document_bench.h"

namespace {

int runGameMeasurements(const bench::Plan& plan) {
  bench::prepareSimulatedGame(bench::kPlayModes);
  // Before the module starts its threads: the counts must be the hook procedure's alone.
  bench::benchKeyboardHook(plan);
  if (!bench::startModuleInGame()) return 1;
  bench::benchFrameTickMinutes(plan);
  bench::benchSteadyFrameTick(plan);
  bench::benchStateDocument(plan);
  return 0;
}

// The control folder's Windows path as given on the command line (ASCII: a folder of the build).
std::wstring widened(const char* text) { return std::wstring(text, text + std::strlen(text)); }

int runBuildParts(const bench::Plan& plan) {
  bench::prepareSimulatedGame(bench::kPlayModes);
  if (!bench::startModuleInGame()) return 1;
  bench::benchBuildParts(plan);
  bench::benchRequestParts(plan);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bench::Plan plan;
  for (int i = 2; i < argc; ++i) plan.smoke = plan.smoke || std::strcmp(argv[i], "--smoke") == 0;
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "game") return runGameMeasurements(plan);
  if (what == "parts") return runBuildParts(plan);
  const std::wstring control = argc > 2 ? widened(argv[2]) : L"";
  if (what == "serve" && !control.empty()) return bench::serveBridge(control);
  if (what == "flood" && !control.empty()) return bench::benchFrameTickUnderFlood(plan, control);
  std::fprintf(stderr, "usage: bench.exe game|parts [--smoke] | serve CONTROL | flood CONTROL [--smoke]\n");
  return 2;
}
