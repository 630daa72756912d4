#include "service.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "echo_values.h"
#include "rate_limiter.h"
#include "store_backend.h"

#include "score_test_support.h"
#include "store_place.h"

namespace aerovell::scores {
namespace {

using namespace std::chrono_literals;
using testing::kBothStores;
using testing::kTableTarget;
using testing::kVersionTarget;
using testing::ScoreTarget;
using testing::ScoreTargetOfInfo;

constexpr int64_t kWall = 1718064000;  // 2024-06-11

SharedLimits Limits(unsigned scores_per_minute, unsigned versions_per_minute) {
  SharedLimits limits;
  limits.values_per_client = 1000;
  limits.scores_per_minute = scores_per_minute;
  limits.versions_per_minute = versions_per_minute;
  return limits;
}

// The queries on each store: the same answers whichever keeps the records.
class ScoreServiceTest : public ::testing::TestWithParam<testing::StoreKind> {
 protected:
  explicit ScoreServiceTest(unsigned scores_per_minute = 0, unsigned versions_per_minute = 0)
      : place_(GetParam()),
        stores_(place_.Target(), Limits(scores_per_minute, versions_per_minute), 2),
        store_(stores_.Store()),
        service_(store_, stores_.Steps()) {}

  Reply Ask(const std::string& target, std::chrono::steady_clock::duration later = {},
            const std::string& client = "127.0.0.1") {
    return service_.Handle(target, client, t0_ + later, kWall);
  }
  std::string FreshP(std::chrono::steady_clock::duration later = {}) {
    const Reply reply = Ask(kVersionTarget, later);
    EXPECT_EQ(reply.status, 200);
    return EchoValue(reply.body);
  }

