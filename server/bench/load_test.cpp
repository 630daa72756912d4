// aerovell-scores-load: the score service under load, on the loopback only.
//
// Starts its own aerovell-scores (no rate limits, a fresh database in a
// temporary folder) and, bounded in count and time:
//  1. pairs: concurrent clients do what a finished game does — a version
//     request, then the score request with its echo value — and the table
//     must hold exactly the pairs answered OK;
//  2. attack: the same while slow clients (a byte a second, connecting again
//     when cut off) and idle connections (connecting again when closed) are
//     held, each from addresses of their own, with one game besides (the
//     game's own HTTP client, a fresh connection per pair) whose pairs are
//     timed; then SIGTERM under all of it, timed to the exit;
//  3. table: the table page over a filled table, timed.
// With --postgres it then starts its own PostgreSQL server (in a temporary
// folder, on the loopback) and runs the pairs again on two instances sharing
// one database, the clients spread over both, and the table page there.
// With --replay FILE, last, the pairs run beside clients that each store a
// record of that replay's name and score and send the replay to be checked,
// as games do: how many replays are played again a second, and what that
// does to the pairs.

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

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
#include "replay/replay.h"
#include "pg_db.h"
#include "pg_score_store.h"
#include "pg_test_server.h"
#include "score_test_support.h"
#include "service_process.h"
#include "sqlite_db.h"
#include "sqlite_score_store.h"
#include "table_page.h"
#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using aerovell::scores::Connection;
using aerovell::scores::Statement;
using aerovell::scores::testing::ConnectFrom;
using aerovell::scores::testing::HttpAnswer;
using aerovell::scores::testing::KeptConnection;
using aerovell::scores::testing::ScoreTarget;
using aerovell::scores::testing::ServiceProcess;
using aerovell::scores::testing::SourceAddress;
using aerovell::scores::testing::SubmitAsTheGame;

using aerovell::scores::testing::kTableTarget;
using aerovell::scores::testing::kVersionTarget;

// Address blocks (127.<block>.x.y) of the kinds of client.
constexpr int kPairBlock = 20, kIdleBlock = 21, kSlowBlock = 22, kReplayBlock = 23;

struct Settings {
  int clients = 16;
  int pairs = 30000;  // in all, across the clients, in the first part
  int seconds = 10;   // the first part stops at whichever comes first
  int attack_seconds = 20;
  int slow = 200;
  int idle = 1000;
  int table_rows = 100000;
  int page_requests = 1000;
  int threads = 0;       // the service's default
  bool log = true;       // the service writes its line per request (to a file)
  bool counted = false;  // the service counts every request, with limits it never reaches
  bool postgres = false;
  std::vector<std::string> pg_settings;  // more of the server's settings, name=value
  bool pg_socket = false;                // the instances reach the server by its socket, not TCP
  std::string replay;                    // a replay file to have checked beside the pairs
  int replay_clients = 4;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p / 100.0 * values.size()));
  return values[index];
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::vector<std::string> ServiceArgs(const Settings& s, const std::string& db = "scores.sqlite") {
  const std::string limit = s.counted ? "1000000" : "0";
  std::vector<std::string> args = {"--db", db, "--max-per-minute", limit, "--max-versions-per-minute", limit};
  if (s.threads > 0) args.insert(args.end(), {"--threads", std::to_string(s.threads)});
  if (!s.log) args.push_back("--quiet");
  return args;
}

int64_t StoredRows(const std::filesystem::path& dir) {
  Connection db((dir / "scores.sqlite").string(), SQLITE_OPEN_READONLY);
  return db.QueryInteger("SELECT count(*) FROM scores");
}

// Clients doing pairs on kept connections, each from an address of its own,
// until `stop` or `pairs` in all. With several instances, client c asks
// instance c for the version and the next one for the score, as a balancer
// that takes turns would send them.
struct PairClients {
  std::atomic<long> ok{0}, failed{0};
  std::vector<std::vector<double>> latencies;
  std::vector<std::thread> threads;

