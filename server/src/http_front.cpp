#include "http_front.h"

#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace aerovell::scores {
namespace {

// What the service's handler learnt about the request this worker is serving,
// for the log line written once the answer is out.
struct RequestNote {
  bool routed = false;
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
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - note.start)
            .count();
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
  note = RequestNote();
  // One write per line, so lines of different workers never interleave.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
}

bool HasBody(const httplib::Request& req) {
  if (req.has_header("Transfer-Encoding")) return true;
  if (!req.has_header("Content-Length")) return false;
  return req.get_header_value("Content-Length") != "0";
}

}  // namespace

HttpFront::HttpFront(ScoreService& service, int threads, bool log_requests)
    : service_(service), server_(std::make_unique<httplib::Server>()) {
  const size_t workers = threads > 0 ? static_cast<size_t>(threads) : 1;
  // The library owns and deletes the queue it is handed.
  server_->new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
  // A kept connection holds a worker while it waits: keep the wait short.
  server_->set_keep_alive_timeout(2);
  server_->set_keep_alive_max_count(1000);
  server_->set_read_timeout(5);
  server_->set_write_timeout(5);
  server_->set_payload_max_length(0);
  server_->set_tcp_nodelay(true);
  // Only SO_REUSEADDR: the library's default would also let a second service
  // share the port unnoticed.
  server_->set_socket_options([this](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listen_fd_ = sock;
  });

  server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    note = RequestNote();
    note.routed = true;
    note.start = std::chrono::steady_clock::now();
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    note.kind = ReadTarget(req.target).kind;
    if (HasBody(req)) {
      // Nothing the game sends has a body; the rest of it is not read.
      res.status = 413;
      res.set_header("Connection", "close");
      res.set_content("ERROR request bodies are refused", "text/plain; charset=utf-8");
      note.outcome = "request body refused";
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
    Reply reply = service_.Handle(
        req.target, req.remote_addr, std::chrono::steady_clock::now(),
        std::chrono::duration_cast<std::chrono::seconds>(wall.time_since_epoch()).count());
    note.kind = reply.kind;
    note.outcome = std::move(reply.outcome);
    res.status = reply.status;
    if (reply.kind == QueryKind::kTable)
      res.set_header("Content-Security-Policy",
                     "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'");
    res.set_content(std::move(reply.body), reply.content_type.c_str());
    return httplib::Server::HandlerResponse::Handled;
  });
  if (log_requests) {
    server_->set_logger(WriteLogLine);
  } else {
    server_->set_logger(
        [](const httplib::Request&, const httplib::Response&) { note = RequestNote(); });
  }
}

HttpFront::~HttpFront() = default;

int HttpFront::Bind(const std::string& host, int port) {
  const int bound =
      port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
  if (bound <= 0) return -1;
  // The library listens with a backlog of 5; a burst of new connections would
  // then wait for SYN retries. Listening again only raises the backlog.
  if (listen_fd_ >= 0) ::listen(listen_fd_, 1024);
  return bound;
}

bool HttpFront::Run() { return server_->listen_after_bind(); }

void HttpFront::Stop() { server_->stop(); }

}  // namespace aerovell::scores
