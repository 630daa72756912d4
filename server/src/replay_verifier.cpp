#include "replay_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "hex.h"
#include "platform/cp1251.h"

extern char** environ;

namespace aerovell::scores {
namespace {

using Clock = std::chrono::steady_clock;

struct Fd {
  int fd = -1;
  ~Fd() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

ReplayVerdict Refused(std::string reason) {
  ReplayVerdict verdict;
  verdict.kind = ReplayVerdict::Kind::kRefused;
  verdict.reason = std::move(reason);
  return verdict;
}

// Not played: the service is stopping, and a later try may find it up again.
ReplayVerdict Stopping() {
  ReplayVerdict verdict;
  verdict.kind = ReplayVerdict::Kind::kBusy;
  verdict.reason = "the service is stopping";
  return verdict;
}

// The child's one line, read strictly: anything else is a failed check.
ReplayVerdict ReadAnswer(const std::string& line) {
  if (line.rfind("REFUSED ", 0) == 0) return Refused(line.substr(8));
  const ReplayVerdict failed = Refused("the check of the replay failed");
  if (line.rfind("PLAYED ", 0) != 0) return failed;
  // "PLAYED <score> <name in hex, maybe empty> <game>"
  const std::string_view rest = std::string_view(line).substr(7);
  const size_t first = rest.find(' ');
  const size_t second = first == std::string_view::npos ? first : rest.find(' ', first + 1);
  if (second == std::string_view::npos) return failed;
  const std::string_view digits = rest.substr(0, first);
  const std::string_view hex = rest.substr(first + 1, second - first - 1);
  const std::string_view game = rest.substr(second + 1);
  if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
    return failed;
  if (game.empty() || game.size() > 16 || game.find_first_not_of("0123456789abcdef") != std::string_view::npos)
    return failed;
  const auto name = hex.size() <= 40 ? FromHex(hex) : std::nullopt;  // 20 bytes at most
  if (!name) return failed;
  ReplayVerdict verdict;
  verdict.kind = ReplayVerdict::Kind::kPlayed;
  verdict.score = std::stoi(std::string(digits));
  verdict.name = Cp1251ToUtf8(*name);
  verdict.game = std::string(game);
  return verdict;
}

}  // namespace

ReplayVerifier::ReplayVerifier(VerifierSettings settings) : settings_(std::move(settings)) {
  for (size_t i = 0; i < settings_.workers; ++i) workers_.emplace_back([this] { Work(); });
}

ReplayVerifier::~ReplayVerifier() { Stop(); }

void ReplayVerifier::Stop() {
  std::deque<Job> waiting;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    waiting.swap(jobs_);
    for (const pid_t pid : playing_) ::kill(pid, SIGKILL);
  }
  wake_.notify_all();
  for (auto& worker : workers_)
    if (worker.joinable()) worker.join();
  for (auto& job : waiting) job.done(Stopping());
}

bool ReplayVerifier::Submit(std::string bytes, Done done) {
  {
    std::lock_guard lock(mutex_);
    if (closing_ || jobs_.size() >= settings_.queue) return false;
    jobs_.push_back({std::move(bytes), std::move(done)});
  }
  wake_.notify_one();
  return true;
}

void ReplayVerifier::Work() {
  while (true) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
      if (closing_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    ReplayVerdict verdict;
    try {
      verdict = Play(job.bytes);
    } catch (const std::exception& e) {
      verdict = Refused(std::string("the check of the replay failed: ") + e.what());
    }
    {
      std::lock_guard lock(mutex_);
      if (closing_) verdict = Stopping();
    }
    job.done(std::move(verdict));
  }
}

ReplayVerdict ReplayVerifier::Play(const std::string& bytes) {
  int in_pipe[2], out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  Fd in_read{in_pipe[0]}, in_write{in_pipe[1]};
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  Fd out_read{out_pipe[0]}, out_write{out_pipe[1]};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_read.fd, 0);
  posix_spawn_file_actions_adddup2(&actions, out_write.fd, 1);
  // The service blocks its stop signals and ignores SIGPIPE; the child starts
  // with neither, so a stop of the service can end it too.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const std::string cpu = std::to_string(settings_.cpu_ms);
  std::vector<char*> argv = {const_cast<char*>(settings_.program.c_str()), const_cast<char*>("--check-replay"),
                             const_cast<char*>(settings_.game_dir.c_str()), const_cast<char*>(cpu.c_str()), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, settings_.program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) throw std::runtime_error(std::string("cannot start the checker: ") + std::strerror(spawned));
  {
    std::lock_guard lock(mutex_);
    playing_.insert(pid);
    if (closing_) ::kill(pid, SIGKILL);
  }
  in_read.Close();
  out_write.Close();

  // The child reads all of its input before it plays, so the write ends; a
  // child gone early makes it fail (EPIPE), and its answer says why.
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::write(in_write.fd, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  in_write.Close();

  const auto deadline = Clock::now() + settings_.wall;
  std::string answer;
  bool late = false;
  while (answer.size() < 256) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      late = true;
      break;
    }
    pollfd p{out_read.fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(out_read.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  if (late) ::kill(pid, SIGKILL);
  // Waited for without reaping first, so that Stop never signals a number
  // another process may have been given meanwhile.
  siginfo_t ended{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
  }
  {
    std::lock_guard lock(mutex_);
    playing_.erase(pid);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (late) return Refused("the replay took more than " + std::to_string(settings_.wall.count()) + " s to play");
  if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL))
    return Refused("the replay took more than " + std::to_string(settings_.cpu_ms) + " ms of CPU to play");
  const size_t end = answer.find('\n');
  if (end == std::string::npos || !WIFEXITED(status)) return Refused("the check of the replay failed");
  return ReadAnswer(answer.substr(0, end));
}

}  // namespace aerovell::scores
