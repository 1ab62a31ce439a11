// The fault guard and the guarded game access under real faults: no-access pages, routines that
// fault, raise, throw or execute an illegal instruction, and many threads at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/fault_guard.h"
#include "native/game_access.h"
#include "sim/sim_game.h"

namespace {

using sim::RoutineBehaviour;
namespace gta = sim::gta;

std::string logText() {
  std::ifstream file(logFilePath(), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class GuardedAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    resetLog();
    gState.nativeSupported = true;
    gState.persistenceAvailable = true;
  }
};

TEST_F(GuardedAccess, ReadsAndWritesEachWidthAtItsAddress) {
  uint8_t volume = 0;
  int32_t brightness = 0;
  float drawDistance = 0;
  ASSERT_TRUE(guardedRead8(game::kSfxVolume, volume));
  ASSERT_TRUE(guardedRead32(game::kBrightness, brightness));
  ASSERT_TRUE(guardedReadFloat(game::kDrawDistance, drawDistance));
  EXPECT_EQ(volume, 64);
  EXPECT_EQ(brightness, 256);
  EXPECT_FLOAT_EQ(drawDistance, 1.2f);

  ASSERT_TRUE(guardedWrite8(game::kMusicVolume, 17));
  ASSERT_TRUE(guardedWrite32(game::kRadarMode, 2));
  ASSERT_TRUE(guardedWriteFloat(game::kMouseSensitivity, 0.004f));
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMusicVolume), 17);
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMusicVolume + 1), 1) << "a 1-byte write must not spill into the next byte";
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kRadarMode), 2);
  EXPECT_FLOAT_EQ(sim::gameValue<float>(gta::kMouseSensitivity), 0.004f);
}

TEST_F(GuardedAccess, UnmappedReadAndWriteFailAndKeepThePreset) {
  const uintptr_t bad = sim::noAccessAddress();
  uint8_t byte = 0xAB;
  int32_t word = -77;
  float real = 3.5f;
  EXPECT_FALSE(guardedRead8(bad, byte));
  EXPECT_FALSE(guardedRead32(bad, word));
  EXPECT_FALSE(guardedReadFloat(bad, real));
  EXPECT_EQ(byte, 0xAB);
  EXPECT_EQ(word, -77);
  EXPECT_EQ(real, 3.5f);
  EXPECT_FALSE(guardedWrite8(bad, 1));
  EXPECT_FALSE(guardedWrite32(bad, 1));
  EXPECT_FALSE(guardedWriteFloat(bad, 1.0f));
  // The process carries on and the guard still works afterwards.
  EXPECT_TRUE(guardedRead32(game::kBrightness, word));
  EXPECT_EQ(word, 256);
}

TEST_F(GuardedAccess, WithoutNativeSupportNothingIsTouched) {
  gState.nativeSupported = false;
  int32_t word = -5;
  EXPECT_FALSE(guardedRead32(game::kBrightness, word));
  EXPECT_EQ(word, -5);
  EXPECT_FALSE(guardedWrite32(game::kBrightness, 999));
  EXPECT_FALSE(guardedWrite8(game::kSfxVolume, 1));
  EXPECT_FALSE(guardedWriteFloat(game::kDrawDistance, 5.0f));
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kBrightness), 256);
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kSfxVolume), 64);
  EXPECT_FLOAT_EQ(sim::gameValue<float>(gta::kDrawDistance), 1.2f);

  EXPECT_FALSE(saveGameSettings());
  EXPECT_TRUE(sim::routineCalls().empty());
  EXPECT_EQ(logText(), "\xEF\xBB\xBF") << "a refused save logs nothing";
}

TEST_F(GuardedAccess, SaveSettingsIsAMemberCallOnTheGameMenu) {
  EXPECT_TRUE(saveGameSettings());
  const std::vector<sim::RoutineCall> calls = sim::callsOf(gta::kSaveSettings);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].receiver, gta::kGameMenu);
  EXPECT_TRUE(calls[0].args.empty());
}

TEST_F(GuardedAccess, SaveWithPatchedPersistenceCallsNothing) {
  gState.persistenceAvailable = false;
  EXPECT_FALSE(saveGameSettings());
  EXPECT_TRUE(sim::routineCalls().empty());
  EXPECT_EQ(logText(), "\xEF\xBB\xBF");
}

// Every way a game routine can go wrong ends as a false result with the process alive.
class MisbehavingRoutine : public GuardedAccess, public ::testing::WithParamInterface<RoutineBehaviour> {};

