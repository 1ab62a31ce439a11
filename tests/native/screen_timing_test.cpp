// The loading screen upkeep's decision at the edges of its interval and of its time limit.
#include "screens/screen_timing.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kWindowSeenAt = 5'000'000;

TEST(LoadingUpkeep, WaitsUntilTheFullIntervalHasPassed) {
  const uint64_t checkedAt = kWindowSeenAt + 1000;
  EXPECT_EQ(loadingUpkeepStep(checkedAt, checkedAt, kWindowSeenAt), LoadingUpkeep::Wait);
  EXPECT_EQ(loadingUpkeepStep(checkedAt + 249, checkedAt, kWindowSeenAt), LoadingUpkeep::Wait);
  EXPECT_EQ(loadingUpkeepStep(checkedAt + 250, checkedAt, kWindowSeenAt), LoadingUpkeep::Reshow);
}

TEST(LoadingUpkeep, NeverRunStampRunsAtOnce) {
  // After start-up the stamp is 0, so the first upkeep happens in the first frame it may.
  EXPECT_EQ(loadingUpkeepStep(kWindowSeenAt + 300, 0, kWindowSeenAt), LoadingUpkeep::Reshow);
}

TEST(LoadingUpkeep, StillShownAtExactlySixtySecondsHiddenAfter) {
  const uint64_t limit = kWindowSeenAt + 60000;
  EXPECT_EQ(loadingUpkeepStep(limit, limit - 250, kWindowSeenAt), LoadingUpkeep::Reshow);
  EXPECT_EQ(loadingUpkeepStep(limit + 1, limit - 250, kWindowSeenAt), LoadingUpkeep::TimeOut);
  EXPECT_EQ(loadingUpkeepStep(limit + 1, limit - 248, kWindowSeenAt), LoadingUpkeep::Wait)
      << "the interval is checked before the limit";
}

TEST(LoadingUpkeep, StampsAheadOfNowCountAsLongAgo) {
  // Unsigned difference: a stamp from the future wraps to a huge elapsed time, never to a wait
  // that lasts until the counter catches up.
  EXPECT_EQ(loadingUpkeepStep(kWindowSeenAt, kWindowSeenAt + 10, kWindowSeenAt), LoadingUpkeep::Reshow);
}

}  // namespace
