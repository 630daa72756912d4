#include "service.h"

#include <ctime>

#include "online/score_codec.h"
#include "platform/cp1251.h"
#include "table_page.h"

namespace aerovell::scores {
namespace {

Reply Refusal(QueryKind kind, int status, std::string reason) {
  Reply reply;
  reply.status = status;
  reply.kind = kind;
  reply.body = "ERROR " + reason;
  reply.outcome = std::move(reason);
  return reply;
}

std::string IsoTime(int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

}  // namespace

ScoreService::ScoreService(ScoreStore& store, ServiceLimits limits)
    : store_(store), echo_values_(limits.max_echo_values, limits.echo_lifetime), limiter_(limits.max_per_minute) {}

Reply ScoreService::Handle(std::string_view target, std::string_view client, std::chrono::steady_clock::time_point now,
                           int64_t wall_seconds) {
  const Query query = ReadTarget(target);
  if (query.kind == QueryKind::kUnknown) return Refusal(QueryKind::kUnknown, 404, "not found");
  if (!limiter_.Allow(ClientKey(client), now))
    return Refusal(query.kind, 429, "too many requests, try again in a minute");
  try {
    switch (query.kind) {
      case QueryKind::kVersion: return Version(now, wall_seconds);
      case QueryKind::kScore: return Score(query.letters, now, wall_seconds);
      case QueryKind::kTable: return Table();
      case QueryKind::kUnknown: break;
    }
  } catch (const DatabaseError& e) {
    // The reason goes to the log; the client only learns that it failed.
    Reply reply = Refusal(query.kind, 503, "the score table is not available");
    reply.outcome += std::string(": ") + e.what();
    return reply;
  }
  return Refusal(query.kind, 404, "not found");
}

Reply ScoreService::Version(std::chrono::steady_clock::time_point now, int64_t wall_seconds) {
  Reply reply;
  reply.kind = QueryKind::kVersion;
  reply.outcome = "OK";
  // The game echoes the field between the fourth and the fifth "|".
  reply.body = "OK|" + std::string(kServiceName) + "|" + std::string(kServiceVersion) + "|" + IsoTime(wall_seconds) +
               "|" + echo_values_.Issue(now) + "|";
  return reply;
}

Reply ScoreService::Score(const std::string& letters, std::chrono::steady_clock::time_point now, int64_t wall_seconds) {
  constexpr QueryKind kKind = QueryKind::kScore;
  const auto info = DecodeScoreLetters(letters);
  if (!info) return Refusal(kKind, 400, info.error);
  const auto fields = ParseScoreInfo(*info.value);
  if (!fields) return Refusal(kKind, 400, fields.error);
  // Spent only once the record is known to be good, so a damaged request does
  // not cost the player the value; a replay finds it gone.
  if (!echo_values_.Spend(fields.value->p, now))
    return Refusal(kKind, 400, "the echo value is unknown, expired or spent");

  ScoreRecord record;
  record.name = Cp1251ToUtf8(fields.value->name);
  record.country = Cp1251ToUtf8(fields.value->country);
  record.score = fields.value->score;
  record.created = wall_seconds;
  store_.Add(record);

  Reply reply;
  reply.kind = kKind;
  reply.body = "OK";
  reply.outcome = "OK";
  return reply;
}

Reply ScoreService::Table() {
  Reply reply;
  reply.kind = QueryKind::kTable;
  reply.content_type = "text/html; charset=utf-8";
  reply.body = RenderTablePage(store_.Best(kTableRows));
  reply.outcome = "OK";
  return reply;
}

}  // namespace aerovell::scores
