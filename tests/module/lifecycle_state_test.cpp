// The shared record across cef_initialize and cef_quit: which fields start-up resets and
// which survive a quit and a new start.
#include <gtest/gtest.h>

#include "core/exports.h"
#include "core/plugin_state.h"
#include "tests/sim/fake_clock.h"

namespace {

void __cdecl ignoreCreate(uint32_t, const char*, int32_t, int32_t) {}
void __cdecl ignoreSpare() {}
void __cdecl ignoreHideOrFocus(uint32_t, int32_t) {}
const HostApi kTable{&ignoreCreate, &ignoreSpare, &ignoreHideOrFocus, &ignoreHideOrFocus};

void dirtyEveryFlag() {
  for (SharedInt* flag : {&gState.escEnabled, &gState.escRequest, &gState.escKeyHeld, &gState.captureMode,
                          &gState.captureCancelCounter, &gState.capturedKeyCounter, &gState.nativeMenuActive,
                          &gState.mapPending, &gState.menuGeneration, &gState.loadingCreated, &gState.loadingReady,
                          &gState.loadingHideRequested, &gState.menuOpen, &gState.pauseReady, &gState.minimapReady,
                          &gState.pauseCreated, &gState.hudCreated})
    flag->store(7);
  gState.capturedKey.store(42);
  gState.loadingCheckedAt = 123;
  gState.lastEscAt = 456;
}

TEST(SharedRecord, HoldsItsLoadValuesBeforeAnyStart) {
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.listenSocket.load(), ~uintptr_t{0});
  EXPECT_EQ(gState.pluginActive.load(), 0);
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_FALSE(gState.locksReady);
  EXPECT_STREQ(gState.stateJson.c_str(),
               "{\"supported\":false,\"menuOpen\":false,\"menuGeneration\":0,\"captureCancelCounter\":0,"
               "\"settings\":{},\"bindings\":{}}");
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
  EXPECT_EQ(gState.pluginActive.load(), 1);
  EXPECT_EQ(gState.stopRequested.load(), 0);
  for (const SharedInt* reset : {&gState.escEnabled, &gState.escRequest, &gState.escKeyHeld, &gState.captureMode,
                                 &gState.captureCancelCounter, &gState.capturedKeyCounter, &gState.nativeMenuActive,
                                 &gState.mapPending, &gState.menuGeneration, &gState.loadingCreated,
                                 &gState.loadingReady, &gState.loadingHideRequested})
    EXPECT_EQ(reset->load(), 0);
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.loadingCheckedAt, 0u);
  EXPECT_EQ(gState.windowSeenAt, sim::tickMs());
  // Kept: the pause and HUD browsers exist once per process, so their flags survive.
  for (const SharedInt* kept : {&gState.menuOpen, &gState.pauseReady, &gState.minimapReady, &gState.pauseCreated,
                                &gState.hudCreated})
    EXPECT_EQ(kept->load(), 7);
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
