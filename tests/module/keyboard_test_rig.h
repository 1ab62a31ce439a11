// The keyboard hook thread running inside this test program with its game window in front, and
// real keys sent to that window through the X server.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/plugin_state.h"
#include "keyboard/hook_thread.h"
#include "log/log_file.h"
#include "sim/game_window.h"
#include "sim/real_input.h"
#include "tests/module/screens_harness.h"

namespace keyboard_rig {

constexpr DWORD kThreadEndWaitMs = 2000;

inline int logCountWithPrefix(const std::string& prefix) {
  int count = 0;
  for (const std::string& line : screens_harness::logMessages()) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

inline bool waitForLog(const std::string& message) {
  return sim::pumpUntil([&] { return screens_harness::logCount(message) > 0; });
}

// Sends the keys ("w F1", "Escape") and returns once xdotool has handed them to the X server.
inline void press(const std::string& keys) { ASSERT_EQ(sim::runXdotool("key " + keys), 0) << keys; }

class KeyboardRig : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLog();
    // What DllMain records when the module is a DLL; here the module is part of this program.
    gState.moduleHandle = ::GetModuleHandleW(nullptr);
    game_ = sim::createGameWindow();
    ASSERT_TRUE(sim::bringToFront(game_));
    thread_ = ::CreateThread(nullptr, 0, keyboardThreadMain, nullptr, 0, nullptr);
    ASSERT_NE(thread_, nullptr);
    ASSERT_TRUE(waitForLog("[KEYBOARD] Low-level hook installed.")) << "log: " << ::testing::PrintToString(screens_harness::logMessages());
  }

  void TearDown() override {
    if (thread_ == nullptr) return;
    gState.stopRequested.store(1);
    ::PostThreadMessageW(gState.keyboardThreadId.load(), WM_QUIT, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(thread_, kThreadEndWaitMs), WAIT_OBJECT_0);
    ::CloseHandle(thread_);
  }

  HWND game_ = nullptr;
  HANDLE thread_ = nullptr;
};

}  // namespace keyboard_rig
