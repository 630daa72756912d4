// The real service binary, started by the tests on a free loopback port: the
// queries, the refusals, the database file and the messages.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "online/http_client.h"
#include "run_tool.h"
#include "score_store.h"
#include "score_test_support.h"
#include "service_process.h"
#include "sqlite_db.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::TempDir;
using testing::Get;
using testing::kTableTarget;
using testing::kVersionTarget;
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
  TempDir dir_;
};

// A reload (SIGHUP) copies the write-ahead log into the database file while
// the service keeps serving: the file alone, copied then, holds every record.
TEST_F(HttpServiceTest, AReloadBringsTheDatabaseFileUpToDateAndServingGoesOn) {
  auto service = Start();
  ASSERT_EQ(testing::SubmitAsTheGame(service->Port(), "Иван", 1500, "Россия"), "OK");
  ASSERT_EQ(testing::SubmitAsTheGame(service->Port(), "Anna", 700, "UK"), "OK");
  const std::filesystem::path wal = DbPath() + "-wal";
  ASSERT_GT(std::filesystem::file_size(wal), 0u);

  ASSERT_EQ(::kill(service->Pid(), SIGHUP), 0);
  for (int i = 0; i < 200 && service->Log().find("reload:") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(service->Log().find("reload: database file brought up to date, 2 records"), std::string::npos)
      << service->Log();
  EXPECT_EQ(std::filesystem::file_size(wal), 0u);

  // The main file by itself, as a plain copy would take it.
  const std::filesystem::path copy = dir_ / "copy.sqlite";
  std::filesystem::copy_file(DbPath(), copy);
  {
    Connection db(copy.string(), SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM scores"), 2);
  }
  EXPECT_EQ(testing::SubmitAsTheGame(service->Port(), "Third", 1, ""), "OK");
  EXPECT_EQ(service->Stop(SIGTERM), 0) << service->Log();
  EXPECT_EQ(StoredRows(), 3);
}

TEST_F(HttpServiceTest, OtherPathsProgramsAndQueriesAreNotFound) {
  auto service = Start();
  for (const char* target :
       {"/", "/index.html", "/cgi/version.pl", "/cgi/version.pl?version", "/cgi/version.pl?version&prg=Other",
        "/cgi/version%2Epl?version&prg=Aerovell", "/cgi/version.pl?prg=Aerovell&show&type=1",
        "/cgi/version.pl?version&prg=Aerovell&extra", "/cgi/version.pl?version%26prg=Aerovell"}) {
    const auto answer = Get(service->Port(), target);
    EXPECT_EQ(answer.status, 404) << target;
    EXPECT_EQ(answer.body, "ERROR not found") << target;
  }
}

// Every head the service will not take: the answer, the connection closed
// after it, nothing stored and the value still usable, a log line with the
// client.
TEST_F(HttpServiceTest, EveryRefusedHeadIsAnsweredWhyAndEndsTheConnection) {
  auto service = Start();
  const int port = service->Port();
  const auto version = Get(port, kVersionTarget);
  const std::string target = ScoreTarget("Body", 5, EchoValue(version.body), "");
  const std::string game_head = "Content-Type: text/html\r\nHost: x\r\nAccept: text/html, */*\r\n";
  const std::string nul(1, '\0');
  const struct {
    const char* what;
    std::string request;
    const char* status;
    const char* body;  // the start of it; nullptr: the library's own text
  } cases[] = {
      {"HEAD", "HEAD " + target + " HTTP/1.1\r\n" + game_head + "\r\n", "405", ""},  // a HEAD answer has no body
      {"POST", "POST " + target + " HTTP/1.1\r\n" + game_head + "\r\n", "405", "ERROR only GET is served"},
      {"a body on GET", "GET " + target + " HTTP/1.1\r\n" + game_head + "Content-Length: 5\r\n\r\nhello", "400",
       "ERROR request bodies are refused"},
      {"a chunked body", "GET " + target + " HTTP/1.1\r\n" + game_head + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
       "400", "ERROR request bodies are refused"},
      {"lengths 0 and 66",
       "GET " + target + " HTTP/1.1\r\n" + game_head + "Content-Length: 0\r\nContent-Length: 66\r\n\r\n" + "GET " +
           kVersionTarget + " HTTP/1.1\r\nHost: x\r\n\r\n",
       "400", "ERROR two Content-Length headers"},
      {"lengths 66 and 0",
       "GET " + target + " HTTP/1.1\r\n" + game_head + "Content-Length: 66\r\nContent-Length: 0\r\n\r\n", "400",
       "ERROR two Content-Length headers"},
      {"a NUL in a header", "GET " + target + " HTTP/1.1\r\n" + game_head + "X-A: ab" + nul + "cd\r\n\r\n", "400",
       "ERROR a NUL or stray bytes in the request head"},
      {"a NUL in the target", "GET " + target + nul + "QQ HTTP/1.1\r\n" + game_head + "\r\n", "400",
       "ERROR a NUL or stray bytes in the request head"},
      {"a control byte in a header", "GET " + target + " HTTP/1.1\r\n" + game_head + "X-A: a\x01z\r\n\r\n", "400",
       "ERROR control bytes in the request head"},
      {"HTTP/1.2", "GET " + target + " HTTP/1.2\r\n" + game_head + "\r\n", "505", "ERROR HTTP version not supported"},
      {"a target beyond 8 KiB", "GET " + target + "&" + std::string(9000, 'Q') + " HTTP/1.1\r\nHost: x\r\n\r\n", "414",
       "ERROR request target longer than 8192 bytes"},
      {"a header line without a colon", "GET " + target + " HTTP/1.1\r\nHost: x\r\nNoColon\r\n\r\n", "400", nullptr},
  };
  for (const auto& c : cases) {
    const auto ending = testing::ExchangeToClose(port, c.request);
    const std::string& answer = ending.answer;
    EXPECT_EQ(answer.substr(0, 12), std::string("HTTP/1.1 ") + c.status) << c.what << ": " << answer.substr(0, 200);
    const size_t body = answer.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << c.what;
    if (c.body) {
      EXPECT_EQ(answer.substr(body + 4, std::string(c.body).size()), c.body) << c.what;
      EXPECT_NE(answer.find("\r\nConnection: close\r\n"), std::string::npos) << c.what;
    } else {
      EXPECT_NE(answer.substr(body + 4, 2), "OK") << c.what;
    }
    EXPECT_EQ(answer.find("HTTP/1.1", 1), std::string::npos) << c.what << ": nothing after it was answered";
    EXPECT_TRUE(ending.closed) << c.what;
  }
  EXPECT_EQ(testing::ExchangeToClose(port, "NONSENSE\r\n\r\n").closed, true);
  EXPECT_EQ(StoredRows(), 0);
  EXPECT_EQ(Get(port, target).body, "OK") << "no refusal spent the value";

  service->Stop(SIGTERM);
  const std::string log = service->Log();
  for (const char* line :
       {" 127.0.0.1 score 405 only GET is served ", " 127.0.0.1 score 400 request bodies are refused ",
        " 127.0.0.1 score 400 two Content-Length headers ", " 127.0.0.1 score 505 HTTP version not supported ",
        " 127.0.0.1 - 400 refused by the HTTP library: unreadable request head "})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

TEST_F(HttpServiceTest, ARequestWithoutEndIsCutOff) {
  auto service = Start();
  const int port = service->Port();
  const int fd = testing::ConnectFrom(port);
  ASSERT_GE(fd, 0);
  // A request line that never ends: the library stops reading it at its
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

// Files the service must not take: the start stops, the message says why, and
// the file is byte for byte as it was.
TEST_F(HttpServiceTest, AForeignDatabaseStopsTheStartAndIsLeftAlone) {
  const auto path = dir_ / "scores.sqlite";
  const struct {
    const char* what;
    const char* sql;  // nullptr: bytes that are no database
    const char* message;
  } cases[] = {
      {"garbage", nullptr, "is not a score database"},
      {"another program's database", "CREATE TABLE t(x); INSERT INTO t VALUES ('theirs')",
       "holds tables but is no score database"},
      {"a newer service's database", "CREATE TABLE scores(id INTEGER PRIMARY KEY, name TEXT); PRAGMA user_version=7",
       "has schema 7, newer"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(path);
    if (c.sql) {
      Connection(path.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute(c.sql);
    } else {
      aerovell::testing::WriteBytes(path, std::vector<uint8_t>(8192, 0x5A));
    }
    const auto before = aerovell::testing::ReadBytes(path);
    const size_t hash_before =
        std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(before.data()), before.size()));
    std::string log;
    EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), {"--listen", "127.0.0.1:0", "--db", "scores.sqlite"}, log), 1)
        << c.what;
    EXPECT_NE(log.find(c.message), std::string::npos) << c.what << ": " << log;
    const auto after = aerovell::testing::ReadBytes(path);
    EXPECT_EQ(
        std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(after.data()), after.size())),
        hash_before)
        << c.what;
    EXPECT_EQ(after, before) << c.what;
  }
}