  void Start(int port, int clients, int pairs, const std::atomic<bool>& stop) {
    Start(std::vector<int>{port}, clients, pairs, stop);
  }
  void Start(const std::vector<int>& ports, int clients, int pairs, const std::atomic<bool>& stop) {
    latencies.resize(static_cast<size_t>(clients));
    auto next = std::make_shared<std::atomic<int>>(0);
    for (int c = 0; c < clients; ++c) {
      const int version_port = ports[static_cast<size_t>(c) % ports.size()];
      const int score_port = ports[static_cast<size_t>(c + 1) % ports.size()];
      threads.emplace_back([this, version_port, score_port, c, pairs, next, &stop] {
        KeptConnection to_version(version_port, SourceAddress(kPairBlock, c));
        std::unique_ptr<KeptConnection> to_score;
        if (score_port != version_port) to_score = std::make_unique<KeptConnection>(score_port, SourceAddress(kPairBlock, c));
        KeptConnection& scores = to_score ? *to_score : to_version;
        auto& mine = latencies[static_cast<size_t>(c)];
        while (!stop && next->fetch_add(1) < pairs) {
          const auto t0 = Clock::now();
          bool stored = false;
          const auto version = to_version.Get(kVersionTarget);
          if (version.status == 200 && version.body.substr(0, 2) == "OK") {
            const auto score = static_cast<uint16_t>(mine.size() * 7 + static_cast<size_t>(c));
            stored =
                scores.Get(ScoreTarget("Пилот", score, aerovell::EchoValue(version.body), "Россия")).body == "OK";
          }
          mine.push_back(Ms(Clock::now() - t0));
          (stored ? ok : failed)++;
        }
      });
    }
  }
  void Join() {
    for (auto& t : threads) t.join();
    threads.clear();
  }
  std::vector<double> All() const {
    std::vector<double> all;
    for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    return all;
  }
};

// Connections that hold a slot and send nothing (idle) or a request a byte a
// second (slow); each one cut off is opened again within a tenth of a second,
// from the same address. (Opening connections as fast as the machine allows
// would be a connection flood, a different attack, met before the service by
// the kernel and the firewall; here it would mostly measure this program
// taking the two cores from the service.)
class Attackers {
 public:
  Attackers(int port, int idle, int slow) : port_(port) {
    for (int i = 0; i < idle; ++i) held_.push_back({SourceAddress(kIdleBlock, i / 16), false});
    for (int i = 0; i < slow; ++i) held_.push_back({SourceAddress(kSlowBlock, i / 16), true});
  }
  ~Attackers() { Stop(); }

  void Start() {
    for (auto& h : held_) h.fd = ConnectFrom(port_, h.address);
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (auto& h : held_)
      if (h.fd >= 0) close(h.fd), h.fd = -1;
  }
  long Reconnects() const { return reconnects_; }
  size_t Open() const {
    return static_cast<size_t>(std::count_if(held_.begin(), held_.end(), [](const Held& h) { return h.fd >= 0; }));
  }

 private:
  struct Held {
    std::string address;
    bool slow;
    int fd = -1;
    size_t sent = 0;
  };

