// A hide request racing the game thread's upkeep or the loading browser's readiness report on
// the host's thread: whatever the interleaving, the screen ends hidden and without the input.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "screens/browser_ids.h"
#include "screens/loading_screen.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;

constexpr int kIterations = 400;
constexpr int kCalibrationRuns = 21;

// The last hide and the last focus call the host received for the loading browser.
bool endedHiddenWithoutInput() {
  int32_t hidden = -1;
  int32_t focused = -1;
  for (const sim::HostCall& call : sim::hostCallsFor(kLoadingBrowserId)) {
    if (call.fn == sim::HostFn::Hide) hidden = call.first;
    if (call.fn == sim::HostFn::Focus) focused = call.first;
  }
  return hidden == 1 && focused == 0;
}

double nowMicros() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

void busyWaitMicros(double micros) {
  const double until = nowMicros() + micros;
  while (nowMicros() < until) {
  }
}

// A real host's hide and focus reach across to the browser process and take their time; the
// delay before each call is recorded widens every window in which the two sides can interleave.
constexpr double kHostCallMicros = 500;
HideBrowserFn recordHide = nullptr;
FocusBrowserFn recordFocus = nullptr;

void __cdecl slowHide(uint32_t id, int32_t hidden) {
  busyWaitMicros(kHostCallMicros);
  recordHide(id, hidden);
}

void __cdecl slowFocus(uint32_t id, int32_t focused) {
  busyWaitMicros(kHostCallMicros);
  recordFocus(id, focused);
}

// Median duration of one run of the racing side alone, so the other side's random delay spans
// all of it on this machine, however fast Wine runs it.
double medianMicros(const std::function<void()>& reset, const std::function<void()>& work) {
  std::vector<double> durations;
  for (int run = 0; run < kCalibrationRuns; ++run) {
    reset();
    const double start = nowMicros();
    work();
    durations.push_back(nowMicros() - start);
  }
  std::nth_element(durations.begin(), durations.begin() + kCalibrationRuns / 2, durations.end());
  return durations[kCalibrationRuns / 2];
}

// Runs `shower` on this thread and `hider` on a second one, released together, with the hide
// delayed by a random part of the shower's duration; counts the races that left the screen up.
int countScreensLeftShown(const std::function<void()>& reset, const std::function<void()>& shower,
                          const std::function<void(double)>& hider) {
  const double span = medianMicros(reset, shower) * 1.2;
  std::mt19937 random(4242);
  std::uniform_real_distribution<double> delay(0.0, span);
  int leftShown = 0;
  for (int i = 0; i < kIterations; ++i) {
    reset();
    sim::clearHostCalls();
    std::atomic<int> gate{0};
    const double delayMicros = delay(random);
    std::thread other([&] {
      gate.fetch_add(1);
      while (gate.load() < 2) {
      }
      hider(delayMicros);
    });
    gate.fetch_add(1);
    while (gate.load() < 2) {
    }
    shower();
    other.join();
    if (!endedHiddenWithoutInput()) ++leftShown;
  }
  return leftShown;
}

class LoadingRace : public ::testing::Test {
 protected:
  void SetUp() override {
    startModule();
    recordHide = gState.hideBrowser;
    recordFocus = gState.focusBrowser;
    gState.hideBrowser = &slowHide;
    gState.focusBrowser = &slowFocus;
  }
};

TEST_F(LoadingRace, HideOnTheHostThreadDuringTheUpkeepEndsHidden) {
  const int leftShown = countScreensLeftShown(
      [] {
        gState.loadingReady.store(1);
        gState.loadingHideRequested.store(0);
        gState.loadingCheckedAt = 0;
      },
      [] {
        // Every upkeep is due and shows the screen again, until the hide request lands.
        for (int upkeep = 0; upkeep < 5 && gState.loadingHideRequested.load() == 0; ++upkeep) {
          gState.windowSeenAt = sim::tickMs();
          sim::advanceMs(250);
          keepLoadingScreen();
        }
      },
      [](double delayMicros) {
        busyWaitMicros(delayMicros);
        requestLoadingHide();
      });
  EXPECT_EQ(leftShown, 0) << "of " << kIterations << " races";
}

TEST_F(LoadingRace, PageHideDuringTheHostThreadsReadinessReportEndsHidden) {
  // The readiness report comes on the host's thread while the game thread carries out a page's
  // "loading_hide"; the report marks the browser ready, logs, and then decides to show it.
  const int leftShown = countScreensLeftShown(
      [] {
        gState.loadingReady.store(0);
        gState.loadingHideRequested.store(0);
      },
      [] { cef_browser_created(kLoadingBrowserId, 1); },
      [](double delayMicros) {
        while (gState.loadingReady.load() == 0) {
        }
        busyWaitMicros(delayMicros);
        requestLoadingHide();
      });
  EXPECT_EQ(leftShown, 0) << "of " << kIterations << " races";
}

}  // namespace
