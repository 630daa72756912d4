#include "http_front.h"

#include <httplib.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "socket_stream.h"

namespace aerovell::scores {
namespace {

// What the service's handler learnt about the request this worker is serving,
// for the log line written once the answer is out.
struct RequestNote {
  bool routed = false;
  bool close = false;  // the answer asked the client to close
  std::chrono::steady_clock::time_point start;
  QueryKind kind = QueryKind::kUnknown;
  std::string outcome;
};
thread_local RequestNote note;

std::string LogTime() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[40];
  const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms.count() % 1000));
  return text;
}

// Control characters never reach the log, whatever a reason holds.
std::string Printable(std::string_view text) {
  std::string out(text.substr(0, 300));
  for (auto& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

void WriteLogLine(const httplib::Request& req, const httplib::Response& res) {
  std::string line = LogTime();
  line += ' ';
  line += req.remote_addr.empty() ? "-" : Printable(req.remote_addr);
  line += ' ';
  char ms[32] = "-";
  if (note.routed) {
    line += KindName(note.kind);
    const double elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - note.start).count();
    std::snprintf(ms, sizeof ms, "%.2fms", elapsed);
  } else {
    line += "-";
  }
  line += ' ';
  line += std::to_string(res.status);
  line += ' ';
  line += note.routed ? Printable(note.outcome) : std::string("refused before routing");
  line += ' ';
  line += ms;
  line += '\n';
  // One write per line, so lines of different workers never interleave.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
}

bool HasBody(const httplib::Request& req) {
  if (req.has_header("Transfer-Encoding")) return true;
  if (!req.has_header("Content-Length")) return false;
  return req.get_header_value("Content-Length") != "0";
}

}  // namespace

// The HTTP library's request parsing and answering, driven by our own loop
// over a stream of ours instead of the library's listener.
class RequestReader : public httplib::Server {
 public:
  // One request: false when the connection is to end.
  bool Next(httplib::Stream& stream, bool last) {
    bool closed = false;
    note = RequestNote();
    const bool ok = process_request(stream, last, closed, [](httplib::Request&) {});
    return ok && !closed && !note.close;
  }
};

HttpFront::HttpFront(ScoreService& service, int threads, bool log_requests, ConnectionLimits limits)
    : service_(service),
      threads_(threads > 0 ? static_cast<size_t>(threads) : 1),
      limits_(limits),
      reader_(std::make_unique<RequestReader>()) {
  reader_->set_payload_max_length(0);
  reader_->set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits.keep_alive).count());
  reader_->set_keep_alive_max_count(limits.requests_per_connection);

  reader_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    note.routed = true;
    note.start = std::chrono::steady_clock::now();
    note.kind = ReadTarget(req.target).kind;
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    if (HasBody(req)) {
      // Nothing the game sends has a body; it is not read, and the connection ends.
      res.status = 413;
      res.set_header("Connection", "close");
      res.set_content("ERROR request bodies are refused", "text/plain; charset=utf-8");
      note.outcome = "request body refused";
      note.close = true;
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method != "GET" && req.method != "HEAD") {
      res.status = 405;
      res.set_header("Allow", "GET, HEAD");
      res.set_content("ERROR only GET is served", "text/plain; charset=utf-8");
      note.outcome = "method " + req.method + " refused";
      return httplib::Server::HandlerResponse::Handled;
    }
    const auto wall = std::chrono::system_clock::now();
    Reply reply = service_.Handle(req.target, req.remote_addr, std::chrono::steady_clock::now(),
                                  std::chrono::duration_cast<std::chrono::seconds>(wall.time_since_epoch()).count());
    note.kind = reply.kind;
    note.outcome = std::move(reply.outcome);
    res.status = reply.status;
    if (reply.kind == QueryKind::kTable)
      res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'");
    res.set_content(std::move(reply.body), reply.content_type.c_str());
    return httplib::Server::HandlerResponse::Handled;
  });
  if (log_requests) reader_->set_logger(WriteLogLine);
}

HttpFront::~HttpFront() {
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

int HttpFront::Bind(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int bound_port = -1;
  for (addrinfo* a = found; a && bound_port < 0; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    // SO_REUSEADDR for a quick restart; no SO_REUSEPORT, so a second service
    // on the same port fails instead of sharing it unnoticed.
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 1024) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      bound_port = ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                                       : reinterpret_cast<sockaddr_in&>(address).sin_port);
      listen_fd_ = fd;
    } else {
      ::close(fd);
    }
  }
  freeaddrinfo(found);
  return bound_port;
}

bool HttpFront::Run() {
  if (listen_fd_ < 0) return false;
  std::vector<std::thread> workers;
  for (size_t i = 0; i < threads_; ++i) workers.emplace_back([this] { Work(); });
  while (!stopping_) {
    pollfd p{listen_fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);  // wakes to notice Stop()
    if (ready <= 0) continue;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOMEM || errno == ENOBUFS)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // let connections end
      continue;
    }
    int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::unique_lock lock(queue_mutex_);
    if (waiting_.size() >= limits_.waiting_connections) {
      lock.unlock();
      ::close(fd);  // more than the workers can take: turned away at once, not queued without end
      continue;
    }
    waiting_.push_back(fd);
    lock.unlock();
    queue_ready_.notify_one();
  }
  ::close(listen_fd_);
  listen_fd_ = -1;
  {
    std::lock_guard lock(queue_mutex_);
    closed_ = true;
  }
  queue_ready_.notify_all();
  for (auto& w : workers) w.join();
  return true;
}

void HttpFront::Stop() { stopping_ = true; }

void HttpFront::Work() {
  while (true) {
    std::unique_lock lock(queue_mutex_);
    queue_ready_.wait(lock, [this] { return closed_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // closed and nothing left
    const int fd = waiting_.front();
    waiting_.pop_front();
    lock.unlock();
    Serve(fd);
    ::close(fd);
  }
}

void HttpFront::Serve(int fd) {
  BoundedSocketStream stream(fd, limits_.read_timeout, limits_.write_timeout);
  for (size_t served = 0; served < limits_.requests_per_connection; ++served) {
    // The first request may take the read time-out to begin, later ones the
    // keep-alive wait; both in short steps, so a stop is seen at once.
    const auto wait = served == 0 ? limits_.read_timeout : limits_.keep_alive;
    const auto until = std::chrono::steady_clock::now() + wait;
    bool ready = false;
    while (!ready && std::chrono::steady_clock::now() < until) {
      if (stopping_ && served > 0) return;
      ready = stream.AwaitRequest(std::chrono::milliseconds(100));
    }
    if (!ready) return;
    stream.StartRequest(limits_.request_bytes, limits_.request_time);
    const bool last = stopping_ || served + 1 == limits_.requests_per_connection;
    if (!reader_->Next(stream, last)) return;
  }
}

}  // namespace aerovell::scores
