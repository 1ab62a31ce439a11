// The module's three browsers requested on the frame tick's schedule after the game window
// appears, once each, with their URLs and creation flags.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "screens/browser_ids.h"
#include "screens/page_urls.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/sim_host.h"

namespace {

using sim::HostFn;

std::string hostPage(const char* path) { return kLocalPageOrigin + std::string(path); }

// Milliseconds after `since` of the frames in which each browser was requested.
using CreateTimes = std::map<uint32_t, std::vector<uint64_t>>;

void runRecordingCreates(int frames, uint64_t stepMs, uint64_t since, CreateTimes& times) {
  for (int i = 0; i < frames; ++i) {
    const size_t before = sim::hostCallsOf(HostFn::Create).size();
    sim::advanceMs(stepMs);
    sim::runFrame();
    const std::vector<sim::HostCall> creates = sim::hostCallsOf(HostFn::Create);
    for (size_t c = before; c < creates.size(); ++c) times[creates[c].id].push_back(sim::tickMs() - since);
  }
}

const CreateTimes kOnSchedule = {
    {kLoadingBrowserId, {200}}, {kPauseBrowserId, {800}}, {kHudBrowserId, {1100}}};

TEST(CreationSchedule, WindowPresentFromTheStartRequestsEachOnceOnTime) {
  sim::createGameWindow();
  sim::initializeWithHost();
  const uint64_t start = sim::tickMs();
  CreateTimes times;
  runRecordingCreates(300, 10, start, times);
  EXPECT_EQ(times, kOnSchedule);

  const std::vector<sim::HostCall> creates = sim::hostCallsOf(HostFn::Create);
  ASSERT_EQ(creates.size(), 3u) << sim::describe(creates);
  EXPECT_EQ(sim::describe(creates),
            sim::describe({{HostFn::Create, kLoadingBrowserId, 0, 1, hostPage("/loading/index.html"), 0},
                           {HostFn::Create, kPauseBrowserId, 1, 0, hostPage("/pause/index.html"), 0},
                           {HostFn::Create, kHudBrowserId, 0, 0, hostPage("/hud/index.html"), 0}}));
  for (const sim::HostCall& create : creates) EXPECT_EQ(create.threadId, ::GetCurrentThreadId());
}

TEST(CreationSchedule, EachRequestIsLoggedAroundTheCall) {
  sim::createGameWindow();
  sim::initializeWithHost();
  sim::runFrames(150, 10);
  const std::vector<std::string> lines = sim::logMessagesTagged({"[LOADING]", "[UI]", "[HUD]"});
  const std::vector<std::string> expected = {
      "[LOADING] Creating LOCAL Tembra loading browser.",
      "[LOADING] URL=" + hostPage("/loading/index.html"),
      "[LOADING] Create request returned.",
      "[UI] Creating ONE LocalUI browser.",
      "[UI] URL=" + hostPage("/pause/index.html"),
      "[UI] Create request returned.",
      "[HUD] Creating Tembra HUD browser.",
      "[HUD] URL=" + hostPage("/hud/index.html"),
      "[HUD] Create request returned.",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(sim::logHas("[CEF] Menu URL=" + hostPage("/pause/index.html")));
}

TEST(CreationSchedule, DelaysCountFromTheWindowsAppearance) {
  sim::initializeWithHost();
  sim::runFrames(200, 10);
  EXPECT_TRUE(sim::hostCalls().empty()) << "no browser before the game window exists";
  const uint64_t lastFrameWithoutWindow = sim::tickMs();
  sim::createGameWindow();
  CreateTimes times;
  runRecordingCreates(200, 10, lastFrameWithoutWindow, times);
  EXPECT_EQ(times, kOnSchedule);
}

TEST(CreationSchedule, HiddenWindowHoldsTheScheduleAndNothingIsRequestedTwice) {
  const HWND window = sim::createGameWindow();
  sim::initializeWithHost();
  const uint64_t start = sim::tickMs();
  CreateTimes times;
  runRecordingCreates(50, 10, start, times);  // up to 500 ms: only the loading screen so far
  ::ShowWindow(window, SW_HIDE);
  runRecordingCreates(150, 10, start, times);  // 1.5 s without a visible window
  ASSERT_EQ(times, (CreateTimes{{kLoadingBrowserId, {200}}}));
  const uint64_t lastHiddenFrame = sim::tickMs();
  ::ShowWindow(window, SW_SHOWNA);
  CreateTimes afterwards;
  runRecordingCreates(300, 10, lastHiddenFrame, afterwards);
  EXPECT_EQ(afterwards, (CreateTimes{{kPauseBrowserId, {800}}, {kHudBrowserId, {1100}}}));
}

TEST(CreationSchedule, NewStartAfterQuitRequestsOnlyTheLoadingScreenAgain) {
  sim::createGameWindow();
  sim::setAnswerCreates(true);
  sim::initializeWithHost();
  sim::runFrames(150, 10);
  sim::module().quit();
  sim::runFrames(100, 10);
  EXPECT_EQ(sim::hostCallsOf(HostFn::Create).size(), 3u) << "a stopped module requests nothing";

  sim::initializeWithHost();
  const uint64_t restart = sim::tickMs();
  CreateTimes times;
  runRecordingCreates(300, 10, restart, times);
  EXPECT_EQ(times, (CreateTimes{{kLoadingBrowserId, {200}}}));
  // The new loading browser is treated like the first one: shown once it reports ready.
  EXPECT_EQ(sim::logCount("[LOADING] READY and visible."), 1);
}

// A pause page placed next to the game: named in the start-up line and loaded by the browser.
TEST(PausePageNextToTheGame, IsLoggedAtStartAndRequestedForThePauseBrowser) {
  const std::wstring directory = sim::programDirectory() + L"\\cef_dev\\pause";
  const std::wstring page = directory + L"\\index.html";
  ::CreateDirectoryW((sim::programDirectory() + L"\\cef_dev").c_str(), nullptr);
  ::CreateDirectoryW(directory.c_str(), nullptr);
  HANDLE file = ::CreateFileW(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);

  std::string expected = "file:///";
  for (const wchar_t c : sim::programDirectory() + L"\\cef_dev\\pause\\index.html") {
    ASSERT_TRUE(c < 0x80 && c != L' ' && c != L'%') << "the build folder itself would need escaping";
    expected += c == L'\\' ? '/' : static_cast<char>(c);
  }
  sim::createGameWindow();
  sim::initializeWithHost();
  sim::runFrames(100, 10);
  ::DeleteFileW(page.c_str());
  ::RemoveDirectoryW(directory.c_str());
  ::RemoveDirectoryW((sim::programDirectory() + L"\\cef_dev").c_str());

  EXPECT_TRUE(sim::logHas("[CEF] Menu URL=" + expected));
  EXPECT_TRUE(sim::logHas("[UI] URL=" + expected));
  const std::vector<sim::HostCall> pause = sim::hostCallsFor(kPauseBrowserId);
  ASSERT_EQ(pause.size(), 1u) << sim::describe(pause);
  EXPECT_EQ(pause[0].url, expected);
}

}  // namespace
