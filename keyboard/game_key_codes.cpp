// The virtual-key to game key code table.
#include "keyboard/game_key_codes.h"

namespace {

// Virtual keys whose code depends on the extended flag, and the letter and digit ranges.
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkControl = 0x11;
constexpr uint32_t kVkMenu = 0x12;  // Alt
constexpr uint32_t kVkDigit0 = 0x30;
constexpr uint32_t kVkDigit9 = 0x39;
constexpr uint32_t kVkLetterA = 0x41;
constexpr uint32_t kVkLetterZ = 0x5A;

// Marks an extended scan code for the translator, which otherwise reads right Ctrl as left
// Ctrl and the keypad's '/' as the main keyboard's.
constexpr uint32_t kExtendedScanPrefix = 0xE000;

// The game reads the keypad by the key's place, so the keypad's digits and point are captured as
// keypad keys whatever Num Lock says; the translation would give Num Lock off's Home, End and
// arrows. Their extended twins are the separate navigation keys and keep the translation.
// One table row: the scan code (keypad) or virtual key (the rest) and its game key code.
struct KeyRow {
  uint32_t code;
  int32_t gameKey;
};

constexpr KeyRow kKeypadRows[] = {
    {0x47, 1035}, {0x48, 1036}, {0x49, 1037},  // 7 8 9
    {0x4B, 1031}, {0x4C, 1032}, {0x4D, 1034},  // 4 5 6
    {0x4F, 1028}, {0x50, 1029}, {0x51, 1030},  // 1 2 3
    {0x52, 1038},                              // 0
    {0x53, 1027},                              // point
};

// Pause shares its scan code with Num Lock, which is all the translation sees of it; the
// event's own virtual key tells them apart.
constexpr uint32_t kVkPause = 0x13;
constexpr int32_t kPauseGameKey = 1041;

constexpr KeyRow kKeyRows[] = {
    {0x1B, 1000},  // Escape
    {0x70, 1001}, {0x71, 1002}, {0x72, 1003}, {0x73, 1004}, {0x74, 1005}, {0x75, 1006},  // F1-F6
    {0x76, 1007}, {0x77, 1008}, {0x78, 1009}, {0x79, 1010}, {0x7A, 1011}, {0x7B, 1012},  // F7-F12
    {0x2D, 1013},  // Insert
    {0x2E, 1014},  // Delete
    {0x24, 1015},  // Home
    {0x23, 1016},  // End
    {0x21, 1017},  // Page Up
    {0x22, 1018},  // Page Down
    {0x26, 1019},  // Up
    {0x28, 1020},  // Down
    {0x25, 1021},  // Left
    {0x27, 1022},  // Right
    {0x6F, 1023},  // keypad /
    {0x6A, 1024},  // keypad *
    {0x6B, 1025},  // keypad +
    {0x6D, 1026},  // keypad -
    {0x6E, 1027},  // keypad .
    {0x61, 1028}, {0x62, 1029}, {0x63, 1030}, {0x64, 1031}, {0x65, 1032},  // keypad 1-5
    {0x90, 1033},  // Num Lock
    {0x66, 1034}, {0x67, 1035}, {0x68, 1036}, {0x69, 1037},  // keypad 6-9
    {0x60, 1038},  // keypad 0
    {0x91, 1040},  // Scroll Lock
    {kVkPause, kPauseGameKey},
    {0x08, 1042},  // Backspace
    {0x09, 1043},  // Tab
    {0x14, 1044},  // Caps Lock
    {0xA0, 1046},  // left Shift
    {0xA1, 1047},  // right Shift
    {0x10, 1048},  // Shift, side unknown
    {0xA2, 1049},  // left Ctrl
    {0xA3, 1050},  // right Ctrl
    {0xA4, 1051},  // left Alt
    {0xA5, 1052},  // right Alt
    {0x5B, 1053},  // left Windows
    {0x5C, 1054},  // right Windows
    {0x5D, 1055},  // Applications
    {0x20, ' '},
    {0xBA, ';'},
    {0xBB, '='},
    {0xBC, ','},
    {0xBD, '-'},
    {0xBE, '.'},
    {0xBF, '/'},
    {0xC0, '`'},
    {0xDB, '['},
    {0xDC, '\\'},
    {0xDD, ']'},
    {0xDE, '\''},
};

}  // namespace

int32_t gameKeyCodeForVirtualKey(uint32_t virtualKey, bool extended) {
  if ((virtualKey >= kVkLetterA && virtualKey <= kVkLetterZ) || (virtualKey >= kVkDigit0 && virtualKey <= kVkDigit9))
    return static_cast<int32_t>(virtualKey);
  // The extended flag is what tells the keypad's Enter and the right-hand Ctrl and Alt apart.
  if (virtualKey == kVkReturn) return extended ? 1039 : 1045;
  if (virtualKey == kVkControl) return extended ? 1050 : 1049;
  if (virtualKey == kVkMenu) return extended ? 1052 : 1051;
  for (const KeyRow& row : kKeyRows)
    if (row.code == virtualKey) return row.gameKey;
  return kNoGameKey;
}

int32_t gameKeyCode(const KeyEvent& event, ScanCodeTranslator translate) {
  if (!event.extended)
    for (const KeyRow& row : kKeypadRows)
      if (row.code == event.scanCode) return row.gameKey;
  if (event.vkCode == kVkPause) return kPauseGameKey;
  const uint32_t scanCode = event.extended ? (kExtendedScanPrefix | event.scanCode) : event.scanCode;
  const uint32_t translated = translate(scanCode);
  return gameKeyCodeForVirtualKey(translated != 0 ? translated : event.vkCode, event.extended);
}
