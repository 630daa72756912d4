#include "store_place.h"

#include <ostream>
#include <thread>

#include "pg_db.h"
#include "pg_test_server.h"
#include "sqlite_db.h"

namespace aerovell::scores {

bool operator==(const ScoreRecord& a, const ScoreRecord& b) {
  return a.id == b.id && a.name == b.name && a.country == b.country && a.score == b.score && a.created == b.created &&
         a.verified == b.verified && a.p == b.p && a.game == b.game && a.replay == b.replay;
}

void PrintTo(const ScoreRecord& r, std::ostream* out) {
  *out << "{" << r.id << ", " << r.name << ", " << r.country << ", " << r.score << ", " << r.created
       << (r.verified ? ", verified " + r.game : std::string()) << (r.p.empty() ? "" : ", p " + r.p) << "}";
}

namespace testing {

std::string StoreKindName(const ::testing::TestParamInfo<StoreKind>& info) {
  return info.param == StoreKind::kSqlite ? "SQLite" : "PostgreSQL";
}

StorePlace::StorePlace(StoreKind kind) : kind_(kind) {
  target_ = kind == StoreKind::kSqlite ? (dir_ / "scores.sqlite").string() : PgTestServer::Shared().NewDatabase();
}

std::string StorePlace::Description() const {
  return kind_ == StoreKind::kSqlite ? target_ : DescribePostgresTarget(target_);
}

void StorePlace::Execute(const std::string& sql) const {
  if (kind_ == StoreKind::kSqlite) {
    Connection(target_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute(sql.c_str());
  } else {
    PgConnection(target_, PgTimeouts{}).Execute(sql);
  }
}

int64_t StorePlace::QueryInteger(const std::string& sql) const {
  if (kind_ == StoreKind::kSqlite) return Connection(target_, SQLITE_OPEN_READONLY).QueryInteger(sql.c_str());
  const PgResult result = PgConnection(target_, PgTimeouts{}).Execute(sql);
  return result.Rows() > 0 ? result.Integer(0, 0) : 0;
}

std::vector<ScoreRecord> StorePlace::AllRecords() const {
  // Everything a record keeps; the replay as hex, which both databases write alike.
  const bool sqlite = kind_ == StoreKind::kSqlite;
  const std::string all = std::string("SELECT id, name, country, score, created, verified, coalesce(p, ''), "
                                      "coalesce(game, ''), ") +
                          (sqlite ? "lower(hex(replay))" : "coalesce(encode(replay, 'hex'), '')") +
                          " FROM scores ORDER BY id";
  std::vector<ScoreRecord> records;
  const auto add = [&](auto integer, auto text) {
    ScoreRecord r{integer(0), text(1), text(2), static_cast<int>(integer(3)), integer(4)};
    r.p = text(6);
    r.game = text(7);
    r.replay = text(8);
    return r;
  };
  if (sqlite) {
    Connection db(target_, SQLITE_OPEN_READONLY);
    Statement rows(db, all.c_str());
    while (rows.Step()) {
      ScoreRecord r = add([&](int c) { return rows.Integer(c); }, [&](int c) { return rows.Text(c); });
      r.verified = rows.Integer(5) != 0;
      records.push_back(std::move(r));
    }
  } else {
    const PgResult rows = PgConnection(target_, PgTimeouts{}).Execute(all);
    for (int i = 0; i < rows.Rows(); ++i) {
      ScoreRecord r = add([&](int c) { return rows.Integer(i, c); }, [&](int c) { return rows.Text(i, c); });
      r.verified = rows.Text(i, 5) == "t";
      records.push_back(std::move(r));
    }
  }
  return records;
}

void StorePlace::RefuseInserts(bool refuse) const {
  if (kind_ == StoreKind::kSqlite) {
    Execute(refuse ? "CREATE TRIGGER refuse BEFORE INSERT ON scores BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"
                   : "DROP TRIGGER refuse");
  } else {
    Execute(refuse ? "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                     "$$BEGIN RAISE EXCEPTION 'refused by the test'; END$$;"
                     "CREATE TRIGGER refuse BEFORE INSERT ON scores FOR EACH ROW EXECUTE FUNCTION refuse()"
                   : "DROP TRIGGER refuse ON scores; DROP FUNCTION refuse()");
  }
}

void AwayFromTheTurnOfAMinute(std::chrono::seconds needed) {
  using namespace std::chrono;
  const auto into = duration_cast<milliseconds>(system_clock::now().time_since_epoch()) % minutes(1);
  if (minutes(1) - into < needed) std::this_thread::sleep_for(minutes(1) - into + milliseconds(50));
}

}  // namespace testing
}  // namespace aerovell::scores
