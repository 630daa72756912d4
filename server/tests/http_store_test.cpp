// The real service binary on each store: a game's record, a restart, the
// limits, the page, a failing store and a kill, the same on both.

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "score_test_support.h"
#include "service_process.h"
#include "sqlite_db.h"
#include "store_place.h"

namespace aerovell::scores {
namespace {

using testing::Get;
using testing::kBothStores;
using testing::kTableTarget;
using testing::kVersionTarget;
using testing::ScoreTarget;
using testing::ServiceProcess;
using testing::StoreKind;

class HttpStoreTest : public ::testing::TestWithParam<StoreKind> {
 protected:
  std::unique_ptr<ServiceProcess> Start(std::vector<std::string> extra = {"--max-per-minute", "0"}) {
    extra.insert(extra.begin(), {"--db", place_.Target()});
    auto service = std::make_unique<ServiceProcess>(place_.Folder(), extra);
    EXPECT_GT(service->Port(), 0) << service->Log();
    return service;
  }
  testing::StorePlace place_{GetParam()};
};

TEST_P(HttpStoreTest, AGameSubmitsARecordAndTheTableShowsIt) {
  auto service = Start();
  const int port = service->Port();
  EXPECT_NE(service->Log().find("listening on http://127.0.0.1:" + std::to_string(port) +
                                "/cgi/version.pl?prg=Aerovell&show&type=0 with " + place_.Description() + " (0 records)"),
            std::string::npos)
      << "the start line names the table page: " << service->Log();
  const auto version = Get(port, kVersionTarget);
  ASSERT_EQ(version.status, 200);
  ASSERT_EQ(version.body.substr(0, 2), "OK");
  const std::string target = ScoreTarget("Иван", 1500, EchoValue(version.body), "Россия");
  const auto stored = Get(port, target);
  EXPECT_EQ(stored.status, 200);
  EXPECT_EQ(stored.body, "OK");

  const auto page = Get(port, kTableTarget);
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("<td>Иван</td><td>Россия</td><td class=\"n\">1500</td>"), std::string::npos) << page.body;

  const auto replay = Get(port, target);
  EXPECT_NE(replay.body.substr(0, 2), "OK") << replay.body;
  EXPECT_EQ(place_.Rows(), 1);

  // One log line per request: time, client, kind, outcome, milliseconds.
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  const std::string log = service->Log();
  EXPECT_NE(log.find(" 127.0.0.1 version 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.1 score 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.1 table 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.1 score 400 the echo value is unknown, expired or spent "), std::string::npos) << log;
  EXPECT_NE(log.find("ms\n"), std::string::npos) << log;
}

TEST_P(HttpStoreTest, ARestartKeepsEveryRecord) {
  auto first = Start();
  ASSERT_EQ(testing::SubmitAsTheGame(first->Port(), "Иван", 1500, "Россия"), "OK");
  ASSERT_EQ(testing::SubmitAsTheGame(first->Port(), "Anna", 700, "UK"), "OK");
  EXPECT_EQ(first->Stop(SIGINT), 0) << first->Log();
  EXPECT_NE(first->Log().find("stopped with 2 records"), std::string::npos) << first->Log();

  auto second = Start();
  const auto page = Get(second->Port(), kTableTarget);
  EXPECT_NE(page.body.find("<td>Иван</td>"), std::string::npos);
  EXPECT_NE(page.body.find("<td>Anna</td>"), std::string::npos);
  EXPECT_EQ(testing::SubmitAsTheGame(second->Port(), "Third", 1, ""), "OK");
  EXPECT_EQ(second->Stop(SIGTERM), 0);
  EXPECT_EQ(place_.Rows(), 3);
}

TEST_P(HttpStoreTest, TheRateLimitCountsScoreRequestsOnly) {
  auto service = Start({});  // the defaults: 30 score requests and 120 version queries a minute
  testing::AwayFromTheTurnOfAMinute(std::chrono::seconds(20));
  const int port = service->Port();
  for (int i = 0; i < 30; ++i) ASSERT_EQ(testing::SubmitAsTheGame(port, "P" + std::to_string(i), 1, ""), "OK") << i;
  const auto version = Get(port, kVersionTarget);
  ASSERT_EQ(version.status, 200);
  const auto refused = Get(port, ScoreTarget("A", 1, EchoValue(version.body), ""));
  EXPECT_EQ(refused.status, 429);
  EXPECT_EQ(refused.body, "ERROR too many requests, try again in a minute");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Get(port, kTableTarget).status, 200) << "page views are not counted";
  EXPECT_EQ(Get(port, kVersionTarget).status, 200);
  EXPECT_EQ(place_.Rows(), 30);
}

