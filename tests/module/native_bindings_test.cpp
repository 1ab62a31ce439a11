// Bindings through the game's own routines: the order, receivers and arguments of the calls, a
// fault at each step, the refusals, and the executor's save and lines; the simulated game's
// action table and the state document show the outcome.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/command_queue.h"
#include "core/plugin_state.h"
#include "native/bindings.h"
#include "native/state_document.h"
#include "sim/sim_game.h"
#include "tests/module/screens_harness.h"

namespace {

using namespace screens_harness;
using sim::RoutineBehaviour;
namespace gta = sim::gta;

constexpr char kDeleteFault[] = "[NATIVE] EXCEPTION in DeleteMatchingActionInitiators.";
constexpr char kWriteFault[] = "[NATIVE] EXCEPTION while changing binding.";

// "Delete(58,2,2) Clear(58,2) ..." for the binding routines called, each on gameControls.
std::string bindingCalls() {
  std::ostringstream text;
  for (const sim::RoutineCall& call : sim::routineCalls()) {
    if (call.routine == gta::kDeleteMatchingActionInitiators) text << "Delete(";
    else if (call.routine == gta::kClearActionSlot) text << "Clear(";
    else if (call.routine == gta::kSetKeyboardKeyForAction) text << "Keyboard(";
    else if (call.routine == gta::kSetMouseButtonForAction) text << "Mouse(";
    else continue;
    for (size_t i = 0; i < call.args.size(); ++i) text << (i == 0 ? "" : ",") << call.args[i];
    text << (call.receiver == gta::kGameControls ? ") " : ") on a wrong receiver ");
  }
  return text.str();
}

BridgeCommand bindCommand(int32_t action, int32_t type, uint32_t key) {
  BridgeCommand command;
  command.kind = kCommandBinding;
  command.action = action;
  command.type = type;
  command.key = key;
  return command;
}

BridgeCommand resetCommand() {
  BridgeCommand command;
  command.kind = kCommandResetControls;
  return command;
}

class Bindings : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    resetLog();
    gState.nativeSupported = true;  // saving is not applyBinding's part: persistence is left out
  }
};

struct Applied {
  int32_t action, type;
  uint32_t key;
  std::string calls;
  std::string line;
};

TEST_F(Bindings, TheGameDeletesClearsAndSetsInThisOrder) {
  const Applied cases[] = {
      {58, 2, 2, "Delete(58,2,2) Clear(58,2) Mouse(58,2) ", "action=58 type=2 key=2"},
      // A keyboard key is deleted from both keyboard slot kinds, one at a time, as the game's menu asks.
      {3, 1, 1004, "Delete(3,1004,0) Delete(3,1004,1) Clear(3,1) Keyboard(3,1004,1) ", "action=3 type=1 key=1004"},
      {0, 0, 'W', "Delete(0,87,0) Delete(0,87,1) Clear(0,0) Keyboard(0,87,0) ", "action=0 type=0 key=87"},
      // "No key": nothing to delete and nothing to set, but the slot is emptied.
      {12, 0, 0, "Clear(12,0) ", "action=12 type=0 key=0"},
      {5, 1, kNoKeyCode, "Clear(5,1) ", "action=5 type=1 key=1056"},
      {40, 2, 0, "Clear(40,2) ", "action=40 type=2 key=0"},
      {7, 0, static_cast<uint32_t>(-1), "Clear(7,0) ", "action=7 type=0 key=4294967295"},
  };
  for (const Applied& binding : cases) {
    sim::clearRoutineCalls();
    EXPECT_TRUE(applyBinding(binding.action, binding.type, binding.key)) << binding.line;
    EXPECT_EQ(bindingCalls(), binding.calls);
    EXPECT_EQ(logCount("[NATIVE] Binding applied by GTA rules: " + binding.line), 1);
  }
  EXPECT_TRUE(sim::callsOf(gta::kSaveSettings).empty()) << "saving is the executor's part";
}

