// Every game address, routine and record layout the module uses, for the one supported build of
// gta_sa.exe. Nothing else in the module spells a game address.
#pragma once

#include <cstdint>

namespace game {

using Address = uintptr_t;

// The executable's image and the build it must be.
constexpr Address kImageBase = 0x400000;
constexpr uint32_t kExpectedTimeDateStamp = 0x427101CA;
constexpr uint32_t kExpectedEntryPointRva = 0x424570;

// Objects that game routines are members of.
constexpr Address kGameMenu = 0xBA6748;      // receiver of SaveSettings and SwitchMenuPage
constexpr Address kGameControls = 0xB70198;  // receiver of ReinitControls and the binding routines
constexpr Address kAudioEngine = 0xB6BC90;   // receiver of the volume and radio routines

// Game variables.
constexpr Address kMouseSensitivity = 0xB6EC1C;  // float
constexpr Address kInvertY = 0xBA6745;           // 8-bit on/off
constexpr Address kMouseSteer = 0xC1CC02;        // 8-bit on/off
constexpr Address kMouseFly = 0xC1CC03;          // 8-bit on/off
constexpr Address kHud = 0xBA6769;               // 8-bit on/off
constexpr Address kRadarMode = 0xBA676C;         // int32 0..2
constexpr Address kBrightness = 0xBA6784;        // int32 0..384, as the game's slider keeps it
constexpr Address kDrawDistance = 0xBA6788;      // float 0.925..1.8, the menu's draw distance
constexpr Address kLodDistanceScale = 0x8CD800;  // float, the renderer's copy the running game reads
constexpr Address kSubtitles = 0xBA678C;         // 8-bit on/off
constexpr Address kWidescreen = 0xBA6793;        // 8-bit on/off
constexpr Address kFrameLimiter = 0xBA6794;      // 8-bit on/off
constexpr Address kRadioAuto = 0xBA6795;         // 8-bit on/off
constexpr Address kSfxVolume = 0xBA6797;         // uint8 level 0..64
constexpr Address kMusicVolume = 0xBA6798;       // uint8 level 0..64
constexpr Address kRadioEq = 0xBA6799;           // 8-bit on/off
constexpr Address kMenuStartRequest = 0xBA677B;  // uint8: set, the game opens its menu in its next frame
constexpr Address kGameMenuActive = 0xBA67A4;    // uint8, non-zero while the game's own menu runs
constexpr Address kResolutionMode = 0xBA681C;    // int32 mode index
constexpr Address kResolutionModeSecondary = 0xBA6820;  // int32, written with kResolutionMode
constexpr Address kPlayerPed = 0xB7CD98;         // non-zero once the player's character exists
constexpr Address kResolutionGate = 0xC97C28;    // must be readable and non-zero before a resolution call
// The game's own list of display modes: null until the game builds it, then one entry per mode,
// null for every mode the game leaves out (and whose name its Display page cannot draw).
constexpr Address kVideoModeNames = 0xC920D0;

// The control configuration's action table: 59 records of 32 bytes; the first three 8-byte
// slots of a record each begin with a 32-bit key code.
constexpr Address kActionTable = 0xB70D08;
constexpr int kActionCount = 59;
constexpr int kActionRecordBytes = 32;
constexpr int kActionSlotBytes = 8;
constexpr int kActionKeySlots = 3;
constexpr int kMouseButtonSlot = 2;  // slots 0 and 1 hold keyboard keys, slot 2 the mouse button

constexpr Address actionKeySlot(int action, int slot) {
  return kActionTable + static_cast<Address>(action) * kActionRecordBytes + static_cast<Address>(slot) * kActionSlotBytes;
}

// Game routines. Members take their object as receiver and remove their own arguments; the
// resolution routines are plain cdecl.
constexpr Address kSaveSettings = 0x57C660;       // member of gameMenu, no arguments
constexpr Address kPersistenceHelper = 0x57C8F0;  // never called: only its first code bytes are compared
constexpr Address kReinitControls = 0x531F20;     // member of gameControls, no arguments
constexpr Address kDeleteMatchingActionInitiators = 0x531C90;  // member of gameControls: action, key, type
constexpr Address kClearActionSlot = 0x52FD70;          // member of gameControls: action, type
constexpr Address kSetKeyboardKeyForAction = 0x530490;  // member of gameControls: action, key, type
constexpr Address kSetMouseButtonForAction = 0x52F590;  // member of gameControls: action, key
constexpr Address kSwitchMenuPage = 0x573680;           // member of gameMenu: page number
constexpr Address kGetResolutionModeCount = 0x7F2CC0;   // cdecl, returns int32
constexpr Address kGetResolutionModeInfo = 0x7F2CF0;    // cdecl: record address, mode index; returns int32
constexpr Address kApplySfxVolume = 0x506E10;           // member of audioEngine: level 0..64
constexpr Address kApplyMusicVolume = 0x506DE0;         // member of audioEngine: level 0..64
constexpr Address kApplyRadioAutoRetune = 0x506F80;     // member of audioEngine: on/off
constexpr Address kApplyRadioEq = 0x506F90;             // member of audioEngine: on/off (bass boost)

constexpr int kMapMenuPage = 5;  // SwitchMenuPage's page number of the map

// The first eight code bytes of the persistence path's routines in the supported build.
constexpr int kCodeSignatureBytes = 8;
// sub esp, 12 / push esi / push edi / mov edi, ecx / call rel32
constexpr uint8_t kSaveSettingsCode[kCodeSignatureBytes] = {0x83, 0xEC, 0x0C, 0x56, 0x57, 0x8B, 0xF9, 0xE8};
// sub esp, 0x44 / push esi / push edi / mov edi, ecx / call rel32
constexpr uint8_t kPersistenceHelperCode[kCodeSignatureBytes] = {0x83, 0xEC, 0x44, 0x56, 0x57, 0x8B, 0xF9, 0xE8};

}  // namespace game

// GetResolutionModeInfo's record: width, height, colour depth, flags, then 8 bytes the module
// never reads.
struct ResolutionModeInfo {
  int32_t width;
  int32_t height;
  int32_t depth;
  uint32_t flags;  // bit 0: an exclusive (full-screen) mode; the desktop's windowed mode lacks it
  uint8_t unused[8];
};
inline constexpr uint32_t kVideoModeExclusive = 0x1;
static_assert(sizeof(ResolutionModeInfo) == 24, "the game fills exactly 24 bytes");
