#include "http_front.h"

#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>

#include "client_address.h"

namespace aerovell::scores {
namespace {

using Clock = std::chrono::steady_clock;

// Every route serves GET without a body but the replay upload, a POST of at
// most the largest replay.
RouteRules RulesFor(std::string_view target) {
  if (ReadTarget(target).kind == QueryKind::kReplay) return {"POST", kMaxReplayBytes};
  return {};
}

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

// The addresses of the service's own socket, for the message when it cannot be had.
std::string ListenText(const std::string& host, int port) {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// A listening socket of our own, so that a failure says why; the library
// takes it over. -1 with `error` set when none can be had.
int Listen(const std::string& host, int port, int& family, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string where = "cannot listen on " + ListenText(host, port) + ": ";
  if (const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0) {
    error = where + gai_strerror(rc);
    return -1;
  }
  int fd = -1;
  int cause = 0;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      cause = errno;
      continue;
    }
    // SO_REUSEADDR for a quick restart; no SO_REUSEPORT, so a second service
    // on the same port fails instead of sharing it unnoticed.
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 1024) == 0) {
      family = a->ai_family;
    } else {
      cause = errno;
      ::close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd < 0) error = where + std::strerror(cause);
  return fd;
}

int BoundPort(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
  return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                             : reinterpret_cast<sockaddr_in&>(address).sin_port);
}

void CloseNow(const ConnectionTable::Connection& c) {
  // The library sees the end at once and lets the connection go; the
  // descriptor stays its own to close.
  ::shutdown(c.fd, SHUT_RDWR);
}

}  // namespace

// One connection as the front follows it, from the library's start
// notification to its close notification. The request fields belong to the
// one event loop that serves the connection.
struct ConnectionState {
  ConnectionTable::Connection* held = nullptr;
  size_t requests = 0;
  // The request being read or answered:
  std::string target;  // raw, as the library's URI callback saw it
  bool head_seen = false;
  bool answered = false;
  std::string client;
  Clock::time_point start;
  std::string body;  // of a POST, bounded by its route's largest
  // An answer made on another thread (a replay played again): the connection
  // sleeps until it is in, and the event loop then sends it.
  std::mutex later_mutex;
  bool waiting = false;    // the service took the request and answers later
  bool suspended = false;  // the library is told to leave the connection be
  std::optional<Reply> later;

  void NewRequest(const char* uri) {
    target = uri;
    body.clear();
    waiting = false;
    later.reset();
    head_seen = false;
    answered = false;
    client = held->address;
  }
};

struct HttpFront::Callbacks {
  static HttpFront& Front(void* cls) { return *static_cast<HttpFront*>(cls); }

  static ConnectionState* StateOf(MHD_Connection* connection) {
    const auto* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<ConnectionState*>(info->socket_context) : nullptr;
  }

  static MHD_Result Accept(void* cls, const sockaddr* address, socklen_t) {
    HttpFront& front = Front(cls);
    const std::string text = PeerAddress(address);
    return front.table_.MayAccept(ClientKey(text), front.Trusted(text)) ? MHD_YES : MHD_NO;
  }

