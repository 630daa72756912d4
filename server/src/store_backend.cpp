#include "store_backend.h"

#include <filesystem>

namespace aerovell::scores {

Stores::Stores(const std::string& target, const SharedLimits& limits, size_t connections,
               PgScoreStore::Opening opening) {
  if (IsPostgresTarget(target)) {
    description_ = DescribePostgresTarget(target);
    pg_ = std::make_unique<PgScoreStore>(target, limits, connections, opening);
    store_ = pg_.get();
    values_ = pg_.get();
    rates_ = pg_.get();
    steps_ = pg_.get();
    return;
  }
  description_ = target;
  std::error_code ignored;
  if (opening == PgScoreStore::Opening::kExisting && !std::filesystem::exists(target, ignored))
    throw DatabaseError("cannot open " + target + ": No such file");
  echo_values_ = std::make_unique<EchoValues>(limits.values_capacity, limits.value_lifetime, limits.values_per_client);
  sqlite_ = std::make_unique<SqliteScoreStore>(target, *echo_values_);
  memory_rates_ =
      std::make_unique<MemoryRateCounts>(limits.scores_per_minute, limits.versions_per_minute, limits.clients_followed);
  store_ = sqlite_.get();
  values_ = echo_values_.get();
  rates_ = memory_rates_.get();
  separate_steps_ = std::make_unique<SeparateSteps>(*store_, *values_, *rates_);
  steps_ = separate_steps_.get();
}

int64_t CopyRecords(const std::string& from, const std::string& to) {
  constexpr int kPiece = 1000;
  Stores source(from, SharedLimits{}, 1, PgScoreStore::Opening::kExisting);
  Stores target(to, SharedLimits{}, 1);
  int64_t last = 0, copied = 0;
  target.Store().Import([&](std::vector<ScoreRecord>& piece) {
    piece = source.Store().RecordsAfter(last, kPiece);
    if (piece.empty()) return false;
    last = piece.back().id;
    copied += static_cast<int64_t>(piece.size());
    return true;
  });
  const int64_t there = target.Store().Count();
  if (there != copied)
    throw DatabaseError("copied " + std::to_string(copied) + " records but " + target.Description() + " holds " +
                        std::to_string(there));
  return copied;
}

}  // namespace aerovell::scores
