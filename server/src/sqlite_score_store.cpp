#include "sqlite_score_store.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <filesystem>

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
    // Version 2: the value a record was paid with ties the game's replay to
    // it; a record whose replay played again to its score is verified, and
    // keeps the replay for anyone to watch.
    "ALTER TABLE scores ADD COLUMN p TEXT;"
    "ALTER TABLE scores ADD COLUMN verified INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE scores ADD COLUMN replay BLOB;"
    "ALTER TABLE scores ADD COLUMN game TEXT;"
    "CREATE UNIQUE INDEX scores_by_value ON scores(p) WHERE p IS NOT NULL;"
    "CREATE UNIQUE INDEX scores_by_game ON scores(game) WHERE game IS NOT NULL;"
    "CREATE INDEX scores_verified_by_rank ON scores(score DESC, id) WHERE verified = 1;",
};

constexpr int kBusyMilliseconds = 5000;

// Every connection of the store leaves the journal as it is when it closes:
// the next start reads it back, and a stop does not wait for a checkpoint
// and its sync, which a busy disk can make last seconds.
void KeepJournalOnClose(Connection& db) { sqlite3_db_config(db.Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr); }
constexpr std::chrono::milliseconds kCheckpointEvery{100};
constexpr int kRestartFrames = 4096;  // pages of 4 KiB: a journal of 16 MiB

// The real cause when the file or its folder cannot be written, before SQLite
// gets to say something vaguer. The folder must take new files too: the
// write-ahead log and its index live beside the database.
void CheckWritable(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ignored;
  if (std::filesystem::exists(path, ignored) && access(path.c_str(), R_OK | W_OK) != 0)
    throw DatabaseError("cannot write " + path + ": " + std::strerror(errno));
  if (access(folder.c_str(), W_OK | X_OK) != 0)
    throw DatabaseError("cannot write in the folder " + folder.string() + " (the journal of " + path +
                        " lives there): " + std::strerror(errno));
}

// Reads what the file is without writing a byte of it: a file that is no
// score database, or one of a newer service, is refused as it stands.
void CheckSchema(Connection& db, const std::string& path) {
  int64_t version = 0, tables = 0, score_tables = 0;
  try {
    version = db.QueryInteger("PRAGMA user_version");
    tables = db.QueryInteger("SELECT count(*) FROM sqlite_schema");
    score_tables = db.QueryInteger("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'scores'");
  } catch (const DatabaseError& e) {
    if (db.LastError() == SQLITE_NOTADB) throw DatabaseError(path + " is not a score database: " + e.what());
    throw;
  }
  if (version > kSchemaVersion)
    throw DatabaseError(path + " has schema " + std::to_string(version) + ", newer than this service's " +
                        std::to_string(kSchemaVersion));
  if ((version == 0 && tables != 0) || (version > 0 && score_tables == 0))
    throw DatabaseError(path + " holds tables but is no score database");
}

// Opens the writer, checks the file, then sets the journal up and brings the
// schema to this build's.
Connection OpenWriter(const std::string& path) {
  CheckWritable(path);
  Connection db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_busy_timeout(db.Handle(), kBusyMilliseconds);
  CheckSchema(db, path);
  KeepJournalOnClose(db);

  const std::string mode = db.QueryText("PRAGMA journal_mode=WAL");
  if (mode != "wal") throw DatabaseError(path + ": cannot switch to WAL mode (" + mode + ")");
  // In WAL mode NORMAL keeps every committed record through a crash of the
  // process; only a power cut can lose the last few, and never the file.
  db.Execute("PRAGMA synchronous=NORMAL");
  // The checkpoints are the store's own thread's: one inside a commit holds
  // that record (and every one waiting behind it) for tens of milliseconds.
  db.Execute("PRAGMA wal_autocheckpoint=0");
  // A journal that grew in a burst shrinks back when it starts afresh.
  db.Execute("PRAGMA journal_size_limit=16777216");

  db.Execute("BEGIN IMMEDIATE");
  try {
    CheckSchema(db, path);  // again, now that no other writer can come between
    const int64_t version = db.QueryInteger("PRAGMA user_version");
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
  KeepJournalOnClose(db);
  return db;
}

int RefuseCommit(void*) { return 1; }

}  // namespace

