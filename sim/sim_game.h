// The simulated game's memory: every game variable at its real address, the supported build's
// PE header fields, the persistence routines' code bytes, and a stand-in at every routine
// address that records its receiver and arguments and can be told to misbehave.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace sim {

// The game's layout, written out here on its own so that a wrong entry in the module's
// address table shows up as a failing test instead of being mirrored.
namespace gta {
constexpr uintptr_t kGameMenu = 0xBA6748;
constexpr uintptr_t kGameControls = 0xB70198;
constexpr uintptr_t kAudioEngine = 0xB6BC90;
constexpr uintptr_t kMouseSensitivity = 0xB6EC1C;
constexpr uintptr_t kInvertY = 0xBA6745;
constexpr uintptr_t kMouseSteer = 0xC1CC02;
constexpr uintptr_t kMouseFly = 0xC1CC03;
constexpr uintptr_t kHud = 0xBA6769;
constexpr uintptr_t kRadarMode = 0xBA676C;
constexpr uintptr_t kBrightness = 0xBA6784;
constexpr uintptr_t kDrawDistance = 0xBA6788;
constexpr uintptr_t kLodDistanceScale = 0x8CD800;
constexpr uintptr_t kSubtitles = 0xBA678C;
constexpr uintptr_t kWidescreen = 0xBA6793;
constexpr uintptr_t kFrameLimiter = 0xBA6794;
constexpr uintptr_t kRadioAuto = 0xBA6795;
constexpr uintptr_t kSfxVolume = 0xBA6797;
constexpr uintptr_t kMusicVolume = 0xBA6798;
constexpr uintptr_t kRadioEq = 0xBA6799;
constexpr uintptr_t kMenuStartRequest = 0xBA677B;
constexpr uintptr_t kGameMenuActive = 0xBA67A4;
constexpr uintptr_t kResolutionMode = 0xBA681C;
constexpr uintptr_t kResolutionModeSecondary = 0xBA6820;
constexpr uintptr_t kActionTable = 0xB70D08;
// The action table's shape: a record of 32 bytes an action, its key slots at +0, +8, +16.
constexpr int kActionCount = 59;
constexpr int kSlotsPerAction = 3;
constexpr uintptr_t kActionRecordBytes = 32;
constexpr uintptr_t kSlotBytes = 8;
constexpr uintptr_t kPlayerPed = 0xB7CD98;
constexpr uintptr_t kResolutionGate = 0xC97C28;
constexpr uintptr_t kVideoModeNames = 0xC920D0;

constexpr uintptr_t kSaveSettings = 0x57C660;
constexpr uintptr_t kPersistenceHelper = 0x57C8F0;
constexpr uintptr_t kReinitControls = 0x531F20;
constexpr uintptr_t kDeleteMatchingActionInitiators = 0x531C90;
constexpr uintptr_t kClearActionSlot = 0x52FD70;
constexpr uintptr_t kSetKeyboardKeyForAction = 0x530490;
constexpr uintptr_t kSetMouseButtonForAction = 0x52F590;
constexpr uintptr_t kSwitchMenuPage = 0x573680;
constexpr uintptr_t kGetResolutionModeCount = 0x7F2CC0;
constexpr uintptr_t kGetResolutionModeInfo = 0x7F2CF0;
constexpr uintptr_t kApplySfxVolume = 0x506E10;
constexpr uintptr_t kApplyMusicVolume = 0x506DE0;
constexpr uintptr_t kApplyRadioAutoRetune = 0x506F80;
constexpr uintptr_t kApplyRadioEq = 0x506F90;

constexpr uint32_t kTimeDateStamp = 0x427101CA;
constexpr uint32_t kEntryPointRva = 0x424570;
}  // namespace gta

// What a routine stand-in does after recording its call.
enum class RoutineBehaviour {
  Return,              // returns normally (with its configured result)
  Fault,               // reads a page that allows no access
  IllegalInstruction,  // executes ud2
  Raise,               // RaiseException with a code of its own
  Throw,               // a C++ throw out of the routine
  RaiseAndHandle,      // raises and handles its own exceptions inside, then returns normally
};

struct RoutineCall {
  uintptr_t routine;
  uintptr_t receiver;  // 0 for routines without one
  std::vector<int32_t> args;
  DWORD threadId;
};

// Gives the image the supported build's headers, every game variable a plausible value of that
// build and every routine its stand-in. Call before cef_initialize; tests change values after.
void installGame();