TEST_P(MisbehavingRoutine, SaveFailsAndIsLogged) {
  sim::setRoutineBehaviour(gta::kSaveSettings, GetParam());
  EXPECT_FALSE(callSaveSettings());
  EXPECT_FALSE(saveGameSettings());
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 2u) << "the routine ran up to its fault both times";
  EXPECT_NE(logText().find("[NATIVE] EXCEPTION in SaveSettings.\r\n"), std::string::npos);
}

TEST_P(MisbehavingRoutine, EveryOtherRoutineCallFails) {
  for (uintptr_t routine : {gta::kReinitControls, gta::kDeleteMatchingActionInitiators, gta::kClearActionSlot,
                            gta::kSetKeyboardKeyForAction, gta::kSetMouseButtonForAction, gta::kSwitchMenuPage,
                            gta::kApplySfxVolume, gta::kApplyMusicVolume, gta::kApplyRadioEq, gta::kApplyRadioAutoRetune})
    sim::setRoutineBehaviour(routine, GetParam());
  EXPECT_FALSE(callReinitControls());
  EXPECT_FALSE(callDeleteMatchingActionInitiators(1, 2, 3));
  EXPECT_FALSE(callClearActionSlot(1, 2));
  EXPECT_FALSE(callClearActionSlotAndSetKey(1, 0, 3)) << "stops at the clear";
  sim::setGameValue<uint8_t>(gta::kGameMenuActive, 1);
  EXPECT_FALSE(switchToMapPage());
  EXPECT_FALSE(callApplySfxVolume(3));
  EXPECT_FALSE(callApplyMusicVolume(3));
  EXPECT_FALSE(callApplyRadioEq(1));
  EXPECT_FALSE(callApplyRadioAutoRetune(0));
  EXPECT_EQ(sim::routineCalls().size(), 9u);
}

TEST_P(MisbehavingRoutine, ResolutionCallsFailWithZeroedResults) {
  sim::setRoutineBehaviour(gta::kGetResolutionModeCount, GetParam());
  sim::setRoutineBehaviour(gta::kGetResolutionModeInfo, GetParam());
  int32_t count = 99;
  EXPECT_FALSE(getResolutionModeCount(&count));
  EXPECT_EQ(count, 0);
  ResolutionModeInfo info;
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_FALSE(getResolutionModeInfo(1, &info));
  EXPECT_EQ(info.width, 0);
  EXPECT_EQ(info.height, 0);
}

INSTANTIATE_TEST_SUITE_P(EachFault, MisbehavingRoutine,
                         ::testing::Values(RoutineBehaviour::Fault, RoutineBehaviour::IllegalInstruction,
                                           RoutineBehaviour::Raise, RoutineBehaviour::Throw));

TEST_F(GuardedAccess, ARoutineThatHandlesItsOwnExceptionsSucceeds) {
  sim::setRoutineBehaviour(gta::kSaveSettings, RoutineBehaviour::RaiseAndHandle);
  sim::setRoutineBehaviour(gta::kReinitControls, RoutineBehaviour::RaiseAndHandle);
  EXPECT_TRUE(saveGameSettings());
  EXPECT_TRUE(callReinitControls());
  EXPECT_EQ(logText(), "\xEF\xBB\xBF");
}

TEST_F(GuardedAccess, MemberRoutinesGetTheirReceiverAndArgumentsInOrder) {
  ASSERT_TRUE(callReinitControls());
  ASSERT_TRUE(callDeleteMatchingActionInitiators(41, 1003, 2));
  ASSERT_TRUE(callClearActionSlot(7, 1));
  ASSERT_TRUE(callClearActionSlotAndSetKey(58, 0, 'W'));
  ASSERT_TRUE(callClearActionSlotAndSetKey(3, 2, 2));
  sim::setGameValue<uint8_t>(gta::kGameMenuActive, 1);
  ASSERT_TRUE(switchToMapPage());
  ASSERT_TRUE(callApplySfxVolume(33));
  ASSERT_TRUE(callApplyMusicVolume(64));
  ASSERT_TRUE(callApplyRadioEq(1));
  ASSERT_TRUE(callApplyRadioAutoRetune(0));
  const std::vector<sim::RoutineCall> calls = sim::routineCalls();
  ASSERT_EQ(calls.size(), 12u);
  const struct {
    uintptr_t routine;
    uintptr_t receiver;
    std::vector<int32_t> args;
  } expected[] = {
      {gta::kReinitControls, gta::kGameControls, {}},
      {gta::kDeleteMatchingActionInitiators, gta::kGameControls, {41, 1003, 2}},
      {gta::kClearActionSlot, gta::kGameControls, {7, 1}},
      {gta::kClearActionSlot, gta::kGameControls, {58, 0}},
      {gta::kSetKeyboardKeyForAction, gta::kGameControls, {58, 'W', 0}},
      {gta::kClearActionSlot, gta::kGameControls, {3, 2}},
      {gta::kSetMouseButtonForAction, gta::kGameControls, {3, 2}},
      {gta::kSwitchMenuPage, gta::kGameMenu, {5}},
      {gta::kApplySfxVolume, gta::kAudioEngine, {33}},
      {gta::kApplyMusicVolume, gta::kAudioEngine, {64}},
      {gta::kApplyRadioEq, gta::kAudioEngine, {1}},
      {gta::kApplyRadioAutoRetune, gta::kAudioEngine, {0}},
  };
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].routine, expected[i].routine) << i;
    EXPECT_EQ(calls[i].receiver, expected[i].receiver) << i;
    EXPECT_EQ(calls[i].args, expected[i].args) << i;
  }
}

