#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database_error.h"

struct pg_conn;
struct pg_result;

namespace aerovell::scores {

// Whether `target` names a PostgreSQL database (a postgresql:// or
// postgres:// address, or libpq's key=value words) rather than a file.
bool IsPostgresTarget(const std::string& target);

// The target without its password, for the log: user@host:port/dbname.
std::string DescribePostgresTarget(const std::string& target);

// How long anything of ours waits on the server. The server stops a
// statement or a wait for a lock by itself; we stop waiting for an answer
// a little after that, so even a server that went silent cannot hold a
// request up.
struct PgTimeouts {
  int connect_seconds = 5;
  std::chrono::milliseconds statement{5000};
  std::chrono::milliseconds lock{2000};
  std::chrono::milliseconds idle_in_transaction{10000};
  std::chrono::milliseconds answer_margin{2000};
};

// The rows of one answer.
class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(pg_result* result);
  int Rows() const;
  int Columns() const;
  bool Null(int row, int column) const;
  std::string Text(int row, int column) const;
  int64_t Integer(int row, int column) const;

 private:
  struct Clearer {
    void operator()(pg_result* r) const;
  };
  std::unique_ptr<pg_result, Clearer> result_;
};

// A prepared statement: its name and text, made on every connection.
struct PgStatement {
  const char* name;
  const char* sql;
};

// One connection to the server. Every wait has an end: the connection is
// made within connect_timeout, every answer comes within the statement
// time-out or the connection is given up. Not shared between threads.
class PgConnection {
 public:
  PgConnection(const std::string& target, const PgTimeouts& timeouts, const std::vector<PgStatement>& prepared = {});
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Statements without parameters, one or several (schema, transactions).
  PgResult Execute(const std::string& sql);
  // A statement prepared on connecting, with its parameters as text.
  PgResult Run(const char* name, const std::vector<std::string>& params);
  // The same for a statement made here and now (used rarely: the copy).
  PgResult RunText(const std::string& sql, const std::vector<std::string>& params);
  // Runs `work` inside BEGIN ... COMMIT; whatever it throws rolls the whole
  // transaction back (a failed rollback changes nothing more) and goes on up.
  template <typename Work>
  void InTransaction(Work&& work) {
    Execute("BEGIN");
    try {
      work();
      Execute("COMMIT");
    } catch (...) {
      try {
        Execute("ROLLBACK");
      } catch (const DatabaseError&) {}
      throw;
    }
  }

  // True once the connection is of no more use (the server went away, an
  // answer did not come in time): its pool drops it and connects afresh.
  bool Broken() const;
  // Connected and outside any transaction: fit for the next user.
  bool Reusable() const;

 private:
  PgResult Finish(bool sent, std::string_view what);
  [[noreturn]] void Fail(std::string_view what, const std::string& reason);

  pg_conn* conn_ = nullptr;
  PgTimeouts timeouts_;
  std::string where_;  // user@host:port/dbname, for the messages
  bool broken_ = false;
};

// A few connections shared by the threads of one instance. A connection that
// broke is dropped, and the next use of its place connects afresh, so a
// restarted or briefly lost server costs the requests of that moment and
// nothing more.
class PgPool {
 public:
  PgPool(std::string target, PgTimeouts timeouts, std::vector<PgStatement> prepared, size_t size);
  ~PgPool();

  // Runs `work` on a free connection (waiting for one at most the statement
  // time-out). When `work` throws and the connection broke, it is dropped;
  // with `retry` (reads only: nothing is repeated that may have happened)
  // `work` runs once more on a fresh connection.
  template <typename Work>
  auto With(Work&& work, bool retry = false) {
    for (int attempt = 0;; ++attempt) {
      Slot slot(*this);
      try {
        return work(slot.Connection());
      } catch (const DatabaseError&) {
        const bool broken = slot.Broken();
        if (broken) {
          // What broke one connection (a restarted server, a cut network)
          // has most likely broken the idle ones too.
          slot.Drop();
          DropIdle();
        }
        if (!broken || !retry || attempt > 0) throw;
      }
    }
  }

 private:
  void DropIdle();

  class Slot {
   public:
    explicit Slot(PgPool& pool);
    ~Slot();
    PgConnection& Connection();
    bool Broken() const { return connection_ && connection_->Broken(); }
    void Drop() { connection_.reset(); }

   private:
    PgPool& pool_;
    std::unique_ptr<PgConnection> connection_;
  };

  const std::string target_;
  const PgTimeouts timeouts_;
  const std::vector<PgStatement> prepared_;
  std::mutex mutex_;
  std::condition_variable freed_;
  size_t free_places_;
  std::vector<std::unique_ptr<PgConnection>> idle_;  // connected and free
};

}  // namespace aerovell::scores
