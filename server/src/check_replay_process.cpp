// The child process of the replay check: the game core plays the replay in
// here, under a CPU limit, so that nothing a replay does can reach the service.
#include <signal.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "core/rules_version.h"
#include "hex.h"
#include "play/replay_check.h"
#include "replay_verifier.h"

namespace aerovell::scores {
namespace {

void Answer(const std::string& line) {
  std::string text = line;
  for (auto& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  text += '\n';
  if (::write(1, text.data(), text.size()) < 0) std::_Exit(2);
}

}  // namespace

int CheckReplayProcess(const std::string& game_dir, int cpu_ms) {
  // Before a byte of the replay is read: a timer on this process's CPU clock
  // sends SIGXCPU (which ends it) at `cpu_ms`; RLIMIT_CPU, in whole seconds,
  // stands behind it should the timer fail.
  if (cpu_ms <= 0) cpu_ms = 1;
  const rlim_t seconds = static_cast<rlim_t>(cpu_ms / 1000 + 1);
  rlimit cpu{seconds, seconds + 1};
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGXCPU;
  timer_t timer{};
  itimerspec when{};
  when.it_value.tv_sec = cpu_ms / 1000;
  when.it_value.tv_nsec = static_cast<long>(cpu_ms % 1000) * 1000000L;
  std::signal(SIGXCPU, SIG_DFL);
  if (::setrlimit(RLIMIT_CPU, &cpu) != 0 || ::timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &timer) != 0 ||
      ::timer_settime(timer, 0, &when, nullptr) != 0) {
    Answer("REFUSED the CPU limit could not be set");
    return 1;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[16384];
  while (bytes.size() <= kMaxReplayBytes) {
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      Answer("REFUSED the replay could not be read");
      return 1;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  if (bytes.size() > kMaxReplayBytes) {
    Answer("REFUSED the replay is larger than 256 KiB");
    return 0;
  }
  try {
    const auto summary = play::ReplayFinalResult(bytes, game_dir);
    // A replay whose own summary says otherwise than its game was edited:
    // it is refused even when the game it holds is true. The name is not
    // played (typed text is not kept): it is the summary's.
    const replay::TReplay decoded = replay::DecodeReplay(bytes, kRulesVersion);
    const replay::TReplaySummary& claimed = decoded.summary;
    if (claimed.score != summary.score || claimed.level != summary.level || claimed.lives != summary.lives ||
        claimed.level_kills != summary.level_kills) {
      Answer("REFUSED its summary claims " + std::to_string(claimed.score) + ", its game ends with " +
             std::to_string(summary.score));
      return 0;
    }
    // The game is named by the start of its random sequence (the part the
    // game seeds with): a copy of a game, however its other bytes are
    // dressed, names the same game, so it can verify one record only.
    char game[9];
    std::snprintf(game, sizeof game, "%08x",
                  static_cast<unsigned>(decoded.start.random_state & 0xffffffffu));
    Answer("PLAYED " + std::to_string(summary.score) + " " + ToHex(claimed.player_name) + " " + game);
    return 0;
  } catch (const std::exception& e) {
    Answer(std::string("REFUSED ") + e.what());
  }
  return 0;
}

}  // namespace aerovell::scores
