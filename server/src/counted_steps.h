#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "echo_values.h"
#include "rate_limiter.h"
#include "score_store.h"

namespace aerovell::scores {

// The two counted requests of the service, each as one step: counting a
// version query together with the value it issues, and a score request
// together with the record it stores. Where the counts, the values and the
// records live in one database, a step is one statement there instead of
// two round trips. A refused request is not counted and changes nothing.
class CountedSteps {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~CountedSteps() = default;

  // Counts a version query from `client` (a ClientKey) and issues a fresh
  // value; nullopt when the limit refuses it (no value is issued then).
  virtual std::optional<std::string> CountAndIssue(const std::string& client, Clock::time_point now) = 0;
  // Counts a score request from `client` and stores `record` paid for with
  // `p` as ScoreStore::Add does; nullopt when the limit refuses it (nothing
  // is stored or spent then).
  virtual std::optional<AddOutcome> CountAndAdd(const ScoreRecord& record, const std::string& p,
                                                const std::string& client, Clock::time_point now) = 0;
  // Counts a request that goes no further (a damaged record): whether it
  // was within the limit.
  virtual bool Count(Counted what, const std::string& client, Clock::time_point now) = 0;
};

// The steps taken one after the other, for counts and values kept apart
// from the records (in this process, beside an SQLite file).
class SeparateSteps : public CountedSteps {
 public:
  SeparateSteps(ScoreStore& store, OneTimeValues& values, RateCounts& rates)
      : store_(store), values_(values), rates_(rates) {}

  std::optional<std::string> CountAndIssue(const std::string& client, Clock::time_point now) override {
    if (!rates_.Allow(Counted::kVersion, client, now)) return std::nullopt;
    return values_.Issue(client, now);
  }
  std::optional<AddOutcome> CountAndAdd(const ScoreRecord& record, const std::string& p, const std::string& client,
                                        Clock::time_point now) override {
    if (!rates_.Allow(Counted::kScore, client, now)) return std::nullopt;
    return store_.Add(record, p, now);
  }
  bool Count(Counted what, const std::string& client, Clock::time_point now) override {
    return rates_.Allow(what, client, now);
  }

 private:
  ScoreStore& store_;
  OneTimeValues& values_;
  RateCounts& rates_;
};

}  // namespace aerovell::scores
