#include "echo_values.h"

#include <gtest/gtest.h>

#include <set>

#include "online/score_codec.h"

namespace aerovell::scores {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
using Clock = EchoValues::Clock;

TEST(EchoValues, AreFreshLettersOfTheAlphabet) {
  EchoValues values(1000, minutes(10));
  const auto now = Clock::now();
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string p = values.Issue(now);
    ASSERT_EQ(p.size(), EchoValues::kLetters);
    EXPECT_EQ(p.find_first_not_of(kScoreLetters), std::string::npos) << p;
    EXPECT_TRUE(seen.insert(p).second) << "issued twice: " << p;
  }
  EXPECT_EQ(values.Outstanding(), 200u);
}

TEST(EchoValues, EachIsSpentOnce) {
  EchoValues values(10, minutes(10));
  const auto now = Clock::now();
  const std::string p = values.Issue(now);
  EXPECT_FALSE(values.Spend("QQQQQQQQQQQQQQQQ", now));
  EXPECT_FALSE(values.Spend("", now));
  EXPECT_TRUE(values.Spend(p, now));
  EXPECT_FALSE(values.Spend(p, now));
  EXPECT_EQ(values.Outstanding(), 0u);
}

TEST(EchoValues, ExpireAfterTheirLifetime) {
  EchoValues values(10, minutes(10));
  const auto t0 = Clock::now();
  const std::string old_one = values.Issue(t0);
  const std::string newer = values.Issue(t0 + minutes(5));
  EXPECT_TRUE(values.Spend(newer, t0 + minutes(14)));  // 9 minutes old
  EXPECT_FALSE(values.Spend(old_one, t0 + minutes(10)));
  EXPECT_EQ(values.Outstanding(), 0u);

  const std::string last = values.Issue(t0 + minutes(20));
  EXPECT_TRUE(values.Spend(last, t0 + minutes(30) - seconds(1)));
}

TEST(EchoValues, BeyondTheCapacityTheOldestGoFirst) {
  EchoValues values(3, minutes(10));
  const auto now = Clock::now();
  std::vector<std::string> issued;
  for (int i = 0; i < 5; ++i) issued.push_back(values.Issue(now + seconds(i)));
  EXPECT_EQ(values.Outstanding(), 3u);
  EXPECT_FALSE(values.Spend(issued[0], now + seconds(6)));
  EXPECT_FALSE(values.Spend(issued[1], now + seconds(6)));
  for (int i = 2; i < 5; ++i) EXPECT_TRUE(values.Spend(issued[i], now + seconds(6))) << i;
}

}  // namespace
}  // namespace aerovell::scores
