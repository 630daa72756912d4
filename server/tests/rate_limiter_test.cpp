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

TEST(RateLimiter, FollowsABoundedNumberOfClients) {
  RateLimiter limiter(5, 2);
  const auto t0 = Clock::now();
  EXPECT_TRUE(limiter.Allow("a", t0));
  EXPECT_TRUE(limiter.Allow("b", t0));
  EXPECT_FALSE(limiter.Allow("c", t0 + seconds(1))) << "the table is full of recent clients";
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(1))) << "known clients still count as before";
  EXPECT_EQ(limiter.ClientsFollowed(), 2u);
  // A minute later the quiet client "b" has left the table.
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(60)));
  EXPECT_TRUE(limiter.Allow("c", t0 + seconds(62)));
  EXPECT_EQ(limiter.ClientsFollowed(), 2u);
}

TEST(ClientKey, GroupsAnIpv6NetworkAndUnmapsIpv4) {
  const struct {
    const char *address, *key;
  } cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {"::ffff:127.0.0.2", "127.0.0.2"},
      {"::1", "::/64"},
      {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
      {"2001:db8:1:2:ffff::1", "2001:db8:1:2::/64"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ClientKey(c.address), c.key) << c.address;
}

}  // namespace
}  // namespace aerovell::scores
