// The keyboard hook thread's life: started by cef_initialize, ended by cef_quit within its wait,
// also when the quit races the thread's start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/exports.h"
#include "core/plugin_state.h"
#include "keyboard/hook_thread.h"
#include "log/log_file.h"
#include "sim/real_input.h"
#include "tests/module/screens_harness.h"
#include "tests/module/worker_stop.h"

namespace {

using screens_harness::logCount;
using screens_harness::logMessages;

constexpr char kInstalled[] = "[KEYBOARD] Low-level hook installed.";
constexpr char kStopped[] = "[KEYBOARD] Hook stopped.";
using worker_stop::kPromptQuitMs;
using worker_stop::timedQuitMs;
const HostApi& kTable = worker_stop::kQuietHost;

size_t indexOf(const std::vector<std::string>& lines, const std::string& message) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == message) return i;
  return lines.size();
}

bool hookFailureLogged() {
  for (const std::string& line : logMessages())
    if (line.rfind("[KEYBOARD] Hook install failed. Win32=", 0) == 0) return true;
  return false;
}

class KeyboardThread : public ::testing::Test {
 protected:
  void SetUp() override { gState.moduleHandle = ::GetModuleHandleW(nullptr); }
};

TEST_F(KeyboardThread, QuitEndsItPromptlyAndTheHookGoesFirst) {
  cef_initialize(&kTable);
  ASSERT_NE(gState.keyboardThread, nullptr);
  ASSERT_NE(gState.keyboardThreadId.load(), 0u);
  ASSERT_TRUE(sim::pumpUntil([] { return logCount(kInstalled) == 1; }));
  EXPECT_LT(timedQuitMs(), kPromptQuitMs);
  EXPECT_EQ(gState.keyboardThread, nullptr);
  EXPECT_EQ(gState.keyboardThreadId.load(), 0u);
  EXPECT_EQ(gState.keyboardHook, nullptr) << "the hook is removed";
  const std::vector<std::string> lines = logMessages();
  const size_t quit = indexOf(lines, "[CEF] cef_quit.");
  const size_t stopped = indexOf(lines, kStopped);
  const size_t end = indexOf(lines, "TembraUI Native Pause V1 stopped.");
  ASSERT_LT(end, lines.size()) << ::testing::PrintToString(lines);
  EXPECT_LT(quit, stopped);
  EXPECT_LT(stopped, end) << "cef_quit waits for the thread";
}

TEST_F(KeyboardThread, QuitRacingTheStartNeverWaitsOutTheThread) {
  for (int round = 0; round < 20; ++round) {
    cef_initialize(&kTable);
    ASSERT_NE(gState.keyboardThread, nullptr);
    EXPECT_LT(timedQuitMs(), kPromptQuitMs) << "round " << round;
    EXPECT_EQ(logCount(kStopped), 1) << "round " << round << ": " << ::testing::PrintToString(logMessages());
  }
}

TEST_F(KeyboardThread, StopAlreadyRequestedSkipsTheMessageLoop) {
  resetLog();
  gState.stopRequested.store(1);
  const HANDLE thread = ::CreateThread(nullptr, 0, keyboardThreadMain, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(::WaitForSingleObject(thread, kPromptQuitMs), WAIT_OBJECT_0) << "nothing woke it, nor had to";
  DWORD exitCode = 1;
  ::GetExitCodeThread(thread, &exitCode);
  ::CloseHandle(thread);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(logMessages(), (std::vector<std::string>{kInstalled, kStopped}));
  EXPECT_EQ(gState.keyboardHook, nullptr);
}

TEST_F(KeyboardThread, RefusedHookIsLoggedAndTheThreadEndsAtOnce) {
  // The system refuses a hook whose module handle names no loaded module.
  gState.moduleHandle = reinterpret_cast<HMODULE>(0x12340000);
  cef_initialize(&kTable);
  ASSERT_TRUE(sim::pumpUntil([] { return hookFailureLogged(); }));
  EXPECT_EQ(::WaitForSingleObject(gState.keyboardThread, kPromptQuitMs), WAIT_OBJECT_0) << "no message loop";
  EXPECT_EQ(gState.keyboardHook, nullptr);
  EXPECT_NE(gState.keyboardThreadId.load(), 0u) << "kept until cef_quit clears it";
  EXPECT_LT(timedQuitMs(), kPromptQuitMs) << "posting to the ended thread fails, the wait returns at once";
  EXPECT_EQ(logCount(kInstalled), 0);
  EXPECT_EQ(logCount(kStopped), 0);
  EXPECT_EQ(logCount("[KEYBOARD] Hook install failed. Win32=87"), 1) << ::testing::PrintToString(logMessages());
}

TEST_F(KeyboardThread, SecondStartWhileRunningStartsNoSecondThread) {
  cef_initialize(&kTable);
  const HANDLE first = gState.keyboardThread;
  cef_initialize(&kTable);
  EXPECT_EQ(gState.keyboardThread, first);
  EXPECT_LT(timedQuitMs(), kPromptQuitMs);
  cef_initialize(&kTable);
  EXPECT_NE(gState.keyboardThread, nullptr) << "a start after a quit makes a new thread";
  ASSERT_TRUE(sim::pumpUntil([] { return logCount(kInstalled) == 1; }));
  EXPECT_LT(timedQuitMs(), kPromptQuitMs);
}

}  // namespace
