#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace aerovell::scores::testing {

// The real aerovell-scores, started by a test on a free loopback port, its
// stderr going to a file beside its database.
class ServiceProcess {
 public:
  // Starts the service in `dir` with `args` (besides --listen 127.0.0.1:0) and
  // waits until it listens. Port() is 0 when it did not come up; Log() says why.
  ServiceProcess(const std::filesystem::path& dir, std::vector<std::string> args);
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  int Port() const { return port_; }
  std::string Log() const;
  // Sends the signal and waits for the end; returns the exit status, or -1 when
  // it did not end in time (it is then killed), or 128 + signal when a signal ended it.
  int Stop(int signal);
  bool Running() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::filesystem::path log_;
};

// Runs the service binary to its end (for arguments it refuses); the exit
// status, with its stderr in `log`.
int RunServiceToEnd(const std::filesystem::path& dir, const std::vector<std::string>& args, std::string& log);

// A raw exchange on the loopback: sends `request` as it is and reads the answer
// until the peer closes or `limit` bytes or the time-out pass.
std::string RawExchange(int port, const std::string& request, size_t limit = 1 << 20,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));

struct HttpAnswer {
  int status = 0;  // 0 when there was no answer
  std::string body;
};
// A GET of `target` exactly as written, over a fresh connection to 127.0.0.1.
HttpAnswer Get(int port, const std::string& target);

}  // namespace aerovell::scores::testing
