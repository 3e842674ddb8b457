// What the recorder needs to catch up exercises that wait in a second store:
// every exercise read back in full with its token, one removed once it is in
// the history, and a token looked up to see whether it arrived.
#include "history/history_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "history/store_internals.h"

namespace kv {

using namespace store_internals;

bool HistoryStore::readRecords(std::vector<ExerciseRecord>& out, int& error, std::size_t newest) {
  out.clear();
  // Only the newest exercises: everything from the first of them on. The
  // figures of a long history would otherwise be read in full for a few.
  std::int64_t firstId = 0;
  if (newest > 0) {
    Statement first(db_, ("SELECT MIN(id) FROM (SELECT id FROM exercises ORDER BY id DESC LIMIT " +
                          std::to_string(newest) + ")").c_str());
    if (!first.ok()) return error = first.error(), false;
    const int rc = first.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return error = rc, false;
    if (rc == SQLITE_ROW && !first.isNull(0)) firstId = first.integer(0);
  }
  const std::string from = std::to_string(firstId);
  bool hasTokens = false;
  {
    Statement table(db_, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'recorded'");
    if (!table.ok()) return error = table.error(), false;
    const int rc = table.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return error = rc, false;
    hasTokens = rc == SQLITE_ROW;
  }
  std::map<std::int64_t, std::size_t> byId;
  {
    Statement rows(db_, (std::string("SELECT exercises.id, ") +
                         (hasTokens ? "(SELECT token FROM recorded WHERE recorded.exercise = exercises.id)"
                                    : "NULL") +
                         ", started, form, pace, correction, title, archive, first_line, last_line, seconds,"
                         " keystrokes, errors, keystrokes_per_minute, error_percent, voided, impossible"
                         " FROM exercises WHERE id >= " + from + " ORDER BY id").c_str());
    if (!rows.ok()) return error = rows.error(), false;
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
      ExerciseRecord r;
      r.token = cp1252(rows.text(1));
      r.startedAt = cp1252(rows.text(2));
      r.form = static_cast<int>(rows.integer(3));
      r.pace = static_cast<std::int32_t>(rows.integer(4));
      r.correction = rows.integer(5) != 0;
      r.title = cp1252(rows.text(6));
      r.archive = cp1252(rows.text(7));
      r.firstLine = static_cast<std::int32_t>(rows.integer(8));
      r.lastLine = static_cast<std::int32_t>(rows.integer(9));
      r.seconds = rows.integer(10);
      r.keystrokes = static_cast<std::uint32_t>(std::max<std::int64_t>(0, rows.integer(11)));
      r.errors = static_cast<std::int32_t>(rows.integer(12));
      r.keystrokesPerMinute = rows.integer(13);
      r.hasErrorPercent = !rows.isNull(14);
      r.errorPercent = r.hasErrorPercent ? rows.real(14) : 0.0;
      r.voided = rows.integer(15) != 0;
      r.impossible = rows.integer(16) != 0;
      byId[rows.integer(0)] = out.size();
      out.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  const auto owner = [&](std::int64_t id) -> ExerciseRecord* {
    const auto at = byId.find(id);
    return at == byId.end() ? nullptr : &out[at->second];
  };
  {
    Statement keys(db_, ("SELECT exercise, ch, needed, missed, timed, mean_ms, m2 FROM key_stats"
                         " WHERE exercise >= " + from).c_str());
    if (!keys.ok()) return error = keys.error(), false;
    int rc;
    while ((rc = keys.step()) == SQLITE_ROW) {
      ExerciseRecord* r = owner(keys.integer(0));
      const unsigned char c = charOf(keys.text(1));
      if (r == nullptr || c == 0) continue;
      r->keys[c] = {static_cast<std::uint32_t>(keys.integer(2)), static_cast<std::uint32_t>(keys.integer(3))};
      r->rhythm.chars[c] = {static_cast<std::uint32_t>(keys.integer(4)), keys.real(5), keys.real(6)};
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  {
    Statement confusions(db_, ("SELECT exercise, expected, typed, count FROM confusions WHERE exercise >= " +
                               from + " ORDER BY exercise, expected, typed").c_str());
    if (!confusions.ok()) return error = confusions.error(), false;
    int rc;
    while ((rc = confusions.step()) == SQLITE_ROW) {
      if (ExerciseRecord* r = owner(confusions.integer(0))) {
        r->confusions.push_back({charOf(confusions.text(1)), charOf(confusions.text(2)),
                                 static_cast<std::uint32_t>(confusions.integer(3))});
      }
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  {
    Statement words(db_, ("SELECT exercise, expected, typed FROM word_slips WHERE exercise >= " + from +
                          " ORDER BY rowid").c_str());
    if (!words.ok()) return error = words.error(), false;
    int rc;
    while ((rc = words.step()) == SQLITE_ROW) {
      if (ExerciseRecord* r = owner(words.integer(0))) {
        r->words.push_back({cp1252(words.text(1)), cp1252(words.text(2))});
      }
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  return true;
}

std::vector<ExerciseRecord> HistoryStore::records(std::string& notice, std::size_t newest) {
  notice.clear();
  std::vector<ExerciseRecord> out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readRecords(out, error, newest)) return out;
  out.clear();
  noteFailure(error);
  notice = failureNotice(false);
  return out;
}

bool HistoryStore::forget(const std::string& token, std::string& notice) {
  notice.clear();
  if (db_ == nullptr && !connect(notice)) return false;
  int error = SQLITE_OK;
  const auto fail = [&](int rc) {
    noteFailure(rc);
    int ignored = SQLITE_OK;
    exec(db_, "ROLLBACK", ignored);
    notice = failureNotice(true);
    disconnect();
    return false;
  };
  if (!exec(db_, "BEGIN IMMEDIATE", error)) {
    noteFailure(error);
    notice = failureNotice(true);
    disconnect();
    return false;
  }
  {
    Statement gone(db_, "DELETE FROM exercises WHERE id = (SELECT exercise FROM recorded WHERE token = ?)");
    if (!gone.ok()) return fail(gone.error());
    gone.bind(1, token);
    if (!gone.run()) return fail(gone.error());
  }
  {
    Statement gone(db_, "DELETE FROM recorded WHERE token = ?");
    if (!gone.ok()) return fail(gone.error());
    gone.bind(1, token);
    if (!gone.run()) return fail(gone.error());
  }
  if (!exec(db_, "COMMIT", error)) return fail(error);
  return true;
}

std::int64_t HistoryStore::countToken(const std::string& token) {
  if (db_ == nullptr) return -1;
  Statement n(db_, "SELECT count(*) FROM recorded WHERE token = ? AND exercise IN (SELECT id FROM exercises)");
  if (!n.ok()) return 0;  // no exercise was ever recorded with a token
  n.bind(1, token);
  if (n.step() != SQLITE_ROW) return -1;
  return n.integer(0);
}

}  // namespace kv
