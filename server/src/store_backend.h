#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "counted_steps.h"
#include "echo_values.h"
#include "pg_score_store.h"
#include "rate_limiter.h"
#include "score_store.h"
#include "sqlite_score_store.h"

namespace aerovell::scores {

// The three things the service keeps, wherever they are: in an SQLite file
// (the values and counts in this process beside it), or all three in a
// PostgreSQL database shared by any number of instances.
class Stores {
 public:
  // `target` is a file name or a PostgreSQL connection string (see
  // IsPostgresTarget); `connections` the most the instance holds at once.
  Stores(const std::string& target, const SharedLimits& limits, size_t connections,
         PgScoreStore::Opening opening = PgScoreStore::Opening::kCreate);

  ScoreStore& Store() { return *store_; }
  OneTimeValues& Values() { return *values_; }
  RateCounts& Rates() { return *rates_; }
  // The counted requests as one step each where the store can (PostgreSQL),
  // one after the other where it cannot.
  CountedSteps& Steps() { return *steps_; }
  // What the log calls it: the file name, or the server and database
  // without a password.
  const std::string& Description() const { return description_; }
  bool Shared() const { return pg_ != nullptr; }

 private:
  std::string description_;
  std::unique_ptr<EchoValues> echo_values_;
  std::unique_ptr<SqliteScoreStore> sqlite_;
  std::unique_ptr<MemoryRateCounts> memory_rates_;
  std::unique_ptr<PgScoreStore> pg_;
  ScoreStore* store_ = nullptr;
  OneTimeValues* values_ = nullptr;
  RateCounts* rates_ = nullptr;
  std::unique_ptr<SeparateSteps> separate_steps_;
  CountedSteps* steps_ = nullptr;
};

// Copies every record from one store into another whose table is empty,
// with their ids (so the order among equal scores stays), as one transaction
// on the receiving side. The number copied; throws DatabaseError.
int64_t CopyRecords(const std::string& from, const std::string& to);

}  // namespace aerovell::scores
