#include "socket_stream.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace aerovell::scores {
namespace {

using namespace std::chrono_literals;

// The two ends of a local stream connection.
class SocketPair : public ::testing::Test {
 protected:
  SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0); }
  ~SocketPair() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  void Send(const std::string& bytes) {
    ASSERT_EQ(::send(fds_[1], bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  }
  std::string ReadAll(BoundedSocketStream& stream) {
    std::string got;
    char c;
    while (stream.read(&c, 1) == 1) got += c;
    return got;
  }
  int fds_[2] = {-1, -1};
};

TEST_F(SocketPair, ARequestGetsNoMoreThanItsBudget) {
  BoundedSocketStream stream(fds_[0], 200ms, 200ms);
  Send(std::string(100, 'a') + std::string(100, 'b'));
  stream.StartRequest(100, 5s);
  EXPECT_EQ(ReadAll(stream), std::string(100, 'a'));
  // The next request starts afresh, with the bytes already read ahead.
  ASSERT_TRUE(stream.AwaitRequest(0ms));
  stream.StartRequest(1000, 5s);
  EXPECT_EQ(ReadAll(stream), std::string(100, 'b')) << "then it waits its time-out and gives up";
}

TEST_F(SocketPair, ARequestMustArriveWithinItsTime) {
  BoundedSocketStream stream(fds_[0], 5s, 5s);
  stream.StartRequest(1000, 50ms);
  Send("GET /");
  char buffer[16];
  EXPECT_EQ(stream.read(buffer, sizeof buffer), 5);
  // Nothing more comes: the read fails once the request's time is up, long
  // before the read time-out of 5 s.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(stream.read(buffer, sizeof buffer), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

TEST_F(SocketPair, AGoneClientEndsTheConnection) {
  BoundedSocketStream stream(fds_[0], 1s, 1s);
  EXPECT_FALSE(stream.AwaitRequest(10ms));
  close(fds_[1]);
  fds_[1] = -1;
  EXPECT_TRUE(stream.AwaitRequest(10ms)) << "a hang-up wakes the wait";
  stream.StartRequest(100, 1s);
  char c;
  EXPECT_EQ(stream.read(&c, 1), 0);
}

}  // namespace
}  // namespace aerovell::scores