// The game's menu is requested as the game requests it: the start-request byte, set only while
// its menu is not up, and no routine called.
TEST_F(GuardedAccess, TheGamesMenuIsRequestedThroughItsStartRequestByte) {
  sim::setGameValue<uint8_t>(gta::kGameMenuActive, 1);
  ASSERT_TRUE(requestGameMenu());
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMenuStartRequest), 0) << "the menu is up already";
  sim::setGameValue<uint8_t>(gta::kGameMenuActive, 0);
  ASSERT_TRUE(requestGameMenu());
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMenuStartRequest), 1);
  EXPECT_TRUE(sim::routineCalls().empty());
  sim::runGameFrame();
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kGameMenuActive), 1) << "the game's next frame opens its menu";
  EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMenuStartRequest), 0);
  sim::setGameValue<uint8_t>(gta::kGameMenuActive, 0);
}

TEST_F(GuardedAccess, ResolutionModesAreReadOnlyBehindAnOpenGate) {
  sim::setResolutionModes({{800, 600}, {1920, 1080}});
  int32_t count = -1;
  ASSERT_TRUE(getResolutionModeCount(&count));
  EXPECT_EQ(count, 2);
  ResolutionModeInfo info{};
  ASSERT_TRUE(getResolutionModeInfo(1, &info));
  EXPECT_EQ(info.width, 1920);
  EXPECT_EQ(info.height, 1080);
  EXPECT_FALSE(getResolutionModeInfo(2, &info)) << "the game reports mode 2 as not filled";
  EXPECT_EQ(info.width, 0) << "zeroed before the call";
  EXPECT_FALSE(getResolutionModeCount(nullptr));
  EXPECT_FALSE(getResolutionModeInfo(0, nullptr));

  sim::clearRoutineCalls();
  sim::setGameValue<int32_t>(gta::kResolutionGate, 0);
  count = 7;
  EXPECT_FALSE(getResolutionModeCount(&count));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(getResolutionModeInfo(0, &info));
  EXPECT_TRUE(sim::routineCalls().empty()) << "a closed gate calls nothing in the game";
}

