// The game key code table, row by row, and how a key event's scan code decides the key.
#include "keyboard/game_key_codes.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The whole table as the game's control configuration numbers the keys; every virtual key not
// listed has no game code.
std::map<uint32_t, int32_t> expectedCodes() {
  std::map<uint32_t, int32_t> codes;
  for (uint32_t key = 'A'; key <= 'Z'; ++key) codes[key] = static_cast<int32_t>(key);
  for (uint32_t key = '0'; key <= '9'; ++key) codes[key] = static_cast<int32_t>(key);
  codes[0x1B] = 1000;
  for (uint32_t f = 0; f < 12; ++f) codes[0x70 + f] = 1001 + static_cast<int32_t>(f);
  codes[0x2D] = 1013;  // Insert
  codes[0x2E] = 1014;  // Delete
  codes[0x24] = 1015;  // Home
  codes[0x23] = 1016;  // End
  codes[0x21] = 1017;  // Page Up
  codes[0x22] = 1018;  // Page Down
  codes[0x26] = 1019;  // Up
  codes[0x28] = 1020;  // Down
  codes[0x25] = 1021;  // Left
  codes[0x27] = 1022;  // Right
  codes[0x6F] = 1023;  // keypad /
  codes[0x6A] = 1024;  // keypad *
  codes[0x6B] = 1025;  // keypad +
  codes[0x6D] = 1026;  // keypad -
  codes[0x6E] = 1027;  // keypad .
  for (uint32_t n = 1; n <= 5; ++n) codes[0x60 + n] = 1027 + static_cast<int32_t>(n);  // keypad 1-5
  codes[0x90] = 1033;  // Num Lock
  for (uint32_t n = 6; n <= 9; ++n) codes[0x60 + n] = 1028 + static_cast<int32_t>(n);  // keypad 6-9
  codes[0x60] = 1038;  // keypad 0
  codes[0x91] = 1040;  // Scroll Lock
  codes[0x13] = 1041;  // Pause
  codes[0x08] = 1042;  // Backspace
  codes[0x09] = 1043;  // Tab
  codes[0x14] = 1044;  // Caps Lock
  codes[0xA0] = 1046;
  codes[0xA1] = 1047;
  codes[0x10] = 1048;
  codes[0xA2] = 1049;
  codes[0xA3] = 1050;
  codes[0xA4] = 1051;
  codes[0xA5] = 1052;
  codes[0x5B] = 1053;
  codes[0x5C] = 1054;
  codes[0x5D] = 1055;
  codes[0x20] = 32;
  codes[0xBA] = 59;
  codes[0xBB] = 61;
  codes[0xBC] = 44;
  codes[0xBD] = 45;
  codes[0xBE] = 46;
  codes[0xBF] = 47;
  codes[0xC0] = 96;
  codes[0xDB] = 91;
  codes[0xDC] = 92;
  codes[0xDD] = 93;
  codes[0xDE] = 39;
  return codes;
}

// Enter, Control and Alt: their codes depend on the extended flag and are checked on their own.
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkControl = 0x11;
constexpr uint32_t kVkMenu = 0x12;

TEST(GameKeyTable, EveryVirtualKeyGivesItsRowOrNoCode) {
  const std::map<uint32_t, int32_t> codes = expectedCodes();
  for (uint32_t key = 0; key <= 0xFF; ++key) {
    if (key == kVkReturn || key == kVkControl || key == kVkMenu) continue;
    const auto row = codes.find(key);
    const int32_t expected = row == codes.end() ? kNoGameKey : row->second;
    for (bool extended : {false, true})
      EXPECT_EQ(gameKeyCodeForVirtualKey(key, extended), expected) << "virtual key " << key << " extended " << extended;
  }
  EXPECT_EQ(gameKeyCodeForVirtualKey(0x100, false), kNoGameKey) << "beyond the virtual-key range";
}

TEST(GameKeyTable, ExtendedFlagSplitsEnterControlAndAlt) {
  EXPECT_EQ(gameKeyCodeForVirtualKey(kVkReturn, true), 1039) << "keypad Enter";
  EXPECT_EQ(gameKeyCodeForVirtualKey(kVkReturn, false), 1045) << "main Enter";
  EXPECT_EQ(gameKeyCodeForVirtualKey(kVkControl, false), 1049);
  EXPECT_EQ(gameKeyCodeForVirtualKey(kVkControl, true), 1050);
  EXPECT_EQ(gameKeyCodeForVirtualKey(kVkMenu, false), 1051);
  EXPECT_EQ(gameKeyCodeForVirtualKey(kVkMenu, true), 1052);
}