  static void Notify(void* cls, MHD_Connection* connection, void** socket_context,
                     MHD_ConnectionNotificationCode code) {
    HttpFront& front = Front(cls);
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
      auto* state = static_cast<ConnectionState*>(*socket_context);
      if (!state) return;
      front.table_.Forget(state->held);
      delete state;
      *socket_context = nullptr;
      return;
    }
    const auto* fd_info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    const auto* address_info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!fd_info) return;
    const std::string address = PeerAddress(address_info ? address_info->client_addr : nullptr);
    auto* held = front.table_.Admit(fd_info->connect_fd, address, ClientKey(address), front.Trusted(address),
                                    Clock::now(), CloseNow);
    if (!held) {
      ::shutdown(fd_info->connect_fd, SHUT_RDWR);  // over a cap: closed at once, never queued
      return;
    }
    auto* state = new ConnectionState();
    state->held = held;
    *socket_context = state;
  }

  static void* UriSeen(void*, const char* uri, MHD_Connection* connection) {
    ConnectionState* state = StateOf(connection);
    if (state) state->NewRequest(uri);
    return state;
  }

  static MHD_Result CollectHeader(void* cls, MHD_ValueKind, const char* key, size_t key_size, const char* value,
                                  size_t value_size) {
    static_cast<RequestHead*>(cls)->headers.emplace_back(std::string_view(key, key_size),
                                                         std::string_view(value ? value : "", value ? value_size : 0));
    return MHD_YES;
  }

  static MHD_Result Access(void* cls, MHD_Connection* connection, const char*, const char* method, const char* version,
                           const char* upload_data, size_t* upload_size, void** request_context) {
    HttpFront& front = Front(cls);
    auto* state = static_cast<ConnectionState*>(*request_context);
    if (!state) return MHD_NO;  // a connection refused at its start: dropped
    if (!state->head_seen) {
      // The whole head is in: its clock stops, and it is checked before
      // anything is done for it.
      state->head_seen = true;
      state->start = Clock::now();
      const RouteRules route = RulesFor(state->target);
      // A body must be in within the head's time too, so the clock of a
      // request that takes one runs on until its body is through.
      if (route.max_body == 0) front.table_.HeadArrived(state->held);
      RequestHead head;
      head.method = method;
      head.target = state->target;
      head.version = version;
      MHD_get_connection_values_n(connection, MHD_HEADER_KIND, CollectHeader, &head);
      const auto* size = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
      head.wire_bytes = size ? size->header_size : 0;
      const QueryKind kind = ReadTarget(state->target).kind;
      if (auto refusal = CheckHead(head, route, front.settings_.head)) {
        // Answered before any body is read; the library then closes the
        // connection, so nothing after this head is taken as a request.
        return Answer(front, connection, *state, Refusal(kind, refusal->status, refusal->reason), true);
      }
      if (front.Trusted(state->client)) {
        if (const std::string forwarded = JoinedHeader(head, "X-Forwarded-For"); !forwarded.empty()) {
          const auto client = ForwardedClient(forwarded);
          if (!client) return Answer(front, connection, *state, Refusal(kind, 400, "unreadable X-Forwarded-For"), true);
          state->client = *client;
        }
      }
      return MHD_YES;  // the answer comes with the next call, once the (empty) body is through
    }
    if (*upload_size != 0) {
      // CheckHead let a body through only for a route that takes one, and no
      // larger than its Content-Length, which bounds it; this is the last guard.
      const RouteRules route = RulesFor(state->target);
      if (state->body.size() + *upload_size > route.max_body) return MHD_NO;
      state->body.append(upload_data, *upload_size);
      *upload_size = 0;
      return MHD_YES;
    }
    const bool last = state->requests + 1 >= front.settings_.connections.requests_per_connection;
    if (state->waiting) {
      // Called again once resumed: the answer made meanwhile goes out.
      std::unique_lock lock(state->later_mutex);
      if (!state->later) return MHD_YES;
      Reply reply = std::move(*state->later);
      state->later.reset();
      state->waiting = false;
      lock.unlock();
      return Answer(front, connection, *state, std::move(reply), last);
    }
    if (RulesFor(state->target).max_body != 0) front.table_.HeadArrived(state->held);
    const auto wall = std::chrono::system_clock::now();
    Reply reply =
        front.service_.Handle(state->target, state->client, Clock::now(),
                              std::chrono::duration_cast<std::chrono::seconds>(wall.time_since_epoch()).count(),
                              state->body, [state, connection](Reply made) { AnswerLater(*state, connection, made); });
    state->body.clear();
    state->body.shrink_to_fit();
    if (reply.deferred) {
      std::unique_lock lock(state->later_mutex);
      if (!state->later) {
        // The connection sleeps until AnswerLater wakes it, leaving this
        // event loop free for others.
        state->waiting = true;
        state->suspended = true;
        MHD_suspend_connection(connection);
        return MHD_YES;
      }
      // The answer is in already.
      reply = std::move(*state->later);
      state->later.reset();
    }
    return Answer(front, connection, *state, std::move(reply), last);
  }

  // From the thread that made the answer: kept for the event loop, which the
  // connection's wake-up calls back into Access. The lock is let go before
  // the wake-up: once awake, the connection may end and its state go at any
  // moment, while a sleeping one stays until it is woken.
  static void AnswerLater(ConnectionState& state, MHD_Connection* connection, Reply& reply) {
    bool wake = false;
    {
      std::lock_guard lock(state.later_mutex);
      state.later = std::move(reply);
      wake = state.suspended;
      state.suspended = false;
    }
    if (wake) MHD_resume_connection(connection);
  }

  static MHD_Result Answer(HttpFront& front, MHD_Connection* connection, ConnectionState& state, Reply reply,
                           bool close) {
    MHD_Response* response =
        MHD_create_response_from_buffer(reply.body.size(), reply.body.data(), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, "Content-Type", reply.content_type.c_str());
    MHD_add_response_header(response, "Cache-Control", "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    if (reply.kind == QueryKind::kTable && reply.status == 200)
      MHD_add_response_header(response, "Content-Security-Policy",
                              "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'");
    if (reply.status == 405)
      MHD_add_response_header(response, "Allow", std::string(RulesFor(state.target).method).c_str());
    if (!reply.download_name.empty())
      MHD_add_response_header(response, "Content-Disposition",
                              ("attachment; filename=\"" + reply.download_name + "\"").c_str());
    if (close) MHD_add_response_header(response, "Connection", "close");
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    state.answered = true;
    ++state.requests;
    if (front.settings_.log_requests) {
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - state.start).count();
      char elapsed[32];
      std::snprintf(elapsed, sizeof elapsed, "%.2fms", ms);
      front.Log(LogTime() + " " + Printable(state.client) + " " + (state.head_seen ? KindName(reply.kind) : "-") + " " +
                std::to_string(reply.status) + " " + Printable(reply.outcome) + " " + elapsed);
    }
    return queued;
  }

  static void Completed(void* cls, MHD_Connection* connection, void** request_context, MHD_RequestTerminationCode) {
    HttpFront& front = Front(cls);
    auto* state = static_cast<ConnectionState*>(*request_context);
    if (!state) return;
    if (!state->answered && front.settings_.log_requests) {
      // The library refused the head itself (a line without a colon, a head
      // beyond its memory) before we saw it: its own short text went out.
      const auto* status = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_HTTP_STATUS);
      if (status && status->http_status != 0)
        front.Log(LogTime() + " " + Printable(state->client) + " - " + std::to_string(status->http_status) +
                  " refused by the HTTP library: unreadable request head -");
    }
    front.table_.AnswerSent(state->held, Clock::now());
    state->head_seen = false;
    state->answered = false;
    *request_context = nullptr;
  }

  static void LibraryMessage(void* cls, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    // What it says about single requests and connections we log ourselves,
    // with the client (Completed, the sweeper's summary).
    for (const char* known : {"Error processing request", "Connection socket is closed", "Connection was closed"})
      if (std::strncmp(text, known, std::strlen(known)) == 0) return;
    // Anything else at most once a second: a flood must not become a flood of lines.
    static std::atomic<int64_t> last_second{0};
    static std::atomic<long> held_back{0};
    const int64_t second = std::chrono::duration_cast<std::chrono::seconds>(Clock::now().time_since_epoch()).count();
    int64_t last = last_second.load();
    if (second == last || !last_second.compare_exchange_strong(last, second)) {
      ++held_back;
      return;
    }
    std::string line = std::string("aerovell-scores: libmicrohttpd: ") + Printable(text);
    while (!line.empty() && (line.back() == '?' || line.back() == ' ')) line.pop_back();  // its own line end
    if (const long more = held_back.exchange(0); more > 0)
      line += " (and " + std::to_string(more) + " more messages in the last second)";
    Front(cls).Log(line);
  }
};

