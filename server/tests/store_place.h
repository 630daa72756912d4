#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "score_store.h"
#include "test_support.h"

namespace aerovell::scores::testing {

// The two homes of the records; every case of the service runs on both.
enum class StoreKind { kSqlite, kPostgres };

std::string StoreKindName(const ::testing::TestParamInfo<StoreKind>& info);
inline const auto kBothStores = ::testing::Values(StoreKind::kSqlite, StoreKind::kPostgres);

// A fresh empty home for the records: an SQLite file in a temporary folder,
// or a database of its own on the tests' PostgreSQL server. Its SQL runs
// from outside, as another program's beside the service would.
class StorePlace {
 public:
  explicit StorePlace(StoreKind kind);

  StoreKind Kind() const { return kind_; }
  // What --db takes.
  const std::string& Target() const { return target_; }
  // What the service's log calls it.
  std::string Description() const;
  // A folder for the service's working directory and its log.
  const std::filesystem::path& Folder() const { return dir_.Path(); }

  void Execute(const std::string& sql) const;
  int64_t QueryInteger(const std::string& sql) const;
  int64_t Rows() const { return QueryInteger("SELECT count(*) FROM scores"); }
  // Every record in the order of its id, with every field.
  std::vector<ScoreRecord> AllRecords() const;
  // Makes every insert into the records fail (a trigger that refuses, with
  // the text "refused by the test"), or lets them pass again.
  void RefuseInserts(bool refuse) const;

 private:
  StoreKind kind_;
  aerovell::testing::TempDir dir_;
  std::string target_;
};

// With PostgreSQL the rate limits count per minute of the clock: a test of
// them waits, when it must, until `needed` fits before the minute turns.
void AwayFromTheTurnOfAMinute(std::chrono::seconds needed);

}  // namespace aerovell::scores::testing

namespace aerovell::scores {
bool operator==(const ScoreRecord& a, const ScoreRecord& b);
void PrintTo(const ScoreRecord& r, std::ostream* out);
}  // namespace aerovell::scores