// Keys the game's controls menu refuses or cannot name, and mouse codes it has no button for,
// change nothing in the game and say so.
TEST_F(Bindings, KeysTheGameCannotBindAreRefusedWithALine) {
  const struct {
    int32_t type;
    uint32_t key;
  } refused[] = {{0, 1000}, {1, 1001}, {0, 1053}, {0, 999}, {1, static_cast<uint32_t>(-5)}, {2, 8}, {2, 'W'}};
  for (const auto& binding : refused) {
    sim::setActionKey(9, binding.type, 'Q');
    EXPECT_FALSE(applyBinding(9, binding.type, binding.key));
    EXPECT_EQ(sim::actionKey(9, binding.type), static_cast<uint32_t>('Q'));
    EXPECT_EQ(logCount("[NATIVE] Binding refused (a key the game cannot bind there): action=9 type=" +
                       std::to_string(binding.type) + " key=" + std::to_string(binding.key)),
              1);
  }
  EXPECT_TRUE(sim::routineCalls().empty()) << bindingCalls();
}

// Rebinding a key that another action holds in either keyboard slot leaves that action without it:
// the game's deletion clears only the slot kind it is asked about, so it must be asked for both.
TEST_F(Bindings, AKeyReboundFromAnotherActionLeavesBothItsKeyboardSlots) {
  sim::setActionKey(20, 0, 'E');
  sim::setActionKey(21, 1, 'E');
  sim::setActionKey(22, 2, 3);
  ASSERT_TRUE(applyBinding(30, 1, 'E'));
  EXPECT_EQ(sim::actionKey(20, 0), sim::kNoKey);
  EXPECT_EQ(sim::actionKey(21, 1), sim::kNoKey);
  EXPECT_EQ(sim::actionKey(30, 1), static_cast<uint32_t>('E'));
  ASSERT_TRUE(applyBinding(31, 2, 3));
  EXPECT_EQ(sim::actionKey(22, 2), 0u) << "an emptied mouse slot holds 0";
  EXPECT_EQ(sim::actionKey(31, 2), 3u);
}

TEST_F(Bindings, OutOfRangeOrUnsupportedDoesNothingAndSaysNothing) {
  const struct {
    int32_t action, type;
  } refused[] = {{59, 0}, {-1, 0}, {INT32_MIN, 1}, {0, 3}, {0, -1}, {58, 0x7FFFFFFF}};
  for (const auto& binding : refused) EXPECT_FALSE(applyBinding(binding.action, binding.type, 'W'));
  gState.nativeSupported = false;
  EXPECT_FALSE(applyBinding(0, 0, 'W'));
  EXPECT_TRUE(sim::routineCalls().empty()) << bindingCalls();
  EXPECT_TRUE(logMessages().empty());
}

struct Faulting {
  uintptr_t routine;
  int32_t type;
  uint32_t key;
  std::string calls;
  const char* line;
  uint32_t slotAfter;  // what the game's table holds in the slot afterwards
};

// Action 4's slot held 'Q' before; a fault stops the binding where it happened and is logged.
TEST_F(Bindings, AFaultAtEachStepIsContainedAndLogged) {
  const Faulting cases[] = {
      {gta::kDeleteMatchingActionInitiators, 0, 'W', "Delete(4,87,0) ", kDeleteFault, 'Q'},
      {gta::kClearActionSlot, 0, 'W', "Delete(4,87,0) Delete(4,87,1) Clear(4,0) ", kWriteFault, 'Q'},
      {gta::kSetKeyboardKeyForAction, 1, 'W', "Delete(4,87,0) Delete(4,87,1) Clear(4,1) Keyboard(4,87,1) ", kWriteFault,
       sim::kNoKey},
      {gta::kSetMouseButtonForAction, 2, 3, "Delete(4,3,2) Clear(4,2) Mouse(4,3) ", kWriteFault, 0},
      {gta::kClearActionSlot, 1, kNoKeyCode, "Clear(4,1) ", kWriteFault, 'Q'},
  };
  for (RoutineBehaviour behaviour : {RoutineBehaviour::Fault, RoutineBehaviour::IllegalInstruction,
                                     RoutineBehaviour::Raise, RoutineBehaviour::Throw}) {
    for (const Faulting& fault : cases) {
      resetLog();
      sim::clearRoutineCalls();
      sim::setActionKey(4, fault.type, 'Q');
      sim::setRoutineBehaviour(fault.routine, behaviour);
      EXPECT_FALSE(applyBinding(4, fault.type, fault.key)) << fault.calls;
      sim::setRoutineBehaviour(fault.routine, RoutineBehaviour::Return);
      EXPECT_EQ(bindingCalls(), fault.calls);
      EXPECT_EQ(logMessages(), std::vector<std::string>{fault.line}) << "no \"applied\" line after a fault";
      EXPECT_EQ(sim::actionKey(4, fault.type), fault.slotAfter) << fault.calls;
    }
  }
}