  void Run() {
    const std::string request = std::string("GET ") + kVersionTarget + " HTTP/1.1\r\nHost: x\r\n\r\n";
    auto next_byte = Clock::now() + std::chrono::seconds(1);
    std::vector<pollfd> polls;
    while (!stop_) {
      const auto pass = Clock::now();
      polls.clear();
      for (auto& h : held_) polls.push_back({h.fd, POLLIN, 0});
      poll(polls.data(), polls.size(), 0);
      char sink[4096];
      for (size_t i = 0; i < held_.size(); ++i) {
        Held& h = held_[i];
        const bool ended = h.fd < 0 || ((polls[i].revents & (POLLIN | POLLHUP | POLLERR)) &&
                                        recv(h.fd, sink, sizeof sink, MSG_DONTWAIT) <= 0);
        if (!ended) continue;
        if (h.fd >= 0) close(h.fd);
        h.fd = ConnectFrom(port_, h.address);
        h.sent = 0;
        ++reconnects_;
      }
      if (Clock::now() >= next_byte) {
        next_byte += std::chrono::seconds(1);
        for (auto& h : held_) {
          if (!h.slow || h.fd < 0) continue;
          send(h.fd, &request[h.sent % request.size()], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
          ++h.sent;
        }
      }
      std::this_thread::sleep_until(pass + std::chrono::milliseconds(100));
    }
  }

  const int port_;
  std::vector<Held> held_;
  std::atomic<bool> stop_{false};
  std::atomic<long> reconnects_{0};
  std::thread thread_;
};

struct PairRun {
  long ok = 0, failed = 0;
  double elapsed = 0;
  std::vector<double> all;
};

// The pairs for at most s.seconds or s.pairs, over the instances at `ports`.
PairRun DrivePairs(const Settings& s, const std::vector<int>& ports) {
  std::atomic<bool> stop{false};
  PairClients clients;
  const auto start = Clock::now();
  clients.Start(ports, s.clients, s.pairs, stop);
  std::thread timer([&] {
    while (!stop && Clock::now() - start < std::chrono::seconds(s.seconds))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
  });
  clients.Join();
  stop = true;
  timer.join();
  return {clients.ok.load(), clients.failed.load(), std::chrono::duration<double>(Clock::now() - start).count(),
          clients.All()};
}

bool RunPairs(const Settings& s, const std::filesystem::path& dir) {
  ServiceProcess service(dir, ServiceArgs(s));
  if (service.Port() == 0) {
    std::fprintf(stderr, "the service did not start:\n%s", service.Log().c_str());
    return false;
  }
  const PairRun run = DrivePairs(s, {service.Port()});
  const int stop_status = service.Stop(SIGTERM);
  const int64_t rows = StoredRows(dir);
  std::printf("pairs: %d clients on kept connections, %zu pairs in %.2f s, service log %s%s\n", s.clients,
              run.all.size(), run.elapsed, s.log ? "on" : "off", s.counted ? ", requests counted" : "");
  std::printf("  answered OK %ld, failed %ld; rows stored %lld (%s)\n", run.ok, run.failed,
              static_cast<long long>(rows), rows == run.ok ? "equal" : "NOT EQUAL");
  std::printf("  stored records per second %.0f\n", run.ok / run.elapsed);
  std::printf("  pair latency ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", Percentile(run.all, 50),
              Percentile(run.all, 90), Percentile(run.all, 99), Percentile(run.all, 100));
  std::printf("  service stopped with status %d\n", stop_status);
  return rows == run.ok && run.failed == 0 && stop_status == 0;
}

// The load tool's PostgreSQL: every record on disk before its answer, as a
// real server keeps it (fsync and synchronous_commit on, the defaults), with
// a larger buffer cache than the default 128 MB; everything else as it comes.
std::unique_ptr<aerovell::scores::testing::PgTestServer> StartPostgres(const Settings& s) {
  aerovell::scores::testing::PgTestServer::Settings settings{
      {"fsync=on", "synchronous_commit=on", "shared_buffers=256MB", "max_connections=100"}};
  settings.config.insert(settings.config.end(), s.pg_settings.begin(), s.pg_settings.end());
  std::printf("PostgreSQL settings:");
  for (const auto& c : settings.config) std::printf(" %s", c.c_str());
  std::printf("\n");
  return std::make_unique<aerovell::scores::testing::PgTestServer>(settings);
}

int64_t PgRows(const std::string& target) {
  aerovell::scores::PgConnection db(target, aerovell::scores::PgTimeouts{});
  return db.Execute("SELECT count(*) FROM scores").Integer(0, 0);
}

// Two instances on one PostgreSQL database, the clients spread over both.
bool RunSharedPairs(const Settings& s, const std::string& target, const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  ServiceProcess a(dir / "a", ServiceArgs(s, target)), b(dir / "b", ServiceArgs(s, target));
  if (a.Port() == 0 || b.Port() == 0) {
    std::fprintf(stderr, "an instance did not start:\n%s%s", a.Log().c_str(), b.Log().c_str());
    return false;
  }
  const int64_t before = PgRows(target);
  const PairRun run = DrivePairs(s, {a.Port(), b.Port()});
  const int stop_a = a.Stop(SIGTERM), stop_b = b.Stop(SIGTERM);
  const int64_t rows = PgRows(target) - before;
  const double per_second = run.ok / run.elapsed;
  const double p99 = Percentile(run.all, 99);
  std::printf(
      "pairs on PostgreSQL: 2 instances on one database, %d clients on kept connections to both (the version from "
      "one, the score to the other), %zu pairs in %.2f s, service log %s%s\n",
      s.clients, run.all.size(), run.elapsed, s.log ? "on" : "off", s.counted ? ", requests counted" : "");
  std::printf("  answered OK %ld, failed %ld; rows stored %lld (%s)\n", run.ok, run.failed,
              static_cast<long long>(rows), rows == run.ok ? "equal" : "NOT EQUAL");
  std::printf("  stored records per second %.0f (goal: at least 3000: %s)\n", per_second,
              per_second >= 3000 ? "met" : "NOT MET");
  std::printf("  pair latency ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f (goal: p99 under 50: %s)\n",
              Percentile(run.all, 50), Percentile(run.all, 90), p99, Percentile(run.all, 100),
              p99 < 50 ? "met" : "NOT MET");
  std::printf("  instances stopped with status %d and %d\n", stop_a, stop_b);
  return rows == run.ok && run.failed == 0 && stop_a == 0 && stop_b == 0;
}

bool RunAttack(const Settings& s, const std::filesystem::path& dir) {
  ServiceProcess service(dir, ServiceArgs(s));
  if (service.Port() == 0) return false;
  const int port = service.Port();
  const int64_t rows_before = StoredRows(dir);
  Attackers attackers(port, s.idle, s.slow);
  attackers.Start();
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the attack in place before the players come
  const size_t held_at_start = attackers.Open();

  std::atomic<bool> stop{false};
  PairClients clients;
  clients.Start(port, s.clients, 1 << 30, stop);
  // One game besides: the game's own client, a fresh connection per pair.
  std::vector<double> game;
  std::atomic<bool> measuring{true};
  long game_failed = 0;
  std::thread player([&] {
    while (!stop) {
      const auto t0 = Clock::now();
      const bool ok = SubmitAsTheGame(port, "Пилот", 1, "Россия") == "OK";
      if (measuring) {
        game.push_back(Ms(Clock::now() - t0));
        game_failed += ok ? 0 : 1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(s.attack_seconds));
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const long ok_at_end = clients.ok, failed_at_end = clients.failed;
  measuring = false;

  // SIGTERM with everything still going.
  const auto stop_start = Clock::now();
  const int stop_status = service.Stop(SIGTERM);
  const double stop_ms = Ms(Clock::now() - stop_start);
  stop = true;
  clients.Join();
  player.join();
  attackers.Stop();
  const int64_t rows = StoredRows(dir) - rows_before;
  // What the service closed, from its summary lines.
  long over_address = 0, all_busy = 0, made_room = 0, late = 0;
  {
    const std::string log = service.Log();
    const std::string mark = "connections closed in the last second: ";
    for (size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) {
      long a = 0, b = 0, c = 0, d = 0;
      if (std::sscanf(log.c_str() + at + mark.size(),
                      "%ld over %*d from one address, %ld with all %*d busy, %ld waiting "
                      "longest to make room, %ld",
                      &a, &b, &c, &d) == 4)
        over_address += a, all_busy += b, made_room += c, late += d;
    }
  }

  const double per_second = ok_at_end / elapsed;
  const double p99 = Percentile(game, 99);
  std::printf(
      "attack: %d slow clients (a byte a second) and %d idle connections, %zu connected on their side when the players "
      "came; %ld reconnections in all\n",
      s.slow, s.idle, held_at_start, attackers.Reconnects());
  std::printf(
      "  the service closed %ld waiting longest to make room, %ld without a whole request in time; refused %ld "
      "over an address's cap, %ld with all busy\n",
      made_room, late, over_address, all_busy);
  std::printf("  %d clients on kept connections: %ld pairs OK in %.2f s, %ld failed; rows stored %lld\n", s.clients,
              ok_at_end, elapsed, failed_at_end, static_cast<long long>(rows));
  std::printf("  stored records per second %.0f (goal: at least 5000: %s)\n", per_second,
              per_second >= 5000 ? "met" : "NOT MET");
  std::printf(
      "  a game's version-then-score pair, fresh connection each: %zu pairs, %ld failed; ms p50 %.2f  p99 %.2f  "
      "max %.2f (goal: p99 under 50: %s)\n",
      game.size(), game_failed, Percentile(game, 50), p99, Percentile(game, 100),
      p99 < 50 && game_failed == 0 ? "met" : "NOT MET");
  std::printf("  SIGTERM to exit under that load: %.0f ms, status %d (goal: under 2000 ms: %s)\n", stop_ms, stop_status,
              stop_ms < 2000 && stop_status == 0 ? "met" : "NOT MET");
  return stop_status == 0 && rows >= ok_at_end;
}

struct PageTimes {
  std::vector<double> served;  // over HTTP, from the instance's memory
  std::vector<double> fresh;   // the query and the page, in this process
  size_t bytes = 0;
  bool ok = true;
};

// Pages over HTTP on a kept connection (the first few warm the caches), then
// the work of one change without HTTP.
PageTimes TimePages(const Settings& s, int port, aerovell::scores::ScoreStore& store) {
  PageTimes t;
  KeptConnection client(port);
  for (int i = 0; i < s.page_requests + 20; ++i) {
    const auto t0 = Clock::now();
    const auto page = client.Get(kTableTarget);
    const double ms = Ms(Clock::now() - t0);
    if (page.status != 200) {
      t.ok = false;
      break;
    }
    t.bytes = page.body.size();
    if (i >= 20) t.served.push_back(ms);
  }
  for (int i = 0; i < std::min(s.page_requests, 200); ++i) {
    const auto t0 = Clock::now();
    const std::string page = aerovell::scores::RenderTablePage(store.Best(aerovell::scores::kTableRows));
    t.fresh.push_back(Ms(Clock::now() - t0));
    if (page.size() < 1000) t.ok = false;
  }
  return t;
}

void PrintPages(const char* where, int64_t records, const PageTimes& t, bool goal) {
  std::printf("table page %sover %lld records (%zu bytes), %zu requests on a kept connection\n", where,
              static_cast<long long>(records), t.bytes, t.served.size());
  const double p99 = Percentile(t.served, 99);
  std::printf("  served from memory, over HTTP ms: p50 %.3f  p99 %.3f  max %.3f", Percentile(t.served, 50), p99,
              Percentile(t.served, 100));
  if (goal) std::printf(" (goal: under 5: %s)", p99 < 5 ? "met" : "NOT MET");
  std::printf("\n  made afresh after a change (query and page) ms: p50 %.3f  p99 %.3f  max %.3f\n",
              Percentile(t.fresh, 50), Percentile(t.fresh, 99), Percentile(t.fresh, 100));
}

bool RunTable(const Settings& s, const std::filesystem::path& dir) {
  const std::string path = (dir / "scores.sqlite").string();
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
  ServiceProcess service(dir, ServiceArgs(s));
  if (service.Port() == 0) return false;
  aerovell::scores::EchoValues values(1, std::chrono::minutes(10));
  aerovell::scores::SqliteScoreStore store(path, values);
  const PageTimes t = TimePages(s, service.Port(), store);
  service.Stop(SIGTERM);
  PrintPages("", store.Count(), t, false);
  return t.ok;
}

// The same on PostgreSQL, filled to the same count; each request asks the
// database whether the table changed before it is served from memory.
bool RunSharedTable(const Settings& s, const std::string& target, const std::filesystem::path& dir) {
  {
    aerovell::scores::PgConnection db(target, aerovell::scores::PgTimeouts{});
    const int64_t have = db.Execute("SELECT count(*) FROM scores").Integer(0, 0);
    db.Execute("SELECT setseed(0.5)");
    db.Execute(
        "INSERT INTO scores(name, country, score, created) SELECT 'Игрок ' || i, 'Страна', "
        "floor(random() * 65536)::integer, 1700000000 + i FROM generate_series(" +
        std::to_string(have) + ", " + std::to_string(static_cast<int64_t>(s.table_rows) - 1) + ") i");
    db.Execute("ANALYZE scores");
  }
  std::filesystem::create_directories(dir / "a");
  ServiceProcess service(dir / "a", ServiceArgs(s, target));
  if (service.Port() == 0) return false;
  aerovell::scores::PgScoreStore store(target, aerovell::scores::SharedLimits{}, 1,
                                       aerovell::scores::PgScoreStore::Opening::kExisting, false);
  const PageTimes t = TimePages(s, service.Port(), store);
  service.Stop(SIGTERM);
  PrintPages("on PostgreSQL ", store.Count(), t, true);
  return t.ok;
}

// Games sending replays beside the pairs: each client stores a record of the
// replay's name and score and sends the replay for it, over and over. A check
// counts when the service played the replay to its end: verified (the first)
// or refused because that game verifies a record already (the rest, which
// cost the service the same).
bool RunReplays(const Settings& s, const std::filesystem::path& dir) {
  std::string bytes;
  aerovell::replay::TReplay replay;
  try {
    const std::vector<uint8_t> file = aerovell::testing::ReadBytes(s.replay);
    bytes.assign(file.begin(), file.end());
    replay = aerovell::replay::DecodeReplay(file, aerovell::replay::ReadReplayHeader(file).rules_version);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", s.replay.c_str(), e.what());
    return false;
  }
  const std::string name = aerovell::Cp1251ToUtf8(replay.summary.player_name);
  std::filesystem::create_directories(dir / "replays");
  std::vector<std::string> args = ServiceArgs(s);
  args.insert(args.end(), {"--game-data", AEROVELL_GAME_DIR});
  ServiceProcess service(dir / "replays", args);
  if (service.Port() == 0) {
    std::fprintf(stderr, "the service did not start:\n%s", service.Log().c_str());
    return false;
  }
  const int port = service.Port();
  std::atomic<bool> stop{false};
  std::atomic<long> checked{0}, busy{0}, wrong{0};
  std::vector<std::thread> senders;
  for (int c = 0; c < s.replay_clients; ++c) {
    senders.emplace_back([&, c] {
      KeptConnection connection(port, SourceAddress(kReplayBlock, c));
      while (!stop) {
        const HttpAnswer version = connection.Get(kVersionTarget);
        const std::string p = aerovell::EchoValue(version.body);
        if (connection.Get(ScoreTarget(name, replay.summary.score, p, "")).body != "OK") {
          ++wrong;
          continue;
        }
        const HttpAnswer answer = aerovell::scores::testing::Post(
            port, "/cgi/version.pl?rp&prg=Aerovell&p=" + p, bytes, SourceAddress(kReplayBlock, c));
        if (answer.status == 200 || answer.body == "ERROR this game verifies another record already") ++checked;
        else if (answer.status == 503) ++busy, std::this_thread::sleep_for(std::chrono::milliseconds(20));
        else ++wrong;
      }
    });
  }
  const PairRun run = DrivePairs(s, {port});
  stop = true;
  for (auto& t : senders) t.join();
  const int stop_status = service.Stop(SIGTERM);
  const double per_second = checked / run.elapsed;
  const double ticks_per_second = per_second * replay.tick_count;
  const double p99 = Percentile(run.all, 99);
  std::printf("replays: %d clients sending a replay of %u ticks (%s, %zu bytes) beside %d pair clients, %.2f s\n",
              s.replay_clients, replay.tick_count, s.replay.c_str(), bytes.size(), s.clients, run.elapsed);
  // The goal is for games of ten minutes (37 500 ticks); a shorter game
  // pays its fixed costs (a process, the start of a game) over fewer ticks,
  // so its rate says nothing either way.
  const bool ten_minutes = replay.tick_count >= 37'500;
  std::printf("  replays played again %ld (%.1f a second, %.0f ticks a second; goal: at least 10 ten-minute games a"
              " second: %s), busy %ld, other answers %ld\n",
              checked.load(), per_second, ticks_per_second,
              !ten_minutes ? "not judged on a shorter game" : per_second >= 10 ? "met" : "NOT MET", busy.load(),
              wrong.load());
  std::printf("  pairs beside: answered OK %ld, failed %ld, %.0f records a second; pair latency ms: p50 %.2f  p99 "
              "%.2f (goal: p99 under 50: %s)\n",
              run.ok, run.failed, run.ok / run.elapsed, Percentile(run.all, 50), p99, p99 < 50 ? "met" : "NOT MET");
  std::printf("  service stopped with status %d\n", stop_status);
  return run.failed == 0 && wrong == 0 && stop_status == 0;
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
    if (a == "--clients" && has_value) s.clients = Number(argv[++i], 1, 240);
    else if (a == "--pairs" && has_value) s.pairs = Number(argv[++i], 1, 1000000);
    else if (a == "--seconds" && has_value) s.seconds = Number(argv[++i], 1, 300);
    else if (a == "--attack-seconds" && has_value) s.attack_seconds = Number(argv[++i], 0, 300);
    else if (a == "--slow" && has_value) s.slow = Number(argv[++i], 0, 4000);
    else if (a == "--idle" && has_value) s.idle = Number(argv[++i], 0, 16000);
    else if (a == "--table-rows" && has_value) s.table_rows = Number(argv[++i], 0, 10000000);
    else if (a == "--page-requests" && has_value) s.page_requests = Number(argv[++i], 1, 100000);
    else if (a == "--threads" && has_value) s.threads = Number(argv[++i], 1, 256);
    else if (a == "--no-log") s.log = false;
    else if (a == "--counted") s.counted = true;
    else if (a == "--postgres") s.postgres = true;
    else if (a == "--pg-setting" && has_value) s.pg_settings.push_back(argv[++i]);
    else if (a == "--pg-socket") s.pg_socket = true;
    else if (a == "--replay" && has_value) s.replay = argv[++i];
    else if (a == "--replay-clients" && has_value) s.replay_clients = Number(argv[++i], 1, 64);
    else {
      std::fprintf(stderr,
                   "usage: aerovell-scores-load [--clients N] [--pairs N] [--seconds N] [--attack-seconds N]\n"
                   "                            [--slow N] [--idle N] [--table-rows N] [--page-requests N]\n"
                   "                            [--threads N] [--no-log] [--counted]\n"
                   "                            [--postgres [--pg-setting NAME=VALUE]... [--pg-socket]]\n"
                   "                            [--replay FILE [--replay-clients N]]\n"
                   "  --attack-seconds 0 leaves the attack out; --counted has the service count\n"
                   "  every request against limits too high to refuse any\n"
                   "  --postgres: then the pairs on two instances sharing a PostgreSQL database of\n"
                   "  this program's own server, and the table page there; --pg-setting adds to\n"
                   "  that server's settings, --pg-socket reaches it by its socket instead of TCP\n"
                   "  --replay: then the pairs beside N clients (4) having FILE checked again and again\n");
      return 2;
    }
  }
  signal(SIGPIPE, SIG_IGN);
  aerovell::scores::testing::RaiseFileLimit();
  aerovell::testing::TempDir dir;
  const bool pairs_ok = RunPairs(s, dir.Path());
  const bool attack_ok = s.attack_seconds == 0 || RunAttack(s, dir.Path());
  const bool table_ok = RunTable(s, dir.Path());
  bool postgres_ok = true;
  if (s.postgres) {
    try {
      const auto server = StartPostgres(s);
      std::string target = server->NewDatabase();
      if (s.pg_socket) target = server->SocketTarget(target.substr(target.rfind('/') + 1));
      postgres_ok = RunSharedPairs(s, target, dir.Path()) && RunSharedTable(s, target, dir.Path());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "PostgreSQL: %s\n", e.what());
      postgres_ok = false;
    }
  }
  const bool replays_ok = s.replay.empty() || RunReplays(s, dir.Path());
  return pairs_ok && attack_ok && table_ok && postgres_ok && replays_ok ? 0 : 1;
}