HttpFront::HttpFront(ScoreService& service, FrontSettings settings)
    : service_(service), settings_(std::move(settings)), table_(settings_.connections) {}

HttpFront::~HttpFront() { Stop(); }

int HttpFront::Start(const std::string& host, int port, std::string& error) {
  int family = AF_INET;
  const int fd = Listen(host, port, family, error);
  if (fd < 0) return -1;
  const int bound = BoundPort(fd);
  const unsigned threads = static_cast<unsigned>(std::max(1, settings_.threads));
  // The library's own cap counts per event loop; ours is the one that holds,
  // so its cap leaves room for all our connections in any one loop.
  const auto library_cap = static_cast<unsigned>((settings_.connections.total + 64) * threads);
  const auto idle_seconds =
      static_cast<unsigned>(std::max<long long>(1, (settings_.connections.head_time.count() + 999) / 1000));
  unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
  if (family == AF_INET6) flags |= MHD_USE_IPv6;
  daemon_ = MHD_start_daemon(flags, 0, Callbacks::Accept, this, Callbacks::Access, this, MHD_OPTION_EXTERNAL_LOGGER,
                             Callbacks::LibraryMessage, this, MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_THREAD_POOL_SIZE,
                             threads > 1 ? threads : 0u, MHD_OPTION_CONNECTION_LIMIT, library_cap,
                             MHD_OPTION_CONNECTION_TIMEOUT, idle_seconds, MHD_OPTION_NOTIFY_CONNECTION,
                             Callbacks::Notify, this, MHD_OPTION_URI_LOG_CALLBACK, Callbacks::UriSeen, this,
                             MHD_OPTION_NOTIFY_COMPLETED, Callbacks::Completed, this, MHD_OPTION_END);
  if (!daemon_) {
    ::close(fd);
    error = "cannot start serving on " + ListenText(host, bound) + " (see the libmicrohttpd message above)";
    return -1;
  }
  {
    std::lock_guard lock(sweep_mutex_);
    sweeping_ = true;
  }
  sweeper_ = std::thread([this] { Sweep(); });
  return bound;
}

