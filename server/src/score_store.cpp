#include "score_store.h"

#include <array>

namespace aerovell::scores {
namespace {

// Schema steps: step k brings a file from version k to k + 1. New steps are
// appended, never edited, so every old file takes the same road.
constexpr std::array<const char*, kSchemaVersion> kMigrations = {
    "CREATE TABLE scores("
    "  id INTEGER PRIMARY KEY,"
    "  name TEXT NOT NULL,"
    "  country TEXT NOT NULL,"
    "  score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 65535),"
    "  created INTEGER NOT NULL);"
    // The table page reads its 100 rows straight off this index.
    "CREATE INDEX scores_by_rank ON scores(score DESC, id);",
};

constexpr int kBusyMilliseconds = 5000;

// Opens the writer, sets the journal up and brings the schema to this build's.
Connection OpenWriter(const std::string& path) {
  Connection db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_busy_timeout(db.Handle(), kBusyMilliseconds);
  std::string mode;
  try {
    mode = db.QueryText("PRAGMA journal_mode=WAL");
  } catch (const DatabaseError& e) {
    // The first read of a file that is no database fails here.
    throw DatabaseError(path + " is not a score database: " + e.what());
  }
  if (mode != "wal") throw DatabaseError(path + ": cannot switch to WAL mode (" + mode + ")");
  // In WAL mode NORMAL keeps every committed record through a crash of the
  // process; only a power cut can lose the last few, and never the file.
  db.Execute("PRAGMA synchronous=NORMAL");

  db.Execute("BEGIN IMMEDIATE");
  try {
    const int64_t version = db.QueryInteger("PRAGMA user_version");
    if (version > kSchemaVersion)
      throw DatabaseError(path + " has schema " + std::to_string(version) + ", newer than this service's " +
                          std::to_string(kSchemaVersion));
    if (version == 0 && db.QueryInteger("SELECT count(*) FROM sqlite_schema") != 0)
      throw DatabaseError(path + " holds tables but is no score database");
    for (int64_t step = version; step < kSchemaVersion; ++step) db.Execute(kMigrations[step]);
    db.Execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    db.Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return db;
}

Connection OpenReader(const std::string& path) {
  Connection db(path, SQLITE_OPEN_READONLY);
  sqlite3_busy_timeout(db.Handle(), kBusyMilliseconds);
  return db;
}

}  // namespace

ScoreStore::ScoreStore(const std::string& path)
    : writer_(OpenWriter(path)),
      insert_(writer_, "INSERT INTO scores(name, country, score, created) VALUES (?1, ?2, ?3, ?4)"),
      reader_(OpenReader(path)),
      best_(reader_,
            "SELECT id, name, country, score, created FROM scores "
            "ORDER BY score DESC, id LIMIT ?1"),
      count_(reader_, "SELECT count(*) FROM scores") {}

void ScoreStore::Add(const ScoreRecord& record) {
  // One INSERT outside an explicit transaction is a transaction of its own:
  // the record is in the file whole or not at all.
  std::lock_guard lock(write_mutex_);
  StatementUse use(insert_);
  use->Bind(1, record.name).Bind(2, record.country).Bind(3, record.score).Bind(4, record.created);
  use->Run();
}

std::vector<ScoreRecord> ScoreStore::Best(int limit) {
  std::vector<ScoreRecord> rows;
  rows.reserve(static_cast<size_t>(limit > 0 ? limit : 0));
  std::lock_guard lock(read_mutex_);
  StatementUse use(best_);
  use->Bind(1, limit);
  while (use->Step()) {
    rows.push_back({use->Integer(0), use->Text(1), use->Text(2), static_cast<int>(use->Integer(3)), use->Integer(4)});
  }
  return rows;
}

int64_t ScoreStore::Count() {
  std::lock_guard lock(read_mutex_);
  StatementUse use(count_);
  return use->Step() ? use->Integer(0) : 0;
}

bool ScoreStore::Checkpoint() {
  std::lock_guard lock(write_mutex_);
  return sqlite3_wal_checkpoint_v2(writer_.Handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) ==
         SQLITE_OK;
}

}  // namespace aerovell::scores
