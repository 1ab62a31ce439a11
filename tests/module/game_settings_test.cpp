// Settings applied by name in the simulated game's memory, the volume routines, the resolution
// checks and the deferred save.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/plugin_state.h"
#include "native/game_settings.h"
#include "tests/module/screens_harness.h"
#include "tests/sim/sim_game.h"

namespace {

using screens_harness::logCount;
using sim::RoutineBehaviour;
namespace gta = sim::gta;

class GameSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    sim::installFakeClock(::GetModuleHandleW(nullptr));
    sim::setTickMs(50000);
    resetLog();
    gState.nativeSupported = true;
    gState.persistenceAvailable = true;
    gState.settingsDirty = false;
    sim::clearRoutineCalls();
  }
};

uint32_t gameWord(uintptr_t address, int width) {
  uint32_t word = 0;
  std::memcpy(&word, reinterpret_cast<const void*>(address), width);
  return word;
}

struct Write {
  const char* name;
  int32_t value;
  uintptr_t address;
  int width;
  uint32_t expected;       // the bytes written, as a little-endian word
  uintptr_t volumeRoutine;  // called with the level, or 0
};

// The float bit patterns are the single-precision results in the game's order of operations,
// which the 32-bit build computes on the x87 unit.
const Write kWrites[] = {
    {"mouseSensitivity", 150, gta::kMouseSensitivity, 4, 0x3BA3D70A, 0},
    {"mouseSensitivity", 33, gta::kMouseSensitivity, 4, 0x3AEE392F, 0},
    {"drawDistance", 33, gta::kDrawDistance, 4, 0x3F90A3D7, 0},
    {"drawDistance", 100, gta::kDrawDistance, 4, 0x3FE66666, 0},
    {"invertY", -1, gta::kInvertY, 1, 1, 0},
    {"mouseSteer", 0, gta::kMouseSteer, 1, 0, 0},
    {"mouseFly", 5, gta::kMouseFly, 1, 1, 0},
    {"brightness", 33, gta::kBrightness, 4, 168, 0},
    {"widescreen", 1, gta::kWidescreen, 1, 1, 0},
    {"frameLimiter", 0, gta::kFrameLimiter, 1, 0, 0},
    {"hud", 0, gta::kHud, 1, 0, 0},
    {"subtitles", 2, gta::kSubtitles, 1, 1, 0},
    {"radarMode", 7, gta::kRadarMode, 4, 2, 0},
    {"radarMode", -3, gta::kRadarMode, 4, 0, 0},
    {"sfxVolume", 33, gta::kSfxVolume, 1, 21, gta::kApplySfxVolume},
    {"musicVolume", 50, gta::kMusicVolume, 1, 32, gta::kApplyMusicVolume},
    {"radioEq", 0, gta::kRadioEq, 1, 0, 0},
    {"radioAuto", 0, gta::kRadioAuto, 1, 0, 0},
    {"resolutionMode", 3, gta::kResolutionMode, 4, 3, 0},
};

TEST_F(GameSettings, EachSettingWritesItsGameValueAndArmsTheSave) {
  for (const Write& write : kWrites) {
    sim::setGameValue<uint64_t>(write.address & ~uintptr_t{3}, 0xA5A5A5A5A5A5A5A5u);  // the words around it
    sim::clearRoutineCalls();
    gState.settingsDirty = false;
    EXPECT_TRUE(applySetting(write.name, write.value)) << write.name;
    EXPECT_EQ(gameWord(write.address, write.width), write.expected) << write.name << " " << write.value;
    if (write.width == 1) {
      EXPECT_EQ(sim::gameValue<uint8_t>(write.address + 1), 0xA5) << "spilled: " << write.name;
    }
    EXPECT_TRUE(gState.settingsDirty) << write.name;
    const std::vector<sim::RoutineCall> volume = sim::callsOf(write.volumeRoutine);
    if (write.volumeRoutine != 0) {
      ASSERT_EQ(volume.size(), 1u) << write.name;
      EXPECT_EQ(volume[0].args, std::vector<int32_t>{static_cast<int32_t>(write.expected)});
      EXPECT_EQ(volume[0].receiver, 0u);
    }
  }
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kResolutionModeSecondary), 3) << "the mode goes to both variables";
}

