#include "service_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

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

pid_t Spawn(const std::filesystem::path& dir, const std::vector<std::string>& args, const std::filesystem::path& log) {
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

// Whether `answer` holds the head and as much body as its Content-Length says.
bool AnswerComplete(const std::string& answer) {
  const size_t head_end = answer.find("\r\n\r\n");
  if (head_end == std::string::npos) return false;
  const std::regex length_header(R"(\r\nContent-Length: *(\d+)\r\n)", std::regex::icase);
  std::smatch match;
  const std::string head = answer.substr(0, head_end + 2);
  if (!std::regex_search(head, match, length_header)) return false;
  return answer.size() >= head_end + 4 + std::stoul(match[1]);
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

int RunServiceToEnd(const std::filesystem::path& dir, const std::vector<std::string>& args, std::string& log) {
  const auto log_path = dir / "run.log";
  std::filesystem::remove(log_path);
  const pid_t pid = Spawn(dir, args, log_path);
  int status = WaitFor(pid, std::chrono::seconds(10));
  if (status < 0) {
    kill(pid, SIGKILL);
    WaitFor(pid, std::chrono::seconds(10));
  }
  log = ReadFile(log_path);
  return status;
}

std::string RawExchange(int port, const std::string& request, size_t limit, std::chrono::milliseconds timeout) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    size_t sent = 0;
    while (sent < request.size()) {
      const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    const auto end = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (answer.size() < limit) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      answer.append(buffer, static_cast<size_t>(n));
      if (AnswerComplete(answer)) break;  // a kept connection would make us wait for its time-out
    }
  }
  close(fd);
  return answer;
}

HttpAnswer Get(int port, const std::string& target) {
  httplib::Client client("127.0.0.1", port);
  client.set_url_encode(false);
  client.set_connection_timeout(std::chrono::seconds(2));
  client.set_read_timeout(std::chrono::seconds(5));
  const auto result = client.Get(target.c_str());
  if (!result) return {};
  return {result->status, result->body};
}

}  // namespace aerovell::scores::testing
