// Key capture with real keys: what the pause page is given, what the game window still gets.
#include <gtest/gtest.h>

#include "tests/module/keyboard_test_rig.h"

namespace {

using keyboard_rig::KeyboardRig;
using keyboard_rig::press;
using screens_harness::logCount;

constexpr WPARAM kVkW = 'W';
constexpr char kCapturedW[] = "[CAPTURE] Native keyboard key captured. vk=87 scan=17 rs=87";
// The mute key is a key the game has no code for (and one the test display's keymap has).
constexpr char kUnsupportedMute[] = "[CAPTURE] Unsupported VK=173 scan=";
constexpr WPARAM kVkVolumeMute = 0xAD;

// The unsupported key's key-down is logged, which tells that every key sent before it has been
// through the hook.
void pressThenSettleOnUnsupported(const std::string& keys) {
  const int before = keyboard_rig::logCountWithPrefix(kUnsupportedMute);
  press(keys + " XF86AudioMute");
  ASSERT_TRUE(sim::pumpUntil([&] { return keyboard_rig::logCountWithPrefix(kUnsupportedMute) > before; }))
      << ::testing::PrintToString(screens_harness::logMessages());
  sim::pumpFor(100);
}

// Shift passes to the game outside keyboard capture; its release reaching the window tells that
// every key sent before it has been through the hook.
void pressThenSettleOnShift(const std::string& keys) {
  const int before = sim::keyMessageCount(WM_KEYUP, VK_SHIFT);
  press(keys + " Shift_L");
  ASSERT_TRUE(sim::pumpUntil([&] { return sim::keyMessageCount(WM_KEYUP, VK_SHIFT) > before; }));
}

bool gameGotKey(WPARAM virtualKey) {
  for (const sim::KeyMessage& key : sim::keyMessagesReceived())
    if (key.virtualKey == virtualKey) return true;
  return false;
}

TEST_F(KeyboardRig, KeyboardCaptureOfWGives87AndTheGameSeesNeitherPressNorRelease) {
  gState.captureMode.store(kCaptureKeyboard);
  pressThenSettleOnUnsupported("w");
  EXPECT_EQ(gState.capturedKey.load(), 87);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 1);
  EXPECT_EQ(logCount(kCapturedW), 1);
  EXPECT_FALSE(gameGotKey(kVkW)) << "neither the key-down nor the key-up of a captured key reaches the game";
  EXPECT_EQ(gState.captureMode.load(), kCaptureKeyboard) << "capture stays on";
}

TEST_F(KeyboardRig, EveryFurtherKeyReplacesTheCapturedOne) {
  gState.captureMode.store(kCaptureKeyboard);
  pressThenSettleOnUnsupported("F1 F1");
  EXPECT_EQ(gState.capturedKey.load(), 1001);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 2);
  pressThenSettleOnUnsupported("w KP_Enter");
  EXPECT_EQ(gState.capturedKey.load(), 1039) << "keypad Enter";
  pressThenSettleOnUnsupported("Return");
  EXPECT_EQ(gState.capturedKey.load(), 1045) << "main Enter";
  EXPECT_EQ(gState.capturedKeyCounter.load(), 5);
  EXPECT_FALSE(gameGotKey(VK_F1) || gameGotKey(VK_RETURN) || gameGotKey(kVkW));
}

// The game reads the keypad by the key's place: keypad 1, 5 and point are captured as keypad keys
// although Num Lock is off (the X server sends their navigation meanings), Pause is not Num Lock,
// and the separate End key stays End.
TEST_F(KeyboardRig, KeypadKeysAreCapturedByTheirPlaceAndPauseAsPause) {
  gState.captureMode.store(kCaptureKeyboard);
  const struct {
    const char* key;
    int32_t gameKey;
  } cases[] = {{"KP_End", 1028}, {"KP_Begin", 1032}, {"KP_Delete", 1027}, {"Pause", 1041}, {"End", 1016}};
  for (const auto& keypad : cases) {
    pressThenSettleOnUnsupported(keypad.key);
    EXPECT_EQ(gState.capturedKey.load(), keypad.gameKey) << keypad.key;
  }
  EXPECT_EQ(gState.capturedKeyCounter.load(), 5);
}

TEST_F(KeyboardRig, UnsupportedKeyIsLoggedAndCaptureGoesOn) {
  gState.captureMode.store(kCaptureKeyboard);
  pressThenSettleOnUnsupported("");
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 0);
  EXPECT_FALSE(gameGotKey(kVkVolumeMute)) << "an unsupported key is withheld as well";
  pressThenSettleOnUnsupported("w");
  EXPECT_EQ(gState.capturedKey.load(), 87);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 1);
}

TEST_F(KeyboardRig, EscCancelsCaptureWithoutAnEscRequest) {
  gState.escEnabled.store(1);
  gState.captureMode.store(kCaptureKeyboard);
  pressThenSettleOnUnsupported("w");
  pressThenSettleOnShift("Escape");
  EXPECT_EQ(gState.captureCancelCounter.load(), 1);
  EXPECT_EQ(gState.captureMode.load(), kCaptureNone);
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 1) << "the counter of captured keys is left alone";
  EXPECT_EQ(logCount("[CAPTURE] Cancelled by ESC."), 1);
  EXPECT_EQ(gState.escRequest.load(), 0) << "the press that cancels raises no ESC request";
  EXPECT_EQ(gState.escKeyHeld.load(), 0);
  EXPECT_EQ(logCount("[ESC] Open pause menu request."), 0);
  EXPECT_FALSE(gameGotKey(VK_ESCAPE));
  EXPECT_EQ(gState.menuOpen.load(), 0);
}

TEST_F(KeyboardRig, MouseCaptureLetsOrdinaryKeysThroughAndEscStillCancels) {
  gState.captureMode.store(kCaptureMouse);
  pressThenSettleOnShift("w");
  EXPECT_EQ(sim::keyMessageCount(WM_KEYDOWN, kVkW), 1);
  EXPECT_EQ(sim::keyMessageCount(WM_KEYUP, kVkW), 1);
  EXPECT_EQ(gState.capturedKey.load(), -1);
  EXPECT_EQ(gState.capturedKeyCounter.load(), 0);
  pressThenSettleOnShift("Escape");
  EXPECT_EQ(gState.captureCancelCounter.load(), 1);
  EXPECT_EQ(gState.captureMode.load(), kCaptureNone);
  EXPECT_FALSE(gameGotKey(VK_ESCAPE));
}

TEST_F(KeyboardRig, NativeMenuGetsEscEvenDuringCapture) {
  gState.escEnabled.store(1);
  gState.captureMode.store(kCaptureKeyboard);
  gState.nativeMenuActive.store(1);
  press("Escape");
  ASSERT_TRUE(sim::pumpUntil([] { return sim::keyMessageCount(WM_KEYUP, VK_ESCAPE) == 1; }));
  EXPECT_EQ(sim::keyMessageCount(WM_KEYDOWN, VK_ESCAPE), 1);
  EXPECT_EQ(gState.captureMode.load(), kCaptureKeyboard) << "the capture is not cancelled";
  EXPECT_EQ(gState.captureCancelCounter.load(), 0);
  EXPECT_EQ(gState.escRequest.load(), 0);
}

}  // namespace