void HttpFront::Stop() {
  {
    std::lock_guard lock(sweep_mutex_);
    sweeping_ = false;
  }
  sweep_wake_.notify_all();
  if (sweeper_.joinable()) sweeper_.join();
  if (daemon_) {
    MHD_stop_daemon(daemon_);  // waits for the answers being made, drops the rest
    daemon_ = nullptr;
  }
}

void HttpFront::Sweep() {
  // Connections are refused and closed in floods; one line a second says how
  // many (with --quiet too: it is no line per request).
  const auto summary = [this] {
    const auto tally = table_.TakeTally();
    if (tally.over_address + tally.all_busy + tally.made_room + tally.late == 0) return;
    const auto& limits = settings_.connections;
    Log(LogTime() + " " + Printable(tally.last_address) + " - - connections closed in the last second: " +
        std::to_string(tally.over_address) + " over " + std::to_string(limits.per_address) + " from one address, " +
        std::to_string(tally.all_busy) + " with all " + std::to_string(limits.total) + " busy, " +
        std::to_string(tally.made_room) + " waiting longest to make room, " + std::to_string(tally.late) +
        " without a whole request within " + std::to_string(limits.head_time.count()) + " ms -");
  };
  auto next_summary = Clock::now() + std::chrono::seconds(1);
  std::unique_lock lock(sweep_mutex_);
  while (sweeping_) {
    sweep_wake_.wait_for(lock, std::chrono::milliseconds(100));
    const auto now = Clock::now();
    table_.CloseLate(now, CloseNow);
    if (now < next_summary) continue;
    next_summary = now + std::chrono::seconds(1);
    summary();
  }
  summary();
}

bool HttpFront::Trusted(const std::string& address) const {
  return std::find(settings_.trusted_proxies.begin(), settings_.trusted_proxies.end(), address) !=
         settings_.trusted_proxies.end();
}

void HttpFront::Log(const std::string& line) const {
  const std::string text = line + "\n";
  // One write per line, so lines of different event loops never interleave.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace aerovell::scores
