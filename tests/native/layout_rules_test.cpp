// The plausibility bounds of the layout probe and the hexadecimal digits of its messages.
#include "native/layout_rules.h"

#include "log/byte_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The supported build's values at start-up.
constexpr CoreLayoutProbe kPlausible{256, 1.2f, 64, 64, 0};

TEST(CoreLayoutProbe, PlausibleValuesAreAccepted) { EXPECT_TRUE(coreLayoutAccepted(kPlausible)); }

TEST(CoreLayoutProbe, BrightnessUpTo2048) {
  CoreLayoutProbe probe = kPlausible;
  probe.brightness = 2048;
  EXPECT_TRUE(coreLayoutAccepted(probe));
  probe.brightness = 2049;
  EXPECT_FALSE(coreLayoutAccepted(probe));
  probe.brightness = 0xFFFFFFFF;  // a negative int32 in the game reads as huge here
  EXPECT_FALSE(coreLayoutAccepted(probe));
}

TEST(CoreLayoutProbe, DrawDistanceStrictlyBetweenBoundsInSinglePrecision) {
  CoreLayoutProbe probe = kPlausible;
  uint32_t bits = 0x3D4CCCCD;  // 0.05f
  std::memcpy(&probe.drawDistance, &bits, sizeof bits);
  EXPECT_FALSE(coreLayoutAccepted(probe)) << "exactly 0.05f is outside";
  ++bits;
  std::memcpy(&probe.drawDistance, &bits, sizeof bits);
  EXPECT_TRUE(coreLayoutAccepted(probe)) << "the next float above 0.05f is inside";
  probe.drawDistance = 20.0f;
  EXPECT_FALSE(coreLayoutAccepted(probe));
  probe.drawDistance = std::nextafter(20.0f, 0.0f);
  EXPECT_TRUE(coreLayoutAccepted(probe));
  probe.drawDistance = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(coreLayoutAccepted(probe));
  probe.drawDistance = -1.0f;
  EXPECT_FALSE(coreLayoutAccepted(probe));
}

TEST(CoreLayoutProbe, VolumesUpTo64) {
  for (uint8_t CoreLayoutProbe::*volume : {&CoreLayoutProbe::sfxVolume, &CoreLayoutProbe::musicVolume}) {
    CoreLayoutProbe probe = kPlausible;
    probe.*volume = 64;
    EXPECT_TRUE(coreLayoutAccepted(probe));
    probe.*volume = 65;
    EXPECT_FALSE(coreLayoutAccepted(probe));
  }
}

TEST(CoreLayoutProbe, MenuFlagZeroOrOne) {
  CoreLayoutProbe probe = kPlausible;
  probe.gameMenuActive = 1;
  EXPECT_TRUE(coreLayoutAccepted(probe));
  probe.gameMenuActive = 2;
  EXPECT_FALSE(coreLayoutAccepted(probe));
}

TEST(UpperHex, DigitsWithoutLeadingZeros) {
  EXPECT_EQ(upperHex(0), "0");
  EXPECT_EQ(upperHex(0x427101CB), "427101CB");
  EXPECT_EQ(upperHex(0x00424571), "424571");
  EXPECT_EQ(upperHex(0x10000000ab), "10000000AB");
}

}  // namespace
