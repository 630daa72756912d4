#include "echo_values.h"

#include <gtest/gtest.h>

#include <set>

#include "online/score_codec.h"

namespace aerovell::scores {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
using Clock = EchoValues::Clock;

bool Spend(EchoValues& values, const std::string& p, Clock::time_point now) { return values.Take(p, now).has_value(); }

TEST(EchoValues, AreFreshLettersOfTheAlphabet) {
  EchoValues values(1000, minutes(10), 1000);
  const auto now = Clock::now();
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string p = values.Issue("a", now);
    ASSERT_EQ(p.size(), EchoValues::kLetters);
    EXPECT_EQ(p.find_first_not_of(kScoreLetters), std::string::npos) << p;
    EXPECT_TRUE(seen.insert(p).second) << "issued twice: " << p;
  }
  EXPECT_EQ(values.Outstanding(), 200u);
}

TEST(EchoValues, EachIsTakenOnce) {
  EchoValues values(10, minutes(10));
  const auto now = Clock::now();
  const std::string p = values.Issue("a", now);
  EXPECT_FALSE(Spend(values, "QQQQQQQQQQQQQQQQ", now));
  EXPECT_FALSE(Spend(values, "", now));
  const auto taken = values.Take(p, now);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->client, "a");
  EXPECT_FALSE(Spend(values, p, now)) << "a value being spent is nobody else's";
  EXPECT_EQ(values.Outstanding(), 0u);
}

TEST(EchoValues, ATakenValuePutBackIsUsableUntilItExpires) {
  EchoValues values(10, minutes(10));
  const auto t0 = Clock::now();
  const std::string p = values.Issue("a", t0);
  auto taken = values.Take(p, t0 + minutes(1));
  ASSERT_TRUE(taken);
  values.PutBack(*taken, t0 + minutes(1));
  EXPECT_EQ(values.OutstandingFor("a"), 1u);
  EXPECT_TRUE(Spend(values, p, t0 + minutes(9))) << "it keeps its first lifetime";

  const std::string late = values.Issue("a", t0);
  taken = values.Take(late, t0 + minutes(9));
  values.PutBack(*taken, t0 + minutes(10));
  EXPECT_EQ(values.Outstanding(), 0u) << "expired while it was out";
}

TEST(EchoValues, ExpireAfterTheirLifetime) {
  EchoValues values(10, minutes(10));
  const auto t0 = Clock::now();
  const std::string old_one = values.Issue("a", t0);
  const std::string newer = values.Issue("a", t0 + minutes(5));
  EXPECT_TRUE(Spend(values, newer, t0 + minutes(14)));  // 9 minutes old
  EXPECT_FALSE(Spend(values, old_one, t0 + minutes(10)));
  EXPECT_EQ(values.Outstanding(), 0u);
}

TEST(EchoValues, OneClientPushesOutOnlyItsOwn) {
  EchoValues values(100, minutes(10), 3);
  const auto now = Clock::now();
  const std::string player = values.Issue("player", now);
  std::vector<std::string> issued;
  for (int i = 0; i < 50; ++i) issued.push_back(values.Issue("flood", now + seconds(i)));
  EXPECT_EQ(values.OutstandingFor("flood"), 3u);
  EXPECT_TRUE(Spend(values, player, now + seconds(60)));
  EXPECT_FALSE(Spend(values, issued[46], now + seconds(60)));
  for (int i = 47; i < 50; ++i) EXPECT_TRUE(Spend(values, issued[i], now + seconds(60))) << i;
}

TEST(EchoValues, AFullTableTakesFromTheClientHoldingTheMost) {
  // 120 values from 40 addresses, 3 each, into a table of 100: the player who
  // asked first keeps the one value it holds.
  EchoValues values(100, minutes(10), 16);
  const auto now = Clock::now();
  const std::string player = values.Issue("player", now);
  for (int a = 0; a < 40; ++a)
    for (int i = 0; i < 3; ++i) values.Issue("flood" + std::to_string(a), now + seconds(1));
  EXPECT_EQ(values.Outstanding(), 100u);
  EXPECT_TRUE(Spend(values, player, now + seconds(2)));

  // With a full table of single values the oldest goes.
  EchoValues singles(3, minutes(10), 16);
  const std::string first = singles.Issue("a", now);
  const std::string second = singles.Issue("b", now + seconds(1));
  singles.Issue("c", now + seconds(2));
  singles.Issue("d", now + seconds(3));
  EXPECT_FALSE(Spend(singles, first, now + seconds(4)));
  EXPECT_TRUE(Spend(singles, second, now + seconds(4)));
}

}  // namespace
}  // namespace aerovell::scores
