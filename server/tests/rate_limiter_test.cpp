#include "rate_limiter.h"

#include <gtest/gtest.h>

namespace aerovell::scores {
namespace {

using std::chrono::seconds;
using Clock = RateLimiter::Clock;

TEST(RateLimiter, AllowsSoManyInAnyMinute) {
  RateLimiter limiter(3);
  const auto t0 = Clock::now();
  EXPECT_TRUE(limiter.Allow("a", t0));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(20)));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(40)));
  EXPECT_FALSE(limiter.Allow("a", t0 + seconds(59)));
  EXPECT_TRUE(limiter.Allow("b", t0 + seconds(59))) << "another client has its own count";
  // The first request leaves the window at 60 s, the next one at 80 s.
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(60)));
  EXPECT_FALSE(limiter.Allow("a", t0 + seconds(79)));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(80)));
}

TEST(RateLimiter, RefusalsDoNotProlongTheWait) {
  RateLimiter limiter(1);
  const auto t0 = Clock::now();
  EXPECT_TRUE(limiter.Allow("a", t0));
  for (int s = 1; s < 60; s += 5) EXPECT_FALSE(limiter.Allow("a", t0 + seconds(s)));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(60)));
}

TEST(RateLimiter, ZeroMeansNoLimit) {
  RateLimiter limiter(0);
  const auto t0 = Clock::now();
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(limiter.Allow("a", t0));
  EXPECT_EQ(limiter.ClientsFollowed(), 0u);
}

TEST(RateLimiter, AFullTableForgetsTheClientSeenLeastRecently) {
  RateLimiter limiter(2, 3);
  const auto t0 = Clock::now();
  for (const char* c : {"a", "b", "c"}) EXPECT_TRUE(limiter.Allow(c, t0));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(1)));  // "a" at its limit, and now the most recent
  EXPECT_FALSE(limiter.Allow("a", t0 + seconds(2)));
  // A flood of strangers: every one is served, the table stays at 3, and the
  // ones seen least recently go first ("b", "c", "a", then strangers).
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(limiter.Allow("x" + std::to_string(i), t0 + seconds(3))) << i;
  EXPECT_EQ(limiter.ClientsFollowed(), 3u);
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(4))) << "forgotten, so counted afresh";

  RateLimiter kept(2, 3);
  for (const char* c : {"a", "b", "c"}) EXPECT_TRUE(kept.Allow(c, t0));
  EXPECT_TRUE(kept.Allow("a", t0 + seconds(1)));
  EXPECT_TRUE(kept.Allow("d", t0 + seconds(2)));  // "b" goes, "a" stays
  EXPECT_FALSE(kept.Allow("a", t0 + seconds(3))) << "a client seen recently keeps its count";
  EXPECT_TRUE(kept.Allow("b", t0 + seconds(3)));  // "b" was forgotten, "c" goes now
}

TEST(MemoryRateCounts, ScoresAndVersionsHaveLimitsOfTheirOwn) {
  MemoryRateCounts counts(2, 3);
  const auto t0 = Clock::now();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(counts.Allow(Counted::kVersion, "a", t0)) << i;
  EXPECT_FALSE(counts.Allow(Counted::kVersion, "a", t0));
  EXPECT_TRUE(counts.Allow(Counted::kScore, "a", t0)) << "versions do not use up the score limit";
  EXPECT_TRUE(counts.Allow(Counted::kScore, "a", t0));
  EXPECT_FALSE(counts.Allow(Counted::kScore, "a", t0));
}

}  // namespace
}  // namespace aerovell::scores
