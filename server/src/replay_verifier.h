#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <optional>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "platform/temp_folder.h"

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
  std::string program;   // this service's own binary, run with --check-host
  std::string game_dir;  // the game's data, which the game core reads at its start
  size_t workers = 2;
  size_t queue = 16;      // replays waiting beyond the ones being played
  int cpu_ms = 5000;      // CPU time of one replay's process
  std::chrono::seconds wall{20};  // and its time on the clock, however it is spent
};

// A bounded pool: `workers` threads each play one replay at a time. Each
// worker keeps a check host, `program --check-host GAME_DIR CPU_MS`, a process
// of its own that reads the game's data once and plays each replay in a child
// of its own, which sets its CPU limit before it reads a byte. A check that
// runs out of CPU or clock time, or dies, is a refusal; a host that stops
// answering in time is killed with its child and started afresh for the next
// replay. The service itself never runs the game, so no replay can stall or
// break it. Replays beyond the workers wait in a queue of `queue`; beyond that
// Submit refuses at once. No thread of the caller ever waits for a replay.
class ReplayVerifier : public ReplayChecker {
 public:
  explicit ReplayVerifier(VerifierSettings settings);
  ~ReplayVerifier() override;
  bool Submit(std::string bytes, Done done) override;
  // Ends the checks being played (their processes are killed) and refuses
  // those waiting: every `done` has been called when it returns.
  void Stop();

 private:
  class Host;
  struct Job {
    std::string bytes;
    Done done;
  };
  void Work();
  ReplayVerdict Play(Host& host, const std::string& bytes);
  // The hosts alive, each the leader of its process group: Stop kills the
  // groups of those it finds here. A host is taken out before it is reaped,
  // so no number another process may have been given is ever signalled.
  bool HostStarted(pid_t pid);
  void HostEnding(pid_t pid);

  VerifierSettings settings_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  std::set<pid_t> hosts_;
  bool closing_ = false;
  std::optional<TempFolder> temp_;
  std::vector<std::string> environment_;  // the hosts' own: this process's, with TMPDIR in temp_
  std::vector<std::thread> workers_;
};

// The sides of the check processes, in the service's own binary:
// `aerovell-scores --check-host GAME_DIR CPU_MS` reads replays from standard
// input, each as its size (4 bytes, little-endian, at most kMaxReplayBytes)
// and its bytes, and answers each with one line, "PLAYED <score> <name as hex
// of its Windows-1251 bytes> <game>" or "REFUSED <reason>";
// `aerovell-scores --check-replay GAME_DIR CPU_MS` checks the one replay on its
// standard input (its whole input) the same way, by hand. Each returns the
// exit code.
int CheckHostProcess(const std::string& game_dir, int cpu_ms);
int CheckReplayProcess(const std::string& game_dir, int cpu_ms);

}  // namespace aerovell::scores
