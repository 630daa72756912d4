#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace aerovell::scores {

// The script the game and the records screen address.
inline constexpr std::string_view kScriptPath = "/cgi/version.pl";

enum class QueryKind { kVersion, kScore, kTable, kReplay, kReplayFile, kUnknown };

struct Query {
  QueryKind kind = QueryKind::kUnknown;
  std::string letters;  // of a score request
  std::string p;        // the one-time value a replay names its record by
  bool verified_only = false;  // the table of verified records only
  int64_t id = 0;       // the record whose replay is asked for
};

// Reads a request target as the game writes it: the path and the query exactly
// as they came, nothing percent-decoded. The query is a list of items joined by
// "&": "version&prg=Aerovell", "hs&prg=Aerovell&inf=LETTERS",
// "prg=Aerovell&show&type=0", "prg=Aerovell&show&type=0&verified" (verified
// records only), "rp&prg=Aerovell&p=<P>" (a replay sent by POST for the record
// stored with P), "rpfile&prg=Aerovell&id=<ID>" (a verified record's replay)
// (in any order, each item once, nothing more).
Query ReadTarget(std::string_view target);

const char* KindName(QueryKind kind);

}  // namespace aerovell::scores
