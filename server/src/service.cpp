#include "service.h"

#include <ctime>

#include "client_address.h"
#include "online/score_codec.h"
#include "platform/cp1251.h"
#include "table_page.h"

namespace aerovell::scores {
namespace {

std::string IsoTime(int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

Reply TooMany(QueryKind kind) { return Refusal(kind, 429, "too many requests, try again in a minute"); }

}  // namespace

Reply Refusal(QueryKind kind, int status, std::string reason) {
  Reply reply;
  reply.status = status;
  reply.kind = kind;
  reply.body = "ERROR " + reason;
  reply.outcome = std::move(reason);
  return reply;
}

ScoreService::ScoreService(ScoreStore& store, OneTimeValues& values, RateCounts& rates)
    : store_(store), own_steps_(std::make_unique<SeparateSteps>(store, values, rates)), steps_(*own_steps_) {}

ScoreService::ScoreService(ScoreStore& store, CountedSteps& steps) : store_(store), steps_(steps) {}

Reply ScoreService::Handle(std::string_view target, std::string_view client, std::chrono::steady_clock::time_point now,
                           int64_t wall_seconds) {
  const Query query = ReadTarget(target);
  if (query.kind == QueryKind::kUnknown) return Refusal(QueryKind::kUnknown, 404, "not found");
  const std::string key = ClientKey(client);
  try {
    // Version and score requests are counted in the step that serves them
    // (shared counts live in the database, so counting can fail as storing
    // can).
    switch (query.kind) {
      case QueryKind::kVersion: return Version(key, now, wall_seconds);
      case QueryKind::kScore: return Score(query.letters, key, now, wall_seconds);
      case QueryKind::kTable: return Table();
      case QueryKind::kUnknown: break;
    }
  } catch (const DatabaseError& e) {
    // The reason goes to the log; the client only learns that it failed.
    Reply reply = Refusal(query.kind, 503, "the score table is not available");
    reply.outcome += std::string(": ") + e.what();
    return reply;
  } catch (const std::exception& e) {
    // Anything else (memory, a library's own error) must not unwind through
    // the HTTP library's C callback, which would end the process: this
    // request fails and the service goes on.
    Reply reply = Refusal(query.kind, 500, "the service failed");
    reply.outcome += std::string(": ") + e.what();
    return reply;
  }
  return Refusal(query.kind, 404, "not found");
}

size_t ScoreService::PagesRendered() {
  std::lock_guard lock(page_mutex_);
  return pages_rendered_;
}

Reply ScoreService::Version(const std::string& client, std::chrono::steady_clock::time_point now,
                            int64_t wall_seconds) {
  const std::optional<std::string> p = steps_.CountAndIssue(client, now);
  if (!p) return TooMany(QueryKind::kVersion);
  Reply reply;
  reply.kind = QueryKind::kVersion;
  reply.outcome = "OK";
  // The game echoes the field between the fourth and the fifth "|".
  reply.body = "OK|" + std::string(kServiceName) + "|" + std::string(kServiceVersion) + "|" + IsoTime(wall_seconds) +
               "|" + *p + "|";
  return reply;
}

Reply ScoreService::Score(const std::string& letters, const std::string& client,
                          std::chrono::steady_clock::time_point now, int64_t wall_seconds) {
  constexpr QueryKind kKind = QueryKind::kScore;
  // A damaged request counts as any other, and over the limit it is told so
  // rather than what is wrong with it.
  const auto damaged = [&](const std::string& error) {
    return steps_.Count(Counted::kScore, client, now) ? Refusal(kKind, 400, error) : TooMany(kKind);
  };
  const auto info = DecodeScoreLetters(letters);
  if (!info) return damaged(info.error);
  const auto fields = ParseScoreInfo(*info.value);
  if (!fields) return damaged(fields.error);

  ScoreRecord record;
  record.name = Cp1251ToUtf8(fields.value->name);
  record.country = Cp1251ToUtf8(fields.value->country);
  record.score = fields.value->score;
  record.created = wall_seconds;
  // The value is spent only together with a record that passed every check
  // and was stored, so neither a damaged request nor a failing disk costs the
  // player the value; a replay finds it gone.
  const std::optional<AddOutcome> added = steps_.CountAndAdd(record, fields.value->p, client, now);
  if (!added) return TooMany(kKind);
  if (*added == AddOutcome::kUnknownValue) return Refusal(kKind, 400, "the echo value is unknown, expired or spent");

  Reply reply;
  reply.kind = kKind;
  reply.body = "OK";
  reply.outcome = "OK";
  return reply;
}

Reply ScoreService::Table() {
  // Read the revision before the rows: a record stored in between makes the
  // next request render again rather than the page miss it.
  const uint64_t revision = store_.Revision();
  Reply reply;
  reply.kind = QueryKind::kTable;
  reply.content_type = "text/html; charset=utf-8";
  reply.outcome = "OK";
  std::lock_guard lock(page_mutex_);
  if (page_revision_ != revision) {
    page_ = RenderTablePage(store_.Best(kTableRows));
    page_revision_ = revision;
    ++pages_rendered_;
  }
  reply.body = page_;
  return reply;
}

}  // namespace aerovell::scores
