#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "database_error.h"

namespace aerovell::scores {

// A record as the table keeps it: name and country in UTF-8, the time in
// seconds since 1970 (UTC).
struct ScoreRecord {
  int64_t id = 0;
  std::string name;
  std::string country;
  int score = 0;
  int64_t created = 0;
  // A replay of the game was played again here and ended with this score and name.
  bool verified = false;
  // What a copy of the table carries besides (RecordsAfter, Import), empty
  // where nothing is kept and in every other read:
  std::string p{};     // the one-time value the record was paid with
  std::string game{};  // the game its replay names, once verified
  std::string replay{};  // the verified replay
};

enum class AddOutcome { kStored, kUnknownValue };

enum class VerifyOutcome {
  kVerified,
  kVerifiedAlready,  // the record is verified (by another replay of it)
  kGameTaken,        // the same game verifies another record already
};

// Where the records live. Every call is thread-safe; failures throw
// DatabaseError.
class ScoreStore {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~ScoreStore() = default;

  // Stores `record`, paid for with the one-time value `p`, as one transaction:
  // the value is spent if and only if the record is stored. kUnknownValue when
  // `p` is not outstanding (nothing is stored then). When storing fails the
  // call throws and `p` stays usable until it expires. The id given is ignored.
  virtual AddOutcome Add(const ScoreRecord& record, const std::string& p, Clock::time_point now) = 0;
  // The best `limit` records: highest score first, the earlier record first among equals.
  virtual std::vector<ScoreRecord> Best(int limit) = 0;
  // The best `limit` verified records, in the same order.
  virtual std::vector<ScoreRecord> BestVerified(int limit) = 0;
  virtual int64_t Count() = 0;

  // The record stored with the one-time value `p` (kept with the record once
  // spent, so the game's replay can be tied to it), if any.
  virtual std::optional<ScoreRecord> RecordOfValue(const std::string& p) = 0;
  // Marks record `id` verified and keeps its replay and the name of its game
  // (`game`), unless the record is verified already or a record of the same
  // game is: nothing changes then. One game verifies one record at most, so a
  // replay copied from the table cannot vouch for anyone else's claim.
  virtual VerifyOutcome MarkVerified(int64_t id, const std::string& replay, const std::string& game) = 0;
  // The replay of a verified record; nothing for any other id.
  virtual std::optional<std::string> VerifiedReplay(int64_t id) = 0;
  // A number that changes whenever the records may have changed, by this
  // process or any other, so what is made of them can be kept until then.
  virtual uint64_t Revision() = 0;

  // Up to `limit` records with an id above `after`, in the order of their ids
  // (the order they came in), with their ids and everything kept with them:
  // a whole table is read this way in pieces.
  virtual std::vector<ScoreRecord> RecordsAfter(int64_t after, int limit) = 0;
  // Stores records with the ids they carry, as one transaction, into a table
  // that holds none: `next` fills its vector with the next piece and returns
  // false when there is no more. The order of the table, which settles equal
  // scores by the id, stays as it was where they came from. Throws, storing
  // nothing, when the table is not empty.
  virtual void Import(const std::function<bool(std::vector<ScoreRecord>&)>& next) = 0;

  // What a reload of the service (SIGHUP) does to the store; a line for the
  // log. A store in a file brings the file up to date so that a plain copy of
  // it holds every record; others have nothing to do.
  virtual std::string Reload() { return "nothing to bring up to date"; }
};

}  // namespace aerovell::scores
