#include "store_place.h"

#include <ostream>
#include <thread>

#include "pg_db.h"
#include "pg_test_server.h"
#include "sqlite_db.h"

namespace aerovell::scores {

bool operator==(const ScoreRecord& a, const ScoreRecord& b) {
  return a.id == b.id && a.name == b.name && a.country == b.country && a.score == b.score && a.created == b.created;
}

void PrintTo(const ScoreRecord& r, std::ostream* out) {
  *out << "{" << r.id << ", " << r.name << ", " << r.country << ", " << r.score << ", " << r.created << "}";
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
  constexpr const char* kAll = "SELECT id, name, country, score, created FROM scores ORDER BY id";
  std::vector<ScoreRecord> records;
  if (kind_ == StoreKind::kSqlite) {
    Connection db(target_, SQLITE_OPEN_READONLY);
    Statement all(db, kAll);
    while (all.Step())
      records.push_back({all.Integer(0), all.Text(1), all.Text(2), static_cast<int>(all.Integer(3)), all.Integer(4)});
  } else {
    const PgResult all = PgConnection(target_, PgTimeouts{}).Execute(kAll);
    for (int i = 0; i < all.Rows(); ++i)
      records.push_back({all.Integer(i, 0), all.Text(i, 1), all.Text(i, 2), static_cast<int>(all.Integer(i, 3)),
                         all.Integer(i, 4)});
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
