// The shared record across cef_initialize and cef_quit: which fields start-up resets and
// which survive a quit and a new start.
#include <gtest/gtest.h>

#include "core/exports.h"
#include "core/plugin_state.h"
#include "sim/fake_clock.h"

namespace {

void __cdecl ignoreCreate(uint32_t, const char*, int32_t, int32_t) {}
void __cdecl ignoreSpare() {}
void __cdecl ignoreHideOrFocus(uint32_t, int32_t) {}
const HostApi kTable{&ignoreCreate, &ignoreSpare, &ignoreHideOrFocus, &ignoreHideOrFocus};

// The record's flags a start must not touch: the pause and HUD browsers exist once per process.
constexpr SharedInt PluginState::*kKeptFlags[] = {&PluginState::menuOpen, &PluginState::pauseReady,
                                                  &PluginState::minimapReady, &PluginState::pauseCreated,
                                                  &PluginState::hudCreated};

void dirtyEveryFlag() {
  for (const StartValue& start : kStartValues) (gState.*start.flag).store(7);
  for (SharedInt PluginState::*kept : kKeptFlags) (gState.*kept).store(7);
  gState.loadingCheckedAt = 123;
  gState.lastEscAt = 456;
}

TEST(SharedRecord, HoldsItsLoadValuesBeforeAnyStart) {
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.listenSocket.load(), ~uintptr_t{0});
  EXPECT_EQ(gState.pluginActive.load(), 0);
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_FALSE(gState.locksReady);
  EXPECT_STREQ(gState.stateJson.c_str(), "{\"supported\":false}");
}

TEST(SharedRecord, StartResetsItsFlagsAndKeepsTheRest) {
  sim::installFakeClock(::GetModuleHandleW(nullptr));
  cef_initialize(&kTable);
  ASSERT_TRUE(gState.locksReady);
  cef_quit();
  EXPECT_EQ(gState.pluginActive.load(), 0);
  EXPECT_EQ(gState.stopRequested.load(), 1);

  dirtyEveryFlag();
  sim::advanceMs(5000);
  cef_initialize(&kTable);
  for (const StartValue& start : kStartValues) EXPECT_EQ((gState.*start.flag).load(), start.value);
  EXPECT_EQ(gState.loadingCheckedAt, 0u);
  EXPECT_EQ(gState.windowSeenAt, sim::tickMs());
  for (SharedInt PluginState::*kept : kKeptFlags) EXPECT_EQ((gState.*kept).load(), 7);
  EXPECT_EQ(gState.lastEscAt, 456u);
  cef_quit();
}

TEST(SharedRecord, FailedStartChangesOnlyTheStoredSlots) {
  HostApi partial = kTable;
  partial.focusBrowser = nullptr;
  gState.windowSeenAt = 99;
  cef_initialize(&partial);
  EXPECT_EQ(gState.createBrowser, &ignoreCreate);
  EXPECT_EQ(gState.focusBrowser, nullptr);
  EXPECT_EQ(gState.pluginActive.load(), 0);
  EXPECT_FALSE(gState.locksReady);
  EXPECT_EQ(gState.windowSeenAt, 99u);
}

TEST(SharedRecord, QuitClearsEscAndDeactivates) {
  cef_initialize(&kTable);
  gState.escEnabled.store(1);
  cef_quit();
  EXPECT_EQ(gState.escEnabled.load(), 0);
  EXPECT_EQ(gState.pluginActive.load(), 0);
  EXPECT_EQ(gState.keyboardThread, nullptr);
  EXPECT_EQ(gState.keyboardThreadId.load(), 0u);
  EXPECT_EQ(gState.listenSocket.load(), ~uintptr_t{0});
}

}  // namespace
