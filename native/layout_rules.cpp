// The plausibility rules of the executable layout check.
#include "native/layout_rules.h"

namespace {

constexpr uint32_t kMaxBrightness = 2048;
// Both draw distance bounds are exclusive and compared in single precision (0.05f is 0x3D4CCCCD).
constexpr float kMinDrawDistanceExclusive = 0.05f;
constexpr float kMaxDrawDistanceExclusive = 20.0f;
constexpr uint8_t kMaxVolumeLevel = 64;
constexpr uint8_t kMaxMenuActiveFlag = 1;

}  // namespace

bool coreLayoutAccepted(const CoreLayoutProbe& probe) {
  if (probe.brightness > kMaxBrightness) return false;
  // Written as two positive tests so a NaN fails both.
  if (!(probe.drawDistance > kMinDrawDistanceExclusive && probe.drawDistance < kMaxDrawDistanceExclusive)) return false;
  if (probe.sfxVolume > kMaxVolumeLevel) return false;
  if (probe.musicVolume > kMaxVolumeLevel) return false;
  return probe.gameMenuActive <= kMaxMenuActiveFlag;
}
