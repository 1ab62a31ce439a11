// Settings applied by name in the simulated game's memory, the volume routines, the resolution
// checks and the deferred save.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/plugin_state.h"
#include "native/game_settings.h"
#include "sim/sim_game.h"
#include "tests/module/screens_harness.h"

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

uint32_t bitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

struct Write {
  const char* name;
  int32_t value;
  uintptr_t address;
  int width;
  uint32_t expected;        // the bytes written, as a little-endian word
  uintptr_t audioRoutine;   // the audio engine's routine called with the value, or 0
};

// Where the game's own menu would put each page value: the ends of its sliders, the nearest of
// its brightness steps (0..384) and volume levels (0..64), invert mouse ON as 0.
const Write kWrites[] = {
    {"mouseSensitivity", 150, gta::kMouseSensitivity, 4, bitsOf(1.0f / 200.0f), 0},
    {"mouseSensitivity", 0, gta::kMouseSensitivity, 4, bitsOf(1.0f / 3200.0f), 0},
    {"drawDistance", 0, gta::kDrawDistance, 4, bitsOf(0.925f), 0},
    {"drawDistance", 100, gta::kDrawDistance, 4, bitsOf(1.8f), 0},
    {"invertY", -1, gta::kInvertY, 1, 0, 0},
    {"invertY", 0, gta::kInvertY, 1, 1, 0},
    {"mouseSteer", 0, gta::kMouseSteer, 1, 0, 0},
    {"mouseFly", 5, gta::kMouseFly, 1, 1, 0},
    {"brightness", 33, gta::kBrightness, 4, 127, 0},
    {"brightness", 100, gta::kBrightness, 4, 384, 0},
    {"widescreen", 1, gta::kWidescreen, 1, 1, 0},
    {"frameLimiter", 0, gta::kFrameLimiter, 1, 0, 0},
    {"hud", 0, gta::kHud, 1, 0, 0},
    {"subtitles", 2, gta::kSubtitles, 1, 1, 0},
    {"radarMode", 7, gta::kRadarMode, 4, 2, 0},
    {"radarMode", -3, gta::kRadarMode, 4, 0, 0},
    {"sfxVolume", 33, gta::kSfxVolume, 1, 21, gta::kApplySfxVolume},
    {"musicVolume", 50, gta::kMusicVolume, 1, 32, gta::kApplyMusicVolume},
    {"radioEq", 0, gta::kRadioEq, 1, 0, gta::kApplyRadioEq},
    {"radioAuto", 7, gta::kRadioAuto, 1, 1, gta::kApplyRadioAutoRetune},
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
    const std::vector<sim::RoutineCall> audio = sim::callsOf(write.audioRoutine);
    if (write.audioRoutine != 0) {
      ASSERT_EQ(audio.size(), 1u) << write.name;
      EXPECT_EQ(audio[0].args, std::vector<int32_t>{static_cast<int32_t>(write.expected)});
      EXPECT_EQ(audio[0].receiver, gta::kAudioEngine);
    }
    if (write.address == gta::kDrawDistance) {
      EXPECT_EQ(gameWord(gta::kLodDistanceScale, 4), write.expected) << "the renderer's scale the game reads";
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
      {"the desktop's windowed mode", "resolutionMode", 0,
       [] {
         sim::setVideoModes({{1920, 1080, 32, 0}, {1366, 768, 32, sim::kExclusive}, {1024, 768, 32, sim::kExclusive}});
       }},
      {"a ratio the game does not accept", "resolutionMode", 1, [] {}},
      {"left out of the game's built list (video memory)", "resolutionMode", 2,
       [] {
         sim::setVideoMemoryBytes(int64_t{46} << 20);
         sim::buildVideoModeList();
       }},
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
  EXPECT_EQ(logCount("[NATIVE] Resolution mode 1 refused: the game does not offer it."), 2);
  sim::setVideoMemoryBytes(int64_t{256} << 20);
}

// Whatever integer a page sends for any setting, every game variable afterwards holds a value the
// game's own menu could produce.
TEST_F(GameSettings, NoPageValueLeavesTheGameOutsideWhatItsMenuCanHold) {
  const char* const names[] = {"mouseSensitivity", "invertY",   "mouseSteer", "mouseFly",   "brightness", "drawDistance",
                               "resolutionMode",   "widescreen", "frameLimiter", "hud",      "subtitles",  "radarMode",
                               "sfxVolume",        "musicVolume", "radioEq",    "radioAuto"};
  const int32_t values[] = {INT32_MIN, -65536, -1, 0, 1, 2, 5, 6, 7, 64, 99, 100, 101, 384, 512, 65536, INT32_MAX};
  const uintptr_t toggles[] = {gta::kInvertY,   gta::kMouseSteer, gta::kMouseFly,  gta::kWidescreen,
                               gta::kFrameLimiter, gta::kHud,     gta::kSubtitles, gta::kRadioEq, gta::kRadioAuto};
  for (const char* name : names) {
    for (const int32_t value : values) {
      applySetting(name, value);
      const std::string what = std::string(name) + " = " + std::to_string(value);
      const float sensitivity = sim::gameValue<float>(gta::kMouseSensitivity);
      ASSERT_TRUE(sensitivity >= 1.0f / 3200.0f && sensitivity <= 1.0f / 200.0f) << what;
      for (const uintptr_t address : {gta::kDrawDistance, gta::kLodDistanceScale}) {
        const float distance = sim::gameValue<float>(address);
        ASSERT_TRUE(distance >= 0.925f && distance <= 1.8f) << what;
      }
      ASSERT_GE(sim::gameValue<int32_t>(gta::kBrightness), 0) << what;
      ASSERT_LE(sim::gameValue<int32_t>(gta::kBrightness), 384) << what;
      ASSERT_LE(sim::gameValue<uint8_t>(gta::kSfxVolume), 64) << what;
      ASSERT_LE(sim::gameValue<uint8_t>(gta::kMusicVolume), 64) << what;
      ASSERT_GE(sim::gameValue<int32_t>(gta::kRadarMode), 0) << what;
      ASSERT_LE(sim::gameValue<int32_t>(gta::kRadarMode), 2) << what;
      for (const uintptr_t toggle : toggles) ASSERT_LE(sim::gameValue<uint8_t>(toggle), 1) << what;
      ASSERT_TRUE(sim::visitDisplayPage()) << what;
    }
  }
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
