// What the pieces of HistoryStore share and nobody else needs: the statement
// wrapper, the error test that decides whether a file is set aside, and the
// conversions between the program's Windows-1252 and the UTF-8 that SQLite
// keeps. Private to history/: callers see only history_store.h.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace kv::store_internals {

// A damaged file is moved aside and replaced; every other error is told.
inline bool damaged(int error) {
  const int primary = error & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// The file holds UTF-8, so another tool can read it; the program thinks in
// Windows-1252. Text that does not convert is kept as it came rather than
// lost, so a foreign file still shows something.
inline std::string utf8(std::string_view cp1252) { return cp1252ToUtf8(cp1252); }
inline std::string cp1252(const unsigned char* text) {
  if (text == nullptr) return {};
  const std::string_view bytes(reinterpret_cast<const char*>(text));
  if (auto converted = utf8ToCp1252(bytes)) return *converted;
  return std::string(bytes);
}
// A key's character as stored; 0 where the text is empty ("left out").
inline unsigned char charOf(const unsigned char* text) {
  const std::string c = cp1252(text);
  return c.empty() ? 0 : static_cast<unsigned char>(c.front());
}

// A prepared statement, finalised on every way out.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { error_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return error_ == SQLITE_OK && stmt_ != nullptr; }
  int error() const { return error_; }
  Statement& bind(int at, std::int64_t v) {
    sqlite3_bind_int64(stmt_, at, v);
    return *this;
  }
  Statement& bind(int at, double v) {
    sqlite3_bind_double(stmt_, at, v);
    return *this;
  }
  Statement& bind(int at, const std::string& utf8Text) {
    sqlite3_bind_text(stmt_, at, utf8Text.c_str(), static_cast<int>(utf8Text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bindNull(int at) {
    sqlite3_bind_null(stmt_, at);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int step() {
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) error_ = rc;
    return rc;
  }
  bool run() {
    const int rc = step();
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    return rc == SQLITE_DONE;
  }
  std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
  double real(int col) const { return sqlite3_column_double(stmt_, col); }
  bool isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
  const unsigned char* text(int col) const { return sqlite3_column_text(stmt_, col); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int error_ = SQLITE_OK;
};

// Runs SQL that returns no rows, keeping SQLite's code for the caller's
// report of what failed.
inline bool exec(sqlite3* db, const char* sql, int& error) {
  error = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  return error == SQLITE_OK;
}

}  // namespace kv::store_internals
