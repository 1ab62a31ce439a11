// The hook procedure called as the system calls it, with the game window in front: which events
// it swallows, and that every release of ESC ends the press, whichever stage sees it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/plugin_state.h"
#include "keyboard/hook_proc.h"
#include "log/log_file.h"
#include "sim/game_window.h"
#include "sim/real_input.h"
#include "tests/module/screens_harness.h"

namespace {

using screens_harness::logCount;

constexpr char kOpenRequest[] = "[ESC] Open pause menu request.";
constexpr char kCloseRequest[] = "[ESC] Close pause menu request.";
constexpr DWORD kEscScanCode = 1;

LRESULT send(WPARAM message, uint32_t vkCode, uint32_t scanCode = 0) {
  KBDLLHOOKSTRUCT event{};
  event.vkCode = vkCode;
  event.scanCode = scanCode;
  return keyboardHookProc(HC_ACTION, message, reinterpret_cast<LPARAM>(&event));
}

LRESULT escDown() { return send(WM_KEYDOWN, VK_ESCAPE, kEscScanCode); }
LRESULT escUp() { return send(WM_KEYUP, VK_ESCAPE, kEscScanCode); }

class HookProc : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLog();
    game_ = sim::createGameWindow();
    ASSERT_TRUE(sim::bringToFront(game_));
    gState.escEnabled.store(1);
  }
  HWND game_ = nullptr;
};

TEST_F(HookProc, HeldEscRaisesOneRequestAndSwallowsTheRepeats) {
  EXPECT_EQ(escDown(), 1);
  EXPECT_EQ(escDown(), 1);
  EXPECT_EQ(escDown(), 1);
  EXPECT_EQ(gState.escRequest.load(), 1);
  EXPECT_EQ(logCount(kOpenRequest), 1) << "auto-repeats are swallowed silently";
  EXPECT_EQ(escUp(), 1);
  EXPECT_EQ(gState.escKeyHeld.load(), 0);
  gState.escRequest.store(0);
  escDown();
  EXPECT_EQ(gState.escRequest.load(), 1) << "the next press is a new request";
  EXPECT_EQ(logCount(kOpenRequest), 2);
}

TEST_F(HookProc, OpenMenuLogsACloseRequest) {
  gState.menuOpen.store(1);
  gState.escEnabled.store(0);
  EXPECT_EQ(escDown(), 1);
  EXPECT_EQ(gState.escRequest.load(), 1) << "an open menu closes even with ESC disabled";
  EXPECT_EQ(logCount(kCloseRequest), 1);
  EXPECT_EQ(logCount(kOpenRequest), 0);
}

TEST_F(HookProc, DisabledEscIsSwallowedWithoutRequestOrLine) {
  gState.escEnabled.store(0);
  EXPECT_EQ(escDown(), 1);
  EXPECT_EQ(escUp(), 1);
  EXPECT_EQ(gState.escRequest.load(), 0);
  EXPECT_EQ(gState.escKeyHeld.load(), 0);
  EXPECT_TRUE(screens_harness::logMessages().empty());
}

TEST_F(HookProc, OrdinaryKeysAndForeignHookCodesPassOnUntouched) {
  gState.menuOpen.store(1);
  EXPECT_EQ(send(WM_KEYDOWN, 'W', 0x11), 0);
  EXPECT_EQ(send(WM_KEYUP, 'W', 0x11), 0);
  KBDLLHOOKSTRUCT esc{};
  esc.vkCode = VK_ESCAPE;
  EXPECT_EQ(keyboardHookProc(1, WM_KEYDOWN, reinterpret_cast<LPARAM>(&esc)), 0) << "nCode other than HC_ACTION";
  EXPECT_EQ(keyboardHookProc(HC_ACTION, WM_KEYDOWN, 0), 0) << "no event record";
  EXPECT_EQ(gState.escRequest.load(), 0);
  EXPECT_EQ(gState.escKeyHeld.load(), 0);
  EXPECT_TRUE(screens_harness::logMessages().empty());
}

TEST_F(HookProc, GameKeyCodeOfANullEventIsNone) { EXPECT_EQ(toGameKeyCode(nullptr), -1); }

// Each way an ESC release can go elsewhere than the ESC stage's open and close cases. Had the
// latch stayed set, the player's next ESC press would be lost without a trace.
enum class ReleasePath { NativeMenu, EscDisabled, DuringCapture };

const char* nameOf(ReleasePath path) {
  switch (path) {
    case ReleasePath::NativeMenu: return "NativeMenu";
    case ReleasePath::EscDisabled: return "EscDisabled";
    case ReleasePath::DuringCapture: return "DuringCapture";
  }
  return "Unknown";
}

void PrintTo(ReleasePath path, std::ostream* out) { *out << nameOf(path); }

std::string releasePathName(const ::testing::TestParamInfo<ReleasePath>& path) { return nameOf(path.param); }

class EscReleasedElsewhere : public HookProc, public ::testing::WithParamInterface<ReleasePath> {};

TEST_P(EscReleasedElsewhere, StillEndsThePressSoTheNextOneCounts) {
  ASSERT_EQ(escDown(), 1);
  ASSERT_EQ(gState.escKeyHeld.load(), 1);
  gState.escRequest.store(0);  // taken by the game thread
  switch (GetParam()) {
    case ReleasePath::NativeMenu:
      gState.nativeMenuActive.store(1);
      EXPECT_EQ(escUp(), 0) << "passed on to the game's own menu";
      gState.nativeMenuActive.store(0);
      break;
    case ReleasePath::EscDisabled:
      gState.escEnabled.store(0);
      EXPECT_EQ(escUp(), 1);
      gState.escEnabled.store(1);
      break;
    case ReleasePath::DuringCapture:
      gState.captureMode.store(kCaptureKeyboard);
      EXPECT_EQ(escUp(), 1) << "swallowed by the capture stage";
      gState.captureMode.store(kCaptureNone);
      break;
  }
  EXPECT_EQ(gState.escKeyHeld.load(), 0);
  EXPECT_EQ(escDown(), 1);
  EXPECT_EQ(gState.escRequest.load(), 1);
  EXPECT_EQ(logCount(kOpenRequest), 2);
}

INSTANTIATE_TEST_SUITE_P(EachPath, EscReleasedElsewhere,
                         ::testing::Values(ReleasePath::NativeMenu, ReleasePath::EscDisabled, ReleasePath::DuringCapture),
                         releasePathName);

}  // namespace