TEST(GameKeyTable, KeysWithoutAGameCode) {
  for (uint32_t key = 0x7C; key <= 0x87; ++key) EXPECT_EQ(gameKeyCodeForVirtualKey(key, false), kNoGameKey) << "F13-F24";
  EXPECT_EQ(gameKeyCodeForVirtualKey(0x6C, false), kNoGameKey) << "VK_SEPARATOR";
  EXPECT_EQ(gameKeyCodeForVirtualKey(0x0C, false), kNoGameKey) << "VK_CLEAR";
  EXPECT_EQ(gameKeyCodeForVirtualKey(0xE2, false), kNoGameKey) << "VK_OEM_102";
  for (uint32_t button : {0x01u, 0x02u, 0x04u, 0x05u, 0x06u})
    EXPECT_EQ(gameKeyCodeForVirtualKey(button, false), kNoGameKey) << "mouse button " << button;
  for (uint32_t media = 0xA6; media <= 0xB7; ++media)
    EXPECT_EQ(gameKeyCodeForVirtualKey(media, false), kNoGameKey) << "browser or media key " << media;
}

// A few scan codes of a US layout as the system translates them: without the 0xE0 prefix the
// right-hand Ctrl and Alt read as the left ones and the keypad '/' as the main keyboard's.
uint32_t usLayout(uint32_t scanCode) {
  switch (scanCode) {
    case 0x11: return 'W';
    case 0x1C: case 0xE01C: return kVkReturn;
    case 0x1D: return 0xA2;    // left Ctrl
    case 0xE01D: return 0xA3;  // right Ctrl
    case 0x38: return 0xA4;    // left Alt
    case 0xE038: return 0xA5;  // right Alt
    case 0x35: return 0xBF;    // '/'
    case 0xE035: return 0x6F;  // keypad '/'
    default: return 0;
  }
}

TEST(GameKeyOfEvent, ScanCodeTranslationDecidesOverTheVirtualKey) {
  EXPECT_EQ(gameKeyCode({'Q', 0x11, false}, usLayout), 'W') << "the event says Q, its scan code is W";
  EXPECT_EQ(gameKeyCode({0x7C, 0x11, false}, usLayout), 'W') << "a key without code whose scan code has one";
  EXPECT_EQ(gameKeyCode({kVkControl, 0x1D, false}, usLayout), 1049) << "Control becomes left Ctrl";
}

TEST(GameKeyOfEvent, VirtualKeyCountsWhenTheScanCodeTranslatesToNothing) {
  EXPECT_EQ(gameKeyCode({'Q', 0x99, false}, usLayout), 'Q');
  EXPECT_EQ(gameKeyCode({0x7C, 0x64, false}, usLayout), kNoGameKey) << "F13: neither gives a code";
  EXPECT_EQ(gameKeyCode({kVkControl, 0x99, true}, usLayout), 1050) << "generic Control, extended";
}

TEST(GameKeyOfEvent, ExtendedScanCodesReachTheTranslatorWithTheirPrefix) {
  EXPECT_EQ(gameKeyCode({0xA3, 0x1D, true}, usLayout), 1050) << "right Ctrl stays right";
  EXPECT_EQ(gameKeyCode({0xA2, 0x1D, false}, usLayout), 1049);
  EXPECT_EQ(gameKeyCode({0xA5, 0x38, true}, usLayout), 1052) << "right Alt stays right";
  EXPECT_EQ(gameKeyCode({0x6F, 0x35, true}, usLayout), 1023) << "keypad '/' is not the slash key";
  EXPECT_EQ(gameKeyCode({0xBF, 0x35, false}, usLayout), 47);
  EXPECT_EQ(gameKeyCode({kVkReturn, 0x1C, true}, usLayout), 1039) << "keypad Enter";
  EXPECT_EQ(gameKeyCode({kVkReturn, 0x1C, false}, usLayout), 1045) << "main Enter";
}

