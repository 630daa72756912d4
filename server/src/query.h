#pragma once

#include <string>
#include <string_view>

namespace aerovell::scores {

// The script the game and the records screen address.
inline constexpr std::string_view kScriptPath = "/cgi/version.pl";

enum class QueryKind { kVersion, kScore, kTable, kUnknown };

struct Query {
  QueryKind kind = QueryKind::kUnknown;
  std::string letters;  // of a score request
};

// Reads a request target as the game writes it: the path and the query exactly
// as they came, nothing percent-decoded. The query is a list of items joined by
// "&": "version&prg=Aerovell", "hs&prg=Aerovell&inf=LETTERS",
// "prg=Aerovell&show&type=0" (in any order, each item once, nothing more).
Query ReadTarget(std::string_view target);

const char* KindName(QueryKind kind);

}  // namespace aerovell::scores