  testing::StorePlace place_;
  Stores stores_;
  ScoreStore& store_;
  ScoreService service_;
  const std::chrono::steady_clock::time_point t0_ = std::chrono::steady_clock::now();
};

TEST_P(ScoreServiceTest, TheVersionAnswerCarriesAFreshEchoValue) {
  const Reply first = Ask(kVersionTarget);
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(first.kind, QueryKind::kVersion);
  ASSERT_EQ(first.body.substr(0, 3), "OK|");
  EXPECT_EQ(std::count(first.body.begin(), first.body.end(), '|'), 5);
  EXPECT_EQ(first.body.back(), '|');
  EXPECT_NE(first.body.find("|aerovell-scores|1|2024-06-11T00:00:00Z|"), std::string::npos) << first.body;
  const std::string p = EchoValue(first.body);
  EXPECT_EQ(p.size(), EchoValues::kLetters);
  EXPECT_NE(EchoValue(Ask(kVersionTarget).body), p);
}

TEST_P(ScoreServiceTest, AScoreIsStoredOnceForItsEchoValue) {
  const std::string target = ScoreTarget("Иван", 1500, FreshP(), "Россия");
  const Reply stored = Ask(target);
  EXPECT_EQ(stored.status, 200);
  EXPECT_EQ(stored.body, "OK");
  const Reply replay = Ask(target);
  EXPECT_EQ(replay.status, 400);
  EXPECT_EQ(replay.body.substr(0, 6), "ERROR ") << replay.body;

  const auto rows = store_.Best(10);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "Иван");
  EXPECT_EQ(rows[0].country, "Россия");
  EXPECT_EQ(rows[0].score, 1500);
  EXPECT_EQ(rows[0].created, kWall);
}

TEST_P(ScoreServiceTest, EveryDamagedRecordIsRefusedAndNothingStored) {
  const auto spent = FreshP();
  ASSERT_EQ(Ask(ScoreTarget("Spent", 1, spent, "")).body, "OK");
  const auto late = FreshP();

  const auto good = [](const std::string& p) { return ScoreTarget("Ivan", 100, p, "RU"); };
  const struct {
    const char* what;
    std::function<std::string(const std::string& p)> target;
    std::chrono::minutes when = 0min;
  } cases[] = {
      {"a letter outside the alphabet",
       [&](const std::string& p) {
         std::string t = good(p);
         t.back() = 'O';
         return t;
       }},
      {"a lower-case letter",
       [&](const std::string& p) {
         std::string t = good(p);
         t.back() = 'q';
         return t;
       }},
      {"a length not a multiple of 8", [&](const std::string& p) { return good(p).substr(0, good(p).size() - 1); }},
      {"percent-encoded letters",
       [&](const std::string& p) {
         std::string t = good(p);
         return t.substr(0, t.size() - 1) + "%51";
       }},
      {"a missing field",
       [](const std::string& p) { return ScoreTargetOfInfo("type=0|name=Ivan|score=100|p=" + p + "|add=RU|z="); }},
      {"a score of 65536",
       [](const std::string& p) {
         return ScoreTargetOfInfo("type=0|name=Ivan|score=65536|key=X|p=" + p + "|add=RU|z=");
       }},
      {"type 1",
       [](const std::string& p) { return ScoreTargetOfInfo("type=1|name=Ivan|score=1|key=X|p=" + p + "|add=RU|z="); }},
      {"an 11-character name", [](const std::string& p) { return ScoreTarget("Abcdefghijk", 1, p, ""); }},
      {"an 11-character country", [](const std::string& p) { return ScoreTarget("A", 1, p, "Иииииииииии"); }},
      {"a name holding <", [](const std::string& p) { return ScoreTarget("<b>", 1, p, ""); }},
      {"a name holding &", [](const std::string& p) { return ScoreTarget("A&B", 1, p, ""); }},
      {"a country holding Ё", [](const std::string& p) { return ScoreTarget("A", 1, p, "Ёлки"); }},
      {"no echo value", [](const std::string&) { return ScoreTarget("A", 1, "", ""); }},
      {"an unknown echo value", [](const std::string&) { return ScoreTarget("A", 1, "QQQQQQQQQQQQQQQQ", ""); }},
      {"a spent echo value", [&](const std::string&) { return ScoreTarget("A", 1, spent, ""); }},
      {"an expired echo value", [&](const std::string&) { return ScoreTarget("A", 1, late, ""); }, 11min},
  };
  for (const auto& c : cases) {
    const std::string p = FreshP(c.when);
    const Reply reply = Ask(c.target(p), c.when);
    EXPECT_EQ(reply.status, 400) << c.what;
    EXPECT_EQ(reply.body.substr(0, 6), "ERROR ") << c.what << ": " << reply.body;
    EXPECT_EQ(store_.Count(), 1) << c.what;
    // A damaged record does not cost the player the value it carried.
    EXPECT_EQ(Ask(good(p), c.when).body, "OK") << c.what;
    EXPECT_EQ(store_.Count(), 2) << c.what;
    place_.Execute("DELETE FROM scores WHERE name = 'Ivan'");
  }
}

TEST_P(ScoreServiceTest, UnknownQueriesAreNotFound) {
  for (const char* target : {"/", "/cgi/version.pl?version&prg=Other", "/cgi/version.pl?prg=Aerovell&show&type=1"}) {
    const Reply reply = Ask(target);
    EXPECT_EQ(reply.status, 404) << target;
    EXPECT_NE(reply.body.substr(0, 2), "OK");
  }
}

TEST_P(ScoreServiceTest, TheTableShowsTheStoredRecords) {
  ASSERT_EQ(Ask(ScoreTarget("Иван", 1500, FreshP(), "Россия")).body, "OK");
  ASSERT_EQ(Ask(ScoreTarget("Petr", 2500, FreshP(), "")).body, "OK");
  const Reply page = Ask(kTableTarget);
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.content_type, "text/html; charset=utf-8");
  const size_t petr = page.body.find("<td>Petr</td>"), ivan = page.body.find("<td>Иван</td>");
  ASSERT_NE(petr, std::string::npos);
  ASSERT_NE(ivan, std::string::npos);
  EXPECT_LT(petr, ivan);
}