// Any game byte, code included: the routines' code is writable too.
template <typename T>
void setGameValue(uintptr_t address, T value) {
  std::memcpy(reinterpret_cast<void*>(address), &value, sizeof value);
}

template <typename T>
T gameValue(uintptr_t address) {
  T value;
  std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
  return value;
}

// The PE header fields the layout check reads from the image at 0x400000.
void setImageHeaders(uint32_t timeDateStamp, uint32_t entryPointRva);
// Points the DOS header's NT-header offset at a page that allows no access.
void pointNtHeadersAtNoAccessPage();

// A reserved page that faults on every access.
uintptr_t noAccessAddress();

void setRoutineBehaviour(uintptr_t routine, RoutineBehaviour behaviour);

// One display mode as the game's video layer reports it (RenderWare's 24-byte mode record).
struct VideoMode {
  int32_t width;
  int32_t height;
  int32_t depth;
  uint32_t flags;  // bit 0: exclusive (full screen)
};
constexpr uint32_t kExclusive = 1;
// The modes GetResolutionModeCount and GetResolutionModeInfo report. The default list is a
// player's: the windowed desktop mode 0 (1920 x 1080, not exclusive), then 640 x 480, 800 x 600,
// 1024 x 768 (the current mode, 3), 1280 x 720, 1366 x 768 and 1920 x 1080, all 32-bit. A new
// list drops the game's own list of mode names, as a device change does.
void setVideoModes(std::vector<VideoMode> modes);
// The same as exclusive 32-bit modes of these widths and heights.
void setResolutionModes(std::vector<std::pair<int32_t, int32_t>> modes);
// The video memory the game's mode list leaves room in (default 256 MB).
void setVideoMemoryBytes(int64_t bytes);
// GetVideoModeList (0x745AF0): builds the game's list of mode names at its address, once, leaving
// out (null) every mode that is not exclusive, smaller than 640 x 480, of a height to width other
// than 4:3, 5:4, 5:3, 16:10 or 16:9, or (but for 640 x 480) leaving 45 MB of video memory or less.
void buildVideoModeList();
// The game's Display page, which builds the list and draws the current mode's name without a
// check: false where the game would fault, the current mode having no name in its list.
bool visitDisplayPage();

// The control configuration: the key code in slot 0..2 of action 0..58 (slots 0 and 1 keyboard,
// slot 2 mouse). The binding stand-ins change it as the game does in what the module relies on:
// the setters write the slot's key, ClearActionSlot empties it, DeleteMatchingActionInitiators
// empties every slot of the same kind that holds the key, ReinitControls restores the defaults.
constexpr uint32_t kNoKey = 1056;  // an emptied keyboard slot; an emptied mouse slot holds 0
uint32_t actionKey(int action, int slot);
void setActionKey(int action, int slot, uint32_t key);
// The game's default table, which ReinitControls restores; the table starts all 0, so a reset
// shows.
uint32_t defaultActionKey(int action, int slot);

// How long, on the fake clock, the game's menu check is held off after a start request appears
// (a cutscene, or the game's code paused), so the request waits; kMenuNeverStarts: the check
// never runs again. 0 by default: the game's next frame opens the menu.
constexpr uint64_t kMenuNeverStarts = ~uint64_t{0};
void setGameMenuStartDelay(uint64_t ms);

// The page SwitchMenuPage selected while the game's menu is up; 0 when its menu is not shown.
int32_t gameMenuPage();

// The game's own work in a frame, before the host calls the module, as CheckForMenuClosing
// (0x576B70) does it: the menu comes up when its start-request byte is set (the byte is cleared
// in every frame the check runs), and an ESC key-down that reached the game window opens or
// leaves it, as the player does.
void runGameFrame();

std::vector<RoutineCall> routineCalls();
// Off: the stand-ins keep no record, so a long run (a benchmark) neither grows nor takes a lock
// per call. On by default.
void setRecordRoutineCalls(bool record);

// Lets calls into the routines reach their stand-ins directly, as on the 32-bit game, instead of
// through the 64-bit execute-fault detour, which costs a system exception per call. SaveSettings
// keeps the detour: its page holds the build's own code bytes. No effect on 32 bits.
void useDirectRoutineCode();
std::vector<RoutineCall> callsOf(uintptr_t routine);
void clearRoutineCalls();

}  // namespace sim
