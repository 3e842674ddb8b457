// Opening and closing the history: the learner's own file, created and
// brought up to the current schema, and someone else's, read with no trust.
// The schema lives in history_schema.cpp, writing in history_recording.cpp,
// reading in history_queries.cpp and history_catch_up.cpp, and what is done
// when the file fails in history_faults.cpp.
#include "history/history_store.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>
#include <system_error>
#include <utility>

#include "history/store_internals.h"
#include "platform/encoding.h"

namespace kv {

namespace fs = std::filesystem;
using namespace store_internals;

HistoryStore::HistoryStore(fs::path file, StoreOptions options)
    : file_(std::move(file)), options_(options) {}

HistoryStore::~HistoryStore() { disconnect(); }

void HistoryStore::disconnect() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
  pointCache_ = PointCache{};
}

std::unique_ptr<HistoryStore> HistoryStore::open(const fs::path& file, std::string& notice,
                                                 const StoreOptions& options) {
  std::unique_ptr<HistoryStore> store(new HistoryStore(file, options));
  notice.clear();
  std::error_code ignored;
  if (file.has_parent_path()) fs::create_directories(file.parent_path(), ignored);
  if (!store->connect(notice)) return nullptr;
  return store;
}

namespace {

// Steps of SQLite's virtual machine a query of an untrusted file may take;
// far more than the largest honest history needs.
constexpr int kUntrustedSteps = 200'000'000;
constexpr std::uintmax_t kLargestUntrustedFile = 256u * 1024u * 1024u;

int stopRunaway(void* counter) {
  auto* left = static_cast<int*>(counter);
  return --*left <= 0 ? 1 : 0;
}

}  // namespace

std::unique_ptr<HistoryStore> HistoryStore::openUntrusted(const fs::path& file, std::string& notice) {
  notice.clear();
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) {
    notice = w1252("nicht lesbar");
    return nullptr;
  }
  if (size > kLargestUntrustedFile) {
    notice = w1252("zu groß für einen Lernverlauf");
    return nullptr;
  }
  std::unique_ptr<HistoryStore> store(new HistoryStore(file, {}));
  store->untrusted_ = true;
  store->readOnly_ = true;
  sqlite3*& db = store->db_;
  const std::u8string name = file.u8string();
  if (sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    notice = w1252("kein lesbarer Lernverlauf");
    return nullptr;
  }
  int ignored = 0;
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, &ignored);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &ignored);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, &ignored);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, &ignored);
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1000000);
  sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 100000);
  sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 100);
  sqlite3_busy_timeout(db, 2000);
  store->stepsLeft_ = kUntrustedSteps / 1000;
  sqlite3_progress_handler(db, 1000, stopRunaway, &store->stepsLeft_);
  int error = SQLITE_OK;
  exec(db, "PRAGMA trusted_schema = OFF", error);
  // Only the tables this program writes, each a real table.
  bool sound = true;
  {
    Statement check(db, "PRAGMA quick_check");
    sound = check.ok() && check.step() == SQLITE_ROW && check.text(0) != nullptr &&
            std::string_view(reinterpret_cast<const char*>(check.text(0))) == "ok";
  }
  if (sound) {
    Statement tables(db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN"
                         " ('exercises', 'key_stats', 'confusions', 'word_slips')");
    sound = tables.ok() && tables.step() == SQLITE_ROW && tables.integer(0) == 4;
  }
  if (!sound) {
    notice = store->stepsLeft_ <= 0 ? w1252("zu aufwendig zu lesen") : w1252("beschädigt oder kein Lernverlauf");
    return nullptr;
  }
  return store;
}

bool HistoryStore::connect(std::string& notice) {
  disconnect();
  const std::u8string name = file_.u8string();
  const int rc = sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db_,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                 options_.vfs);
  if (rc != SQLITE_OK) {
    noteFailure(db_ != nullptr ? sqlite3_extended_errcode(db_) : rc);
    notice = failureNotice(true);
    disconnect();
    return false;
  }
  sqlite3_extended_result_codes(db_, 1);
  // Another program writing at the same moment is waited for, not failed.
  sqlite3_busy_timeout(db_, options_.busyTimeoutMs);
  int error = SQLITE_OK;
  // A rollback journal, not WAL: school folders on a server share no memory.
  // A small page cache: the history is read whole once per window, and a
  // cache as large as the file would stay with the program as it grows.
  exec(db_, "PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL; PRAGMA cache_size = -256;", error);
  if (migrate(notice)) return true;
  return false;
}

}  // namespace kv
