#include "sqlite_score_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::ReadBytes;
using aerovell::testing::TempDir;
using aerovell::testing::WriteBytes;
using Clock = ScoreStore::Clock;

ScoreRecord Record(std::string name, int score, int64_t created = 1700000000) {
  return {0, std::move(name), "Россия", score, created};
}

// A store with its one-time values, and a record paid for with a fresh value.
struct Store {
  explicit Store(const std::string& path) : sqlite(path, values) {}
  AddOutcome Add(const ScoreRecord& record) {
    const auto now = Clock::now();
    return sqlite.Add(record, values.Issue("127.0.0.1", now), now);
  }
  EchoValues values{1000, std::chrono::minutes(10)};
  SqliteScoreStore sqlite;
};

TEST(SqliteScoreStore, CreatesAVersionedFileInWalMode) {
  TempDir dir;
  const std::string path = (dir / "scores.sqlite").string();
  { Store store(path); }
  Connection db(path, SQLITE_OPEN_READONLY);
  EXPECT_EQ(db.QueryInteger("PRAGMA user_version"), kSchemaVersion);
  EXPECT_EQ(db.QueryText("PRAGMA journal_mode"), "wal");
  EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM scores"), 0);
}

// A file of the first schema, as the service before verified records left it,
// with a record: brought up to date at the start, the record kept and unverified.
TEST(SqliteScoreStore, AFileOfTheFirstSchemaIsUpgradedWithItsRecords) {
  TempDir dir;
  const std::string path = (dir / "old.sqlite").string();
  Connection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
      .Execute(
          "CREATE TABLE scores(id INTEGER PRIMARY KEY, name TEXT NOT NULL, country TEXT NOT NULL,"
          "  score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 65535), created INTEGER NOT NULL);"
          "CREATE INDEX scores_by_rank ON scores(score DESC, id);"
          "INSERT INTO scores(name, country, score, created) VALUES ('Иван', 'Россия', 1200, 1700000000);"
          "PRAGMA user_version=1");
  Store store(path);
  const auto best = store.sqlite.Best(10);
  ASSERT_EQ(best.size(), 1u);
  EXPECT_EQ(best[0].name, "Иван");
  EXPECT_FALSE(best[0].verified);
  EXPECT_TRUE(store.sqlite.BestVerified(10).empty());
  EXPECT_EQ(Connection(path, SQLITE_OPEN_READONLY).QueryInteger("PRAGMA user_version"), kSchemaVersion);
}

TEST(SqliteScoreStore, TheTableIsReadOffTheRankIndex) {
  TempDir dir;
  const std::string path = (dir / "s.sqlite").string();
  { Store store(path); }
  Connection db(path, SQLITE_OPEN_READONLY);
  Statement plan(db,
                 "EXPLAIN QUERY PLAN SELECT id, name, country, score, created FROM scores "
                 "ORDER BY score DESC, id LIMIT 100");
  std::string steps;
  while (plan.Step()) steps += plan.Text(3) + "\n";
  EXPECT_NE(steps.find("scores_by_rank"), std::string::npos) << steps;
  EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << "sorted afresh: " << steps;
}

TEST(SqliteScoreStore, AValueIsSpentOnlyWithItsStoredRecord) {
  TempDir dir;
  Store store((dir / "s.sqlite").string());
  const auto now = Clock::now();
  const std::string p = store.values.Issue("a", now);
  EXPECT_EQ(store.sqlite.Add(Record("x", 1), "QQQQQQQQQQQQQQQQ", now), AddOutcome::kUnknownValue);
  EXPECT_EQ(store.sqlite.Count(), 0);

  // A commit that fails (a full disk) stores nothing and leaves the value.
  store.sqlite.FailCommits(true);
  EXPECT_THROW(store.sqlite.Add(Record("x", 1), p, now), DatabaseError);
  EXPECT_EQ(store.sqlite.Count(), 0);
  EXPECT_EQ(store.values.OutstandingFor("a"), 1u);
  // So does the database refusing the record itself.
  store.sqlite.FailCommits(false);
  EXPECT_THROW(store.sqlite.Add(Record("x", 65536), p, now), DatabaseError);
  EXPECT_THROW(store.sqlite.Add(Record("x", -1), p, now), DatabaseError);
  EXPECT_EQ(store.values.OutstandingFor("a"), 1u);

  EXPECT_EQ(store.sqlite.Add(Record("x", 1), p, now), AddOutcome::kStored);
  EXPECT_EQ(store.sqlite.Count(), 1);
  EXPECT_EQ(store.sqlite.Add(Record("x", 1), p, now), AddOutcome::kUnknownValue) << "a replay";
  EXPECT_EQ(store.sqlite.Count(), 1);
}

TEST(SqliteScoreStore, RefusesFilesThatAreNotItsOwnAndLeavesThemAlone) {
  TempDir dir;
  std::vector<uint8_t> garbage(4096);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7 + 3);
  const auto make_other = [](const std::string& path) {
    Connection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute("CREATE TABLE t(x); INSERT INTO t VALUES (1)");
  };
  const auto make_newer = [](const std::string& path) {
    Connection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
        .Execute("CREATE TABLE scores(id INTEGER PRIMARY KEY); PRAGMA user_version=99");
  };
  const auto make_versioned_other = [](const std::string& path) {
    Connection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute("CREATE TABLE t(x); PRAGMA user_version=1");
  };
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
    const char* message;
  } cases[] = {
      {"no database at all", [&](const std::string& p) { WriteBytes(p, garbage); }, "is not a score database"},
      {"another program's database", make_other, "is no score database"},
      {"a newer service's database", make_newer, "newer than this service's"},
      {"another program's database with a version", make_versioned_other, "is no score database"},
  };
  for (const auto& c : cases) {
    const std::string path = (dir / (std::string(c.what) + ".sqlite")).string();
    c.make(path);
    const auto before = ReadBytes(path);
    try {
      Store store(path);
      ADD_FAILURE() << c.what << " was opened";
    } catch (const DatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_EQ(ReadBytes(path), before) << c.what << " was changed (header bytes 18-19 are the journal mode)";
  }
}

TEST(SqliteScoreStore, AnEmptyFileBecomesAScoreDatabase) {
  TempDir dir;
  const auto path = dir / "empty.sqlite";
  WriteBytes(path, {});
  Store store(path.string());
  store.Add(Record("a", 1));
  EXPECT_EQ(store.sqlite.Count(), 1);
}

TEST(SqliteScoreStore, SaysWhyAFileCannotBeWritten) {
  TempDir dir;
  const auto missing = dir / "no" / "such" / "scores.sqlite";
  try {
    Store store(missing.string());
    FAIL() << "opened in a missing folder";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
  }
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere: the real binary is tried as another user";
  const auto locked = dir / "locked";
  std::filesystem::create_directory(locked);
  { Store store((locked / "scores.sqlite").string()); }
  chmod(locked.c_str(), 0555);
  try {
    Store store((locked / "scores.sqlite").string());
    ADD_FAILURE() << "opened in a read-only folder";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Permission denied"), std::string::npos) << e.what();
  }
  chmod(locked.c_str(), 0755);
}

}  // namespace
}  // namespace aerovell::scores
