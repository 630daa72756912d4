// The store's own cases, on both stores: the order of the table, what a
// stored record costs, the revision, and copying a whole table.

#include <gtest/gtest.h>

#include <memory>

#include "store_backend.h"
#include "store_place.h"

namespace aerovell::scores {
namespace {

using testing::kBothStores;
using testing::StoreKind;
using Clock = ScoreStore::Clock;

ScoreRecord Record(std::string name, int score, int64_t created = 1700000000) {
  return {0, std::move(name), "Россия", score, created};
}

class StoreCases : public ::testing::TestWithParam<StoreKind> {
 protected:
  std::unique_ptr<Stores> Open() { return std::make_unique<Stores>(place_.Target(), SharedLimits{}, 2); }
  static AddOutcome Add(Stores& stores, const ScoreRecord& record) {
    const auto now = Clock::now();
    return stores.Store().Add(record, stores.Values().Issue("127.0.0.1", now), now);
  }
  testing::StorePlace place_{GetParam()};
};

TEST_P(StoreCases, BestIsHighestFirstAndTheEarlierAmongEquals) {
  auto stores = Open();
  Add(*stores, Record("first 500", 500));
  Add(*stores, Record("top", 900));
  Add(*stores, Record("second 500", 500, 1600000000));  // an older time does not jump the queue
  Add(*stores, Record("zero", 0));
  Add(*stores, Record("max", 65535));
  const auto rows = stores->Store().Best(100);
  ASSERT_EQ(rows.size(), 5u);
  const char* expected[] = {"max", "top", "first 500", "second 500", "zero"};
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].name, expected[i]) << i;
  EXPECT_EQ(rows[0].score, 65535);
  EXPECT_EQ(rows[0].country, "Россия");
  EXPECT_EQ(rows[3].created, 1600000000);
  EXPECT_EQ(stores->Store().Best(2).size(), 2u);
  EXPECT_EQ(stores->Store().Count(), 5);
}

// The value a record was paid with finds it; it is verified once, its replay
// kept byte for byte (a NUL and high bytes too), and only a verified record
// gives its replay out or appears among the verified ones.
TEST_P(StoreCases, ARecordFoundByItsValueIsVerifiedOnceWithItsReplay) {
  auto stores = Open();
  ScoreStore& store = stores->Store();
  const auto now = Clock::now();
  const std::string p = stores->Values().Issue("127.0.0.1", now);
  ASSERT_EQ(store.Add(Record("Иван", 500), p, now), AddOutcome::kStored);
  ASSERT_EQ(Add(*stores, Record("Олег", 900)), AddOutcome::kStored);
  EXPECT_FALSE(store.RecordOfValue("NOSUCHVALUE").has_value());
  const auto record = store.RecordOfValue(p);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->name, "Иван");
  EXPECT_EQ(record->score, 500);
  EXPECT_FALSE(record->verified);
  EXPECT_FALSE(store.VerifiedReplay(record->id).has_value());
  EXPECT_TRUE(store.BestVerified(10).empty());

  const uint64_t before = store.Revision();
  const std::string replay("AVRP\0\x01\xff\x80", 8);
  EXPECT_EQ(store.MarkVerified(record->id, replay, "0000002a"), VerifyOutcome::kVerified);
  EXPECT_NE(store.Revision(), before) << "the page must show the mark";
  EXPECT_EQ(store.MarkVerified(record->id, "other", "00000001"), VerifyOutcome::kVerifiedAlready);
  // The same game cannot verify the other record; another game can.
  const int64_t other = store.Best(1)[0].id;
  EXPECT_EQ(store.MarkVerified(other, replay, "0000002a"), VerifyOutcome::kGameTaken);
  EXPECT_FALSE(store.VerifiedReplay(other).has_value());
  EXPECT_EQ(store.VerifiedReplay(record->id), replay);
  EXPECT_TRUE(store.RecordOfValue(p)->verified);
  const auto verified = store.BestVerified(10);
  ASSERT_EQ(verified.size(), 1u);
  EXPECT_EQ(verified[0].name, "Иван");
  const auto all = store.Best(10);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_FALSE(all[0].verified);
  EXPECT_TRUE(all[1].verified);
  EXPECT_EQ(store.MarkVerified(other, "its own", "0000002b"), VerifyOutcome::kVerified);
  EXPECT_EQ(store.BestVerified(10).size(), 2u);
}

TEST_P(StoreCases, KeepsItsRecordsAcrossOpenings) {
  Add(*Open(), Record("Иван", 1500));
  auto again = Open();
  ASSERT_EQ(again->Store().Count(), 1);
  EXPECT_EQ(again->Store().Best(1)[0].name, "Иван");
}

