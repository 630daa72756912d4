#include "score_store.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::ReadBytes;
using aerovell::testing::TempDir;
using aerovell::testing::WriteBytes;

ScoreRecord Record(std::string name, int score, int64_t created = 1700000000) {
  return {0, std::move(name), "Россия", score, created};
}

TEST(ScoreStore, CreatesAVersionedFileInWalMode) {
  TempDir dir;
  const std::string path = (dir / "scores.sqlite").string();
  { ScoreStore store(path); }
  Connection db(path, SQLITE_OPEN_READONLY);
  EXPECT_EQ(db.QueryInteger("PRAGMA user_version"), kSchemaVersion);
  EXPECT_EQ(db.QueryText("PRAGMA journal_mode"), "wal");
  EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM scores"), 0);
}

TEST(ScoreStore, BestIsHighestFirstAndTheEarlierAmongEquals) {
  TempDir dir;
  ScoreStore store((dir / "s.sqlite").string());
  store.Add(Record("first 500", 500));
  store.Add(Record("top", 900));
  store.Add(Record("second 500", 500, 1600000000));  // an older time does not jump the queue
  store.Add(Record("zero", 0));
  store.Add(Record("max", 65535));
  const auto rows = store.Best(100);
  ASSERT_EQ(rows.size(), 5u);
  const char* expected[] = {"max", "top", "first 500", "second 500", "zero"};
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].name, expected[i]) << i;
  EXPECT_EQ(rows[0].score, 65535);
  EXPECT_EQ(rows[0].country, "Россия");
  EXPECT_EQ(rows[3].created, 1600000000);
  EXPECT_EQ(store.Best(2).size(), 2u);
  EXPECT_EQ(store.Count(), 5);
}

TEST(ScoreStore, KeepsItsRecordsAcrossOpenings) {
  TempDir dir;
  const std::string path = (dir / "s.sqlite").string();
  { ScoreStore(path).Add(Record("Иван", 1500)); }
  ScoreStore again(path);
  ASSERT_EQ(again.Count(), 1);
  EXPECT_EQ(again.Best(1)[0].name, "Иван");
}

TEST(ScoreStore, TheTableIsReadOffTheRankIndex) {
  TempDir dir;
  const std::string path = (dir / "s.sqlite").string();
  { ScoreStore store(path); }
  Connection db(path, SQLITE_OPEN_READONLY);
  Statement plan(db,
                 "EXPLAIN QUERY PLAN SELECT id, name, country, score, created FROM scores "
                 "ORDER BY score DESC, id LIMIT 100");
  std::string steps;
  while (plan.Step()) steps += plan.Text(3) + "\n";
  EXPECT_NE(steps.find("scores_by_rank"), std::string::npos) << steps;
  EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << "sorted afresh: " << steps;
}

TEST(ScoreStore, RefusesFilesThatAreNotItsOwn) {
  TempDir dir;
  // A file that is no database at all is left exactly as it was.
  const auto garbage = dir / "garbage.sqlite";
  std::vector<uint8_t> bytes(4096);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  WriteBytes(garbage, bytes);
  EXPECT_THROW(ScoreStore(garbage.string()), DatabaseError);
  EXPECT_EQ(ReadBytes(garbage), bytes);

  // A database of some other program.
  const auto other = (dir / "other.sqlite").string();
  { Connection(other, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute("CREATE TABLE t(x)"); }
  EXPECT_THROW(ScoreStore{other}, DatabaseError);

  // A score database from a newer service.
  const auto newer = (dir / "newer.sqlite").string();
  { ScoreStore store(newer); }
  { Connection(newer, SQLITE_OPEN_READWRITE).Execute("PRAGMA user_version=99"); }
  try {
    ScoreStore store(newer);
    FAIL() << "a newer schema was opened";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("newer"), std::string::npos) << e.what();
  }
}

TEST(ScoreStore, AnEmptyFileBecomesAScoreDatabase) {
  TempDir dir;
  const auto path = dir / "empty.sqlite";
  WriteBytes(path, {});
  ScoreStore store(path.string());
  store.Add(Record("a", 1));
  EXPECT_EQ(store.Count(), 1);
}

TEST(ScoreStore, TheDatabaseRefusesScoresBeyond16Bits) {
  TempDir dir;
  ScoreStore store((dir / "s.sqlite").string());
  EXPECT_THROW(store.Add(Record("a", 65536)), DatabaseError);
  EXPECT_THROW(store.Add(Record("a", -1)), DatabaseError);
  EXPECT_EQ(store.Count(), 0);
  store.Add(Record("a", 1));  // the statement is ready again after a failure
  EXPECT_EQ(store.Count(), 1);
}

}  // namespace
}  // namespace aerovell::scores
