// Adding one exercise to the history, all of it or nothing, and at most once
// per token.
#include "history/history_store.h"

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <system_error>

#include "history/store_internals.h"
#include "platform/encoding.h"

namespace kv {

namespace fs = std::filesystem;
using namespace store_internals;

namespace {

// A character as key_stats and confusions keep it: 0 ("left out") as the
// empty text.
std::string charText(unsigned char c) { return c == 0 ? std::string() : utf8(std::string(1, static_cast<char>(c))); }

}  // namespace

bool HistoryStore::record(const ExerciseRecord& r, std::string& notice) {
  notice.clear();
  if (readOnly_) {
    notice = w1252("Der Lernverlauf stammt von einer neueren Version von Klavento; "
                   "diese Übung wurde nicht eingetragen.");
    return false;
  }
  // A history deleted or a folder gone under the open file: writing on
  // through the old handle would put the exercise where nobody finds it.
  std::error_code ec;
  if (db_ != nullptr && !fs::exists(file_, ec)) disconnect();
  if (db_ == nullptr && !connect(notice)) return false;
  int error = SQLITE_OK;
  if (write(r, error)) return true;
  if (damaged(error)) {
    if (!replaceDamaged(notice)) return false;
    const std::string movedAside = notice;
    if (write(r, error)) {
      notice = movedAside;
      return true;
    }
  }
  notice = failureNotice(true);
  disconnect();
  return false;
}

bool HistoryStore::write(const ExerciseRecord& r, int& error) {
  if (!exec(db_, "BEGIN IMMEDIATE", error)) {
    noteFailure(error);
    return false;
  }
  const auto fail = [&](int rc) {
    // The first error is the cause; the rollback may fail for the same reason
    // and would otherwise put its own message in its place.
    error = rc;
    noteFailure(rc);
    int ignored = SQLITE_OK;
    exec(db_, "ROLLBACK", ignored);
    return false;
  };
  // Files of earlier versions lack the table; they stay readable by them.
  if (!exec(db_, "CREATE TABLE IF NOT EXISTS recorded (token TEXT PRIMARY KEY, exercise INTEGER NOT NULL)"
                 " WITHOUT ROWID", error)) {
    return fail(error);
  }
  // The course list reads its archive's exercises only; an index keeps that
  // as quick with ten thousand exercises as with ten. Older versions ignore it.
  if (!exec(db_, "CREATE INDEX IF NOT EXISTS exercises_archive ON exercises(archive)", error)) return fail(error);
  if (!r.token.empty()) {
    Statement seen(db_, "INSERT OR IGNORE INTO recorded VALUES (?, 0)");
    if (!seen.ok()) return fail(seen.error());
    seen.bind(1, r.token);
    if (!seen.run()) return fail(seen.error());
    if (sqlite3_changes(db_) == 0) {
      // Written before, by this program or another: nothing to add.
      exec(db_, "ROLLBACK", error);
      error = SQLITE_OK;
      return true;
    }
  }
  {
    Statement add(db_,
                  "INSERT INTO exercises (started, form, pace, correction, title, archive, first_line,"
                  " last_line, seconds, keystrokes, errors, keystrokes_per_minute, error_percent,"
                  " voided, impossible) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!add.ok()) return fail(add.error());
    add.bind(1, r.startedAt).bind(2, std::int64_t{r.form}).bind(3, std::int64_t{r.pace});
    add.bind(4, std::int64_t{r.correction}).bind(5, utf8(r.title)).bind(6, utf8(r.archive));
    add.bind(7, std::int64_t{r.firstLine}).bind(8, std::int64_t{r.lastLine}).bind(9, r.seconds);
    add.bind(10, std::int64_t{r.keystrokes}).bind(11, std::int64_t{r.errors});
    add.bind(12, r.keystrokesPerMinute);
    if (r.hasErrorPercent) {
      add.bind(13, r.errorPercent);
    } else {
      add.bindNull(13);
    }
    add.bind(14, std::int64_t{r.voided}).bind(15, std::int64_t{r.impossible});
    if (!add.run()) return fail(add.error());
  }
  const std::int64_t id = sqlite3_last_insert_rowid(db_);
  {
    Statement key(db_, "INSERT INTO key_stats VALUES (?,?,?,?,?,?,?)");
    if (!key.ok()) return fail(key.error());
    for (int c = 1; c < 256; ++c) {
      const KeyTally& k = r.keys[static_cast<std::size_t>(c)];
      const RhythmStat& t = r.rhythm.chars[static_cast<std::size_t>(c)];
      if (k.needed == 0 && k.missed == 0 && t.count == 0) continue;
      key.bind(1, id).bind(2, charText(static_cast<unsigned char>(c)));
      key.bind(3, std::int64_t{k.needed}).bind(4, std::int64_t{k.missed});
      key.bind(5, std::int64_t{t.count}).bind(6, t.meanMs).bind(7, t.m2);
      if (!key.run()) return fail(key.error());
    }
  }
  {
    Statement confusion(db_, "INSERT INTO confusions VALUES (?,?,?,?)");
    if (!confusion.ok()) return fail(confusion.error());
    for (const Confusion& c : r.confusions) {
      confusion.bind(1, id).bind(2, charText(c.expected)).bind(3, charText(c.typed));
      confusion.bind(4, std::int64_t{c.count});
      if (!confusion.run()) return fail(confusion.error());
    }
  }
  {
    Statement word(db_, "INSERT INTO word_slips VALUES (?,?,?)");
    if (!word.ok()) return fail(word.error());
    for (const WordSlip& w : r.words) {
      word.bind(1, id).bind(2, utf8(w.expected)).bind(3, utf8(w.typed));
      if (!word.run()) return fail(word.error());
    }
  }
  if (!r.token.empty()) {
    Statement link(db_, "UPDATE recorded SET exercise = ? WHERE token = ?");
    if (!link.ok()) return fail(link.error());
    link.bind(1, id).bind(2, r.token);
    if (!link.run()) return fail(link.error());
  }
  if (!exec(db_, "COMMIT", error)) return fail(error);
  return true;
}

}  // namespace kv
