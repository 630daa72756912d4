#include "service_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace aerovell::scores::testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

pid_t Spawn(const std::filesystem::path& dir, const std::vector<std::string>& args, const std::filesystem::path& log,
            std::optional<uid_t> user = std::nullopt) {
  std::vector<std::string> argv_text = {AEROVELL_SCORES_BINARY};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // The child: its own folder, stderr to the log, the stop signals unblocked.
    if (chdir(dir.c_str()) != 0) _exit(126);
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) _exit(126);
    dup2(fd, STDERR_FILENO);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (user && (setgroups(0, nullptr) != 0 || setgid(*user) != 0 || setuid(*user) != 0)) _exit(125);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int ExitStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Waits up to `timeout` for the child; its status, or -1 while it still runs.
int WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return ExitStatus(status);
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

ServiceProcess::ServiceProcess(const std::filesystem::path& dir, std::vector<std::string> args)
    : log_(dir / "service.log") {
  std::filesystem::remove(log_);
  args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
  pid_ = Spawn(dir, args, log_);
  const std::regex listening(R"(listening on http://127\.0\.0\.1:(\d+)/)");
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    std::smatch match;
    const std::string log = Log();
    if (std::regex_search(log, match, listening)) {
      port_ = std::stoi(match[1]);
      return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {  // it ended without listening
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

ServiceProcess::~ServiceProcess() {
  if (pid_ > 0) Stop(SIGKILL);
}

std::string ServiceProcess::Log() const { return ReadFile(log_); }

int ServiceProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  int status = WaitFor(pid_, std::chrono::seconds(10));
  if (status < 0) {
    kill(pid_, SIGKILL);
    WaitFor(pid_, std::chrono::seconds(10));
  }
  pid_ = -1;
  return status;
}

int RunServiceToEnd(const std::filesystem::path& dir, const std::vector<std::string>& args, std::string& log,
                    std::optional<uid_t> user) {
  const auto log_path = dir / "run.log";
  std::filesystem::remove(log_path);
  const pid_t pid = Spawn(dir, args, log_path, user);
  int status = WaitFor(pid, std::chrono::seconds(10));
  if (status < 0) {
    kill(pid, SIGKILL);
    WaitFor(pid, std::chrono::seconds(10));
  }
  log = ReadFile(log_path);
  return status;
}

size_t RaiseFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur < limit.rlim_max && limit.rlim_max != RLIM_INFINITY) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  return static_cast<size_t>(limit.rlim_cur);
}

