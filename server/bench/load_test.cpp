// aerovell-scores-load: the score service under load, on the loopback only.
//
// Starts its own aerovell-scores (no rate limit, a fresh database in a
// temporary folder), lets concurrent clients do what a finished game does — a
// version request, then the score request with its echo value — for a bounded
// number of pairs and time, and checks that the table holds exactly the pairs
// answered OK. Then fills the table to a given size and times the table page.

#include <httplib.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "online/score_codec.h"
#include "platform/cp1251.h"
#include "score_store.h"
#include "service_process.h"
#include "table_page.h"
#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using aerovell::scores::Connection;
using aerovell::scores::Statement;

struct Settings {
  int clients = 16;
  int pairs = 30000;  // in all, across the clients
  int seconds = 30;   // the load stops at whichever comes first
  int table_rows = 100000;
  int page_requests = 1000;
  int threads = 0;  // the service's default
  bool fresh_connections = false;
  bool log = true;  // the service writes its line per request (to a file)
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p / 100.0 * values.size()));
  return values[index];
}

std::vector<std::string> ServiceArgs(const Settings& s) {
  std::vector<std::string> args = {"--db", "scores.sqlite", "--max-per-minute", "0"};
  if (s.threads > 0) args.insert(args.end(), {"--threads", std::to_string(s.threads)});
  if (!s.log) args.push_back("--quiet");
  return args;
}

bool RunPairs(const Settings& s, const std::filesystem::path& dir) {
  aerovell::scores::testing::ServiceProcess service(dir, ServiceArgs(s));
  if (service.Port() == 0) {
    std::fprintf(stderr, "the service did not start:\n%s", service.Log().c_str());
    return false;
  }
  const int port = service.Port();
  std::atomic<int> next_pair{0};
  std::atomic<long> ok_pairs{0}, failed_pairs{0};
  std::vector<std::vector<double>> latencies(static_cast<size_t>(s.clients));
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(s.seconds);
  const std::string name = aerovell::Utf8ToCp1251("Пилот"), country = aerovell::Utf8ToCp1251("Россия");

  std::vector<std::thread> clients;
  for (int c = 0; c < s.clients; ++c) {
    clients.emplace_back([&, c] {
      std::unique_ptr<httplib::Client> kept;
      auto client = [&]() -> httplib::Client& {
        if (!kept || s.fresh_connections) {
          kept = std::make_unique<httplib::Client>("127.0.0.1", port);
          kept->set_keep_alive(!s.fresh_connections);
          kept->set_url_encode(false);
          kept->set_connection_timeout(std::chrono::seconds(2));
          kept->set_read_timeout(std::chrono::seconds(5));
        }
        return *kept;
      };
      auto& mine = latencies[static_cast<size_t>(c)];
      mine.reserve(static_cast<size_t>(s.pairs / s.clients + 1));
      while (next_pair.fetch_add(1) < s.pairs && Clock::now() < deadline) {
        const auto t0 = Clock::now();
        bool ok = false;
        if (auto version = client().Get("/cgi/version.pl?version&prg=Aerovell");
            version && version->body.substr(0, 2) == "OK") {
          const auto score = static_cast<uint16_t>(mine.size() * 7 + c);
          const std::string target =
              "/cgi/version.pl?hs&prg=Aerovell&inf=" +
              aerovell::ScoreLettersOf(aerovell::ScoreInfo(name, score, aerovell::EchoValue(version->body), country));
          auto stored = client().Get(target.c_str());
          ok = stored && stored->body == "OK";
        }
        mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        (ok ? ok_pairs : failed_pairs)++;
      }
    });
  }
  for (auto& t : clients) t.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const int stop_status = service.Stop(SIGTERM);

  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  Connection db((dir / "scores.sqlite").string(), SQLITE_OPEN_READONLY);
  const int64_t rows = db.QueryInteger("SELECT count(*) FROM scores");
  std::printf("pairs: %d clients, %s connections, %zu pairs in %.2f s, service log %s\n", s.clients,
              s.fresh_connections ? "fresh" : "kept", all.size(), elapsed, s.log ? "on" : "off");
  std::printf("  answered OK %ld, failed %ld; rows stored %lld (%s)\n", ok_pairs.load(), failed_pairs.load(),
              static_cast<long long>(rows), rows == ok_pairs ? "equal" : "NOT EQUAL");
  std::printf("  stored records per second %.0f\n", ok_pairs / elapsed);
  std::printf("  pair latency ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", Percentile(all, 50), Percentile(all, 90),
              Percentile(all, 99), Percentile(all, 100));
  std::printf("  service stopped with status %d\n", stop_status);
  return rows == ok_pairs && failed_pairs == 0 && stop_status == 0;
}

