#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "database_error.h"

namespace aerovell::scores {

// One open connection. Not shared between threads without a lock of the caller's.
class Connection {
 public:
  Connection(const std::string& path, int flags);

  sqlite3* Handle() const { return db_.get(); }
  // Runs statements without parameters (schema, pragmas); throws on failure.
  void Execute(const char* sql);
  // The first column of the first row of a statement without parameters.
  std::string QueryText(const char* sql);
  int64_t QueryInteger(const char* sql);
  [[noreturn]] void Fail(std::string_view what) const;
  // The result code of the last failure (SQLITE_NOTADB, SQLITE_FULL...).
  int LastError() const { return sqlite3_errcode(db_.get()) & 0xFF; }

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
  std::string path_;
};

// A prepared statement, made once and reset after every use.
class Statement {
 public:
  Statement(Connection& connection, const char* sql);

  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, std::string_view text);
  Statement& BindBlob(int index, std::string_view bytes);
  // Advances to the next row: true while there is one; throws on failure.
  bool Step();
  // Runs a statement that yields no rows.
  void Run();
  // Clears the bindings and rewinds, so the statement is ready again.
  void Reset();

  int64_t Integer(int column) const { return sqlite3_column_int64(stmt_.get(), column); }
  std::string Text(int column) const;
  std::string Blob(int column) const;

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  Connection& connection_;
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
};

// Resets a statement however the scope is left, so a failed step never leaves
// it holding a read transaction or a half-bound set of parameters.
class StatementUse {
 public:
  explicit StatementUse(Statement& statement) : statement_(statement) {}
  ~StatementUse() { statement_.Reset(); }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;
  Statement* operator->() { return &statement_; }

 private:
  Statement& statement_;
};

}  // namespace aerovell::scores