SqliteScoreStore::SqliteScoreStore(const std::string& path, EchoValues& values)
    : values_(values),
      writer_(OpenWriter(path)),
      insert_(writer_, "INSERT INTO scores(name, country, score, created, p) VALUES (?1, ?2, ?3, ?4, ?5)"),
      verify_(writer_,
              "UPDATE scores SET verified = 1, replay = ?2, game = ?3 WHERE id = ?1 AND verified = 0 "
              "AND NOT EXISTS (SELECT 1 FROM scores WHERE game = ?3)"),
      verified_of_(writer_, "SELECT verified FROM scores WHERE id = ?1"),
      reader_(OpenReader(path)),
      best_(reader_,
            "SELECT id, name, country, score, created, verified FROM scores "
            "ORDER BY score DESC, id LIMIT ?1"),
      best_verified_(reader_,
                     "SELECT id, name, country, score, created, verified FROM scores WHERE verified = 1 "
                     "ORDER BY score DESC, id LIMIT ?1"),
      of_value_(reader_, "SELECT id, name, country, score, created, verified FROM scores WHERE p = ?1"),
      replay_(reader_, "SELECT replay FROM scores WHERE id = ?1 AND verified = 1"),
      count_(reader_, "SELECT count(*) FROM scores"),
      data_version_(reader_, "PRAGMA data_version"),
      after_(reader_,
             "SELECT id, name, country, score, created, verified, coalesce(p, ''), coalesce(game, ''), "
             "coalesce(replay, x'') FROM scores WHERE id > ?1 ORDER BY id LIMIT ?2"),
      checkpointer_(path, SQLITE_OPEN_READWRITE) {
  // A connection learns that the file keeps a journal beside it only once it
  // has read the file; until then its checkpoints do nothing.
  checkpointer_.QueryText("PRAGMA journal_mode");
  KeepJournalOnClose(checkpointer_);
  checkpoints_ = std::thread([this] {
    std::unique_lock lock(checkpoint_mutex_);
    while (!closing_) {
      checkpoint_wake_.wait_for(lock, kCheckpointEvery);
      // Passive, beside the writer; a busy moment is simply tried again next
      // time. When records come steadily the journal never happens to be
      // wholly in the file when the next one starts it afresh, so at a
      // journal of some size the writer is held for the few pages written
      // meanwhile: the journal then starts afresh instead of growing without end.
      int frames = 0;
      sqlite3_wal_checkpoint_v2(checkpointer_.Handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &frames, nullptr);
      if (frames < kRestartFrames) continue;
      std::lock_guard writing(write_mutex_);
      sqlite3_wal_checkpoint_v2(checkpointer_.Handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
  });
}

SqliteScoreStore::~SqliteScoreStore() {
  {
    std::lock_guard lock(checkpoint_mutex_);
    closing_ = true;
  }
  checkpoint_wake_.notify_all();
  checkpoints_.join();
}

std::string SqliteScoreStore::Reload() {
  // The writer is held only for the pages that arrived since the last
  // periodic checkpoint; the journal is then emptied, so the file alone is whole.
  std::lock_guard checkpointing(checkpoint_mutex_);
  std::lock_guard writing(write_mutex_);
  const int result =
      sqlite3_wal_checkpoint_v2(checkpointer_.Handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  return result == SQLITE_OK ? "database file brought up to date"
                             : "database busy, its journal is copied in later";
}

AddOutcome SqliteScoreStore::Add(const ScoreRecord& record, const std::string& p, Clock::time_point now) {
  // The value is taken out first, so a replay racing the original finds it
  // gone; the one INSERT is a transaction of its own (the record is in the
  // file whole or not at all), and when it fails the value goes back, so a
  // full disk costs the player nothing.
  auto taken = values_.Take(p, now);
  if (!taken) return AddOutcome::kUnknownValue;
  try {
    std::lock_guard lock(write_mutex_);
    StatementUse use(insert_);
    use->Bind(1, record.name).Bind(2, record.country).Bind(3, record.score).Bind(4, record.created).Bind(5, p);
    use->Run();
  } catch (...) {
    values_.PutBack(std::move(*taken), now);
    throw;
  }
  return AddOutcome::kStored;
}

namespace {

std::vector<ScoreRecord> ReadRecords(StatementUse& use, int limit) {
  std::vector<ScoreRecord> rows;
  rows.reserve(static_cast<size_t>(limit > 0 ? limit : 0));
  while (use->Step()) {
    rows.push_back({use->Integer(0), use->Text(1), use->Text(2), static_cast<int>(use->Integer(3)), use->Integer(4),
                    use->Integer(5) != 0});
  }
  return rows;
}

}  // namespace

std::vector<ScoreRecord> SqliteScoreStore::Best(int limit) {
  std::lock_guard lock(read_mutex_);
  StatementUse use(best_);
  use->Bind(1, limit);
  return ReadRecords(use, limit);
}

std::vector<ScoreRecord> SqliteScoreStore::BestVerified(int limit) {
  std::lock_guard lock(read_mutex_);
  StatementUse use(best_verified_);
  use->Bind(1, limit);
  return ReadRecords(use, limit);
}

std::optional<ScoreRecord> SqliteScoreStore::RecordOfValue(const std::string& p) {
  std::lock_guard lock(read_mutex_);
  StatementUse use(of_value_);
  use->Bind(1, p);
  auto rows = ReadRecords(use, 1);
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

VerifyOutcome SqliteScoreStore::MarkVerified(int64_t id, const std::string& replay, const std::string& game) {
  std::lock_guard lock(write_mutex_);
  {
    StatementUse use(verify_);
    use->Bind(1, id).BindBlob(2, replay).Bind(3, game);
    use->Run();
    if (sqlite3_changes(writer_.Handle()) == 1) return VerifyOutcome::kVerified;
  }
  StatementUse use(verified_of_);
  use->Bind(1, id);
  return use->Step() && use->Integer(0) != 0 ? VerifyOutcome::kVerifiedAlready : VerifyOutcome::kGameTaken;
}

std::optional<std::string> SqliteScoreStore::VerifiedReplay(int64_t id) {
  std::lock_guard lock(read_mutex_);
  StatementUse use(replay_);
  use->Bind(1, id);
  if (!use->Step()) return std::nullopt;
  return use->Blob(0);
}

std::vector<ScoreRecord> SqliteScoreStore::RecordsAfter(int64_t after, int limit) {
  std::lock_guard lock(read_mutex_);
  StatementUse use(after_);
  use->Bind(1, after).Bind(2, limit);
  std::vector<ScoreRecord> rows;
  while (use->Step()) {
    ScoreRecord r{use->Integer(0), use->Text(1), use->Text(2), static_cast<int>(use->Integer(3)), use->Integer(4),
                  use->Integer(5) != 0};
    r.p = use->Text(6);
    r.game = use->Text(7);
    r.replay = use->Blob(8);
    rows.push_back(std::move(r));
  }
  return rows;
}

void SqliteScoreStore::Import(const std::function<bool(std::vector<ScoreRecord>&)>& next) {
  std::lock_guard lock(write_mutex_);
  Statement insert(writer_,
                   "INSERT INTO scores(id, name, country, score, created, verified, p, game, replay) "
                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, nullif(?7, ''), nullif(?8, ''), nullif(?9, x''))");
  writer_.Execute("BEGIN IMMEDIATE");
  try {
    if (const int64_t have = writer_.QueryInteger("SELECT count(*) FROM scores"); have != 0)
      throw DatabaseError("the table already holds " + std::to_string(have) + " records");
    std::vector<ScoreRecord> piece;
    while (next(piece)) {
      for (const auto& r : piece) {
        StatementUse use(insert);
        use->Bind(1, r.id).Bind(2, r.name).Bind(3, r.country).Bind(4, r.score).Bind(5, r.created);
        use->Bind(6, r.verified ? 1 : 0).Bind(7, r.p).Bind(8, r.game).BindBlob(9, r.replay);
        use->Run();
      }
      piece.clear();
    }
    writer_.Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(writer_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

int64_t SqliteScoreStore::Count() {
  std::lock_guard lock(read_mutex_);
  StatementUse use(count_);
  return use->Step() ? use->Integer(0) : 0;
}

uint64_t SqliteScoreStore::Revision() {
  // SQLite changes this number on the reading connection whenever another
  // connection (our writer, or any other process) has committed.
  std::lock_guard lock(read_mutex_);
  StatementUse use(data_version_);
  return use->Step() ? static_cast<uint64_t>(use->Integer(0)) : 0;
}

void SqliteScoreStore::FailCommits(bool fail) {
  std::lock_guard lock(write_mutex_);
  sqlite3_commit_hook(writer_.Handle(), fail ? RefuseCommit : nullptr, nullptr);
}

}  // namespace aerovell::scores
