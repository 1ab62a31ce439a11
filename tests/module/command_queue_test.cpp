// The command queue between the bridge and the game thread: order, the per-frame limit, the
// bound, every kind's effect, and allocation failures that must not escape into the host.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/command_queue.h"
#include "core/plugin_state.h"
#include "native/state_document.h"
#include "screens/browser_ids.h"
#include "sim/sim_game.h"
#include "tests/module/failing_allocations.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;
namespace gta = sim::gta;

BridgeCommand command(int32_t kind, const std::string& name = "", int32_t value = 0) {
  BridgeCommand made;
  made.kind = kind;
  made.name = name;
  made.value = value;
  return made;
}

// Rejected settings log their names, which shows the order in which commands ran.
std::vector<std::string> rejectedNames() {
  const std::string prefix = "[NATIVE] Setting rejected/unsupported: ";
  std::vector<std::string> names;
  for (const std::string& line : logMessages())
    if (line.rfind(prefix, 0) == 0) names.push_back(line.substr(prefix.size()));
  return names;
}

std::vector<std::string> numbered(int from, int to) {
  std::vector<std::string> names;
  for (int i = from; i < to; ++i) names.push_back("n" + std::to_string(i));
  return names;
}

class CommandQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    sim::createGameWindow();
    startModule();
    gState.nativeSupported = false;  // settings are then rejected by name, in order
  }
  void TearDown() override { cef_quit(); }
};

TEST_F(CommandQueueTest, ThirtyTwoAFrameInArrivalOrderTheRestNextFrame) {
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(pushCommand(command(kCommandSetting, "n" + std::to_string(i))));
  runFrame();
  EXPECT_EQ(rejectedNames(), numbered(0, 32));
  runFrame();
  EXPECT_EQ(rejectedNames(), numbered(0, 40));
}

TEST_F(CommandQueueTest, UnknownKindsAreDroppedButCountTowardTheLimit) {
  for (int32_t kind : {0, -1, 10, 0x7FFFFFFF}) ASSERT_TRUE(pushCommand(command(kind, "junk")));
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(pushCommand(command(kCommandSetting, "n" + std::to_string(i))));
  runFrame();
  EXPECT_EQ(rejectedNames(), numbered(0, 28));
}

TEST_F(CommandQueueTest, AFullQueueRefusesHonestlyAndLogsOncePerBurst) {
  const std::string refusal =
      "[BRIDGE] Command queue full (1024 commands); refusing commands until the game thread drains it.";
  ::ShowWindow(::FindWindowW(sim::kGameWindowClass, nullptr), SW_HIDE);  // a stalled game thread
  for (size_t i = 0; i < kCommandQueueMaxCommands; ++i) ASSERT_TRUE(pushCommand(command(kCommandCaptureOff)));
  for (int i = 0; i < 50; ++i) EXPECT_FALSE(pushCommand(command(kCommandCaptureOff)));
  runFrames(5, 16);
  EXPECT_EQ(logCount(refusal), 1);
  EXPECT_EQ(logCount("[CAPTURE] Capture disabled."), 0) << "no drain without the game window";

  ::ShowWindow(::FindWindowW(sim::kGameWindowClass, nullptr), SW_SHOW);
  runFrame();
  EXPECT_EQ(logCount("[CAPTURE] Capture disabled."), 32);
  for (int i = 0; i < kCommandsPerFrame; ++i) EXPECT_TRUE(pushCommand(command(kCommandCaptureOff))) << i;
  EXPECT_FALSE(pushCommand(command(kCommandCaptureOff)));
  EXPECT_EQ(logCount(refusal), 2) << "a new burst gets its own line";
}