// The module's table against the game's layout as the simulated game spells it on its own: a
// typo on either side, or two names for one address, fails here.
TEST(GameTable, EveryAddressMatchesTheGameAndIsDistinct) {
  const std::pair<uintptr_t, uintptr_t> entries[] = {
      {game::kGameMenu, gta::kGameMenu},
      {game::kGameControls, gta::kGameControls},
      {game::kMouseSensitivity, gta::kMouseSensitivity},
      {game::kInvertY, gta::kInvertY},
      {game::kMouseSteer, gta::kMouseSteer},
      {game::kMouseFly, gta::kMouseFly},
      {game::kHud, gta::kHud},
      {game::kRadarMode, gta::kRadarMode},
      {game::kBrightness, gta::kBrightness},
      {game::kDrawDistance, gta::kDrawDistance},
      {game::kSubtitles, gta::kSubtitles},
      {game::kWidescreen, gta::kWidescreen},
      {game::kFrameLimiter, gta::kFrameLimiter},
      {game::kRadioAuto, gta::kRadioAuto},
      {game::kSfxVolume, gta::kSfxVolume},
      {game::kMusicVolume, gta::kMusicVolume},
      {game::kRadioEq, gta::kRadioEq},
      {game::kGameMenuActive, gta::kGameMenuActive},
      {game::kResolutionMode, gta::kResolutionMode},
      {game::kResolutionModeSecondary, gta::kResolutionModeSecondary},
      {game::kActionTable, gta::kActionTable},
      {game::kPlayerPed, gta::kPlayerPed},
      {game::kResolutionGate, gta::kResolutionGate},
      {game::kSaveSettings, gta::kSaveSettings},
      {game::kPersistenceHelper, gta::kPersistenceHelper},
      {game::kReinitControls, gta::kReinitControls},
      {game::kDeleteMatchingActionInitiators, gta::kDeleteMatchingActionInitiators},
      {game::kClearActionSlot, gta::kClearActionSlot},
      {game::kSetKeyboardKeyForAction, gta::kSetKeyboardKeyForAction},
      {game::kSetMouseButtonForAction, gta::kSetMouseButtonForAction},
      {game::kSwitchMenuPage, gta::kSwitchMenuPage},
      {game::kGetResolutionModeCount, gta::kGetResolutionModeCount},
      {game::kGetResolutionModeInfo, gta::kGetResolutionModeInfo},
      {game::kApplySfxVolume, gta::kApplySfxVolume},
      {game::kApplyMusicVolume, gta::kApplyMusicVolume},
      {game::kApplyRadioEq, gta::kApplyRadioEq},
      {game::kApplyRadioAutoRetune, gta::kApplyRadioAutoRetune},
      {game::kAudioEngine, gta::kAudioEngine},
      {game::kMenuStartRequest, gta::kMenuStartRequest},
      {game::kLodDistanceScale, gta::kLodDistanceScale},
      {game::kVideoModeNames, gta::kVideoModeNames},
  };
  std::set<uintptr_t> distinct;
  for (const auto& [table, layout] : entries) {
    EXPECT_EQ(table, layout) << std::hex << table;
    EXPECT_TRUE(distinct.insert(table).second) << std::hex << table << " appears twice";
  }
  EXPECT_EQ(game::actionKeySlot(0, 1), 0xB70D10u);
  EXPECT_EQ(game::actionKeySlot(58, 1), 0xB71450u);
}

// A routine's own calling form must leave the caller's stack exactly as before, after a normal
// return and after a fault alike.
__attribute__((noinline)) uintptr_t stackDepth() {
  volatile int marker = 0;
  return reinterpret_cast<uintptr_t>(&marker);
}

TEST(FaultGuard, ThousandsOfFaultsLeaveTheStackWhereItWas) {
  sim::installGame();
  gState.nativeSupported = true;
  const uintptr_t depthBefore = stackDepth();
  volatile int32_t sentinels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  int failures = 0;
  for (int i = 0; i < 2000; ++i) {
    int32_t value = 0;
    if (!guardedRead32(sim::noAccessAddress(), value)) ++failures;
  }
  sim::setRoutineBehaviour(gta::kSetKeyboardKeyForAction, RoutineBehaviour::Fault);
  for (int i = 0; i < 200; ++i) failures += callClearActionSlotAndSetKey(i, 0, i) ? 0 : 1;
  sim::setRoutineBehaviour(gta::kApplySfxVolume, RoutineBehaviour::Return);
  for (int i = 0; i < 200; ++i) failures += callApplySfxVolume(1) ? 0 : 1;
  EXPECT_EQ(failures, 2200);
  EXPECT_EQ(stackDepth(), depthBefore);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(sentinels[i], i + 1);
}

TEST(FaultGuard, GuardsOnSeveralThreadsAtOnce) {
  sim::installGame();
  gState.nativeSupported = true;
  sim::setRoutineBehaviour(gta::kClearActionSlot, RoutineBehaviour::Raise);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong, t] {
      for (int i = 0; i < 1000; ++i) {
        int32_t value = -1;
        if (guardedRead32(sim::noAccessAddress(), value) || value != -1) ++wrong;
        if (!guardedRead32(game::kBrightness, value) || value != 256) ++wrong;
        if (i % 10 == t && callClearActionSlot(i, t)) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(FaultGuard, ExceptionsOutsideAGuardAreLeftAlone) {
  int caught = 0;
  EXPECT_FALSE(runGuarded([](void*) { throw std::runtime_error("inside"); }, nullptr));
  try {
    throw std::logic_error("outside");
  } catch (const std::logic_error&) {
    ++caught;
  }
  // A throw that passes through a guard that returned normally reaches its own handler too.
  try {
    EXPECT_TRUE(runGuarded([](void* count) { ++*static_cast<int*>(count); }, &caught));
    throw 42;
  } catch (int value) {
    caught += value;
  }
  EXPECT_EQ(caught, 44);
}

}  // namespace
