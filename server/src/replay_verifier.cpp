#include "replay_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
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

// One worker's check host: started when a replay first needs it, and again
// after it was killed or died.
class ReplayVerifier::Host {
 public:
  Host(ReplayVerifier& owner, std::vector<char*> environment) : owner_(owner), environment_(std::move(environment)) {}
  ~Host() { End(/*gently=*/true); }

  enum class Outcome { kAnswered, kLate, kGone };
  // Sends one replay and reads the host's line for it by `deadline`. A host
  // late or gone is ended; the next call starts another.
  Outcome Check(const std::string& bytes, Clock::time_point deadline, std::string& line);

 private:
  void Start();
  bool Send(const std::string& bytes, Clock::time_point deadline);
  // Ends the host and its child. Gently, it is first given a moment to see
  // the end of its input and clean up after itself.
  void End(bool gently);

  ReplayVerifier& owner_;
  std::vector<char*> environment_;
  pid_t pid_ = -1;
  Fd to_, from_;
};

void ReplayVerifier::Host::Start() {
  int in_pipe[2], out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  Fd in_read{in_pipe[0]}, in_write{in_pipe[1]};
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  Fd out_read{out_pipe[0]}, out_write{out_pipe[1]};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_read.fd, 0);
  posix_spawn_file_actions_adddup2(&actions, out_write.fd, 1);
  // The service blocks its stop signals and ignores SIGPIPE; the host starts
  // with neither, so a stop of the service can end it too. It leads a process
  // group of its own, which its child joins: one signal ends both.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  const VerifierSettings& settings = owner_.settings_;
  const std::string cpu = std::to_string(settings.cpu_ms);
  std::vector<char*> argv = {const_cast<char*>(settings.program.c_str()), const_cast<char*>("--check-host"),
                             const_cast<char*>(settings.game_dir.c_str()), const_cast<char*>(cpu.c_str()), nullptr};
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, settings.program.c_str(), &actions, &attr, argv.data(), environment_.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) throw std::runtime_error(std::string("cannot start the checker: ") + std::strerror(spawned));
  pid_ = pid;
  if (!owner_.HostStarted(pid)) ::kill(-pid, SIGKILL);
  to_.fd = std::exchange(in_write.fd, -1);
  from_.fd = std::exchange(out_read.fd, -1);
  // Written to without waiting, so that a host that stops reading is
  // found out by the clock.
  ::fcntl(to_.fd, F_SETFL, ::fcntl(to_.fd, F_GETFL) | O_NONBLOCK);
}

void ReplayVerifier::Host::End(bool gently) {
  if (pid_ < 0) return;
  to_.Close();
  if (gently) {
    // The host ends at the end of its input; nothing else writes to its line.
    char buffer[256];
    pollfd p{from_.fd, POLLIN, 0};
    const auto until = Clock::now() + std::chrono::seconds(1);
    while (Clock::now() < until && ::poll(&p, 1, 100) >= 0)
      if ((p.revents & (POLLIN | POLLHUP)) && ::read(from_.fd, buffer, sizeof buffer) <= 0) break;
  }
  from_.Close();
  // Still unreaped, so its number (and its group's) is still its own.
  ::kill(-pid_, SIGKILL);
  owner_.HostEnding(pid_);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

bool ReplayVerifier::Host::Send(const std::string& bytes, Clock::time_point deadline) {
  const uint32_t size = static_cast<uint32_t>(bytes.size());
  std::string frame = {static_cast<char>(size & 0xff), static_cast<char>(size >> 8 & 0xff),
                       static_cast<char>(size >> 16 & 0xff), static_cast<char>(size >> 24 & 0xff)};
  frame += bytes;
  size_t sent = 0;
  while (sent < frame.size()) {
    const ssize_t n = ::write(to_.fd, frame.data() + sent, frame.size() - sent);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{to_.fd, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left));
  }
  return true;
}

ReplayVerifier::Host::Outcome ReplayVerifier::Host::Check(const std::string& bytes, Clock::time_point deadline,
                                                          std::string& line) {
  // A host that died since its last replay (killed, out of memory) cannot
  // take this one: it is replaced once.
  for (int tries = 0;; ++tries) {
    if (pid_ < 0) Start();
    if (Send(bytes, deadline)) break;
    const bool late = Clock::now() >= deadline;
    End(false);
    if (late) return Outcome::kLate;
    if (tries == 1) return Outcome::kGone;
  }
  std::string answer;
  while (answer.find('\n') == std::string::npos && answer.size() < 512) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      End(false);
      return Outcome::kLate;
    }
    pollfd p{from_.fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(from_.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  const size_t end = answer.find('\n');
  // A host that answers anything but one whole line is not to be trusted with more.
  if (end == std::string::npos || end + 1 != answer.size()) {
    End(false);
    return Outcome::kGone;
  }
  line = answer.substr(0, end);
  return Outcome::kAnswered;
}

ReplayVerifier::ReplayVerifier(VerifierSettings settings) : settings_(std::move(settings)) {
  // The hosts' settings files go in a folder of the service's, removed with
  // the verifier even when a host was killed before it could clean up.
  // Without one the hosts use the temporary folder as it is.
  try {
    temp_.emplace("aerovell-checks");
  } catch (const std::exception&) {
  }
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("TMPDIR=", 0) != 0) environment_.emplace_back(*e);
  if (temp_) environment_.push_back("TMPDIR=" + temp_->Path().string());
  for (size_t i = 0; i < settings_.workers; ++i) workers_.emplace_back([this] { Work(); });
}

ReplayVerifier::~ReplayVerifier() { Stop(); }

bool ReplayVerifier::HostStarted(pid_t pid) {
  std::lock_guard lock(mutex_);
  hosts_.insert(pid);
  return !closing_;
}

void ReplayVerifier::HostEnding(pid_t pid) {
  std::lock_guard lock(mutex_);
  hosts_.erase(pid);
}

void ReplayVerifier::Stop() {
  std::deque<Job> waiting;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    waiting.swap(jobs_);
    for (const pid_t pid : hosts_) ::kill(-pid, SIGKILL);
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
  std::vector<char*> environment;
  for (auto& entry : environment_) environment.push_back(entry.data());
  environment.push_back(nullptr);
  Host host(*this, std::move(environment));
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
      verdict = Play(host, job.bytes);
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

ReplayVerdict ReplayVerifier::Play(Host& host, const std::string& bytes) {
  if (bytes.size() > kMaxReplayBytes) return Refused("the replay is larger than 256 KiB");
  std::string line;
  switch (host.Check(bytes, Clock::now() + settings_.wall, line)) {
    case Host::Outcome::kAnswered: return ReadAnswer(line);
    case Host::Outcome::kLate:
      return Refused("the replay took more than " + std::to_string(settings_.wall.count()) + " s to play");
    case Host::Outcome::kGone: break;
  }
  return Refused("the check of the replay failed");
}

}  // namespace aerovell::scores
