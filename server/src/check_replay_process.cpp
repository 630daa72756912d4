// The processes that play replays again for the service, so that nothing a
// replay does can reach the service itself. The game core runs only in here.
//
// A check host reads the game's data once and then forks one child per
// replay: each child starts from the same untouched game at its menu, sets
// its CPU limit before it reads a byte of the replay, plays, and is gone.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/rules_version.h"
#include "hex.h"
#include "play/replay_check.h"
#include "replay_verifier.h"

namespace aerovell::scores {
namespace {

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads exactly `size` bytes: 1 when they came, 0 at the end of input before
// the first, -1 on an error or an end part of the way.
int ReadExactly(int fd, uint8_t* data, size_t size) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) return got == 0 ? 0 : -1;
    got += static_cast<size_t>(n);
  }
  return 1;
}

// One line of answer, whatever the reason holds.
bool WriteLine(int fd, const std::string& line) {
  std::string text = line;
  for (auto& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  text += '\n';
  return WriteAll(fd, text.data(), text.size());
}

// A timer on this process's CPU clock sends SIGXCPU (which ends it) at
// `cpu_ms`; RLIMIT_CPU, in whole seconds, stands behind it should the timer fail.
bool LimitCpu(int cpu_ms) {
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
  return ::setrlimit(RLIMIT_CPU, &cpu) == 0 && ::timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &timer) == 0 &&
         ::timer_settime(timer, 0, &when, nullptr) == 0;
}

// The verdict on one replay, as the answer line says it.
std::string Verdict(std::span<const uint8_t> bytes, std::optional<play::TPreparedReplayGame>& prepared,
                    const std::string& game_dir) {
  if (bytes.size() > kMaxReplayBytes) return "REFUSED the replay is larger than 256 KiB";
  try {
    const replay::TReplay decoded = replay::DecodeReplay(bytes, kRulesVersion);
    if (!prepared) prepared.emplace(game_dir);
    const replay::TReplaySummary summary = prepared->Play(decoded);
    // A replay whose own summary says otherwise than its game was edited:
    // it is refused even when the game it holds is true. The name is not
    // played (typed text is not kept): it is the summary's.
    const replay::TReplaySummary& claimed = decoded.summary;
    if (claimed.score != summary.score || claimed.level != summary.level || claimed.lives != summary.lives ||
        claimed.level_kills != summary.level_kills)
      return "REFUSED its summary claims " + std::to_string(claimed.score) + ", its game ends with " +
             std::to_string(summary.score);
    // The game is named by the start of its random sequence (the part the
    // game seeds with): a copy of a game, however its other bytes are
    // dressed, names the same game, so it can verify one record only.
    char game[9];
    std::snprintf(game, sizeof game, "%08x", static_cast<unsigned>(decoded.start.random_state & 0xffffffffu));
    return "PLAYED " + std::to_string(summary.score) + " " + ToHex(claimed.player_name) + " " + game;
  } catch (const std::exception& e) {
    return std::string("REFUSED ") + e.what();
  }
}

std::string OverCpu(int cpu_ms) {
  return "REFUSED the replay took more than " + std::to_string(cpu_ms) + " ms of CPU to play";
}

// Plays one replay in a child of the host, from the host's prepared game.
std::string CheckInChild(std::span<const uint8_t> bytes, std::optional<play::TPreparedReplayGame>& prepared,
                         const std::string& game_dir, int cpu_ms) {
  int answer[2];
  if (::pipe2(answer, O_CLOEXEC) != 0) return std::string("REFUSED the check could not start: ") + std::strerror(errno);
  const pid_t host = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    const int error = errno;
    ::close(answer[0]);
    ::close(answer[1]);
    return std::string("REFUSED the check could not start: ") + std::strerror(error);
  }
  if (pid == 0) {
    // The child never outlives its host, and never touches the host's own
    // line to the service: its answer goes up its own pipe.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != host) ::_exit(3);
    ::close(answer[0]);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0) ::_exit(3);
    const std::string line =
        LimitCpu(cpu_ms) ? Verdict(bytes, prepared, game_dir) : "REFUSED the CPU limit could not be set";
    ::_exit(WriteLine(answer[1], line) ? 0 : 3);
  }
  ::close(answer[1]);
  std::string said;
  char buffer[256];
  while (said.size() < 512) {
    const ssize_t n = ::read(answer[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    said.append(buffer, static_cast<size_t>(n));
  }
  ::close(answer[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)) return OverCpu(cpu_ms);
  const size_t end = said.find('\n');
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || end == std::string::npos)
    return "REFUSED the check of the replay failed";
  return said.substr(0, end);
}

}  // namespace

int CheckReplayProcess(const std::string& game_dir, int cpu_ms) {
  if (!LimitCpu(cpu_ms)) {
    WriteLine(1, "REFUSED the CPU limit could not be set");
    return 1;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[16384];
  while (bytes.size() <= kMaxReplayBytes) {
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (n < 0) {
      WriteLine(1, "REFUSED the replay could not be read");
      return 1;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  std::optional<play::TPreparedReplayGame> prepared;
  return WriteLine(1, Verdict(bytes, prepared, game_dir)) ? 0 : 2;
}

int CheckHostProcess(const std::string& game_dir, int cpu_ms) {
  // The service gone, its hosts go with it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The game is read once, before any replay; a game that cannot start is
  // the answer to every replay sent.
  std::optional<play::TPreparedReplayGame> prepared;
  std::string broken;
  try {
    prepared.emplace(game_dir);
  } catch (const std::exception& e) {
    broken = std::string("REFUSED ") + e.what();
  }
  std::vector<uint8_t> bytes;
  while (true) {
    uint8_t head[4];
    const int got = ReadExactly(0, head, sizeof head);
    if (got == 0) return 0;  // the service closed the line: done
    const uint32_t size = static_cast<uint32_t>(head[0]) | static_cast<uint32_t>(head[1]) << 8 |
                          static_cast<uint32_t>(head[2]) << 16 | static_cast<uint32_t>(head[3]) << 24;
    if (got < 0 || size > kMaxReplayBytes) {
      std::fputs("aerovell-scores: the check host was sent no replay it can read\n", stderr);
      return 1;
    }
    bytes.resize(size);
    if (size > 0 && ReadExactly(0, bytes.data(), size) != 1) return 1;
    const std::string line = broken.empty() ? CheckInChild(bytes, prepared, game_dir, cpu_ms) : broken;
    if (!WriteLine(1, line)) return 1;
  }
}

}  // namespace aerovell::scores
