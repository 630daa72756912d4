#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sqlite_db.h"

namespace aerovell::scores {

// A record as the table keeps it: name and country in UTF-8, the time in
// seconds since 1970 (UTC).
struct ScoreRecord {
  int64_t id = 0;
  std::string name;
  std::string country;
  int score = 0;
  int64_t created = 0;
};

// The schema this build writes; older files are brought up to it on opening.
inline constexpr int kSchemaVersion = 1;

// The records in one SQLite file, in WAL mode: one connection writes (one
// record, one transaction), another reads, so the table page never waits for
// a write. Thread-safe.
class ScoreStore {
 public:
  // Creates the file when it is missing, upgrades its schema, refuses a file
  // that is no score database or comes from a newer service. Throws DatabaseError.
  explicit ScoreStore(const std::string& path);

  // Stores one record in one transaction; the id and time given are ignored
  // (the id is the database's, the time is `created` of the record).
  void Add(const ScoreRecord& record);
  // The best `limit` records: highest score first, the earlier record first among equals.
  std::vector<ScoreRecord> Best(int limit);
  int64_t Count();
  // Copies the write-ahead log into the main file and empties it, so that the
  // file alone holds every record (what a reload of the service does). False
  // when readers kept it from finishing within the busy time-out; SQLite's own
  // checkpoints then catch up as usual.
  bool Checkpoint();

 private:
  std::mutex write_mutex_;
  Connection writer_;
  Statement insert_;

  std::mutex read_mutex_;
  Connection reader_;
  Statement best_;
  Statement count_;
};

}  // namespace aerovell::scores
