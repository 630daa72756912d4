#pragma once

#include <chrono>
#include <cstdint>
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
};

enum class AddOutcome { kStored, kUnknownValue };

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
  virtual int64_t Count() = 0;
  // A number that changes whenever the records may have changed, by this
  // process or any other, so what is made of them can be kept until then.
  virtual uint64_t Revision() = 0;
  // What a reload of the service (SIGHUP) does to the store; a line for the
  // log. A store in a file brings the file up to date so that a plain copy of
  // it holds every record; others have nothing to do.
  virtual std::string Reload() { return "nothing to bring up to date"; }
};

}  // namespace aerovell::scores
