#include "pg_test_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "pg_db.h"

namespace aerovell::scores::testing {
namespace {

bool AsRoot() { return geteuid() == 0; }

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool HasServer(const std::filesystem::path& bin) {
  std::error_code ec;
  return std::filesystem::exists(bin / "initdb", ec) && std::filesystem::exists(bin / "pg_ctl", ec) &&
         std::filesystem::exists(bin / "postgres", ec);
}

// Debian keeps the server's programs by version; the newest installed serves.
std::filesystem::path FindBinaries() {
  if (const char* given = std::getenv("AEROVELL_PG_BINDIR"); given && HasServer(given)) return given;
  std::filesystem::path best;
  int best_version = -1;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789.") != std::string::npos) continue;
    const int version = std::atoi(name.c_str());
    if (version > best_version && HasServer(entry.path() / "bin")) {
      best_version = version;
      best = entry.path() / "bin";
    }
  }
  if (!best.empty()) return best;
  if (const char* path = std::getenv("PATH")) {
    std::stringstream dirs(path);
    for (std::string dir; std::getline(dirs, dir, ':');)
      if (!dir.empty() && HasServer(dir)) return dir;
  }
  throw std::runtime_error(
      "no PostgreSQL server programs (initdb, pg_ctl, postgres) in /usr/lib/postgresql/*/bin or on the PATH: "
      "scripts/install-deps installs the postgresql package");
}

// The server's programs refuse root: as root they run as nobody.
std::vector<std::string> AsServerUser(std::vector<std::string> command) {
  if (!AsRoot()) return command;
  command.insert(command.begin(), {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
  return command;
}

// Runs `command` with its output in `log`, at most `timeout`; the exit status.
int Run(const std::vector<std::string>& command, const std::filesystem::path& cwd, const std::filesystem::path& log,
        std::chrono::seconds timeout) {
  std::vector<std::string> args = command;
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) return -1;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (std::chrono::steady_clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

}  // namespace

PgTestServer::PgTestServer(const Settings& settings) {
  bin_ = FindBinaries();
  std::string pattern = "/tmp/aerovell-pg-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder for PostgreSQL");
  dir_ = pattern;
  if (AsRoot()) {
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)
      throw std::runtime_error("cannot give " + dir_.string() + " to the user nobody");
  }

  // The guard: waits for this process's end of the pipe to close (however
  // it closes), then stops the server and removes the folder.
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for the PostgreSQL guard");
  const std::string stop = std::string(AsRoot() ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "") +
                           "\"$1\" stop -D \"$2/data\" -m immediate -w -t 30 >/dev/null 2>&1";
  const std::string script = "while read -r _; do :; done; [ -f \"$2/data/postmaster.pid\" ] && " + stop +
                             "; rm -rf \"$2\"";
  const std::string pg_ctl = (bin_ / "pg_ctl").string();
  guard_ = fork();
  if (guard_ == 0) {
    setsid();
    dup2(pipe_ends[0], STDIN_FILENO);
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execl("/bin/sh", "sh", "-c", script.c_str(), "aerovell-pg-guard", pg_ctl.c_str(), dir_.c_str(), nullptr);
    _exit(127);
  }
  close(pipe_ends[0]);
  guard_pipe_ = pipe_ends[1];

  try {
    const auto data = dir_ / "data";
    if (Run(AsServerUser({(bin_ / "initdb").string(), "-D", data.string(), "-U", "aerovell", "--auth=trust", "-E",
                          "UTF8", "--no-locale", "--no-sync"}),
            dir_, dir_ / "initdb.txt", std::chrono::seconds(120)) != 0)
      throw std::runtime_error("initdb failed:\n" + ReadText(dir_ / "initdb.txt"));
    std::string options = "-c listen_addresses=127.0.0.1 -c unix_socket_directories=" + dir_.string();
    for (const auto& c : settings.config) options += " -c " + c;
    // Another program may take the free port before the server does: a few tries.
    for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
      const int port = FreePort();
      if (Run(AsServerUser({pg_ctl, "start", "-D", data.string(), "-l", (dir_ / "log.txt").string(), "-w", "-t",
                            "60", "-o", options + " -c port=" + std::to_string(port)}),
              dir_, dir_ / "pg_ctl.txt", std::chrono::seconds(90)) == 0)
        port_ = port;
    }
    if (port_ == 0) throw std::runtime_error("PostgreSQL did not start:\n" + Log());
  } catch (...) {
    close(guard_pipe_);
    waitpid(guard_, nullptr, 0);
    throw;
  }
}

PgTestServer::~PgTestServer() {
  close(guard_pipe_);
  int status = 0;
  waitpid(guard_, &status, 0);
}

PgTestServer& PgTestServer::Shared() {
  static std::mutex mutex;
  static std::unique_ptr<PgTestServer> server;
  std::lock_guard lock(mutex);
  if (!server) {
    // Fast and disposable: nothing here must survive a power cut.
    server = std::make_unique<PgTestServer>(
        Settings{{"fsync=off", "full_page_writes=off", "max_connections=200", "shared_buffers=32MB"}});
  }
  return *server;
}

std::string PgTestServer::Target(const std::string& name) const {
  return "postgresql://aerovell@127.0.0.1:" + std::to_string(port_) + "/" + name;
}

std::string PgTestServer::SocketTarget(const std::string& name) const {
  return "host=" + dir_.string() + " port=" + std::to_string(port_) + " user=aerovell dbname=" + name;
}

std::string PgTestServer::NewDatabase() {
  const std::string name = "t" + std::to_string(++databases_);
  Execute(Target("postgres"), "CREATE DATABASE " + name);
  return Target(name);
}

void PgTestServer::Execute(const std::string& target, const std::string& sql) const {
  PgConnection connection(target, PgTimeouts{});
  connection.Execute(sql);
}

std::string PgTestServer::Log() const { return ReadText(dir_ / "log.txt"); }

}  // namespace aerovell::scores::testing
