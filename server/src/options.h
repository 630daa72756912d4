#pragma once

#include <optional>
#include <string>
#include <vector>

namespace aerovell::scores {

struct Options {
  std::string host = "127.0.0.1";
  int port = 8642;
  std::string database = "scores.sqlite";
  unsigned max_per_minute = 30;
  int threads = 32;
  bool quiet = false;  // no line per request
};

inline constexpr const char* kUsage =
    "usage: aerovell-scores [--listen HOST:PORT] [--db FILE] [--max-per-minute N]\n"
    "                       [--threads N] [--quiet] [--help]\n"
    "  --listen          address to serve on (default 127.0.0.1:8642; port 0: a free one; IPv6 as [::1]:8642)\n"
    "  --db              the SQLite file of the records (default scores.sqlite, created when missing)\n"
    "  --max-per-minute  requests one client may make in a minute (default 30, 0 for no limit)\n"
    "  --threads         worker threads (default 32)\n"
    "  --quiet           no log line per request\n"
    "  -h, --help        this text\n";

// Parses the arguments after the program name; the error says what was wrong.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace aerovell::scores
