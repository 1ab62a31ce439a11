// The loading screen upkeep's decision; arithmetic only, so it is tested without Windows.
#include "screens/screen_timing.h"

LoadingUpkeep loadingUpkeepStep(uint64_t now, uint64_t checkedAt, uint64_t windowSeenAt) {
  if (now - checkedAt < kLoadingUpkeepIntervalMs) return LoadingUpkeep::Wait;
  // "More than" the limit: at exactly 60 s the screen is still kept up.
  if (now - windowSeenAt > kLoadingTimeoutMs) return LoadingUpkeep::TimeOut;
  return LoadingUpkeep::Reshow;
}