TEST_P(ScoreServiceTest, TheTableIsMadeOncePerChange) {
  EXPECT_EQ(Ask(kTableTarget).status, 200);
  EXPECT_EQ(Ask(kTableTarget).status, 200);
  EXPECT_EQ(service_.PagesRendered(), 1u);
  ASSERT_EQ(Ask(ScoreTarget("Petr", 2500, FreshP(), "")).body, "OK");
  const Reply page = Ask(kTableTarget);
  EXPECT_NE(page.body.find("<td>Petr</td>"), std::string::npos);
  EXPECT_EQ(service_.PagesRendered(), 2u);
  // A record written by another process shows too, and so does one taken away.
  place_.Execute("INSERT INTO scores(name, country, score, created) VALUES ('Outside', '', 1, 0)");
  EXPECT_NE(Ask(kTableTarget).body.find("<td>Outside</td>"), std::string::npos);
  EXPECT_EQ(service_.PagesRendered(), 3u);
  place_.Execute("DELETE FROM scores WHERE name = 'Outside'");
  EXPECT_EQ(Ask(kTableTarget).body.find("<td>Outside</td>"), std::string::npos);
  EXPECT_EQ(service_.PagesRendered(), 4u);
  EXPECT_EQ(Ask(kTableTarget).status, 200);
  EXPECT_EQ(service_.PagesRendered(), 4u);
}

TEST_P(ScoreServiceTest, AFailedStoreLeavesTheValueUsable) {
  const std::string p = FreshP();
  const std::string target = ScoreTarget("A", 1, p, "");
  place_.RefuseInserts(true);
  const Reply failed = Ask(target);
  EXPECT_EQ(failed.status, 503);
  EXPECT_EQ(failed.body, "ERROR the score table is not available");
  EXPECT_NE(failed.outcome.find("refused by the test"), std::string::npos) << failed.outcome;
  EXPECT_EQ(Ask(kVersionTarget).status, 200) << "what needs no write still works";
  EXPECT_EQ(Ask(kTableTarget).status, 200);
  place_.RefuseInserts(false);
  EXPECT_EQ(Ask(target).body, "OK") << "the value was not spent by the failure";
  EXPECT_EQ(store_.Count(), 1);

  // A table gone from under the service: the same, and the page says so too.
  const std::string q = FreshP();
  place_.Execute("ALTER TABLE scores RENAME TO kept");
  const Reply gone = Ask(ScoreTarget("B", 2, q, ""));
  EXPECT_EQ(gone.status, 503);
  EXPECT_NE(gone.outcome.find("scores"), std::string::npos) << gone.outcome;
  EXPECT_EQ(Ask(kTableTarget).status, 503);
  place_.Execute("ALTER TABLE kept RENAME TO scores");
  EXPECT_EQ(Ask(ScoreTarget("B", 2, q, "")).body, "OK");
}

// A store whose every call fails with something other than a database error,
// as running out of memory would make it fail.
class ExhaustedStore : public ScoreStore {
 public:
  AddOutcome Add(const ScoreRecord&, const std::string&, Clock::time_point) override { throw std::bad_alloc(); }
  std::vector<ScoreRecord> Best(int) override { throw std::bad_alloc(); }
  std::vector<ScoreRecord> BestVerified(int) override { throw std::bad_alloc(); }
  std::optional<ScoreRecord> RecordOfValue(const std::string&) override { throw std::bad_alloc(); }
  VerifyOutcome MarkVerified(int64_t, const std::string&, const std::string&) override { throw std::bad_alloc(); }
  std::optional<std::string> VerifiedReplay(int64_t) override { throw std::bad_alloc(); }
  int64_t Count() override { throw std::bad_alloc(); }
  uint64_t Revision() override { throw std::bad_alloc(); }
  std::vector<ScoreRecord> RecordsAfter(int64_t, int) override { throw std::bad_alloc(); }
  void Import(const std::function<bool(std::vector<ScoreRecord>&)>&) override { throw std::bad_alloc(); }
};

TEST(ScoreServiceFailure, AnyOtherFailureIsAnErrorAnswerNotTheEndOfTheService) {
  ExhaustedStore store;
  EchoValues values(100, std::chrono::minutes(10));
  MemoryRateCounts rates(0, 0);
  ScoreService service(store, values, rates);
  const auto now = std::chrono::steady_clock::now();
  const Reply version = service.Handle(kVersionTarget, "127.0.0.1", now, kWall);
  ASSERT_EQ(version.status, 200) << "the version needs no store";
  for (const std::string& target : {ScoreTarget("A", 1, EchoValue(version.body), ""), std::string(kTableTarget)}) {
    const Reply failed = service.Handle(target, "127.0.0.1", now, kWall);
    EXPECT_EQ(failed.status, 500) << target;
    EXPECT_EQ(failed.body, "ERROR the service failed") << target;
    EXPECT_NE(failed.outcome.find("bad_alloc"), std::string::npos) << failed.outcome;
  }
}

