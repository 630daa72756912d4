#include "pg_db.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <cstdlib>

namespace aerovell::scores {
namespace {

using Clock = std::chrono::steady_clock;

bool HasPrefix(const std::string& text, std::string_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

std::string Trimmed(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

struct ConninfoFree {
  void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};

// Waits until the socket is ready for `events` or `deadline` passes.
bool WaitSocket(int socket, short events, Clock::time_point deadline) {
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{socket, events, 0};
    const int n = poll(&p, 1, static_cast<int>(left));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

}  // namespace

bool IsPostgresTarget(const std::string& target) {
  if (HasPrefix(target, "postgresql://") || HasPrefix(target, "postgres://")) return true;
  if (target.find('=') == std::string::npos) return false;
  // libpq's own key=value words; a file name holding '=' is no such thing.
  char* error = nullptr;
  std::unique_ptr<PQconninfoOption, ConninfoFree> options(PQconninfoParse(target.c_str(), &error));
  PQfreemem(error);
  return options != nullptr;
}

std::string DescribePostgresTarget(const std::string& target) {
  char* error = nullptr;
  std::unique_ptr<PQconninfoOption, ConninfoFree> options(PQconninfoParse(target.c_str(), &error));
  PQfreemem(error);
  if (!options) return "a PostgreSQL database";
  std::string user, host, port, dbname;
  for (const PQconninfoOption* o = options.get(); o->keyword; ++o) {
    if (!o->val) continue;
    const std::string_view key = o->keyword;
    if (key == "user") user = o->val;
    if (key == "host" || (key == "hostaddr" && host.empty())) host = o->val;
    if (key == "port") port = o->val;
    if (key == "dbname") dbname = o->val;
  }
  return "postgresql://" + (user.empty() ? "" : user + "@") + host + (port.empty() ? "" : ":" + port) + "/" + dbname;
}

PgResult::PgResult(pg_result* result) : result_(result) {}
void PgResult::Clearer::operator()(pg_result* r) const { PQclear(r); }
int PgResult::Rows() const { return result_ ? PQntuples(result_.get()) : 0; }
int PgResult::Columns() const { return result_ ? PQnfields(result_.get()) : 0; }
bool PgResult::Null(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }
std::string PgResult::Text(int row, int column) const {
  return std::string(PQgetvalue(result_.get(), row, column),
                     static_cast<size_t>(PQgetlength(result_.get(), row, column)));
}
int64_t PgResult::Integer(int row, int column) const {
  return std::strtoll(PQgetvalue(result_.get(), row, column), nullptr, 10);
}

PgConnection::PgConnection(const std::string& target, const PgTimeouts& timeouts,
                           const std::vector<PgStatement>& prepared)
    : timeouts_(timeouts), where_(DescribePostgresTarget(target)) {
  // Ours first, the target last: what the target says wins.
  const std::string connect_timeout = std::to_string(timeouts.connect_seconds);
  // A server that stops answering on an open connection is noticed by the
  // kernel too (TCP only; a local socket ends with its server).
  const char* keywords[] = {"connect_timeout",     "keepalives", "keepalives_idle", "keepalives_interval",
                            "keepalives_count",    "tcp_user_timeout", "application_name", "dbname", nullptr};
  const char* values[] = {connect_timeout.c_str(), "1", "5", "2", "3", "10000", "aerovell-scores",
                          target.c_str(), nullptr};
  conn_ = PQconnectdbParams(keywords, values, 1);
  if (!conn_) throw DatabaseError("cannot connect to " + where_ + ": out of memory");
  if (PQstatus(conn_) != CONNECTION_OK) {
    const std::string reason = Trimmed(PQerrorMessage(conn_));
    PQfinish(conn_);
    conn_ = nullptr;
    throw DatabaseError("cannot connect to " + where_ + ": " + reason);
  }
  try {
    if (PQsetnonblocking(conn_, 1) != 0) Fail("cannot set up the connection", Trimmed(PQerrorMessage(conn_)));
    // The server's own ends to every wait, whatever the server's defaults.
    Execute("SET statement_timeout = " + std::to_string(timeouts.statement.count()) +
            "; SET lock_timeout = " + std::to_string(timeouts.lock.count()) +
            "; SET idle_in_transaction_session_timeout = " + std::to_string(timeouts.idle_in_transaction.count()));
    for (const auto& s : prepared) Finish(PQsendPrepare(conn_, s.name, s.sql, 0, nullptr) == 1, s.name);
  } catch (...) {
    PQfinish(conn_);
    throw;
  }
}

PgConnection::~PgConnection() {
  if (conn_) PQfinish(conn_);
}

bool PgConnection::Broken() const { return broken_ || PQstatus(conn_) != CONNECTION_OK; }
bool PgConnection::Reusable() const { return !Broken() && PQtransactionStatus(conn_) == PQTRANS_IDLE; }

void PgConnection::Fail(std::string_view what, const std::string& reason) {
  if (PQstatus(conn_) != CONNECTION_OK) broken_ = true;
  throw DatabaseError(std::string(what) + " (" + where_ + "): " + reason);
}

PgResult PgConnection::Execute(const std::string& sql) {
  return Finish(PQsendQuery(conn_, sql.c_str()) == 1, sql.substr(0, 60));
}

namespace {
std::vector<const char*> Pointers(const std::vector<std::string>& params) {
  std::vector<const char*> p;
  p.reserve(params.size());
  for (const auto& s : params) p.push_back(s.c_str());
  return p;
}
}  // namespace

PgResult PgConnection::Run(const char* name, const std::vector<std::string>& params) {
  const auto p = Pointers(params);
  return Finish(PQsendQueryPrepared(conn_, name, static_cast<int>(p.size()), p.data(), nullptr, nullptr, 0) == 1,
                name);
}

PgResult PgConnection::RunText(const std::string& sql, const std::vector<std::string>& params) {
  const auto p = Pointers(params);
  return Finish(PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(p.size()), nullptr, p.data(), nullptr,
                                  nullptr, 0) == 1,
                sql.substr(0, 60));
}

PgResult PgConnection::Finish(bool sent, std::string_view what) {
  if (broken_) Fail(what, "the connection was given up");
  if (!sent) Fail(what, Trimmed(PQerrorMessage(conn_)));
  const auto deadline = Clock::now() + timeouts_.statement + timeouts_.answer_margin;
  const int socket = PQsocket(conn_);
  const auto give_up = [&] {
    // A half-read answer leaves the connection unusable: it goes, and the
    // server ends the statement by itself when it notices.
    broken_ = true;
    Fail(what, "no answer within " + std::to_string((timeouts_.statement + timeouts_.answer_margin).count()) + " ms");
  };
  while (true) {
    const int flushed = PQflush(conn_);
    if (flushed == 0) break;
    if (flushed < 0) Fail(what, Trimmed(PQerrorMessage(conn_)));
    if (!WaitSocket(socket, POLLOUT | POLLIN, deadline)) give_up();
    if (PQconsumeInput(conn_) != 1) Fail(what, Trimmed(PQerrorMessage(conn_)));
  }
  PGresult* last = nullptr;
  std::string error;
  while (true) {
    while (PQisBusy(conn_)) {
      if (!WaitSocket(socket, POLLIN, deadline)) {
        PQclear(last);
        give_up();
      }
      if (PQconsumeInput(conn_) != 1) {
        PQclear(last);
        Fail(what, Trimmed(PQerrorMessage(conn_)));
      }
    }
    PGresult* result = PQgetResult(conn_);
    if (!result) break;
    const auto status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
      if (error.empty()) error = Trimmed(PQresultErrorMessage(result));
      if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) broken_ = true;
    }
    PQclear(last);
    last = result;
  }
  if (!error.empty()) {
    PQclear(last);
    Fail(what, error);
  }
  return PgResult(last);
}

PgPool::PgPool(std::string target, PgTimeouts timeouts, std::vector<PgStatement> prepared, size_t size)
    : target_(std::move(target)),
      timeouts_(timeouts),
      prepared_(std::move(prepared)),
      free_places_(size > 0 ? size : 1) {}

PgPool::~PgPool() = default;

void PgPool::DropIdle() {
  std::lock_guard lock(mutex_);
  idle_.clear();
}

PgPool::Slot::Slot(PgPool& pool) : pool_(pool) {
  std::unique_lock lock(pool.mutex_);
  if (!pool.freed_.wait_for(lock, pool.timeouts_.statement, [&] { return pool.free_places_ > 0; }))
    throw DatabaseError("no free connection to " + DescribePostgresTarget(pool.target_) + " within " +
                        std::to_string(pool.timeouts_.statement.count()) + " ms");
  --pool.free_places_;
  if (!pool.idle_.empty()) {
    connection_ = std::move(pool.idle_.back());
    pool.idle_.pop_back();
  }
}

PgPool::Slot::~Slot() {
  std::lock_guard lock(pool_.mutex_);
  if (connection_ && connection_->Reusable()) pool_.idle_.push_back(std::move(connection_));
  ++pool_.free_places_;
  pool_.freed_.notify_one();
}

PgConnection& PgPool::Slot::Connection() {
  if (!connection_) connection_ = std::make_unique<PgConnection>(pool_.target_, pool_.timeouts_, pool_.prepared_);
  return *connection_;
}

}  // namespace aerovell::scores
