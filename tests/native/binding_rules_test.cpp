// The keys a slot may take, by the game's controls menu: what it refuses, what it has no name
// for, and what "no key" means.
#include "native/binding_rules.h"

#include <gtest/gtest.h>

namespace {

struct KeyCase {
  int32_t type;
  uint32_t key;
  BindingKey expected;
};

TEST(BindingRules, EachSlotTakesOnlyTheKeysTheGameBindsThere) {
  const KeyCase cases[] = {
      // Keyboard slots: characters and the named special keys.
      {0, 'W', BindingKey::Set},           {1, ' ', BindingKey::Set},          {0, '0', BindingKey::Set},
      {1, '\\', BindingKey::Set},          {0, 1004, BindingKey::Set} /* F4 */, {1, 1012, BindingKey::Set} /* F12 */,
      {0, 1013, BindingKey::Set} /* Ins */, {0, 1052, BindingKey::Set} /* right Alt */,
      {1, 1055, BindingKey::Set} /* Apps */, {0, 255, BindingKey::Set},
      // Refused by the game's menu: ESC cancels, F1-F3 and the Windows keys are its own.
      {0, 1000, BindingKey::Refused},      {0, 1001, BindingKey::Refused},     {1, 1002, BindingKey::Refused},
      {0, 1003, BindingKey::Refused},      {0, 1053, BindingKey::Refused},     {1, 1054, BindingKey::Refused},
      // No name on the game's controls page.
      {0, '^', BindingKey::Refused},       {0, 178, BindingKey::Refused},      {0, 256, BindingKey::Refused},
      {0, 999, BindingKey::Refused},       {1, 1057, BindingKey::Refused},     {0, 0xFFFFFFFB, BindingKey::Refused},
      // The mouse slot: the game's seven button codes only.
      {2, 1, BindingKey::Set},             {2, 7, BindingKey::Set},            {2, 8, BindingKey::Refused},
      {2, 'W', BindingKey::Refused},       {2, 1001, BindingKey::Refused},     {2, 0xFFFFFFFE, BindingKey::Refused},
      // "No key" on every slot: the page's -1, and the blanks 0 and 1056.
      {0, 0xFFFFFFFF, BindingKey::Clear},  {1, 0, BindingKey::Clear},          {1, kNoKeyCode, BindingKey::Clear},
      {2, 0xFFFFFFFF, BindingKey::Clear},  {2, 0, BindingKey::Clear},          {2, kNoKeyCode, BindingKey::Clear},
  };
  for (const KeyCase& c : cases)
    EXPECT_EQ(classifyBindingKey(c.type, c.key), c.expected) << "type " << c.type << " key " << c.key;
}

}  // namespace
