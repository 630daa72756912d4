// The real service binary, started by the tests on a free loopback port.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "online/http_client.h"
#include "run_tool.h"
#include "score_store.h"
#include "score_test_support.h"
#include "service_process.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::TempDir;
using testing::Get;
using testing::kTableTarget;
using testing::kVersionTarget;
using testing::RawExchange;
using testing::ScoreTarget;
using testing::ServiceProcess;

class HttpServiceTest : public ::testing::Test {
 protected:
  std::string DbPath() const { return (dir_ / "scores.sqlite").string(); }
  std::unique_ptr<ServiceProcess> Start(std::vector<std::string> extra = {"--max-per-minute", "0"}) {
    extra.insert(extra.begin(), {"--db", "scores.sqlite"});
    auto service = std::make_unique<ServiceProcess>(dir_.Path(), extra);
    EXPECT_GT(service->Port(), 0) << service->Log();
    return service;
  }
  int64_t StoredRows() const {
    Connection db(DbPath(), SQLITE_OPEN_READONLY);
    return db.QueryInteger("SELECT count(*) FROM scores");
  }
  // What a finished game does, through the game's own HTTP client: a version
  // request, then the score request with its echo value. The answer, or the
  // client's error.
  static std::string Submit(int port, const std::string& name, uint16_t score, const std::string& country) {
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    try {
      THTTPClient client(std::chrono::seconds(2), std::chrono::seconds(5));
      const std::string version = client.Get(base + kVersionTarget);
      if (version.substr(0, 2) != "OK") return "no version: " + version;
      return client.Get(base + ScoreTarget(name, score, EchoValue(version), country));
    } catch (const EHTTPError& e) {
      return std::string("ERROR ") + e.what();
    }
  }

  TempDir dir_;
};

TEST_F(HttpServiceTest, AGameSubmitsARecordAndTheTableShowsIt) {
  auto service = Start();
  const int port = service->Port();
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
  EXPECT_EQ(StoredRows(), 1);

  // One log line per request: time, client, kind, outcome, milliseconds.
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  const std::string log = service->Log();
  EXPECT_NE(log.find(" 127.0.0.1 version 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.1 score 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.1 table 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.1 score 400 the echo value is unknown, expired or spent "), std::string::npos) << log;
  EXPECT_NE(log.find("ms\n"), std::string::npos) << log;
}

TEST_F(HttpServiceTest, ARestartKeepsEveryRecord) {
  auto first = Start();
  ASSERT_EQ(Submit(first->Port(), "Иван", 1500, "Россия"), "OK");
  ASSERT_EQ(Submit(first->Port(), "Anna", 700, "UK"), "OK");
  EXPECT_EQ(first->Stop(SIGINT), 0) << first->Log();
  EXPECT_NE(first->Log().find("stopped with 2 records"), std::string::npos) << first->Log();

  auto second = Start();
  const auto page = Get(second->Port(), kTableTarget);
  EXPECT_NE(page.body.find("<td>Иван</td>"), std::string::npos);
  EXPECT_NE(page.body.find("<td>Anna</td>"), std::string::npos);
  EXPECT_EQ(Submit(second->Port(), "Third", 1, ""), "OK");
  EXPECT_EQ(second->Stop(SIGTERM), 0);
  EXPECT_EQ(StoredRows(), 3);
}

TEST_F(HttpServiceTest, TheRateLimitRefusesThe31stRequestInAMinute) {
  auto service = Start({});  // the default: 30 a minute
  const int port = service->Port();
  std::string p;
  for (int i = 0; i < 30; ++i) {
    const auto version = Get(port, kVersionTarget);
    ASSERT_EQ(version.status, 200) << i << ": " << version.body;
    p = EchoValue(version.body);
  }
  const auto refused = Get(port, ScoreTarget("A", 1, p, ""));
  EXPECT_EQ(refused.status, 429);
  EXPECT_EQ(refused.body.substr(0, 6), "ERROR ") << refused.body;
  EXPECT_EQ(Get(port, kTableTarget).status, 429);
  EXPECT_EQ(StoredRows(), 0);
}

TEST_F(HttpServiceTest, ThePageEscapesEveryValue) {
  auto service = Start();
  {
    // Straight into the file beside the running service, as a damaged or
    // hand-edited table would hold it.
    Connection db(DbPath(), SQLITE_OPEN_READWRITE);
    db.Execute("INSERT INTO scores(name, country, score, created) VALUES ('<b>&', '\"<i>''', 77, 0)");
  }
  const auto page = Get(service->Port(), kTableTarget);
  ASSERT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("<td>&lt;b&gt;&amp;</td><td>&quot;&lt;i&gt;&#39;</td>"), std::string::npos) << page.body;
  EXPECT_EQ(page.body.find("<b>&"), std::string::npos);
  EXPECT_EQ(page.body.find("<i>"), std::string::npos);
}

TEST_F(HttpServiceTest, OtherPathsProgramsAndQueriesAreNotFound) {
  auto service = Start();
  for (const char* target :
       {"/", "/index.html", "/cgi/version.pl", "/cgi/version.pl?version", "/cgi/version.pl?version&prg=Other",
        "/cgi/version%2Epl?version&prg=Aerovell", "/cgi/version.pl?prg=Aerovell&show&type=1",
        "/cgi/version.pl?version&prg=Aerovell&extra", "/cgi/version.pl?version%26prg=Aerovell"}) {
    const auto answer = Get(service->Port(), target);
    EXPECT_EQ(answer.status, 404) << target;
    EXPECT_NE(answer.body.substr(0, 2), "OK") << target;
  }
}