TEST_F(GameSettings, RefusedChangesWriteNothingAndArmNoSave) {
  sim::setResolutionModes({{640, 480}, {320, 240}, {800, 600}});
  sim::setGameValue<int32_t>(gta::kResolutionMode, 0);
  sim::setGameValue<int32_t>(gta::kBrightness, 77);
  const struct {
    const char* what;
    const char* name;
    int32_t value;
    void (*arrange)();
  } refusals[] = {
      {"unknown name", "volume", 50, [] {}},
      {"wrong case", "Brightness", 50, [] {}},
      {"mode equal to the count", "resolutionMode", 3, [] {}},
      {"negative mode", "resolutionMode", -1, [] {}},
      {"mode smaller than 640 x 480", "resolutionMode", 1, [] {}},
      {"resolution gate closed", "resolutionMode", 2, [] { sim::setGameValue<int32_t>(gta::kResolutionGate, 0); }},
      {"count beyond 512", "resolutionMode", 2,
       [] { sim::setResolutionModes(std::vector<std::pair<int32_t, int32_t>>(513, {800, 600})); }},
      {"count routine faults", "resolutionMode", 2,
       [] { sim::setRoutineBehaviour(gta::kGetResolutionModeCount, RoutineBehaviour::Fault); }},
      {"no native support", "brightness", 50, [] { gState.nativeSupported = false; }},
  };
  for (const auto& refusal : refusals) {
    refusal.arrange();
    EXPECT_FALSE(applySetting(refusal.name, refusal.value)) << refusal.what;
    EXPECT_FALSE(gState.settingsDirty) << refusal.what;
  }
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kResolutionMode), 0);
  EXPECT_EQ(sim::gameValue<int32_t>(gta::kBrightness), 77);
}

TEST_F(GameSettings, AFaultingVolumeRoutineIsSwallowedAndTheLevelStays) {
  for (RoutineBehaviour behaviour : {RoutineBehaviour::Fault, RoutineBehaviour::Throw, RoutineBehaviour::Raise}) {
    sim::setRoutineBehaviour(gta::kApplyMusicVolume, behaviour);
    EXPECT_TRUE(applySetting("musicVolume", 100));
    EXPECT_EQ(sim::gameValue<uint8_t>(gta::kMusicVolume), 64);
    sim::setGameValue<uint8_t>(gta::kMusicVolume, 0);
  }
  EXPECT_EQ(sim::callsOf(gta::kApplyMusicVolume).size(), 3u);
}

TEST_F(GameSettings, ABurstOfChangesIsSavedOnce200msAfterTheLast) {
  applySetting("brightness", 10);
  sim::advanceMs(150);
  applySetting("brightness", 20);
  for (int frame = 0; frame < 20; ++frame) {
    sim::advanceMs(16);
    saveChangedSettings();
    const bool due = frame >= 12;  // 13 x 16 = 208 ms after the second change
    EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), due ? 1u : 0u) << "frame " << frame;
  }
  EXPECT_EQ(logCount("[NATIVE] Saving changed GTA settings..."), 1);
  EXPECT_EQ(logCount("[NATIVE] Settings persisted. save=YES"), 1);
}

TEST_F(GameSettings, SaveOutcomesWithoutPersistenceOrWithAFaultingSave) {
  gState.persistenceAvailable = false;
  applySetting("hud", 1);
  sim::advanceMs(200);
  saveChangedSettings();
  EXPECT_EQ(logCount("[NATIVE] Settings applied for current session (persistence helper is patched)."), 1);
  EXPECT_TRUE(sim::callsOf(gta::kSaveSettings).empty());

  gState.persistenceAvailable = true;
  sim::setRoutineBehaviour(gta::kSaveSettings, RoutineBehaviour::Fault);
  applySetting("hud", 0);
  sim::advanceMs(200);
  saveChangedSettings();
  saveChangedSettings();
  EXPECT_EQ(logCount("[NATIVE] EXCEPTION in SaveSettings."), 1);
  EXPECT_EQ(logCount("[NATIVE] Settings persisted. save=NO"), 1) << "a failed save is not retried";
  sim::setRoutineBehaviour(gta::kSaveSettings, RoutineBehaviour::Return);

  gState.nativeSupported = false;
  gState.settingsDirty = true;
  sim::advanceMs(1000);
  saveChangedSettings();
  EXPECT_EQ(sim::callsOf(gta::kSaveSettings).size(), 1u) << "only the faulting call";
  EXPECT_EQ(logCount("[NATIVE] Saving changed GTA settings..."), 1);
}

}  // namespace
