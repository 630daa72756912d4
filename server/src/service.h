#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "echo_values.h"
#include "query.h"
#include "rate_limiter.h"
#include "score_store.h"

namespace aerovell::scores {

inline constexpr std::string_view kServiceName = "aerovell-scores";
inline constexpr std::string_view kServiceVersion = "1";

struct ServiceLimits {
  unsigned max_per_minute = 30;             // per client, 0 for none
  size_t max_echo_values = 100000;          // outstanding one-time values
  std::chrono::seconds echo_lifetime{600};  // how long one stays valid
};

// What to send back, and what the log says about it.
struct Reply {
  int status = 200;
  std::string content_type = "text/plain; charset=utf-8";
  std::string body;
  QueryKind kind = QueryKind::kUnknown;
  std::string outcome;  // "OK" or the reason for a refusal
};

// The three queries of the score script, independent of HTTP: a version answer
// with a fresh one-time value, a score record checked field by field and
// stored, and the online table.
class ScoreService {
 public:
  ScoreService(ScoreStore& store, ServiceLimits limits);

  // `target` is the request target exactly as received, `client` the peer's
  // address; `wall_seconds` is the time stored with a record.
  Reply Handle(std::string_view target, std::string_view client, std::chrono::steady_clock::time_point now,
               int64_t wall_seconds);

 private:
  Reply Version(std::chrono::steady_clock::time_point now, int64_t wall_seconds);
  Reply Score(const std::string& letters, std::chrono::steady_clock::time_point now, int64_t wall_seconds);
  Reply Table();

  ScoreStore& store_;
  EchoValues echo_values_;
  RateLimiter limiter_;
};

}  // namespace aerovell::scores
