#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "echo_values.h"
#include "score_store.h"
#include "sqlite_db.h"

namespace aerovell::scores {

// The schema this build writes; older files are brought up to it on opening.
inline constexpr int kSchemaVersion = 2;

// The records in one SQLite file, in WAL mode: one connection writes (one
// record, one transaction), another reads, so the table page never waits for
// a write, and a third moves the journal into the file several times a second
// beside them, so no record waits for that either. The one-time values live
// in this process beside it.
class SqliteScoreStore : public ScoreStore {
 public:
  // Creates the file when it is missing and upgrades its schema. Before
  // anything is changed it checks that the file and its folder can be written
  // and that the file is a score database of this or an older service; any
  // other file is refused and left byte for byte as it was.
  SqliteScoreStore(const std::string& path, EchoValues& values);
  ~SqliteScoreStore() override;

  AddOutcome Add(const ScoreRecord& record, const std::string& p, Clock::time_point now) override;
  std::vector<ScoreRecord> Best(int limit) override;
  std::vector<ScoreRecord> BestVerified(int limit) override;
  std::optional<ScoreRecord> RecordOfValue(const std::string& p) override;
  VerifyOutcome MarkVerified(int64_t id, const std::string& replay, const std::string& game) override;
  std::optional<std::string> VerifiedReplay(int64_t id) override;
  int64_t Count() override;
  uint64_t Revision() override;
  std::vector<ScoreRecord> RecordsAfter(int64_t after, int limit) override;
  void Import(const std::function<bool(std::vector<ScoreRecord>&)>& next) override;
  // Copies the write-ahead log into the database file and empties it, beside
  // the serving; when readers keep it from finishing, the store's own
  // checkpoints catch up later.
  std::string Reload() override;

  // From now on every commit fails as a full disk would make it fail (a seam
  // for the tests of what a failed store leaves behind).
  void FailCommits(bool fail);

 private:
  EchoValues& values_;

  std::mutex write_mutex_;
  Connection writer_;
  Statement insert_;
  Statement verify_;
  Statement verified_of_;

  std::mutex read_mutex_;
  Connection reader_;
  Statement best_;
  Statement best_verified_;
  Statement of_value_;
  Statement replay_;
  Statement count_;
  Statement data_version_;
  Statement after_;

  Connection checkpointer_;
  std::mutex checkpoint_mutex_;
  std::condition_variable checkpoint_wake_;
  bool closing_ = false;
  std::thread checkpoints_;
};

}  // namespace aerovell::scores
