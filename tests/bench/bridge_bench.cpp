// The module and its bridge in the simulated game, driven in real time for the bridge's benchmarks.
#include "tests/bench/bridge_bench.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "core/exports.h"
#include "core/frame_tick.h"
#include "tests/bench/bench_clock.h"
#include "tests/sim/fake_clock.h"
#include "tests/sim/module_under_test.h"
#include "tests/sim/process_metrics.h"

namespace bench {
namespace {

constexpr double kFrameMicroseconds = 1e6 / 60;
// Loading over and the player in the world this long after start-up, before any measurement.
constexpr double kStartUpMicroseconds = 2e6;
constexpr int kPlayModes = 30;
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
// says no; frame receives the tick's duration and the time since start, both in microseconds.
void playRealTime(const std::function<bool(int)>& keepGoing, const std::function<void(double, double)>& frame) {
  const int64_t start = counterNow();
  const uint64_t startTick = sim::tickMs();
  for (int number = 0; keepGoing(number); ++number) {
    const double due = number * kFrameMicroseconds;
    // As a game waiting for its next frame: asleep, so the bridge thread has the processor.
    while (counterMicroseconds(counterNow() - start) < due) ::Sleep(1);
    sim::setTickMs(startTick + static_cast<uint64_t>(counterMicroseconds(counterNow() - start) / 1000));
    pumpGame();
    const int64_t tickStart = counterNow();
    cef_samp_mainloop();
    const int64_t tickEnd = counterNow();
    frame(counterMicroseconds(tickEnd - tickStart), counterMicroseconds(tickEnd - start));
  }
}

bool startBridgeGame() {
  prepareSimulatedGame(kPlayModes);
  if (!startModuleInGame()) {
    std::fprintf(stderr, "bench: the module did not accept the simulated game's layout\n");
    return false;
  }
  enterWorld();
  playRealTime([](int number) { return number * kFrameMicroseconds < kStartUpMicroseconds; }, [](double, double) {});
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
      [](double, double) {});
  cef_quit();
  return 0;
}

int benchFrameTickUnderFlood(const Plan& plan, const std::wstring& control) {
  if (!startBridgeGame()) return 1;
  const int cycles = plan.smoke ? 1 : 10;
  const double phaseMicroseconds = plan.smoke ? 1e6 : 3e6;
  const double settleMicroseconds = 300e3;  // the client notices the control file meanwhile
  std::vector<double> quietP99s, floodP99s, quietSearchP99s, floodSearchP99s;
  for (int cycle = 0; cycle < cycles * 2; ++cycle) {
    const bool flooded = cycle % 2 == 1;
    if (flooded) {
      createControlFile(control, L"flood", "on\n");
    } else {
      ::DeleteFileW((control + L"\\flood").c_str());
    }
    std::vector<double> ticks, searches;
    playRealTime([&](int number) { return number * kFrameMicroseconds < phaseMicroseconds; },
                 [&](double tick, double since) {
                   if (since < settleMicroseconds) return;
                   ticks.push_back(tick);
                   // The same search alone, right after the tick: what the machine itself gives.
                   const int64_t start = counterNow();
                   volatile HWND found = findGameWindow();
                   (void)found;
                   searches.push_back(counterMicroseconds(counterNow() - start));
                 });
    (flooded ? floodP99s : quietP99s).push_back(percentileOf(ticks, 0.99));
    (flooded ? floodSearchP99s : quietSearchP99s).push_back(percentileOf(searches, 0.99));
  }
  ::DeleteFileW((control + L"\\flood").c_str());
  createControlFile(control, L"done", "done\n");
  cef_quit();
  const int served = stateRequestsLogged();
  const std::string turns = std::to_string(cycles) + " turns of " + formatNumber(phaseMicroseconds / 1e6) + " s";
  const std::string measurement = "frame tick while the bridge is flooded: 99th percentile (" + turns +
                                  " flooded and quiet; " + std::to_string(served) + " requests answered in the floods)";
  if (served == 0) {
    emitRow(failedRow(measurement, "no request reached the bridge during the floods"));
    return 1;
  }
  Row flooded = sideBySideRow(measurement, floodP99s, quietP99s, kFloodRatioGoal);
  flooded.module += " flooded";
  flooded.floor += " without the flood";
  emitRow(flooded);
  Row search = sideBySideRow("the game-window search alone in the same frames: 99th percentile (" + turns + ")",
                             floodSearchP99s, quietSearchP99s);
  search.module += " flooded";
  search.floor += " without the flood";
  emitRow(search);
  return 0;
}

}  // namespace bench
