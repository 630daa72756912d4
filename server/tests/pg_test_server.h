#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace aerovell::scores::testing {

// A PostgreSQL server of our own for tests and the load tool: initdb into a
// fresh temporary folder, listening only on 127.0.0.1 (a free port) and on a
// socket in that folder. The server refuses to run as root, so as root it
// runs as `nobody`, in a folder that user owns. A guard process started
// beside it stops it and removes the folder when this process ends in any
// way (a failed assertion, a crash, a kill), so no server outlives its test.
class PgTestServer {
 public:
  struct Settings {
    // Extra server settings, "-c name=value" each.
    std::vector<std::string> config;
  };
  // Throws std::runtime_error saying why when it cannot start (the
  // PostgreSQL binaries missing: scripts/install-deps installs them).
  explicit PgTestServer(const Settings& settings);
  ~PgTestServer();
  PgTestServer(const PgTestServer&) = delete;
  PgTestServer& operator=(const PgTestServer&) = delete;

  // One server for the whole test program, started on first use.
  static PgTestServer& Shared();

  int Port() const { return port_; }
  // The connection string of database `name` over TCP on the loopback.
  std::string Target(const std::string& name) const;
  // The same over the server's socket in its folder.
  std::string SocketTarget(const std::string& name) const;
  // Creates a fresh empty database; its connection string.
  std::string NewDatabase();
  // Runs SQL in database `name` (or the target given whole) as the superuser.
  void Execute(const std::string& target, const std::string& sql) const;
  // The folder of the server (its log is log.txt there).
  const std::filesystem::path& Folder() const { return dir_; }
  std::string Log() const;

 private:
  std::filesystem::path dir_;
  std::filesystem::path bin_;
  int port_ = 0;
  int guard_pipe_ = -1;
  pid_t guard_ = -1;
  std::atomic<int> databases_{0};
};

}  // namespace aerovell::scores::testing
