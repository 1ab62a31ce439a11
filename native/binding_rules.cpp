// The game's rules for the keys a slot may take.
#include "native/binding_rules.h"

namespace {

constexpr int32_t kMouseSlot = 2;
constexpr uint32_t kPageNoKey = 0xFFFFFFFF;  // -1, the pages' "none"
constexpr uint32_t kLastCharacterCode = 255;
constexpr uint32_t kCaret = '^';            // named only in German
constexpr uint32_t kSuperscriptTwo = 178;   // named only in French
constexpr uint32_t kEscape = 1000;          // cancels the game's capture
constexpr uint32_t kFirstSpecialKey = 1001;  // F1
constexpr uint32_t kLastSpecialKey = 1055;   // the Applications key
constexpr uint32_t kLastMouseButton = 7;
// Refused by the game's controls menu: F1, F2, F3 (its own help and screen keys), both Windows keys.
constexpr uint32_t kMenuRefusedKeys[] = {1001, 1002, 1003, 1053, 1054};

bool keyboardKeyBindable(uint32_t key) {
  if (key <= kLastCharacterCode) return key != kCaret && key != kSuperscriptTwo;
  if (key < kFirstSpecialKey || key > kLastSpecialKey) return false;
  for (uint32_t refused : kMenuRefusedKeys)
    if (key == refused) return false;
  return true;
}

}  // namespace

BindingKey classifyBindingKey(int32_t type, uint32_t key) {
  if (key == 0 || key == kNoKeyCode || key == kPageNoKey) return BindingKey::Clear;
  if (type == kMouseSlot) return key <= kLastMouseButton ? BindingKey::Set : BindingKey::Refused;
  return keyboardKeyBindable(key) ? BindingKey::Set : BindingKey::Refused;
}
