#include "sqlite_db.h"

#include <cstring>

namespace aerovell::scores {
namespace {

// SQLite's message, and for a failure of the file the system's reason behind
// it ("unable to open database file: Permission denied").
std::string Reason(sqlite3* db, int rc) {
  std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const int primary = rc & 0xFF;
  const bool of_the_file = primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR || primary == SQLITE_FULL ||
                           primary == SQLITE_READONLY || primary == SQLITE_PERM;
  const int system = db ? sqlite3_system_errno(db) : 0;
  if (of_the_file && system != 0) text += std::string(": ") + std::strerror(system);
  return text;
}

}  // namespace

Connection::Connection(const std::string& path, int flags) : path_(path) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  db_.reset(db);  // closed even when the open failed half-way
  if (rc != SQLITE_OK) {
    throw DatabaseError("cannot open " + path + ": " + Reason(db, rc));
  }
  sqlite3_extended_result_codes(db, 1);
}

void Connection::Fail(std::string_view what) const {
  throw DatabaseError(std::string(what) + " (" + path_ +
                      "): " + Reason(db_.get(), sqlite3_extended_errcode(db_.get())));
}

void Connection::Execute(const char* sql) {
  char* message = nullptr;
  if (const int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, &message); rc != SQLITE_OK) {
    sqlite3_free(message);
    const std::string text = Reason(db_.get(), rc);
    throw DatabaseError(std::string(sql).substr(0, 60) + " (" + path_ + "): " + text);
  }
}

std::string Connection::QueryText(const char* sql) {
  Statement statement(*this, sql);
  return statement.Step() ? statement.Text(0) : std::string();
}

int64_t Connection::QueryInteger(const char* sql) {
  Statement statement(*this, sql);
  return statement.Step() ? statement.Integer(0) : 0;
}

Statement::Statement(Connection& connection, const char* sql) : connection_(connection) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(connection.Handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
    connection.Fail("cannot prepare a statement");
  stmt_.reset(stmt);
}

Statement& Statement::Bind(int index, int64_t value) {
  if (sqlite3_bind_int64(stmt_.get(), index, value) != SQLITE_OK) connection_.Fail("cannot bind");
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
    connection_.Fail("cannot bind");
  return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
  if (sqlite3_bind_blob64(stmt_.get(), index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK)
    connection_.Fail("cannot bind");
  return *this;
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  connection_.Fail("a statement failed");
}

void Statement::Run() {
  while (Step()) {}
}

void Statement::Reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
}

std::string Statement::Text(int column) const {
  const auto* text = sqlite3_column_text(stmt_.get(), column);
  const int size = sqlite3_column_bytes(stmt_.get(), column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size)) : std::string();
}

}  // namespace aerovell::scores

namespace aerovell::scores {

std::string Statement::Blob(int column) const {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_.get(), column));
  const int size = sqlite3_column_bytes(stmt_.get(), column);
  return bytes ? std::string(bytes, static_cast<size_t>(size)) : std::string();
}

}  // namespace aerovell::scores
