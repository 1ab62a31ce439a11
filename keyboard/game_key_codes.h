// The game's own key numbers for the keys a player can bind, from a key event's virtual key.
#pragma once

#include <cstdint>

// No key, or a key the game's control configuration has no number for.
inline constexpr int32_t kNoGameKey = -1;

// The parts of a low-level key event that decide its game key code.
struct KeyEvent {
  uint32_t vkCode;
  uint32_t scanCode;
  bool extended;  // the event's extended-key flag: right-hand Ctrl and Alt, keypad Enter and '/'
};

// Maps a scan code to a virtual key that tells left from right, 0 when it knows none. An
// extended key's scan code arrives with the 0xE0 prefix in its high byte.
using ScanCodeTranslator = uint32_t (*)(uint32_t scanCode);

// Game key code of one virtual key: character codes for letters, digits, space and punctuation,
// 1000-1055 for the other keys, kNoGameKey for the rest. Enter, Control and Alt depend on the
// extended flag.
int32_t gameKeyCodeForVirtualKey(uint32_t virtualKey, bool extended);

// Game key code of a key event. The keypad's digit and point keys count by their scan code
// (their keypad codes whatever Num Lock says) and Pause by the event's virtual key; for every
// other key the scan code's translation decides, and the event's own virtual key is used only
// when the scan code translates to nothing.
int32_t gameKeyCode(const KeyEvent& event, ScanCodeTranslator translate);
