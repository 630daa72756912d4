#include "connection_table.h"

#include <gtest/gtest.h>

#include <set>

namespace aerovell::scores {
namespace {

using std::chrono::milliseconds;
using Clock = ConnectionTable::Clock;

// The table with small caps; every connection it closes is noted by its fd.
class ConnectionTableTest : public ::testing::Test {
 protected:
  ConnectionTable::Connection* Open(int fd, const std::string& address, Clock::duration at = {}, bool exempt = false) {
    return table_.Admit(fd, address, address, exempt, t0_ + at, close_);
  }

  ConnectionTable table_{{2, 4, milliseconds(5000), 1000}};
  const Clock::time_point t0_ = Clock::now();
  std::set<int> closed_;
  ConnectionTable::Close close_ = [this](const ConnectionTable::Connection& c) { closed_.insert(c.fd); };
};

TEST_F(ConnectionTableTest, AnAddressHoldsItsCapAndNoMore) {
  ASSERT_TRUE(Open(1, "a"));
  ASSERT_TRUE(Open(2, "a"));
  EXPECT_FALSE(table_.MayAccept("a", false));
  EXPECT_FALSE(Open(3, "a")) << "the third from one address is refused, not queued";
  EXPECT_TRUE(table_.MayAccept("b", false));
  EXPECT_TRUE(Open(4, "b"));
  EXPECT_TRUE(Open(5, "a", {}, true)) << "a trusted proxy has no cap of its own";
  EXPECT_EQ(table_.HeldBy("a"), 3u);
  EXPECT_TRUE(closed_.empty());
  const auto tally = table_.TakeTally();
  EXPECT_EQ(tally.over_address, 2u);
  EXPECT_EQ(tally.last_address, "a");
  EXPECT_EQ(table_.TakeTally().over_address, 0u);
}

TEST_F(ConnectionTableTest, AFullTableMakesRoomFromTheLongestWaiter) {
  auto* first = Open(1, "a", milliseconds(0));
  auto* second = Open(2, "b", milliseconds(10));
  auto* third = Open(3, "c", milliseconds(20));
  Open(4, "d", milliseconds(30));
  table_.HeadArrived(first);  // busy with a request: never taken
  table_.HeadArrived(second);
  table_.AnswerSent(second, t0_ + milliseconds(40));  // waits again, from now
  ASSERT_TRUE(Open(5, "e", milliseconds(50)));
  EXPECT_EQ(closed_, std::set<int>{3}) << "the one waiting longest";
  EXPECT_EQ(table_.Held(), 4u);
  EXPECT_EQ(table_.HeldBy("c"), 0u);
  table_.Forget(third);  // the library closes it afterwards: counted once
  EXPECT_EQ(table_.Held(), 4u);

  ASSERT_TRUE(Open(6, "f", milliseconds(60)));
  ASSERT_TRUE(Open(7, "g", milliseconds(70)));
  EXPECT_EQ(closed_, (std::set<int>{3, 4, 2}));
  ASSERT_TRUE(Open(8, "h", milliseconds(80)));  // takes 5's place
  EXPECT_EQ(closed_.count(5), 1u);
  // Now only "a" is out of the queue, and the rest wait: still room is made.
  EXPECT_TRUE(table_.MayAccept("z", false));
  EXPECT_EQ(table_.TakeTally().made_room, 4u);
}

TEST_F(ConnectionTableTest, AFullTableOfBusyConnectionsRefusesTheNewOne) {
  for (int fd = 1; fd <= 4; ++fd) table_.HeadArrived(Open(fd, "addr" + std::to_string(fd)));
  EXPECT_FALSE(table_.MayAccept("z", false));
  EXPECT_FALSE(Open(9, "z"));
  EXPECT_TRUE(closed_.empty());
  EXPECT_EQ(table_.TakeTally().all_busy, 2u);
}

TEST_F(ConnectionTableTest, AHeadMustBeWholeInTimeAndAKeptConnectionIdlesNoLonger) {
  auto* slow = Open(1, "a", milliseconds(0));
  auto* served = Open(2, "b", milliseconds(0));
  auto* kept = Open(3, "c", milliseconds(0));
  table_.HeadArrived(served);  // its answer is still being made
  table_.HeadArrived(kept);
  table_.AnswerSent(kept, t0_ + milliseconds(3000));
  table_.CloseLate(t0_ + milliseconds(4999), close_);
  EXPECT_TRUE(closed_.empty());
  table_.CloseLate(t0_ + milliseconds(5000), close_);
  EXPECT_EQ(closed_, std::set<int>{1}) << "five seconds and no whole head";
  table_.CloseLate(t0_ + milliseconds(8000), close_);
  EXPECT_EQ(closed_, (std::set<int>{1, 3})) << "five seconds idle after its answer";
  EXPECT_EQ(table_.Held(), 1u);
  EXPECT_EQ(table_.TakeTally().late, 2u);
  table_.Forget(slow);
  table_.Forget(kept);
  table_.Forget(served);
  EXPECT_EQ(table_.Held(), 0u);
  EXPECT_EQ(table_.HeldBy("b"), 0u);
}

}  // namespace
}  // namespace aerovell::scores
