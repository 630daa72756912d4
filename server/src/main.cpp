// aerovell-scores: the score service of the game — the version answer with its
// one-time value, the score records, and the online table.

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <cstdio>
#include <exception>
#include <string_view>
#include <thread>

#include "http_front.h"
#include "options.h"
#include "query.h"
#include "replay_verifier.h"
#include "service.h"
#include "store_backend.h"

namespace {

using aerovell::scores::Options;

// Each event loop makes one answer at a time, so it needs one database
// connection at most; a few are plenty for a server shared by many instances.
constexpr size_t kMostConnections = 16;
// Descriptors besides the connections: the database and its journal, the
// event loops' own, the listener, stdio, connections being closed.
constexpr rlim_t kSpareDescriptors = 64;
constexpr std::chrono::milliseconds kStopDeadline{1500};

// Every held connection is a descriptor: the soft limit goes up to the hard
// one, and when that is still too low the connection cap comes down to fit.
size_t FitConnections(size_t wanted) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return wanted;
  const rlim_t ceiling = limit.rlim_max == RLIM_INFINITY ? rlim_t{1} << 20 : limit.rlim_max;
  if (limit.rlim_cur < ceiling) {
    limit.rlim_cur = ceiling;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur >= wanted + kSpareDescriptors) return wanted;
  const size_t fits = limit.rlim_cur > 2 * kSpareDescriptors ? limit.rlim_cur - kSpareDescriptors : kSpareDescriptors;
  std::fprintf(stderr, "aerovell-scores: only %llu file descriptors: at most %zu connections\n",
               static_cast<unsigned long long>(limit.rlim_cur), fits);
  return fits;
}

// The pictures a replay is played again with: the collisions need their sizes.
bool HoldsGameData(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(folder / "data" / "gamegraphic.dxg", ec);
}

// Run from the build tree, the game folder built beside the service; installed,
// the game's installed data (which the game's package brings).
std::string DefaultGameData() {
  if (HoldsGameData(AEROVELL_GAME_DIR)) return AEROVELL_GAME_DIR;
  return AEROVELL_INSTALL_DATA_DIR;
}

int Serve(const Options& options, const sigset_t& signals) {
  aerovell::scores::SharedLimits limits;  // 100 000 values outstanding, 16 a client, for 10 minutes
  limits.scores_per_minute = options.max_per_minute;
  limits.versions_per_minute = options.max_versions_per_minute;
  limits.clients_followed = options.clients_followed;
  // An event loop makes its answers one at a time, waiting on the database
  // for each: with PostgreSQL more of them keep more transactions in flight,
  // and concurrent commits share the server's flushes to disk.
  const bool shared = aerovell::scores::IsPostgresTarget(options.database);
  const int threads = options.threads > 0 ? options.threads : shared ? 16 : 4;
  aerovell::scores::Stores stores(options.database, limits,
                                  std::min(static_cast<size_t>(threads), kMostConnections));
  aerovell::scores::ScoreStore& store = stores.Store();
  aerovell::scores::ScoreService service(store, stores.Steps());
  std::optional<aerovell::scores::ReplayVerifier> verifier;
  if (options.replay_workers > 0) {
    aerovell::scores::VerifierSettings check;
    std::error_code ec;
    check.program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    check.game_dir = options.game_data.empty() ? DefaultGameData() : options.game_data;
    check.workers = options.replay_workers;
    check.cpu_ms = options.replay_cpu_ms;
    if (ec) {
      std::fprintf(stderr, "aerovell-scores: cannot find its own program (%s): replays are not checked\n",
                   ec.message().c_str());
    } else if (!HoldsGameData(check.game_dir)) {
      // Said once at the start rather than as a refusal of every replay.
      std::fprintf(stderr,
                   "aerovell-scores: no game data in \"%s\" (give its folder with --game-data): replays are not "
                   "checked\n",
                   check.game_dir.c_str());
    } else {
      verifier.emplace(check);
      service.SetReplayChecker(&*verifier);
    }
  }

  aerovell::scores::FrontSettings settings;
  settings.threads = threads;
  settings.log_requests = !options.quiet;
  settings.connections.total = FitConnections(options.max_connections);
  settings.connections.per_address = options.max_per_address;
  settings.trusted_proxies = options.trusted_proxies;
  aerovell::scores::HttpFront front(service, settings);

  std::string error;
  const int port = front.Start(options.host, options.port, error);
  if (port < 0) {
    std::fprintf(stderr, "aerovell-scores: %s\n", error.c_str());
    return 1;
  }
  const bool v6 = options.host.find(':') != std::string::npos;
  std::fprintf(
      stderr, "aerovell-scores: listening on http://%s%s%s:%d%s?prg=Aerovell&show&type=0 with %s (%lld records)\n",
      v6 ? "[" : "", options.host.c_str(), v6 ? "]" : "", port, std::string(aerovell::scores::kScriptPath).c_str(),
      stores.Description().c_str(), static_cast<long long>(store.Count()));

  // The signals are blocked in every thread (the event loops inherit the
  // mask) and taken here, outside any signal handler. A reload (SIGHUP,
  // `systemctl reload`) brings the store up to date and serving goes on.
  int signal = 0;
  while (sigwait(&signals, &signal) == 0 && signal == SIGHUP) {
    const std::string done = store.Reload();
    std::fprintf(stderr, "aerovell-scores: reload: %s, %lld records\n", done.c_str(),
                 static_cast<long long>(store.Count()));
  }
  std::fprintf(stderr, "aerovell-scores: stopping (signal %d)\n", signal);
  // Whatever holds the stop up (an answer stuck on a locked database, a slow
  // disk at the last checkpoint), the process is gone within 2 s: every
  // answered record is in SQLite's write-ahead log by then (the next start
  // reads it back) or committed in PostgreSQL.
  std::thread([] {
    std::this_thread::sleep_for(kStopDeadline);
    static constexpr char kLine[] = "aerovell-scores: stopped by the clock; every answered record is kept\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kLine, sizeof kLine - 1);
    _exit(0);
  }).detach();
  // Replays still being played are ended first: their connections sleep in
  // the event loops, and the loops may stop only once every one is answered.
  if (verifier) verifier->Stop();
  front.Stop();
  std::fprintf(stderr, "aerovell-scores: stopped with %lld records\n", static_cast<long long>(store.Count()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The processes that play replays again for the service: a worker's host,
  // and the check of one replay by hand.
  if (argc == 4 && std::string_view(argv[1]) == "--check-host")
    return aerovell::scores::CheckHostProcess(argv[2], std::atoi(argv[3]));
  if (argc == 4 && std::string_view(argv[1]) == "--check-replay")
    return aerovell::scores::CheckReplayProcess(argv[2], std::atoi(argv[3]));
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      std::fputs(aerovell::scores::kUsage, stdout);
      return 0;
    }
  }
  std::string error;
  const auto options = aerovell::scores::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "aerovell-scores: %s\n%s", error.c_str(), aerovell::scores::kUsage);
    return 2;
  }
  // A client that goes away mid-answer must not end the process.
  signal(SIGPIPE, SIG_IGN);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    if (options->copy_records) {
      const auto& [from, to] = *options->copy_records;
      const int64_t copied = aerovell::scores::CopyRecords(from, to);
      std::fprintf(stderr, "aerovell-scores: copied %lld records\n", static_cast<long long>(copied));
      return 0;
    }
    return Serve(*options, signals);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "aerovell-scores: %s\n", e.what());
    return 1;
  }
}