int ConnectFrom(int port, const std::string& source) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (!source.empty()) {
    sockaddr_in from{};
    from.sin_family = AF_INET;
    if (inet_pton(AF_INET, source.c_str(), &from.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
      close(fd);
      return -1;
    }
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string SourceAddress(int block, int n) {
  return "127." + std::to_string(block) + "." + std::to_string(n / 250 % 250 + 1) + "." + std::to_string(n % 250 + 1);
}

bool WaitForClose(int fd, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  char buffer[4096];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    if (recv(fd, buffer, sizeof buffer, 0) <= 0) return true;
  }
}

namespace {

bool SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Reads into `answer` until `done` says so, the peer closes, or the time or
// `limit` bytes pass; false when the peer closed or failed.
template <typename Done>
bool ReadUntil(int fd, std::string& answer, size_t limit, std::chrono::milliseconds timeout, Done done) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  char buffer[16384];
  while (answer.size() < limit && !done(answer)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return true;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    answer.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

// The status, and the whole answer's length when its head and Content-Length
// are in (0 until then).
struct AnswerShape {
  int status = 0;
  size_t length = 0;
  bool close = false;
};

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

AnswerShape Shape(const std::string& answer) {
  AnswerShape shape;
  const size_t head_end = answer.find("\r\n\r\n");
  if (head_end == std::string::npos) return shape;
  if (answer.compare(0, 7, "HTTP/1.") == 0 && head_end >= 12) shape.status = std::atoi(answer.substr(9, 3).c_str());
  bool has_length = false;
  for (size_t line = answer.find("\r\n") + 2; line < head_end;) {
    const size_t end = answer.find("\r\n", line);
    const size_t colon = answer.find(':', line);
    if (colon < end) {
      const std::string name = Lower(answer.substr(line, colon - line));
      const std::string value = Lower(answer.substr(colon + 1, end - colon - 1));
      if (name == "content-length") {
        has_length = true;
        shape.length = head_end + 4 + std::strtoul(value.c_str(), nullptr, 10);
      }
      if (name == "connection" && value.find("close") != std::string::npos) shape.close = true;
    }
    line = end + 2;
  }
  if (!has_length) shape.length = 0;
  return shape;
}

}  // namespace

std::string RawExchange(int port, const std::string& request, size_t limit, std::chrono::milliseconds timeout,
                        const std::string& source) {
  const int fd = ConnectFrom(port, source);
  if (fd < 0) return {};
  std::string answer;
  SendAll(fd, request);
  // A kept connection would make us wait for its time-out: stop at the end of the answer.
  ReadUntil(fd, answer, limit, timeout, [](const std::string& a) {
    const auto shape = Shape(a);
    return shape.length != 0 && a.size() >= shape.length;
  });
  close(fd);
  return answer;
}

Ending ExchangeToClose(int port, const std::string& request, const std::string& source) {
  Ending ending;
  const int fd = ConnectFrom(port, source);
  if (fd < 0) return ending;
  SendAll(fd, request);
  ending.closed =
      !ReadUntil(fd, ending.answer, 1 << 20, std::chrono::seconds(5), [](const std::string&) { return false; });
  close(fd);
  return ending;
}

KeptConnection::KeptConnection(int port, std::string source, std::chrono::milliseconds timeout)
    : port_(port), source_(std::move(source)), timeout_(timeout) {}

KeptConnection::~KeptConnection() {
  if (fd_ >= 0) close(fd_);
}

HttpAnswer KeptConnection::Get(const std::string& target) {
  const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) + "\r\n\r\n";
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool fresh = fd_ < 0;
    if (fresh) fd_ = ConnectFrom(port_, source_);
    if (fd_ < 0) return {};
    std::string answer;
    const bool sent = SendAll(fd_, request);
    const bool open = sent && ReadUntil(fd_, answer, 1 << 20, timeout_, [](const std::string& a) {
                        const auto shape = Shape(a);
                        return shape.length != 0 && a.size() >= shape.length;
                      });
    const auto shape = Shape(answer);
    if (shape.length != 0 && answer.size() >= shape.length) {
      if (!open || shape.close) {
        close(fd_);
        fd_ = -1;
      }
      return {shape.status, answer.substr(answer.find("\r\n\r\n") + 4, shape.length - answer.find("\r\n\r\n") - 4),
              !open || shape.close};
    }
    close(fd_);
    fd_ = -1;
    // A kept connection the service had just closed: once more on a new one.
    if (fresh || !answer.empty()) return {};
  }
  return {};
}

HttpAnswer Get(int port, const std::string& target, const std::string& source) {
  KeptConnection connection(port, source);
  return connection.Get(target);
}

HttpAnswer Post(int port, const std::string& target, const std::string& body, const std::string& source,
                std::chrono::milliseconds timeout) {
  const std::string request = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                              "application/octet-stream\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
  const std::string answer = RawExchange(port, request, 1 << 20, timeout, source);
  HttpAnswer out;
  out.closed = true;
  if (answer.rfind("HTTP/1.1 ", 0) == 0 && answer.size() >= 12) out.status = std::atoi(answer.c_str() + 9);
  if (const size_t end = answer.find("\r\n\r\n"); end != std::string::npos) out.body = answer.substr(end + 4);
  return out;
}

}  // namespace aerovell::scores::testing
