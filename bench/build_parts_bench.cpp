// Each step of a state document build, timed alone with the module's own functions.
#include "bench/build_parts_bench.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/bench_clock.h"
#include "core/plugin_state.h"
#include "native/game_access.h"
#include "native/game_settings.h"
#include "native/state_document.h"
#include "sim/sim_game.h"

namespace bench {
namespace {

constexpr int kPartModes[] = {1, 30, 512};

template <typename Body>
void timePart(const char* name, int modes, const Plan& plan, Body&& body) {
  const int batches = plan.smoke ? 1 : 15;
  const int calls = plan.smoke ? 2 : (modes > 100 ? 50 : 500);
  std::vector<double> figures;
  for (int batch = 0; batch < batches; ++batch) figures.push_back(microsecondsPerCall(calls, body));
  std::printf("PART\t%s\t%d\t%s\n", name, modes, formatMicrosecondsSpread(spreadOf(figures)).c_str());
  std::fflush(stdout);
}

StateSnapshot snapshotOfGame() {
  StateSnapshot snapshot;
  snapshot.supported = true;
  snapshot.settings = readGameSettingValues();
  snapshot.resolutionOptions = listResolutionOptions(snapshot.settings.resolutionMode);
  return snapshot;
}

}  // namespace

void benchBuildParts(const Plan& plan) {
  for (int modes : kPartModes) {
    sim::setResolutionModes(distinctModes(modes));
    sim::setGameValue<int32_t>(sim::gta::kResolutionMode, modes / 2);
    const StateSnapshot snapshot = snapshotOfGame();
    timePart("whole build", modes, plan, [] { buildStateDocument(); });
    timePart("format the text", modes, plan, [&snapshot] { formatStateDocument(snapshot); });
    timePart("read the 16 settings", modes, plan, [] { readGameSettingValues(); });
    timePart("177 guarded key slot reads", modes, plan, [] {
      for (int action = 0; action < game::kActionCount; ++action)
        for (int slot = 0; slot < game::kActionKeySlots; ++slot) {
          int32_t key = 0;
          guardedRead32(game::actionKeySlot(action, slot), key);
        }
    });
    timePart("list the options", modes, plan, [modes] { listResolutionOptions(modes / 2); });
    timePart("mode count, once per mode", modes, plan, [modes] {
      for (int i = 0; i < modes; ++i) {
        int32_t count = 0;
        getResolutionModeCount(&count);
      }
    });
    timePart("mode record, once per mode", modes, plan, [modes] {
      for (int i = 0; i < modes; ++i) {
        ResolutionModeInfo info{};
        getResolutionModeInfo(i, &info);
      }
    });
    timePart("IsBadReadPtr on the gate, once per mode", modes, plan, [modes] {
      for (int i = 0; i < modes; ++i) ::IsBadReadPtr(reinterpret_cast<const void*>(game::kResolutionGate), 4);
    });
  }
}

}  // namespace bench
