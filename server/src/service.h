#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "counted_steps.h"
#include "echo_values.h"
#include "query.h"
#include "rate_limiter.h"
#include "replay_verifier.h"
#include "score_store.h"

namespace aerovell::scores {

inline constexpr std::string_view kServiceName = "aerovell-scores";
inline constexpr std::string_view kServiceVersion = "1";

// What to send back, and what the log says about it.
struct Reply {
  int status = 200;
  std::string content_type = "text/plain; charset=utf-8";
  std::string body;
  QueryKind kind = QueryKind::kUnknown;
  std::string outcome;  // "OK" or the reason for a refusal
  std::string download_name;  // a file to save rather than show, by this name
  // The answer is not made yet: it goes to the caller's `later` (a replay
  // being played again), and this one is not sent.
  bool deferred = false;
};

// Where an answer made later goes: called once, from another thread.
using ReplyLater = std::function<void(Reply)>;

// An answer that refuses: status, "ERROR <reason>" and the reason for the log.
Reply Refusal(QueryKind kind, int status, std::string reason);

// The three queries of the score script, independent of HTTP: a version answer
// with a fresh one-time value, a score record checked field by field and
// stored, and the online table. Score requests and version queries are counted
// per client, each against a limit of its own; the table is not counted, as it
// is made once per change of the records and then served from memory.
class ScoreService {
 public:
  ScoreService(ScoreStore& store, OneTimeValues& values, RateCounts& rates);
  // With the counting done by `steps` together with what it guards.
  ScoreService(ScoreStore& store, CountedSteps& steps);

  // `target` is the request target exactly as received, `client` the client's
  // address; `wall_seconds` is the time stored with a record.
  // `body` is what a POST carried (a replay), empty otherwise. A replay is
  // answered through `later` once it has been played again, so no thread of
  // the caller waits for it; without `later` it is refused (503).
  Reply Handle(std::string_view target, std::string_view client, std::chrono::steady_clock::time_point now,
               int64_t wall_seconds, std::string_view body = {}, ReplyLater later = nullptr);

  // Who plays replays again; without one a replay is answered 503.
  void SetReplayChecker(ReplayChecker* checker) { checker_ = checker; }

  // How often the table page was made (it is made again only after a change).
  size_t PagesRendered();

 private:
  Reply Version(const std::string& client, std::chrono::steady_clock::time_point now, int64_t wall_seconds);
  Reply Score(const std::string& letters, const std::string& client, std::chrono::steady_clock::time_point now,
              int64_t wall_seconds);
  Reply Table(bool verified_only);
  Reply Replay(const std::string& p, std::string_view body, ReplyLater later);
  Reply Judge(const ScoreRecord& record, const std::string& bytes, const ReplayVerdict& verdict);
  Reply ReplayFile(int64_t id);

  ScoreStore& store_;
  std::unique_ptr<CountedSteps> own_steps_;
  CountedSteps& steps_;

  std::mutex page_mutex_;
  ReplayChecker* checker_ = nullptr;
  // The whole table and the verified records' one, each made once per change.
  std::optional<uint64_t> page_revision_[2];
  std::string page_[2];
  size_t pages_rendered_ = 0;
};

}  // namespace aerovell::scores