TEST_P(StoreCases, AValueIsSpentOnlyWithItsStoredRecord) {
  auto stores = Open();
  ScoreStore& store = stores->Store();
  const auto now = Clock::now();
  const std::string p = stores->Values().Issue("a", now);
  EXPECT_EQ(store.Add(Record("x", 1), "QQQQQQQQQQQQQQQQ", now), AddOutcome::kUnknownValue);
  EXPECT_EQ(store.Count(), 0);

  // An insert that fails stores nothing and leaves the value.
  place_.RefuseInserts(true);
  EXPECT_THROW(store.Add(Record("x", 1), p, now), DatabaseError);
  place_.RefuseInserts(false);
  // So does the database refusing the record itself.
  EXPECT_THROW(store.Add(Record("x", 65536), p, now), DatabaseError);
  EXPECT_THROW(store.Add(Record("x", -1), p, now), DatabaseError);
  EXPECT_EQ(store.Count(), 0);

  EXPECT_EQ(store.Add(Record("x", 1), p, now), AddOutcome::kStored);
  EXPECT_EQ(store.Count(), 1);
  EXPECT_EQ(store.Add(Record("x", 1), p, now), AddOutcome::kUnknownValue) << "a replay";
  EXPECT_EQ(store.Count(), 1);
  // A value lives its ten minutes and no longer.
  const std::string in_time = stores->Values().Issue("a", now), late = stores->Values().Issue("a", now);
  EXPECT_EQ(store.Add(Record("in time", 1), in_time, now + std::chrono::minutes(9)), AddOutcome::kStored);
  EXPECT_EQ(store.Add(Record("late", 1), late, now + std::chrono::seconds(601)), AddOutcome::kUnknownValue);
  EXPECT_EQ(store.Count(), 2);
}

TEST_P(StoreCases, TheRevisionChangesWithEveryChangeFromAnywhere) {
  auto stores = Open();
  ScoreStore& store = stores->Store();
  const uint64_t first = store.Revision();
  EXPECT_EQ(store.Revision(), first);
  Add(*stores, Record("a", 1));
  const uint64_t second = store.Revision();
  EXPECT_NE(second, first);
  place_.Execute("INSERT INTO scores(name, country, score, created) VALUES ('b', '', 2, 0)");
  const uint64_t third = store.Revision();
  EXPECT_NE(third, second) << "another process wrote";
  place_.Execute("UPDATE scores SET score = 3 WHERE name = 'b'");
  const uint64_t fourth = store.Revision();
  EXPECT_NE(fourth, third) << "another process changed a record";
  place_.Execute("DELETE FROM scores WHERE name = 'b'");
  EXPECT_NE(store.Revision(), fourth) << "another process took a record away";
}

TEST_P(StoreCases, ATableIsReadInPiecesAndImportedWithItsIdsOnlyIntoAnEmptyOne) {
  auto stores = Open();
  ScoreStore& store = stores->Store();
  // Ids with gaps, equal scores in an order only the ids tell, and texts
  // that need quoting on the way.
  const std::vector<ScoreRecord> records = {
      {3, "Иван", "Россия", 700, 1700000000}, {7, "a\"b", "c\\d", 700, 1600000000},
      {8, "{x,y}", "NULL", 65535, 0},         {20, "", "", 0, 1800000000},
      {21, "'", " ", 700, 1700000001},
  };
  size_t given = 0;
  store.Import([&](std::vector<ScoreRecord>& piece) {
    if (given == records.size()) return false;
    piece.assign(records.begin() + static_cast<long>(given),
                 records.begin() + static_cast<long>(std::min(given + 2, records.size())));
    given += piece.size();
    return true;
  });
  EXPECT_EQ(place_.AllRecords(), records);
  EXPECT_EQ(store.RecordsAfter(0, 2), std::vector<ScoreRecord>(records.begin(), records.begin() + 2));
  EXPECT_EQ(store.RecordsAfter(7, 10), std::vector<ScoreRecord>(records.begin() + 2, records.end()));
  EXPECT_TRUE(store.RecordsAfter(21, 10).empty());
  const auto best = store.Best(3);
  ASSERT_EQ(best.size(), 3u);
  EXPECT_EQ(best[1].id, 3);
  EXPECT_EQ(best[2].id, 7);

  // New records go on after the highest id.
  ASSERT_EQ(Add(*stores, Record("next", 1)), AddOutcome::kStored);
  EXPECT_EQ(place_.AllRecords().back().id, 22);

  // A table that holds records takes none, and keeps what it has.
  const auto before = place_.AllRecords();
  EXPECT_THROW(store.Import([&](std::vector<ScoreRecord>& piece) {
    piece = {{100, "n", "", 1, 0}};
    return true;
  }),
               DatabaseError);
  EXPECT_EQ(place_.AllRecords(), before);
  // Nor is anything kept of an import that fails half-way.
  testing::StorePlace other(GetParam());
  Stores empty(other.Target(), SharedLimits{}, 1);
  int pieces = 0;
  EXPECT_THROW(empty.Store().Import([&](std::vector<ScoreRecord>& piece) {
    if (++pieces == 1) piece = {{1, "ok", "", 1, 0}};
    else piece = {{2, "bad", "", 70000, 0}};
    return true;
  }),
               DatabaseError);
  EXPECT_EQ(other.Rows(), 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreCases, kBothStores, testing::StoreKindName);

}  // namespace
}  // namespace aerovell::scores
