// The schema of the history file and how an older file is brought up to it.
// A file from a newer program is left as it is and only read.
#include "history/history_store.h"

#include <sqlite3.h>

#include <iterator>
#include <string>

#include "history/store_internals.h"

namespace kv {
namespace {

// Each step brings a file from version k to k + 1.
constexpr const char* kMigrations[] = {
    // 0 -> 1: the first schema.
    "CREATE TABLE exercises ("
    "  id INTEGER PRIMARY KEY,"
    "  started TEXT NOT NULL,"
    "  form INTEGER NOT NULL,"
    "  pace INTEGER NOT NULL,"
    "  correction INTEGER NOT NULL,"
    "  title TEXT NOT NULL,"
    "  archive TEXT NOT NULL,"
    "  first_line INTEGER NOT NULL,"
    "  last_line INTEGER NOT NULL,"
    "  seconds INTEGER NOT NULL,"
    "  keystrokes INTEGER NOT NULL,"
    "  errors INTEGER NOT NULL,"
    "  keystrokes_per_minute INTEGER NOT NULL,"
    "  error_percent REAL,"  // NULL where the summary shows none
    "  voided INTEGER NOT NULL,"
    "  impossible INTEGER NOT NULL);"
    "CREATE INDEX exercises_started ON exercises(started);"
    "CREATE TABLE key_stats ("
    "  exercise INTEGER NOT NULL REFERENCES exercises(id) ON DELETE CASCADE,"
    "  ch TEXT NOT NULL,"
    "  needed INTEGER NOT NULL,"
    "  missed INTEGER NOT NULL,"
    "  timed INTEGER NOT NULL,"
    "  mean_ms REAL NOT NULL,"
    "  m2 REAL NOT NULL,"
    "  PRIMARY KEY (exercise, ch)) WITHOUT ROWID;"
    "CREATE TABLE confusions ("
    "  exercise INTEGER NOT NULL REFERENCES exercises(id) ON DELETE CASCADE,"
    "  expected TEXT NOT NULL,"  // '' for a character typed in addition
    "  typed TEXT NOT NULL,"     // '' for a character left out
    "  count INTEGER NOT NULL,"
    "  PRIMARY KEY (exercise, expected, typed)) WITHOUT ROWID;"
    "CREATE TABLE word_slips ("
    "  exercise INTEGER NOT NULL REFERENCES exercises(id) ON DELETE CASCADE,"
    "  expected TEXT NOT NULL,"
    "  typed TEXT NOT NULL);"
    "CREATE INDEX word_slips_exercise ON word_slips(exercise);",
};
static_assert(std::size(kMigrations) == kHistorySchemaVersion);

}  // namespace

using namespace store_internals;

bool HistoryStore::migrate(std::string& notice) {
  int error = SQLITE_OK;
  int version = 0;
  {
    Statement read(db_, "PRAGMA user_version");
    error = read.error();
    if (read.ok() && read.step() == SQLITE_ROW) version = static_cast<int>(read.integer(0));
    if (read.error() != SQLITE_OK && read.error() != SQLITE_ROW) error = read.error();
  }
  if (error == SQLITE_OK) {
    // Reading the schema proves the first page is sound.
    Statement probe(db_, "SELECT count(*) FROM sqlite_schema");
    if (!probe.ok() || probe.step() != SQLITE_ROW) error = probe.error();
  }
  if (damaged(error)) return replaceDamaged(notice);
  if (error != SQLITE_OK) {
    noteFailure(error);
    notice = failureNotice(false);
    return false;
  }
  if (version > kHistorySchemaVersion) {
    readOnly_ = true;
    return true;
  }
  if (version == kHistorySchemaVersion) return true;
  if (!exec(db_, "BEGIN IMMEDIATE", error)) {
    noteFailure(error);
    notice = failureNotice(true);
    return false;
  }
  {
    // A second program starting on a new history at the same moment may
    // have brought it up to date while this one waited for the lock.
    Statement again(db_, "PRAGMA user_version");
    if (again.ok() && again.step() == SQLITE_ROW) version = static_cast<int>(again.integer(0));
  }
  if (version >= kHistorySchemaVersion) {
    exec(db_, "COMMIT", error);
    readOnly_ = version > kHistorySchemaVersion;
    return true;
  }
  for (int v = version; v < kHistorySchemaVersion; ++v) {
    if (!exec(db_, kMigrations[v], error)) break;
  }
  const std::string setVersion = "PRAGMA user_version = " + std::to_string(kHistorySchemaVersion);
  if (error == SQLITE_OK) exec(db_, setVersion.c_str(), error);
  if (error == SQLITE_OK && exec(db_, "COMMIT", error)) return true;
  noteFailure(error);
  int ignored = SQLITE_OK;
  exec(db_, "ROLLBACK", ignored);
  if (damaged(error)) return replaceDamaged(notice);
  notice = failureNotice(true);
  return false;
}

}  // namespace kv
