// The real service binary against clients that are slow, idle, many or
// behind a proxy; clients come from addresses of their own (127.x.y.z).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "score_test_support.h"
#include "service_process.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::TempDir;
using testing::ConnectFrom;
using testing::Get;
using testing::kVersionTarget;
using testing::ScoreTarget;
using testing::ServiceProcess;
using testing::SourceAddress;

// Connections that the test opens and closes again, however it ends.
struct Sockets {
  ~Sockets() {
    for (int fd : fds)
      if (fd >= 0) close(fd);
  }
  std::vector<int> fds;
};

class ConnectionRulesTest : public ::testing::Test {
 protected:
  ConnectionRulesTest() { testing::RaiseFileLimit(); }

  std::unique_ptr<ServiceProcess> Start(std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"--db", "scores.sqlite"});
    auto service = std::make_unique<ServiceProcess>(dir_.Path(), extra);
    EXPECT_GT(service->Port(), 0) << service->Log();
    return service;
  }
  // `count` idle connections, 16 to an address of `block`.
  static void HoldIdle(int port, int block, int count, Sockets& into) {
    for (int i = 0; i < count; ++i) into.fds.push_back(ConnectFrom(port, SourceAddress(block, i / 16)));
  }
  TempDir dir_;
};

TEST_F(ConnectionRulesTest, SlowAndIdleClientsDoNotKeepAPlayerOut) {
  auto service = Start();
  const int port = service->Port();
  Sockets idle, slow;
  HoldIdle(port, 1, 300, idle);
  // 40 clients sending a request a byte at a time, from addresses of their own.
  const std::string request = std::string("GET ") + kVersionTarget + " HTTP/1.1\r\nHost: x\r\n\r\n";
  for (int i = 0; i < 40; ++i) slow.fds.push_back(ConnectFrom(port, SourceAddress(2, i / 16)));
  for (int step = 0; step < 3; ++step) {
    for (int fd : slow.fds) send(fd, &request[step], 1, MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(testing::SubmitAsTheGame(port, "Player", 100, "RU"), "OK");
  EXPECT_EQ(testing::SubmitAsTheGame(port, "Player", 100, "RU"), "OK");
  // Nobody finishes a head in time here: the service ends them all itself.
  for (int fd : slow.fds) EXPECT_TRUE(testing::WaitForClose(fd, std::chrono::seconds(10)));
  EXPECT_TRUE(testing::WaitForClose(idle.fds.front(), std::chrono::seconds(10)));
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  EXPECT_NE(service->Log().find(" without a whole request within 5000 ms -"), std::string::npos) << service->Log();
}

TEST_F(ConnectionRulesTest, OneAddressHoldsSixteenConnectionsAndNoMore) {
  auto service = Start();
  const int port = service->Port();
  const std::string address = SourceAddress(3, 0);
  const std::string request = std::string("GET ") + kVersionTarget + " HTTP/1.1\r\nHost: x\r\n\r\n";
  Sockets held;
  for (int i = 0; i < 16; ++i) {
    // Each one served, and kept.
    const int fd = ConnectFrom(port, address);
    held.fds.push_back(fd);
    ASSERT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    char answer[12] = {};
    ASSERT_EQ(recv(fd, answer, sizeof answer, MSG_WAITALL), 12) << i;
    EXPECT_EQ(std::string(answer, 12), "HTTP/1.1 200") << i;
  }
  EXPECT_EQ(testing::RawExchange(port, request, 1 << 20, std::chrono::seconds(5), address), "")
      << "the 17th connection is closed at once, not queued";
  EXPECT_EQ(Get(port, kVersionTarget, SourceAddress(3, 1)).status, 200) << "another address";
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  EXPECT_NE(service->Log().find(" 1 over 16 from one address, "), std::string::npos) << service->Log();
}

TEST_F(ConnectionRulesTest, AFullServiceMakesRoomByClosingTheLongestWaiter) {
  auto service = Start({"--max-connections", "40"});
  const int port = service->Port();
  Sockets idle;
  HoldIdle(port, 4, 40, idle);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // all are in before the new client
  EXPECT_EQ(testing::SubmitAsTheGame(port, "Player", 100, "RU"), "OK");
  // One idle connection gave way, long before any would time out.
  int closed = 0;
  for (int fd : idle.fds) closed += testing::WaitForClose(fd, std::chrono::milliseconds(50)) ? 1 : 0;
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  EXPECT_NE(service->Log().find(" 1 waiting longest to make room, "), std::string::npos) << service->Log();
}

TEST_F(ConnectionRulesTest, SigtermEndsTheServiceUnderAThousandIdleConnections) {
  auto service = Start();
  const int port = service->Port();
  Sockets idle;
  HoldIdle(port, 5, 1000, idle);
  ASSERT_EQ(std::count(idle.fds.begin(), idle.fds.end(), -1), 0);
  EXPECT_EQ(Get(port, kVersionTarget).status, 200);
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  EXPECT_NE(service->Log().find("stopped with 0 records"), std::string::npos) << service->Log();
}

TEST_F(ConnectionRulesTest, AFloodOfNewAddressesNeverTurnsANewClientAway) {
  // Each limit follows 200 clients; 1000 addresses ask twice each, within
  // their limits: every one is served, and so is a stranger after them.
  auto service = Start({"--clients-followed", "200", "--quiet"});
  const int port = service->Port();
  int refused = 0;
  for (int round = 0; round < 2; ++round)
    for (int a = 0; a < 1000; ++a)
      if (Get(port, kVersionTarget, SourceAddress(6, a)).status != 200) ++refused;
  EXPECT_EQ(refused, 0);
  const std::string stranger = SourceAddress(7, 0);
  const auto version = Get(port, kVersionTarget, stranger);
  ASSERT_EQ(version.status, 200);
  EXPECT_EQ(Get(port, ScoreTarget("New", 5, EchoValue(version.body), ""), stranger).body, "OK");
}

TEST_F(ConnectionRulesTest, OnlyATrustedProxyNamesTheClient) {
  auto service = Start({"--trust-proxy", "127.0.0.5", "--max-versions-per-minute", "1"});
  const int port = service->Port();
  const auto ask = [&](const std::string& from, const std::string& forwarded) {
    return testing::RawExchange(port,
                                std::string("GET ") + kVersionTarget +
                                    " HTTP/1.1\r\nHost: x\r\nX-Forwarded-For: " + forwarded + "\r\n\r\n",
                                1 << 20, std::chrono::seconds(5), from)
        .substr(0, 12);
  };
  EXPECT_EQ(ask("127.0.0.5", "198.51.100.1, 203.0.113.1"), "HTTP/1.1 200");
  EXPECT_EQ(ask("127.0.0.5", "198.51.100.1, 203.0.113.1"), "HTTP/1.1 429") << "counted as 203.0.113.1";
  EXPECT_EQ(ask("127.0.0.5", "203.0.113.2"), "HTTP/1.1 200") << "another client behind the proxy";
  EXPECT_EQ(ask("127.0.0.5", "not an address"), "HTTP/1.1 400");
  EXPECT_EQ(ask("127.0.0.6", "203.0.113.3"), "HTTP/1.1 200");
  EXPECT_EQ(ask("127.0.0.6", "203.0.113.4"), "HTTP/1.1 429") << "an untrusted peer is counted as itself";
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  const std::string log = service->Log();
  EXPECT_NE(log.find(" 203.0.113.1 version 200 OK "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.5 version 400 unreadable X-Forwarded-For "), std::string::npos) << log;
  EXPECT_NE(log.find(" 127.0.0.6 version 429 "), std::string::npos) << log;
}

}  // namespace
}  // namespace aerovell::scores