TEST_F(CommandQueueTest, EachKindHasItsEffectOnTheGameThread) {
  const struct {
    int32_t value;
    int32_t mode;
  } captures[] = {{0, kCaptureKeyboard}, {1, kCaptureKeyboard}, {3, kCaptureKeyboard}, {2, kCaptureMouse}};
  for (const auto& capture : captures) {
    gState.capturedKey.store(65);
    pushCommand(command(kCommandCaptureOn, "", capture.value));
    runFrame();
    EXPECT_EQ(gState.captureMode.load(), capture.mode) << capture.value;
    EXPECT_EQ(gState.capturedKey.load(), -1);
  }
  EXPECT_EQ(logCount("[CAPTURE] Keyboard capture enabled."), 3);
  EXPECT_EQ(logCount("[CAPTURE] Mouse capture enabled."), 1);
  gState.capturedKey.store(65);
  pushCommand(command(kCommandCaptureOff));
  pushCommand(command(kCommandLoadingHide));
  pushCommand(command(kCommandExit));
  pushCommand(command(kCommandResetControls));  // no native support: nothing at all
  runFrame();
  sim::pumpMessages();
  EXPECT_EQ(gState.captureMode.load(), kCaptureNone);
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.loadingHideRequested.load(), 1);
  EXPECT_EQ(logCount("[MENU] Exit confirmed by user."), 1);
  EXPECT_EQ(sim::closeMessagesReceived(), 1);
  EXPECT_TRUE(sim::callsOf(gta::kReinitControls).empty());

  gState.menuOpen.store(1);
  sim::clearHostCalls();
  pushCommand(command(kCommandContinue));
  runFrame();
  EXPECT_EQ(gState.menuOpen.load(), 0);
  EXPECT_EQ(recordedFor(kPauseBrowserId), calls({focus(kPauseBrowserId, 0), hide(kPauseBrowserId, 1)}));
}

TEST_F(CommandQueueTest, ResetControlsCallsTheGameAndSavesOrReportsItsFault) {
  gState.nativeSupported = true;
  gState.persistenceAvailable = true;
  pushCommand(command(kCommandResetControls));
  runFrame();
  ASSERT_EQ(sim::callsOf(gta::kReinitControls).size(), 1u);
  EXPECT_EQ(sim::callsOf(gta::kReinitControls)[0].receiver, gta::kGameControls);
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 1u);
  EXPECT_EQ(logCount("[NATIVE] Controls reset to GTA defaults and saved."), 1);

  sim::setRoutineBehaviour(gta::kReinitControls, sim::RoutineBehaviour::Fault);
  pushCommand(command(kCommandResetControls));
  runFrame();
  EXPECT_EQ(logCount("[NATIVE] EXCEPTION in ReinitControls."), 1);
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 1u) << "no save after a fault";
}

// A rejected setting's name comes from a page and is escaped in its log line.
TEST_F(CommandQueueTest, ARejectedNameCannotForgeLogLines) {
  pushCommand(command(kCommandSetting, "evil\r\n[NATIVE] Settings persisted. save=YES"));
  runFrame();
  EXPECT_EQ(rejectedNames(), std::vector<std::string>{"evil\\x0D\\x0A[NATIVE] Settings persisted. save=YES"});
  EXPECT_EQ(logCount("[NATIVE] Settings persisted. save=YES"), 0);
}

TEST_F(CommandQueueTest, OutOfMemoryNeverLeavesTheModule) {
  gState.nativeSupported = true;
  const BridgeCommand large = command(kCommandSetting, std::string(4096, 'x'));
  // The state document needs a few kilobytes at once; the log line of the failure needs less.
  failAllocationsAbove.store(1024);
  sim::advanceMs(500);
  EXPECT_NO_THROW(runFrame());
  const bool largeTaken = pushCommand(large);
  failAllocationsAbove.store(0);
  EXPECT_FALSE(largeTaken) << "a command that finds no memory is refused";
  EXPECT_EQ(logCount("[CEF] EXCEPTION in cef_samp_mainloop."), 1);

  // The queue's lock was left on the way out: another thread can still push.
  std::atomic<bool> pushed{false};
  std::thread bridge([&] { pushed = pushCommand(command(kCommandCaptureOff)); });
  bridge.join();
  EXPECT_TRUE(pushed);
  runFrame();
  EXPECT_EQ(logCount("[CAPTURE] Capture disabled."), 1);
  EXPECT_NE(readStateDocument().find("\"supported\":true"), std::string::npos) << "the next frame builds again";
}

}  // namespace