// The keypad's digit and point keys: scan code, the virtual key with Num Lock off (which is also
// what the layout translates the scan code to) and with Num Lock on, and the game's keypad code.
struct KeypadKey {
  uint32_t scanCode;
  uint32_t numLockOff;
  uint32_t numLockOn;
  int32_t gameKey;
};

constexpr KeypadKey kKeypadKeys[] = {
    {0x47, 0x24, 0x67, 1035},  // 7 / Home
    {0x48, 0x26, 0x68, 1036},  // 8 / Up
    {0x49, 0x21, 0x69, 1037},  // 9 / Page Up
    {0x4B, 0x25, 0x64, 1031},  // 4 / Left
    {0x4C, 0x0C, 0x65, 1032},  // 5 / Clear
    {0x4D, 0x27, 0x66, 1034},  // 6 / Right
    {0x4F, 0x23, 0x61, 1028},  // 1 / End
    {0x50, 0x28, 0x62, 1029},  // 2 / Down
    {0x51, 0x22, 0x63, 1030},  // 3 / Page Down
    {0x52, 0x2D, 0x60, 1038},  // 0 / Insert
    {0x53, 0x2E, 0x6E, 1027},  // point / Delete
};

constexpr uint32_t kVkPause = 0x13;
constexpr uint32_t kVkNumLock = 0x90;
constexpr uint32_t kPauseScanCode = 0x45;  // Num Lock's as well, which has the extended flag

const KeypadKey* keypadKey(uint32_t scanCode) {
  for (const KeypadKey& key : kKeypadKeys)
    if (key.scanCode == scanCode) return &key;
  return nullptr;
}

// A layout's translation does not look at Num Lock: the keypad block reads as the navigation
// keys, with and without the extended prefix, and Pause's scan code as Num Lock.
uint32_t keypadLayout(uint32_t scanCode) {
  if (const KeypadKey* key = keypadKey(scanCode & 0xFF)) return key->numLockOff;
  if ((scanCode & 0xFF) == kPauseScanCode) return kVkNumLock;
  return 0;
}

TEST(GameKeyOfEvent, KeypadDigitsAndPointAreKeypadKeysWhateverNumLockSays) {
  for (const KeypadKey& key : kKeypadKeys) {
    EXPECT_EQ(gameKeyCode({key.numLockOn, key.scanCode, false}, keypadLayout), key.gameKey) << "Num Lock on, scan " << key.scanCode;
    EXPECT_EQ(gameKeyCode({key.numLockOff, key.scanCode, false}, keypadLayout), key.gameKey) << "Num Lock off, scan " << key.scanCode;
    // With the extended flag the same scan code is the separate navigation key.
    EXPECT_EQ(gameKeyCode({key.numLockOff, key.scanCode, true}, keypadLayout), gameKeyCodeForVirtualKey(key.numLockOff, true))
        << "navigation key, scan " << key.scanCode;
  }
  EXPECT_EQ(gameKeyCode({0x23, 0x4F, true}, keypadLayout), 1016) << "the End key stays End";
}

TEST(GameKeyOfEvent, PauseIsPauseAndNumLockStaysNumLock) {
  EXPECT_EQ(gameKeyCode({kVkPause, kPauseScanCode, false}, keypadLayout), 1041);
  EXPECT_EQ(gameKeyCode({kVkNumLock, kPauseScanCode, true}, keypadLayout), 1033);
}

// A layout that gives every scan code a virtual key of its own (the scan code's low byte), so any
// key that the translation no longer decided would show.
uint32_t everyScanCodeALayout(uint32_t scanCode) { return scanCode & 0xFF; }

TEST(GameKeyOfEvent, EveryOtherKeyKeepsTheTranslationFirst) {
  for (uint32_t scanCode = 0; scanCode <= 0xFF; ++scanCode)
    for (bool extended : {false, true})
      for (uint32_t vkCode = 0; vkCode <= 0xFF; ++vkCode) {
        if (vkCode == kVkPause || (!extended && keypadKey(scanCode) != nullptr)) continue;
        const uint32_t translated = everyScanCodeALayout(scanCode);
        const int32_t expected = gameKeyCodeForVirtualKey(translated != 0 ? translated : vkCode, extended);
        ASSERT_EQ(gameKeyCode({vkCode, scanCode, extended}, everyScanCodeALayout), expected)
            << "vk " << vkCode << " scan " << scanCode << " extended " << extended;
      }
}

}  // namespace