TEST_F(HttpServiceTest, RequestsAreBoundedAndBodiesRefused) {
  auto service = Start();
  const int port = service->Port();
  const auto version = Get(port, kVersionTarget);
  const std::string target = ScoreTarget("Body", 5, EchoValue(version.body), "");
  const std::string with_length =
      "GET " + target + " HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";
  EXPECT_EQ(RawExchange(port, with_length).substr(0, 12), "HTTP/1.1 413");
  const std::string chunked = "GET " + target +
                              " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                              "5\r\nhello\r\n0\r\n\r\n";
  EXPECT_EQ(RawExchange(port, chunked).substr(0, 12), "HTTP/1.1 413");
  const std::string post = "POST " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(RawExchange(port, post).substr(0, 12), "HTTP/1.1 405");
  const std::string long_url = "GET /cgi/version.pl?version&prg=Aerovell&" + std::string(9000, 'Q') +
                               " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(RawExchange(port, long_url).substr(0, 12), "HTTP/1.1 414");
  EXPECT_EQ(RawExchange(port, "NONSENSE\r\n\r\n").substr(0, 12), "HTTP/1.1 400");
  EXPECT_EQ(StoredRows(), 0);
  // The value was not spent by the refused requests, and the service still answers.
  EXPECT_EQ(Get(port, target).body, "OK");
}

TEST_F(HttpServiceTest, ARequestWithoutEndIsCutOff) {
  auto service = Start();
  const int port = service->Port();
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  // A request line that never ends: the service stops reading it after its
  // bound and closes, so the sending fails long before 64 MiB are through.
  const std::string chunk = "GET /" + std::string(1 << 16, 'A');
  size_t sent = 0;
  timeval timeout{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  while (sent < (64u << 20)) {
    const ssize_t n = send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  close(fd);
  EXPECT_LT(sent, 32u << 20) << "the service read on and on";
  EXPECT_EQ(Get(port, kVersionTarget).status, 200);
}

TEST_F(HttpServiceTest, AKillAtAnyMomentLosesAtMostTheRequestsInFlight) {
  auto service = Start();
  const int port = service->Port();
  constexpr int kClients = 4;
  std::atomic<int> answered_ok{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < 5000 && !stop; ++i)
        if (Submit(port, "K" + std::to_string(c), static_cast<uint16_t>(i), "") == "OK") ++answered_ok;
    });
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (answered_ok < 200 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  service->Stop(SIGKILL);
  stop = true;
  for (auto& t : clients) t.join();
  ASSERT_GT(answered_ok, 0);

  {
    Connection db(DbPath(), SQLITE_OPEN_READWRITE);
    EXPECT_EQ(db.QueryText("PRAGMA integrity_check"), "ok");
  }
  // Every answered record is there; at most the one in flight per client besides.
  const int64_t rows = StoredRows();
  EXPECT_GE(rows, answered_ok.load());
  EXPECT_LE(rows, answered_ok.load() + kClients);
  auto again = Start();
  EXPECT_EQ(Submit(again->Port(), "After", 1, ""), "OK");
  EXPECT_EQ(again->Stop(SIGTERM), 0);
  EXPECT_EQ(StoredRows(), rows + 1);
}

TEST_F(HttpServiceTest, ADamagedDatabaseStopsTheStartAndIsLeftAlone) {
  const auto path = dir_ / "scores.sqlite";
  std::vector<uint8_t> garbage(8192, 0x5A);
  aerovell::testing::WriteBytes(path, garbage);
  std::string log;
  EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), {"--listen", "127.0.0.1:0", "--db", "scores.sqlite"}, log), 1);
  EXPECT_NE(log.find("is not a score database"), std::string::npos) << log;
  EXPECT_EQ(aerovell::testing::ReadBytes(path), garbage);
}

TEST_F(HttpServiceTest, APortInUseStopsASecondService) {
  auto first = Start();
  std::string log;
  const std::string listen = "127.0.0.1:" + std::to_string(first->Port());
  EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), {"--listen", listen, "--db", "other.sqlite"}, log), 1);
  EXPECT_NE(log.find("cannot listen on " + listen), std::string::npos) << log;
  EXPECT_EQ(Get(first->Port(), kVersionTarget).status, 200);
}

TEST_F(HttpServiceTest, BadArgumentsAreRefusedWithTheUsage) {
  std::string log;
  EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), {"--max-per-minute", "lots"}, log), 2);
  EXPECT_NE(log.find("usage: aerovell-scores"), std::string::npos) << log;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "scores.sqlite"));
  for (const char* help : {"--help", "-h"}) {
    const auto r = aerovell::testing::RunTool(AEROVELL_SCORES_BINARY, {help}, false);
    EXPECT_EQ(r.code, 0) << help;
    EXPECT_EQ(aerovell::testing::UsageProblem(r.out, "aerovell-scores"), "") << r.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "scores.sqlite"));
}

}  // namespace
}  // namespace aerovell::scores