class LimitedServiceTest : public ScoreServiceTest {
 protected:
  LimitedServiceTest() : ScoreServiceTest(30, 120) {}
};

TEST_P(LimitedServiceTest, The31stScoreRequestInAMinuteIsRefused) {
  std::vector<std::string> ps;
  for (int i = 0; i < 31; ++i) ps.push_back(FreshP(std::chrono::seconds(i)));
  for (int i = 0; i < 30; ++i) ASSERT_EQ(Ask(ScoreTarget("A", 1, ps[i], ""), 40s).body, "OK") << i;
  const Reply refused = Ask(ScoreTarget("A", 1, ps[30], ""), 40s);
  EXPECT_EQ(refused.status, 429);
  EXPECT_EQ(refused.body.substr(0, 6), "ERROR ");
  EXPECT_EQ(store_.Count(), 30);
  EXPECT_EQ(Ask(kTableTarget, 40s).status, 200) << "page views are not counted";
  EXPECT_EQ(Ask(kVersionTarget, 40s).status, 200) << "versions have their own limit";
  EXPECT_EQ(Ask(ScoreTarget("A", 1, FreshP(40s), ""), 40s, "127.0.0.9").body, "OK") << "another client";
  // The first requests leave the window a minute later.
  EXPECT_EQ(Ask(ScoreTarget("A", 1, ps[30], ""), 100s).body, "OK");
}

// The count is taken in the step that serves a request: a damaged record
// is counted all the same (and over the limit told so, not what is wrong
// with it), and a refused record spends and stores nothing.
TEST_P(LimitedServiceTest, DamagedRecordsCountAndARefusalChangesNothing) {
  testing::AwayFromTheTurnOfAMinute(std::chrono::seconds(10));
  const auto at = std::chrono::steady_clock::now() - t0_;
  const std::string p = FreshP(at);
  const std::string damaged = ScoreTarget("Abcdefghijk", 1, p, "");
  for (int i = 0; i < 29; ++i) ASSERT_EQ(Ask(damaged, at).status, 400) << i;
  ASSERT_EQ(Ask(ScoreTarget("A", 1, FreshP(at), ""), at).body, "OK") << "the 30th request";
  for (const std::string& target : {damaged, ScoreTarget("A", 1, p, "")}) {
    const Reply refused = Ask(target, at);
    EXPECT_EQ(refused.status, 429) << target;
    EXPECT_EQ(refused.body, "ERROR too many requests, try again in a minute");
  }
  EXPECT_EQ(store_.Count(), 1);
  EXPECT_EQ(Ask(ScoreTarget("A", 1, p, ""), at + 61s).body, "OK") << "the refusal left the value usable";
}

TEST_P(LimitedServiceTest, VersionQueriesHaveTheirOwnLooserLimit) {
  for (int i = 0; i < 120; ++i) ASSERT_EQ(Ask(kVersionTarget).status, 200) << i;
  EXPECT_EQ(Ask(kVersionTarget).status, 429);
  EXPECT_EQ(Ask(kVersionTarget, 0s, "127.0.0.9").status, 200);
  // An IPv6 client is counted by its /64.
  for (int i = 0; i < 120; ++i) ASSERT_EQ(Ask(kVersionTarget, 0s, "2001:db8::" + std::to_string(i + 1)).status, 200);
  EXPECT_EQ(Ask(kVersionTarget, 0s, "2001:db8::ffff").status, 429);
  EXPECT_EQ(Ask(kVersionTarget, 0s, "2001:db8:0:1::1").status, 200);
}

INSTANTIATE_TEST_SUITE_P(Stores, ScoreServiceTest, kBothStores, testing::StoreKindName);
INSTANTIATE_TEST_SUITE_P(Stores, LimitedServiceTest, kBothStores, testing::StoreKindName);

}  // namespace
}  // namespace aerovell::scores
