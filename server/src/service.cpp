#include "service.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <memory>

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

namespace {

// The reason goes to the log; the client only learns that it failed.
Reply StoreUnavailable(QueryKind kind, const DatabaseError& e) {
  Reply reply = Refusal(kind, 503, "the score table is not available");
  reply.outcome += std::string(": ") + e.what();
  return reply;
}

}  // namespace

ScoreService::ScoreService(ScoreStore& store, OneTimeValues& values, RateCounts& rates)
    : store_(store), own_steps_(std::make_unique<SeparateSteps>(store, values, rates)), steps_(*own_steps_) {}

ScoreService::ScoreService(ScoreStore& store, CountedSteps& steps) : store_(store), steps_(steps) {}

Reply ScoreService::Handle(std::string_view target, std::string_view client, std::chrono::steady_clock::time_point now,
                           int64_t wall_seconds, std::string_view body, ReplyLater later) {
  const Query query = ReadTarget(target);
  if (query.kind == QueryKind::kUnknown) return Refusal(QueryKind::kUnknown, 404, "not found");
  const std::string key = ClientKey(client);
  try {
    // Version and score requests are counted in the step that serves them
    // (shared counts live in the database, so counting can fail as storing
    // can). A replay counts with the version queries: a game sends one after
    // each record, and it must not use up the player's score requests.
    if (query.kind == QueryKind::kReplay && !steps_.Count(Counted::kVersion, key, now)) return TooMany(query.kind);
    switch (query.kind) {
      case QueryKind::kVersion: return Version(key, now, wall_seconds);
      case QueryKind::kScore: return Score(query.letters, key, now, wall_seconds);
      case QueryKind::kTable: return Table(query.verified_only);
      case QueryKind::kReplay: return Replay(query.p, body, std::move(later));
      case QueryKind::kReplayFile: return ReplayFile(query.id);
      case QueryKind::kUnknown: break;
    }
  } catch (const DatabaseError& e) {
    return StoreUnavailable(query.kind, e);
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

Reply ScoreService::Replay(const std::string& p, std::string_view body, ReplyLater later) {
  constexpr QueryKind kKind = QueryKind::kReplay;
  if (p.empty() || p.size() > 64 ||
      !std::all_of(p.begin(), p.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
    return Refusal(kKind, 400, "unreadable echo value");
  if (body.empty()) return Refusal(kKind, 400, "no replay sent");
  if (body.size() > kMaxReplayBytes) return Refusal(kKind, 413, "the replay is larger than 256 KiB");
  // The answer comes through `later`: without a caller to take it, or
  // without a checker, replays are not taken here.
  if (!checker_ || !later) return Refusal(kKind, 503, "replays are not checked here");
  const auto record = store_.RecordOfValue(p);
  if (!record) return Refusal(kKind, 400, "no record was stored with this echo value");
  if (record->verified) return Refusal(kKind, 400, "the record is verified already");

  std::string bytes(body);
  const bool taken = checker_->Submit(bytes, [this, record = *record, bytes, later](ReplayVerdict verdict) {
    Reply reply;
    try {
      reply = Judge(record, bytes, verdict);
    } catch (const DatabaseError& e) {
      reply = StoreUnavailable(kKind, e);
    }
    later(std::move(reply));
  });
  if (!taken) return Refusal(kKind, 503, "too many replays are being checked, try again later");
  Reply waiting;
  waiting.kind = kKind;
  waiting.deferred = true;
  return waiting;
}

Reply ScoreService::Judge(const ScoreRecord& record, const std::string& bytes, const ReplayVerdict& verdict) {
  constexpr QueryKind kKind = QueryKind::kReplay;
  if (verdict.kind == ReplayVerdict::Kind::kBusy) return Refusal(kKind, 503, verdict.reason);
  if (verdict.kind != ReplayVerdict::Kind::kPlayed) return Refusal(kKind, 400, "the replay is refused: " + verdict.reason);
  if (verdict.score != record.score)
    return Refusal(kKind, 400,
                   "the replay ends with " + std::to_string(verdict.score) + ", the record has " +
                       std::to_string(record.score));
  if (verdict.name != record.name) return Refusal(kKind, 400, "the replay ends with another name than the record's");
  switch (store_.MarkVerified(record.id, bytes, verdict.game)) {
    case VerifyOutcome::kVerified: break;
    case VerifyOutcome::kVerifiedAlready: return Refusal(kKind, 400, "the record is verified already");
    case VerifyOutcome::kGameTaken: return Refusal(kKind, 400, "this game verifies another record already");
  }
  Reply reply;
  reply.kind = kKind;
  reply.body = "OK";
  reply.outcome = "OK verified record " + std::to_string(record.id);
  return reply;
}

Reply ScoreService::ReplayFile(int64_t id) {
  const auto bytes = store_.VerifiedReplay(id);
  if (!bytes) return Refusal(QueryKind::kReplayFile, 404, "no verified record with this id");
  Reply reply;
  reply.kind = QueryKind::kReplayFile;
  reply.content_type = "application/octet-stream";
  reply.body = *bytes;
  reply.outcome = "OK";
  reply.download_name = "aerovell-" + std::to_string(id) + ".avr";
  return reply;
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

Reply ScoreService::Table(bool verified_only) {
  // Read the revision before the rows: a record stored in between makes the
  // next request render again rather than the page miss it.
  const uint64_t revision = store_.Revision();
  Reply reply;
  reply.kind = QueryKind::kTable;
  reply.content_type = "text/html; charset=utf-8";
  reply.outcome = "OK";
  std::lock_guard lock(page_mutex_);
  const int which = verified_only ? 1 : 0;
  if (page_revision_[which] != revision) {
    page_[which] = RenderTablePage(verified_only ? store_.BestVerified(kTableRows) : store_.Best(kTableRows),
                                   verified_only);
    page_revision_[which] = revision;
    ++pages_rendered_;
  }
  reply.body = page_[which];
  return reply;
}

}  // namespace aerovell::scores
