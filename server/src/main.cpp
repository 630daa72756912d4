// aerovell-scores: the score service of the game — the version answer with its
// one-time value, the score records, and the online table.

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <string_view>
#include <thread>

#include "http_front.h"
#include "options.h"
#include "score_store.h"
#include "service.h"

namespace {

using aerovell::scores::Options;

int Serve(const Options& options, const sigset_t& signals) {
  aerovell::scores::ScoreStore store(options.database);
  aerovell::scores::ServiceLimits limits;
  limits.max_per_minute = options.max_per_minute;
  aerovell::scores::ScoreService service(store, limits);
  aerovell::scores::HttpFront front(service, options.threads, !options.quiet);

  const int port = front.Bind(options.host, options.port);
  if (port < 0) {
    std::fprintf(stderr, "aerovell-scores: cannot listen on %s:%d\n", options.host.c_str(), options.port);
    return 1;
  }
  const bool v6 = options.host.find(':') != std::string::npos;
  std::fprintf(stderr, "aerovell-scores: listening on http://%s%s%s:%d/ with %s (%lld records)\n", v6 ? "[" : "",
               options.host.c_str(), v6 ? "]" : "", port, options.database.c_str(),
               static_cast<long long>(store.Count()));

  // The signals are blocked in every thread and taken here, outside any
  // signal handler, so stopping and reloading are ordinary code. SIGHUP (a
  // reload) brings the database file up to date and serving goes on.
  std::atomic<bool> served{false};
  std::thread stopper([&] {
    int signal = 0;
    while (sigwait(&signals, &signal) == 0 && signal == SIGHUP && !served) {
      const bool whole = store.Checkpoint();
      std::fprintf(stderr, "aerovell-scores: reload: %s, %lld records\n",
                   whole ? "database file brought up to date" : "database busy, its log is copied in later",
                   static_cast<long long>(store.Count()));
    }
    if (served) return;  // woken by the end of Run() itself
    std::fprintf(stderr, "aerovell-scores: stopping (signal %d)\n", signal);
    front.Stop();
  });
  const bool ok = front.Run();
  served = true;
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  std::fprintf(stderr, "aerovell-scores: stopped with %lld records\n", static_cast<long long>(store.Count()));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
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
    return Serve(*options, signals);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "aerovell-scores: %s\n", e.what());
    return 1;
  }
}
