// The module and its bridge in the simulated game, driven in real time for the bridge's benchmarks.
#include "bench/bridge_bench.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "bench/bench_clock.h"
#include "core/exports.h"
#include "sim/fake_clock.h"
#include "sim/module_under_test.h"
#include "sim/process_metrics.h"

namespace bench {
namespace {

constexpr double kFrameMicroseconds = 1e6 / 60;
// Loading over and the player in the world this long after start-up, before any measurement.
constexpr double kStartUpMicroseconds = 2e6;
constexpr int kControlPollFrames = 6;  // ten looks a second at the control folder
constexpr double kFloodRatioGoal = 1.2;

bool controlFileExists(const std::wstring& control, const wchar_t* name) {
  return ::GetFileAttributesW((control + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void createControlFile(const std::wstring& control, const wchar_t* name, const std::string& text) {
  // Written aside and moved in place, so the client never reads half of it.
  const std::wstring path = control + L"\\" + name;
  const std::wstring aside = path + L".part";
  HANDLE file = ::CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  ::MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void answerMemoryMarks(const std::wstring& control) {
  for (const wchar_t* name : {L"before", L"after"}) {
    const std::wstring mark = std::wstring(L"mark-") + name;
    if (!controlFileExists(control, mark.c_str())) continue;
    ::DeleteFileW((control + L"\\" + mark).c_str());
    createControlFile(control, (std::wstring(L"memory-") + name).c_str(), std::to_string(sim::privateBytes()) + "\n");
  }
}

// Frames at 60 a second in real time, the fake clock following the real one, until keepGoing
// says no. Each frame pumps the game, then runs frame with the microseconds since the start;
// frame runs the module's tick.
void playRealTime(const std::function<bool(int)>& keepGoing, const std::function<void(double)>& frame) {
  const int64_t start = counterNow();
  const uint64_t startTick = sim::tickMs();
  for (int number = 0; keepGoing(number); ++number) {
    const double due = number * kFrameMicroseconds;
    // As a game waiting for its next frame: asleep, so the bridge thread has the processor.
    while (counterMicroseconds(counterNow() - start) < due) ::Sleep(1);
    sim::setTickMs(startTick + static_cast<uint64_t>(counterMicroseconds(counterNow() - start) / 1000));
    pumpGame();
    frame(counterMicroseconds(counterNow() - start));
  }
}

void tick(double /*since*/) { cef_samp_mainloop(); }

bool startBridgeGame() {
  prepareSimulatedGame(kPlayModes);
  if (!startModuleInGame()) return false;
  enterWorld();
  playRealTime([](int number) { return number * kFrameMicroseconds < kStartUpMicroseconds; }, tick);
  return true;
}

int stateRequestsLogged() {
  int count = 0;
  for (const std::string& line : sim::logMessages()) count += line.rfind("[BRIDGE] GET /state", 0) == 0 ? 1 : 0;
  return count;
}

}  // namespace

int serveBridge(const std::wstring& control) {
  if (!startBridgeGame()) return 1;
  std::printf("serving\n");
  std::fflush(stdout);
  playRealTime(
      [&control](int number) {
        if (number % kControlPollFrames != 0) return true;
        answerMemoryMarks(control);
        return !controlFileExists(control, L"done");
      },
      tick);
  cef_quit();
  return 0;
}

namespace {

// The frames of one kind (ticks or searches) in both conditions: every frame, and each turn's
// 99th percentile.
struct FloodFrames {
  std::vector<double> flooded, quiet, floodedP99s, quietP99s;
  void addTurn(bool floodedTurn, const std::vector<double>& frames) {
    std::vector<double>& all = floodedTurn ? flooded : quiet;
    all.insert(all.end(), frames.begin(), frames.end());
    (floodedTurn ? floodedP99s : quietP99s).push_back(percentileOf(frames, 0.99));
  }
};

// The 99th percentile of all flooded frames beside that of all quiet ones: a turn holds too few
// frames for its own 99th percentile to say much, so the turns give only the spread.
Row floodRow(const std::string& measurement, const FloodFrames& frames, double ratioLimit) {
  const auto perTurn = [](const std::vector<double>& figures) {
    const Spread spread = spreadOf(figures);
    return " (per turn " + formatMicroseconds(spread.lower) + "–" + formatMicroseconds(spread.upper) + ")";
  };
  const double flooded = percentileOf(frames.flooded, 0.99);
  const double quiet = percentileOf(frames.quiet, 0.99);
  const Spread ratios = spreadOf(ratiosOf(frames.floodedP99s, frames.quietP99s));
  Row row;
  row.measurement = measurement;
  row.module = formatMicroseconds(flooded) + " flooded" + perTurn(frames.floodedP99s);
  row.floor = formatMicroseconds(quiet) + " without the flood" + perTurn(frames.quietP99s);
  if (quiet > 0) row.ratio = formatNumber(flooded / quiet) + " (per turn " + formatNumber(ratios.lower) + "–" +
                             formatNumber(ratios.upper) + ")";
  if (ratioLimit > 0) {
    row.goal = "ratio ≤ " + formatNumber(ratioLimit);
    row.verdict = quiet > 0 ? atMost(flooded / quiet, ratioLimit) : Verdict::Failed;
  }
  return row;
}

}  // namespace

int benchFrameTickUnderFlood(const Plan& plan, const std::wstring& control) {
  if (!startBridgeGame()) return 1;
  const int cycles = plan.smoke ? 1 : 20;
  const double phaseMicroseconds = plan.smoke ? 1e6 : 3e6;
  const double settleMicroseconds = 300e3;  // the client notices the control file meanwhile
  FloodFrames ticks, searches;
  for (int cycle = 0; cycle < cycles * 2; ++cycle) {
    const bool flooded = cycle % 2 == 1;
    if (flooded) {
      createControlFile(control, L"flood", "on\n");
    } else {
      ::DeleteFileW((control + L"\\flood").c_str());
    }
    std::vector<double> turnTicks, turnSearches;
    // The same search alone in every frame, what the machine itself gives, before the tick in
    // one frame and after it in the next, so neither always runs first after the sleep.
    playRealTime([&](int number) { return number * kFrameMicroseconds < phaseMicroseconds; },
                 [&](double since) {
                   if (since < settleMicroseconds) return tick(since);
                   const bool searchFirst = turnTicks.size() % 2 == 1;
                   if (searchFirst) turnSearches.push_back(microsecondsOf(searchGameWindowAlone));
                   turnTicks.push_back(microsecondsOf(cef_samp_mainloop));
                   if (!searchFirst) turnSearches.push_back(microsecondsOf(searchGameWindowAlone));
                 });
    ticks.addTurn(flooded, turnTicks);
    searches.addTurn(flooded, turnSearches);
  }
  ::DeleteFileW((control + L"\\flood").c_str());
  createControlFile(control, L"done", "done\n");
  cef_quit();
  const int served = stateRequestsLogged();
  const std::string turns = countOf(cycles, "turn") + " of " + formatNumber(phaseMicroseconds / 1e6) + " s";
  const std::string measurement = "frame tick while the bridge is flooded: 99th percentile of " +
                                  countOf(static_cast<long long>(ticks.flooded.size()), "frame") + " each (" + turns +
                                  " flooded and quiet; " + std::to_string(served) + " requests answered in the floods)";
  if (served == 0) {
    emitRow(failedRow(measurement, "no request reached the bridge during the floods"));
    return 1;
  }
  emitRow(floodRow(measurement, ticks, kFloodRatioGoal));
  emitRow(floodRow("the game-window search alone in the same frames: 99th percentile", searches, 0));
  return 0;
}

}  // namespace bench
