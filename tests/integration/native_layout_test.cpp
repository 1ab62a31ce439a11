// The executable layout check as cef_initialize runs it in the simulated game: its messages,
// their order, and the supported and persistence results.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/sim_game.h"

namespace {

namespace gta = sim::gta;

const std::string kAccepted = "[NATIVE] Core GTA memory layout accepted.";
const std::string kFailed = "[NATIVE] Core GTA memory layout check failed.";
const std::string kPersistent = "[NATIVE] settings persistence=YES";
const std::string kSessionOnly = "[NATIVE] settings persistence=NO (session only)";
const std::string kSupported = "[NATIVE] supported=YES";
const std::string kUnsupported = "[NATIVE] supported=NO";
const std::string kBadHeaders = "[NATIVE] Exception or invalid PE headers.";

// The check's own lines: everything between the banner and the host table's readiness line.
std::vector<std::string> layoutLines() {
  const std::vector<std::string> lines = sim::logMessages();
  std::vector<std::string> found;
  for (size_t i = 4; i < lines.size() && lines[i] != "[CEF] [OK] API ready (4 proven functions only)."; ++i)
    found.push_back(lines[i]);
  return found;
}

using Lines = std::vector<std::string>;

class LayoutCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::installGame();
    sim::module();  // loaded before any header is changed
  }
};

TEST_F(LayoutCheck, TheSupportedBuildIsAcceptedWithPersistence) {
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{kAccepted, kPersistent}));
  EXPECT_TRUE(sim::logHas(kSupported));
}

TEST_F(LayoutCheck, ADifferentTimeStampIsOnlyANote) {
  sim::setImageHeaders(gta::kTimeDateStamp + 1, gta::kEntryPointRva);
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{"[NATIVE] NOTE: patched timestamp 0x427101CB", kAccepted, kPersistent}));
  EXPECT_TRUE(sim::logHas(kSupported));
}

TEST_F(LayoutCheck, BothNotesComeTimeStampFirst) {
  sim::setImageHeaders(0x0000ABCD, 0x00001000);
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{"[NATIVE] NOTE: patched timestamp 0xABCD", "[NATIVE] NOTE: patched entry RVA 0x1000",
                                  kAccepted, kPersistent}));
}

TEST_F(LayoutCheck, AJumpOverSaveSettingsLeavesChangesForTheSessionOnly) {
  sim::setGameValue<uint8_t>(gta::kSaveSettings, 0xE9);  // jmp rel32 written over the routine
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{kAccepted, kSessionOnly}));
  EXPECT_TRUE(sim::logHas(kSupported)) << "a patched persistence path does not close the bridge";
}

TEST_F(LayoutCheck, TheSecondRoutinesLastByteCounts) {
  sim::setGameValue<uint8_t>(gta::kPersistenceHelper + 7, 0x90);
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{kAccepted, kSessionOnly}));
}

TEST_F(LayoutCheck, UnreadableNtHeadersEndTheCheckWithoutNotes) {
  sim::setImageHeaders(gta::kTimeDateStamp + 1, 0);
  sim::pointNtHeadersAtNoAccessPage();
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{kBadHeaders}));
  EXPECT_TRUE(sim::logHas(kUnsupported));
}

TEST_F(LayoutCheck, AWrongSignatureEndsTheCheck) {
  sim::setGameValue<uint16_t>(0x400000, 0x4D5A);  // "ZM"
  sim::initializeWithHost();
  EXPECT_EQ(layoutLines(), (Lines{kBadHeaders}));
  EXPECT_TRUE(sim::logHas(kUnsupported));
}

TEST(LayoutCheckElsewhere, AnotherImageBaseIsTheOnlyMessage) {
  wchar_t command[] = L"other_game.exe start";
  const std::wstring directory = sim::programDirectory();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessW((directory + L"\\other_game.exe").c_str(), command, nullptr, nullptr, FALSE, 0, nullptr,
                               directory.c_str(), &startup, &process));
  ASSERT_EQ(::WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // other_game.exe is linked at 0x1AB00000 and never relocated.
  EXPECT_EQ(layoutLines(), (Lines{"[NATIVE] Unsupported image base: 0x1AB00000"}));
  EXPECT_TRUE(sim::logHas(kUnsupported));
}

// Each probe value at the edge of what the supported build can hold.
struct ProbeCase {
  const char* name;
  std::function<void()> change;
  bool accepted;
};

void PrintTo(const ProbeCase& probe, std::ostream* out) { *out << probe.name; }

class ProbeBound : public LayoutCheck, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeBound, DecidesTheCheck) {
  GetParam().change();
  sim::initializeWithHost();
  if (GetParam().accepted) {
    EXPECT_EQ(layoutLines(), (Lines{kAccepted, kPersistent}));
    EXPECT_TRUE(sim::logHas(kSupported));
  } else {
    EXPECT_EQ(layoutLines(), (Lines{kFailed}));
    EXPECT_TRUE(sim::logHas(kUnsupported));
  }
}

void setFloatBits(uintptr_t address, uint32_t bits) { sim::setGameValue<uint32_t>(address, bits); }

INSTANTIATE_TEST_SUITE_P(
    EachLocation, ProbeBound,
    ::testing::Values(
        ProbeCase{"Brightness2048", [] { sim::setGameValue<int32_t>(gta::kBrightness, 2048); }, true},
        ProbeCase{"Brightness2049", [] { sim::setGameValue<int32_t>(gta::kBrightness, 2049); }, false},
        ProbeCase{"DrawDistanceExactly005", [] { setFloatBits(gta::kDrawDistance, 0x3D4CCCCD); }, false},
        ProbeCase{"DrawDistanceJustAbove005", [] { setFloatBits(gta::kDrawDistance, 0x3D4CCCCE); }, true},
        ProbeCase{"DrawDistanceExactly20", [] { sim::setGameValue<float>(gta::kDrawDistance, 20.0f); }, false},
        ProbeCase{"DrawDistanceNaN",
                  [] { sim::setGameValue<float>(gta::kDrawDistance, std::numeric_limits<float>::quiet_NaN()); }, false},
        ProbeCase{"SfxVolume64", [] { sim::setGameValue<uint8_t>(gta::kSfxVolume, 64); }, true},
        ProbeCase{"SfxVolume65", [] { sim::setGameValue<uint8_t>(gta::kSfxVolume, 65); }, false},
        ProbeCase{"MusicVolume64", [] { sim::setGameValue<uint8_t>(gta::kMusicVolume, 64); }, true},
        ProbeCase{"MusicVolume65", [] { sim::setGameValue<uint8_t>(gta::kMusicVolume, 65); }, false},
        ProbeCase{"MenuFlag1", [] { sim::setGameValue<uint8_t>(gta::kGameMenuActive, 1); }, true},
        ProbeCase{"MenuFlag2", [] { sim::setGameValue<uint8_t>(gta::kGameMenuActive, 2); }, false}),
    [](const ::testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.name); });

}  // namespace
