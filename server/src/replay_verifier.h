#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace aerovell::scores {

// The largest replay the service takes; the replay reader refuses larger ones too.
inline constexpr size_t kMaxReplayBytes = 256 * 1024;

// What playing a replay again came to.
struct ReplayVerdict {
  enum class Kind {
    kPlayed,   // the game ran to its end: `score` and `name` (UTF-8) are how it ended,
               // `game` names the game (its random start), whoever sent it
    kRefused,  // the file is no replay of these rules, or playing it failed: `reason`
    kBusy,     // not played now (the service is stopping): try later
  };
  Kind kind = Kind::kRefused;
  int score = 0;
  std::string name;
  std::string game;
  std::string reason;
};

// Plays replays again; thread-safe. Submit answers at once: false when no
// more replays can be taken now, true when `done` will be called once, from
// another thread, with the verdict.
class ReplayChecker {
 public:
  using Done = std::function<void(ReplayVerdict)>;
  virtual ~ReplayChecker() = default;
  virtual bool Submit(std::string bytes, Done done) = 0;
};

struct VerifierSettings {
  std::string program;   // this service's own binary, run with --check-replay
  std::string game_dir;  // the game's data, which the game core reads at its start
  size_t workers = 2;
  size_t queue = 16;      // replays waiting beyond the ones being played
  int cpu_ms = 5000;      // CPU time of one replay's process
  std::chrono::seconds wall{20};  // and its time on the clock, however it is spent
};

// A bounded pool: `workers` threads each play one replay at a time in a
// process of its own, started as `program --check-replay GAME_DIR CPU_MS`,
// which sets its CPU limit before it reads a byte. A process that runs out of CPU
// or clock time, or dies, is a refusal; the service itself never runs the
// game, so no replay can stall or break it. Replays beyond the workers wait in
// a queue of `queue`; beyond that Submit refuses at once. No thread of the
// caller ever waits for a replay.
class ReplayVerifier : public ReplayChecker {
 public:
  explicit ReplayVerifier(VerifierSettings settings);
  ~ReplayVerifier() override;
  bool Submit(std::string bytes, Done done) override;
  // Ends the checks being played (their processes are killed) and refuses
  // those waiting: every `done` has been called when it returns.
  void Stop();

 private:
  struct Job {
    std::string bytes;
    Done done;
  };
  void Work();
  ReplayVerdict Play(const std::string& bytes);

  VerifierSettings settings_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  std::set<pid_t> playing_;  // the processes of the checks under way
  bool closing_ = false;
  std::vector<std::thread> workers_;
};

// The child's side, `aerovell-scores --check-replay GAME_DIR CPU_MS`: reads a
// replay from standard input and writes one line, "PLAYED <score> <name as
// hex of its Windows-1251 bytes> <game>" or "REFUSED <reason>". Returns the
// exit code.
int CheckReplayProcess(const std::string& game_dir, int cpu_ms);

}  // namespace aerovell::scores