bool RunTable(const Settings& s, const std::filesystem::path& dir) {
  const std::string path = (dir / "scores.sqlite").string();
  {
    aerovell::scores::ScoreStore create(path);  // the schema, if the pairs did not run
  }
  {
    Connection db(path, SQLITE_OPEN_READWRITE);
    const int64_t have = db.QueryInteger("SELECT count(*) FROM scores");
    std::mt19937 rng(1);
    db.Execute("BEGIN");
    Statement insert(db, "INSERT INTO scores(name, country, score, created) VALUES (?1, ?2, ?3, ?4)");
    for (int64_t i = have; i < s.table_rows; ++i) {
      insert.Bind(1, "Игрок " + std::to_string(i)).Bind(2, "Страна").Bind(3, static_cast<int64_t>(rng() % 65536));
      insert.Bind(4, static_cast<int64_t>(1700000000 + i));
      insert.Run();
      insert.Reset();
    }
    db.Execute("COMMIT");
  }
  aerovell::scores::testing::ServiceProcess service(dir, ServiceArgs(s));
  if (service.Port() == 0) return false;
  httplib::Client client("127.0.0.1", service.Port());
  client.set_keep_alive(true);
  client.set_url_encode(false);
  std::vector<double> times;
  size_t bytes = 0;
  bool ok = true;
  for (int i = 0; i < s.page_requests + 20; ++i) {
    const auto t0 = Clock::now();
    auto page = client.Get("/cgi/version.pl?prg=Aerovell&show&type=0");
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (!page || page->status != 200) {
      ok = false;
      break;
    }
    bytes = page->body.size();
    if (i >= 20) times.push_back(ms);  // the first few warm the caches
  }
  service.Stop(SIGTERM);

  // The same work without HTTP: the query and the page.
  aerovell::scores::ScoreStore store(path);
  std::vector<double> inside;
  for (int i = 0; i < s.page_requests; ++i) {
    const auto t0 = Clock::now();
    const std::string page = aerovell::scores::RenderTablePage(store.Best(aerovell::scores::kTableRows));
    inside.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (page.size() < 1000) ok = false;
  }
  std::printf("table page over %lld records (%zu bytes), %zu requests on a kept connection\n",
              static_cast<long long>(store.Count()), bytes, times.size());
  std::printf("  over HTTP ms: p50 %.3f  p99 %.3f  max %.3f\n", Percentile(times, 50), Percentile(times, 99),
              Percentile(times, 100));
  std::printf("  query and page alone ms: p50 %.3f  p99 %.3f  max %.3f\n", Percentile(inside, 50),
              Percentile(inside, 99), Percentile(inside, 100));
  return ok;
}

int Number(const char* text, int low, int high) {
  const long v = std::strtol(text, nullptr, 10);
  return static_cast<int>(std::clamp<long>(v, low, high));
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--clients" && has_value) s.clients = Number(argv[++i], 1, 256);
    else if (a == "--pairs" && has_value) s.pairs = Number(argv[++i], 1, 1000000);
    else if (a == "--seconds" && has_value) s.seconds = Number(argv[++i], 1, 300);
    else if (a == "--table-rows" && has_value) s.table_rows = Number(argv[++i], 0, 10000000);
    else if (a == "--page-requests" && has_value) s.page_requests = Number(argv[++i], 1, 100000);
    else if (a == "--threads" && has_value) s.threads = Number(argv[++i], 1, 1024);
    else if (a == "--fresh-connections") s.fresh_connections = true;
    else if (a == "--no-log") s.log = false;
    else {
      std::fprintf(stderr,
                   "usage: aerovell-scores-load [--clients N] [--pairs N] [--seconds N] [--table-rows N]\n"
                   "                            [--page-requests N] [--threads N] [--fresh-connections] "
                   "[--no-log]\n");
      return 2;
    }
  }
  signal(SIGPIPE, SIG_IGN);
  aerovell::testing::TempDir dir;
  const bool pairs_ok = RunPairs(s, dir.Path());
  const bool table_ok = RunTable(s, dir.Path());
  return pairs_ok && table_ok ? 0 : 1;
}
