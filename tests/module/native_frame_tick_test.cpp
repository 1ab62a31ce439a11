// The frame tick's own steps: the game window search, the window-seen stamp, ESC once the
// player is in the world, and the HUD kept hidden under the open pause menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/game_window.h"
#include "native/layout_check.h"
#include "screens/browser_ids.h"
#include "sim/sim_game.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;
namespace gta = sim::gta;

const std::string kEscEnabledLine = "[ESC] Player ped detected in world -> ESC enabled.";

BOOL CALLBACK matchGameClassWindow(HWND window, LPARAM processId) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  if (owner != static_cast<DWORD>(processId) || std::wstring(className) != sim::kGameWindowClass) return TRUE;
  return FALSE;
}

bool hasGameClassWindow(DWORD processId) {
  // EnumWindows returns FALSE only when the callback stopped it, i.e. found one.
  return !::EnumWindows(matchGameClassWindow, static_cast<LPARAM>(processId));
}

// Starts another program of this directory with this process's id; it ends with this process.
void startOtherProcessWindow() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring command(path);
  command = L"\"" + command.substr(0, command.find_last_of(L"\\/")) + L"\\other_game.exe\" window " +
            std::to_wstring(::GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // Its window is up once a top-level window of the game's class belongs to it; starting a
  // process takes seconds in an emulated machine.
  for (int i = 0; i < 1200; ++i) {
    if (hasGameClassWindow(process.dwProcessId)) return;
    ::Sleep(25);
  }
  FAIL() << "the other process's window did not appear";
}

class FrameTick : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    sim::setTickMs(10000);
  }
};

TEST_F(FrameTick, FindsOnlyAVisibleUnownedWindowOfTheGameClassInThisProcess) {
  startOtherProcessWindow();
  const HWND invisible = sim::createWindow(sim::kGameWindowClass, false);
  const HWND otherClass = sim::createWindow(L"Grand theft auto San Andreas ", true);
  const HWND owner = sim::createWindow(L"TembraOwnerWindow", true);
  sim::createWindow(sim::kGameWindowClass, true, owner);
  ASSERT_NE(invisible, nullptr);
  ASSERT_NE(otherClass, nullptr);
  EXPECT_EQ(findGameWindow(), nullptr) << "other process, invisible, owned or another class: none is the game's";

  const HWND game = sim::createGameWindow();
  EXPECT_EQ(findGameWindow(), game);
}

TEST_F(FrameTick, NothingRunsBeforeStartOrAfterQuit) {
  sim::createGameWindow();
  sim::setGameValue<int32_t>(gta::kPlayerPed, 0x1234);
  gState.nativeSupported = true;
  gState.menuOpen.store(1);
  gState.windowSeenAt = 5;
  runFrames(5, 300);
  EXPECT_EQ(recorded(), "");
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(gState.windowSeenAt, 5u);

  startModule();
  cef_quit();
  sim::clearHostCalls();
  const uint64_t seenAt = gState.windowSeenAt;
  runFrames(5, 300);
  EXPECT_EQ(recorded(), "");
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(gState.windowSeenAt, seenAt);
  EXPECT_EQ(logCount(kEscEnabledLine), 0);
}

TEST_F(FrameTick, WithoutTheWindowOnlyTheSeenStampMoves) {
  startModule();
  ASSERT_TRUE(gState.nativeSupported);
  sim::setGameValue<int32_t>(gta::kPlayerPed, 0x1234);
  gState.menuOpen.store(1);
  const HWND hidden = sim::createGameWindow(false);
  runFrames(3, 700);
  EXPECT_EQ(gState.windowSeenAt, sim::tickMs());
  EXPECT_EQ(recorded(), "");
  EXPECT_EQ(gState.escEnabled.load(), 0);

  ::ShowWindow(hidden, SW_SHOW);
  const uint64_t appeared = gState.windowSeenAt;
  runFrames(1, 16);
  EXPECT_EQ(gState.windowSeenAt, appeared) << "frames with the window leave the stamp alone";
  EXPECT_EQ(gState.escEnabled.load(), 1);
}

TEST_F(FrameTick, EscIsEnabledOncePerChangeWhenThePlayerIsInTheWorld) {
  sim::createGameWindow();
  startModule();
  runFrames(3, 16);
  EXPECT_EQ(gState.escEnabled.load(), 0) << "no player character yet";

  sim::setGameValue<int32_t>(gta::kPlayerPed, 0x0BADF00D);
  runFrames(5, 16);
  EXPECT_EQ(gState.escEnabled.load(), 1);
  EXPECT_EQ(logCount(kEscEnabledLine), 1);

  cef_disconnect();  // ESC off: the next frame that sees the player turns it on again
  runFrames(5, 16);
  EXPECT_EQ(gState.escEnabled.load(), 1);
  EXPECT_EQ(logCount(kEscEnabledLine), 2);
}

TEST_F(FrameTick, WithoutNativeSupportThePlayerIsNeverSeen) {
  sim::setGameValue<int32_t>(gta::kBrightness, 4096);  // not the supported layout
  sim::setGameValue<int32_t>(gta::kPlayerPed, 0x1234);
  sim::createGameWindow();
  startModule();
  ASSERT_FALSE(gState.nativeSupported);
  runFrames(10, 16);
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(logCount(kEscEnabledLine), 0);
}

TEST_F(FrameTick, TheHudIsHiddenAgainInEveryFrameWhileTheMenuIsOpen) {
  sim::createGameWindow();
  startModule();
  runFrames(3, 16);
  EXPECT_TRUE(sim::hostCallsFor(kHudBrowserId).empty()) << recordedFor(kHudBrowserId);

  gState.menuOpen.store(1);
  sim::clearHostCalls();
  runFrames(4, 16);
  EXPECT_EQ(recordedFor(kHudBrowserId), calls({hide(kHudBrowserId, 1), hide(kHudBrowserId, 1), hide(kHudBrowserId, 1),
                                               hide(kHudBrowserId, 1)}));

  gState.menuOpen.store(0);
  sim::clearHostCalls();
  runFrames(3, 16);
  EXPECT_TRUE(sim::hostCallsFor(kHudBrowserId).empty()) << recordedFor(kHudBrowserId);
}

}  // namespace
