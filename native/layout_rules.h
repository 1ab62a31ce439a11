// The plausibility rules of the executable layout check (no Windows calls).
#pragma once

#include <cstdint>

// The five game locations read by the core layout probe.
struct CoreLayoutProbe {
  uint32_t brightness;
  float drawDistance;
  uint8_t sfxVolume;
  uint8_t musicVolume;
  uint8_t gameMenuActive;
};

// Whether every probe value lies where the supported build keeps it; tested in this order:
// brightness, draw distance, effects volume, music volume, menu-active flag.
bool coreLayoutAccepted(const CoreLayoutProbe& probe);