TEST_P(HttpStoreTest, ThePageEscapesEveryValue) {
  auto service = Start();
  // Straight into the database beside the running service, as a damaged or
  // hand-edited table would hold it.
  place_.Execute("INSERT INTO scores(name, country, score, created) VALUES ('<b>&', '\"<i>''', 77, 0)");
  const auto page = Get(service->Port(), kTableTarget);
  ASSERT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("<td>&lt;b&gt;&amp;</td><td>&quot;&lt;i&gt;&#39;</td>"), std::string::npos) << page.body;
  EXPECT_EQ(page.body.find("<b>&"), std::string::npos);
  EXPECT_EQ(page.body.find("<i>"), std::string::npos);
}

TEST_P(HttpStoreTest, AFailedStoreLeavesTheValueUsable) {
  auto service = Start();
  const int port = service->Port();
  const std::string target = ScoreTarget("Later", 9, EchoValue(Get(port, kVersionTarget).body), "");
  place_.Execute("ALTER TABLE scores RENAME TO kept");  // the records out of the service's reach
  const auto failed = Get(port, target);
  EXPECT_EQ(failed.status, 503);
  EXPECT_EQ(failed.body, "ERROR the score table is not available");
  place_.Execute("ALTER TABLE kept RENAME TO scores");
  EXPECT_EQ(Get(port, target).body, "OK");
  EXPECT_EQ(place_.Rows(), 1);
}

TEST_P(HttpStoreTest, AKillAtAnyMomentLosesAtMostTheRequestsInFlight) {
  const std::vector<std::string> unlimited = {"--max-per-minute", "0", "--max-versions-per-minute", "0"};
  auto service = Start(unlimited);
  const int port = service->Port();
  constexpr int kClients = 4;
  std::atomic<int> answered_ok{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < 5000 && !stop; ++i)
        if (testing::SubmitAsTheGame(port, "K" + std::to_string(c), static_cast<uint16_t>(i), "") == "OK")
          ++answered_ok;
    });
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (answered_ok < 200 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  service->Stop(SIGKILL);
  stop = true;
  for (auto& t : clients) t.join();
  ASSERT_GT(answered_ok, 0);

  if (GetParam() == StoreKind::kSqlite) {
    Connection db(place_.Target(), SQLITE_OPEN_READWRITE);
    EXPECT_EQ(db.QueryText("PRAGMA integrity_check"), "ok");
  }
  // Every answered record is there; at most the one in flight per client besides.
  const int64_t rows = place_.Rows();
  EXPECT_GE(rows, answered_ok.load());
  EXPECT_LE(rows, answered_ok.load() + kClients);
  auto again = Start(unlimited);
  EXPECT_EQ(testing::SubmitAsTheGame(again->Port(), "After", 1, ""), "OK");
  EXPECT_EQ(again->Stop(SIGTERM), 0);
  EXPECT_EQ(place_.Rows(), rows + 1);
}

INSTANTIATE_TEST_SUITE_P(Stores, HttpStoreTest, kBothStores, testing::StoreKindName);

}  // namespace
}  // namespace aerovell::scores
