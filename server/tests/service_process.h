#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
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

// Runs the service binary to its end (for arguments it refuses, files it
// cannot use); the exit status, with its stderr in `log`. With `user` the
// service runs as that user (the test must be root to ask for it).
int RunServiceToEnd(const std::filesystem::path& dir, const std::vector<std::string>& args, std::string& log,
                    std::optional<uid_t> user = std::nullopt);

// Raises this process's soft limit of file descriptors to the hard one, for
// tests that hold a thousand connections; the limit now.
size_t RaiseFileLimit();

// A TCP connection to 127.0.0.1:`port`, from `source` (any 127.x.y.z; empty:
// the kernel's choice). -1 when it cannot be had.
int ConnectFrom(int port, const std::string& source = "");

// The `n`th of many loopback addresses 127.`block`.x.y (block 1 to 255), for
// clients that must come from addresses of their own.
std::string SourceAddress(int block, int n);

// Reads and drops whatever comes on `fd` until the peer closes it (true) or
// `timeout` passes (false).
bool WaitForClose(int fd, std::chrono::milliseconds timeout);

// Sends `request` raw and reads until the service closes the connection or
// 5 s pass: the whole answer, and whether it was closed.
struct Ending {
  std::string answer;
  bool closed = false;
};
Ending ExchangeToClose(int port, const std::string& request, const std::string& source = "");

// A raw exchange on the loopback: sends `request` as it is and reads the answer
// until the peer closes or `limit` bytes or the time-out pass.
std::string RawExchange(int port, const std::string& request, size_t limit = 1 << 20,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5), const std::string& source = "");

struct HttpAnswer {
  int status = 0;  // 0 when there was no answer
  std::string body;
  bool closed = false;  // the service ended the connection after it
};

// A kept connection of a plain HTTP/1.1 client (the answers are read by their
// Content-Length, bounded in size and time), opened again when the service
// has closed it.
class KeptConnection {
 public:
  explicit KeptConnection(int port, std::string source = "",
                          std::chrono::milliseconds timeout = std::chrono::seconds(5));
  ~KeptConnection();
  KeptConnection(const KeptConnection&) = delete;
  KeptConnection& operator=(const KeptConnection&) = delete;

  // A GET of `target` exactly as written.
  HttpAnswer Get(const std::string& target);

 private:
  int port_;
  std::string source_;
  std::chrono::milliseconds timeout_;
  int fd_ = -1;
};

// A GET of `target` exactly as written, over a fresh connection to 127.0.0.1.
HttpAnswer Get(int port, const std::string& target, const std::string& source = "");

// A POST of `body` to `target` as the game sends a replay, over a fresh
// connection from `source`; the answer is waited for up to `timeout`.
HttpAnswer Post(int port, const std::string& target, const std::string& body, const std::string& source = "",
                std::chrono::milliseconds timeout = std::chrono::seconds(60));

}  // namespace aerovell::scores::testing