// A folder or file the service's user cannot write: the start stops with the
// real cause. Run as an unprivileged user, since root may write anywhere.
TEST_F(HttpServiceTest, AFileOrFolderItCannotWriteIsNamedWithTheCause) {
  const bool root = geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  const auto folder = dir_ / "ro";
  std::filesystem::create_directory(folder);
  { Connection(DbPath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute("PRAGMA user_version=0"); }
  std::filesystem::copy_file(DbPath(), folder / "scores.sqlite");
  chmod(dir_.Path().c_str(), 0755);
  const struct {
    const char* what;
    mode_t file_mode;
    const char* message;
  } cases[] = {
      {"a file it may only read", 0644, "cannot write ro/scores.sqlite: Permission denied"},
      {"a folder it may only read", 0666,
       "cannot write in the folder ro (the journal of ro/scores.sqlite lives there): "
       "Permission denied"},
  };
  for (const auto& c : cases) {
    chmod((folder / "scores.sqlite").c_str(), root ? c.file_mode : (c.file_mode & 0444));
    chmod(folder.c_str(), 0555);
    std::string log;
    const auto user = root ? std::optional<uid_t>(kNobody) : std::nullopt;
    EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), {"--listen", "127.0.0.1:0", "--db", "ro/scores.sqlite"}, log, user),
              1)
        << c.what;
    if (!root && c.file_mode == 0666) continue;  // its own file is writable to its owner
    EXPECT_NE(log.find(c.message), std::string::npos) << c.what << ": " << log;
  }
  chmod(folder.c_str(), 0755);
}

TEST_F(HttpServiceTest, APortInUseIsNamedWithTheCause) {
  auto first = Start();
  std::string log;
  const std::string listen = "127.0.0.1:" + std::to_string(first->Port());
  EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), {"--listen", listen, "--db", "other.sqlite"}, log), 1);
  EXPECT_NE(log.find("cannot listen on " + listen + ": Address already in use"), std::string::npos) << log;
  EXPECT_EQ(Get(first->Port(), kVersionTarget).status, 200);
}

TEST_F(HttpServiceTest, BadArgumentsAreRefusedWithTheUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--max-per-minute", "lots"},
                                               {"--trust-proxy", "proxy.example"},
                                               {"--max-connections", "0"}}) {
    std::string log;
    EXPECT_EQ(testing::RunServiceToEnd(dir_.Path(), args, log), 2) << args[0];
    EXPECT_NE(log.find("usage: aerovell-scores"), std::string::npos) << log;
  }
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
