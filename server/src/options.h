#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace aerovell::scores {

struct Options {
  std::string host = "127.0.0.1";
  int port = 8642;
  std::string database = "scores.sqlite";
  unsigned max_per_minute = 30;            // score requests per client
  unsigned max_versions_per_minute = 120;  // version queries per client
  size_t clients_followed = 100000;        // by each of the two limits
  size_t max_connections = 1024;
  size_t max_per_address = 16;
  std::vector<std::string> trusted_proxies;  // normal addresses
  int threads = 0;  // 0: 4 with an SQLite file, 16 with PostgreSQL (loops there wait on the server)
  bool quiet = false;  // no line per request (the summaries of closed connections stay)
  // The game's data, which the game core needs to play replays again (empty:
  // the one this service was built beside).
  std::string game_data;
  size_t replay_workers = 2;    // replays played at once (0: none checked, 503)
  int replay_cpu_ms = 5000;     // CPU time of one replay
  // --copy-records FROM TO: copy the records and end, serving nothing.
  std::optional<std::pair<std::string, std::string>> copy_records;
};

inline constexpr const char* kUsage =
    "usage: aerovell-scores [--listen HOST:PORT] [--db FILE|CONNINFO] [--max-per-minute N]\n"
    "                       [--max-versions-per-minute N] [--clients-followed N]\n"
    "                       [--max-connections N] [--max-per-address N] [--trust-proxy ADDR]...\n"
    "                       [--threads N] [--game-data DIR] [--replay-workers N]\n"
    "                       [--replay-cpu-ms N] [--quiet] [--help]\n"
    "       aerovell-scores --copy-records FROM TO\n"
    "  --listen                   address to serve on (default 127.0.0.1:8642; port 0 takes a free\n"
    "                             one; IPv6 as [::1]:8642)\n"
    "  --db                       the SQLite file of the records (default scores.sqlite, created\n"
    "                             when missing), or a PostgreSQL database that several instances\n"
    "                             share: postgresql://USER@HOST:PORT/DBNAME or libpq's key=value words\n"
    "  --max-per-minute           score requests one client may make in a minute (default 30,\n"
    "                             0 for no limit)\n"
    "  --max-versions-per-minute  version queries one client may make in a minute (default 120,\n"
    "                             0 for no limit)\n"
    "  --clients-followed         clients each limit remembers; beyond that the least recently\n"
    "                             seen are forgotten (default 100000)\n"
    "  --max-connections          connections held at once (default 1024)\n"
    "  --max-per-address          connections held at once from one address or IPv6 /64\n"
    "                             (default 16)\n"
    "  --trust-proxy              a proxy whose X-Forwarded-For names the client (may be given\n"
    "                             more than once; off by default)\n"
    "  --threads                  event loops serving the connections (default 4 with a file,\n"
    "                             16 with PostgreSQL, where each waits on the server in turn)\n"
    "  --game-data                the game's folder (with data/), to play replays again (default:\n"
    "                             the one built beside the service, else the installed game's)\n"
    "  --replay-workers           replays played again at once, each in a process of its own\n"
    "                             (default 2; 0: replays are not checked)\n"
    "  --replay-cpu-ms            CPU time one replay may take, in milliseconds (default 5000)\n"
    "  --quiet                    no log line per request\n"
    "  --copy-records FROM TO     copy every record from one database (file or PostgreSQL) into\n"
    "                             another whose table is empty, keeping ids and order, and end\n"
    "  -h, --help                 this text\n";

// Parses the arguments after the program name; the error says what was wrong.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace aerovell::scores
