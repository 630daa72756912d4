#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "counted_steps.h"
#include "echo_values.h"
#include "pg_db.h"
#include "rate_limiter.h"
#include "score_store.h"

namespace aerovell::scores {

// The schema this build writes in PostgreSQL; older ones are brought up to it.
inline constexpr int kPgSchemaVersion = 2;
// The statements that bring the tables of schema `version` (0: none) to the
// next; tests make the tables an older service left with them.
const char* PgSchemaStep(int version);

// The limits the instances keep together, in the database.
struct SharedLimits {
  size_t values_capacity = 100000;
  size_t values_per_client = 16;
  std::chrono::steady_clock::duration value_lifetime = std::chrono::minutes(10);
  unsigned scores_per_minute = 30;   // 0: no limit
  unsigned versions_per_minute = 120;
  size_t clients_followed = 100000;  // by each limit, in a minute
};

// Everything the service keeps, in one PostgreSQL database, so that any
// number of instances serve as one: the records, the outstanding one-time
// values (a value is spent in the very statement that inserts its record, so
// it pays for one record across all instances), and the rate counts per
// client and clock minute. The values and counts are in unlogged tables: they
// live minutes, and a crash of the server that empties them only asks the
// players for a fresh value. Each instance sweeps expired values and past
// minutes' counts once a second, a bounded number of rows at a time, and
// keeps both tables within their caps there.
class PgScoreStore : public ScoreStore, public OneTimeValues, public RateCounts, public CountedSteps {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Opening { kCreate, kExisting };
  // Connects, checks the schema and creates or upgrades it; a database that
  // holds anything else, or a newer schema, is refused and left as it was.
  // `sweeping`: whether this instance sweeps once a second on its own.
  PgScoreStore(const std::string& target, const SharedLimits& limits, size_t connections,
               Opening opening = Opening::kCreate, bool sweeping = true, PgTimeouts timeouts = {});
  ~PgScoreStore() override;

  // ScoreStore
  AddOutcome Add(const ScoreRecord& record, const std::string& p, Clock::time_point now) override;
  std::vector<ScoreRecord> Best(int limit) override;
  std::vector<ScoreRecord> BestVerified(int limit) override;
  std::optional<ScoreRecord> RecordOfValue(const std::string& p) override;
  VerifyOutcome MarkVerified(int64_t id, const std::string& replay, const std::string& game) override;
  std::optional<std::string> VerifiedReplay(int64_t id) override;
  int64_t Count() override;
  uint64_t Revision() override;
  std::vector<ScoreRecord> RecordsAfter(int64_t after, int limit) override;
  void Import(const std::function<bool(std::vector<ScoreRecord>&)>& next) override;

  // OneTimeValues
  std::string Issue(const std::string& client, Clock::time_point now) override;

  // RateCounts
  bool Allow(Counted what, const std::string& client, RateLimiter::Clock::time_point now) override;

  // CountedSteps: each one statement, the count in the transaction of what it
  // guards.
  std::optional<std::string> CountAndIssue(const std::string& client, Clock::time_point now) override;
  std::optional<AddOutcome> CountAndAdd(const ScoreRecord& record, const std::string& p, const std::string& client,
                                        Clock::time_point now) override;
  bool Count(Counted what, const std::string& client, Clock::time_point now) override {
    return Allow(what, client, now);
  }

  // One round of the sweep (the instance runs one a second on its own).
  void Sweep(Clock::time_point now);
  // How far a sweep goes at most, in rows of each kind.
  static constexpr int kSweepRows = 20000;

 private:
  const SharedLimits limits_;
  PgPool pool_;
  PgPool sweeper_pool_;
  const Clock::duration settle_;  // how long an insert under way can take at most

  std::mutex revision_mutex_;
  std::optional<std::pair<int64_t, int64_t>> seen_;  // the highest id and the count of other changes
  Clock::time_point changed_at_{};
  bool settled_ = true;
  uint64_t revision_ = 0;

  std::mutex sweep_mutex_;
  std::condition_variable sweep_wake_;
  bool closing_ = false;
  std::thread sweeper_;
};

}  // namespace aerovell::scores