// The executor around applyBinding: the save follows a binding that the game took, and the
// "saved" line is logged even when the save is refused.
class BindingCommands : public Bindings {
 protected:
  void SetUp() override {
    Bindings::SetUp();
    sim::createGameWindow();
    startModule();
    ASSERT_TRUE(gState.nativeSupported);
    ASSERT_TRUE(gState.persistenceAvailable);
    runFrames(3, 16);
    sim::clearRoutineCalls();
  }
  void TearDown() override { cef_quit(); }

  void runCommand(const BridgeCommand& command) {
    ASSERT_TRUE(pushCommand(command));
    runFrame();
  }
};

TEST_F(BindingCommands, ABindingIsSavedAndShownByTheNextRefresh) {
  runCommand(bindCommand(58, 2, 2));
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 1u);
  EXPECT_EQ(logMessagesStartingWith({"[NATIVE] Binding"}),
            (std::vector<std::string>{"[NATIVE] Binding applied by GTA rules: action=58 type=2 key=2",
                                       "[NATIVE] Binding saved: action=58 type=2 key=2"}));
  // The document is rebuilt at most every 120 ms, never forced by a binding.
  runFrames(8, 16);
  EXPECT_NE(readStateDocument().find("\"58\":[0,0,2]"), std::string::npos) << readStateDocument();

  gState.persistenceAvailable = false;
  runCommand(bindCommand(1, 0, 'K'));
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 1u) << "a refused save calls nothing";
  EXPECT_EQ(logCount("[NATIVE] Binding saved: action=1 type=0 key=75"), 1);
}

TEST_F(BindingCommands, NothingIsSavedAfterARefusalOrAFault) {
  runCommand(bindCommand(59, 0, 'W'));
  runCommand(bindCommand(2, 0, 1001));
  sim::setRoutineBehaviour(gta::kClearActionSlot, RoutineBehaviour::Fault);
  runCommand(bindCommand(2, 0, 'W'));
  sim::setRoutineBehaviour(gta::kClearActionSlot, RoutineBehaviour::Return);
  gState.nativeSupported = false;
  runCommand(bindCommand(2, 0, 'W'));
  EXPECT_EQ(bindingCalls(), "Delete(2,87,0) Delete(2,87,1) Clear(2,0) ");
  EXPECT_TRUE(sim::callsOf(gta::kSaveSettings).empty());
  EXPECT_EQ(logCount(kWriteFault), 1);
  EXPECT_EQ(logMessagesStartingWith({"[NATIVE] Binding"}),
            std::vector<std::string>{"[NATIVE] Binding refused (a key the game cannot bind there): action=2 type=0 key=1001"});
}

TEST_F(BindingCommands, ResetRestoresTheGamesDefaults) {
  runCommand(bindCommand(0, 0, 'W'));
  runCommand(resetCommand());
  for (int action = 0; action < 59; ++action)
    for (int slot = 0; slot < 3; ++slot)
      ASSERT_EQ(sim::actionKey(action, slot), sim::defaultActionKey(action, slot)) << action << " " << slot;
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 2u);
  runFrames(8, 16);
  const std::string defaults = "\"0\":[" + std::to_string(sim::defaultActionKey(0, 0)) + "," +
                               std::to_string(sim::defaultActionKey(0, 1)) + "," +
                               std::to_string(sim::defaultActionKey(0, 2)) + "]";
  EXPECT_NE(readStateDocument().find(defaults), std::string::npos) << readStateDocument();
}

}  // namespace
