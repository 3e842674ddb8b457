#include "history/history_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <system_error>
#include <utility>

#include "platform/encoding.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

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

bool damaged(int error) {
  const int primary = error & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string textOfPath(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  const std::string_view bytes(reinterpret_cast<const char*>(u8.data()), u8.size());
  if (auto converted = utf8ToCp1252(bytes)) return *converted;
  return std::string(bytes);
}

std::string utf8(std::string_view cp1252) { return cp1252ToUtf8(cp1252); }
std::string cp1252(const unsigned char* text) {
  if (text == nullptr) return {};
  const std::string_view bytes(reinterpret_cast<const char*>(text));
  if (auto converted = utf8ToCp1252(bytes)) return *converted;
  return std::string(bytes);
}
std::string charText(unsigned char c) { return c == 0 ? std::string() : utf8(std::string(1, static_cast<char>(c))); }
unsigned char charOf(const unsigned char* text) {
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

bool exec(sqlite3* db, const char* sql, int& error) {
  error = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  return error == SQLITE_OK;
}

}  // namespace

FileProblem problemOfStoreError(int sqliteCode, std::uint32_t systemCode, const fs::path& file) {
  FileProblem problem{FileFault::Other, systemCode};
  switch (sqliteCode & 0xFF) {
    case SQLITE_FULL:
      problem.fault = FileFault::DiskFull;
      break;
    case SQLITE_READONLY:
      problem.fault = FileFault::ReadOnly;
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      problem.fault = FileFault::Locked;
      break;
    default:
      if (const FileFault fault = faultOfSystemCode(systemCode); fault != FileFault::None) problem.fault = fault;
      break;
  }
  // A server folder that dropped away gives whatever code the last call met;
  // the folder itself tells the truth.
  std::error_code ec;
  const bool folderThere = !file.has_parent_path() || fs::is_directory(file.parent_path(), ec);
  if (problem.fault != FileFault::DiskFull && problem.fault != FileFault::Locked && !folderThere) {
    problem.fault = FileFault::FolderMissing;
  }
  // SQLite retries a file it cannot create by opening it read-only, and
  // reports what that second try met: "not found" in a folder that is there.
  if (problem.fault == FileFault::FolderMissing && folderThere) problem.fault = FileFault::Other;
  return problem;
}

std::string damagedHistoryNotice(const fs::path& movedTo) {
  return w1252("Der Lernverlauf war beschädigt; er wurde als \u201E") +
         textOfPath(movedTo.filename()) + w1252("\u201C beiseitegelegt, und ein neuer Lernverlauf beginnt.");
}

std::vector<WeakKey> weakestKeys(const std::array<KeyTally, 256>& keys, std::size_t count) {
  std::vector<WeakKey> weak;
  for (int c = 1; c < 256; ++c) {
    const KeyTally& k = keys[static_cast<std::size_t>(c)];
    if (k.missed < 2 || k.needed == 0) continue;
    WeakKey w;
    w.ch = static_cast<unsigned char>(c);
    w.needed = k.needed;
    w.missed = std::min(k.missed, k.needed);
    w.rate = static_cast<double>(w.missed) / k.needed;
    weak.push_back(w);
  }
  const auto score = [](const WeakKey& w) { return (w.missed + 0.5) / (w.needed + 5.0); };
  std::stable_sort(weak.begin(), weak.end(), [&](const WeakKey& a, const WeakKey& b) {
    if (score(a) != score(b)) return score(a) > score(b);
    return a.missed > b.missed;
  });
  if (weak.size() > count) weak.resize(count);
  return weak;
}

HistoryStore::HistoryStore(fs::path file, StoreOptions options)
    : file_(std::move(file)), options_(options) {}

void HistoryStore::noteFailure(int error) {
  std::uint32_t system = db_ != nullptr ? static_cast<std::uint32_t>(sqlite3_system_errno(db_)) : 0;
  const int primary = error & 0xFF;
  if (system == 0 && (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN)) {
    // A failed COMMIT does not keep the system's code; its file layer still
    // has it, as nothing has run since.
    if (sqlite3_vfs* vfs = sqlite3_vfs_find(options_.vfs); vfs != nullptr && vfs->xGetLastError != nullptr) {
      system = static_cast<std::uint32_t>(vfs->xGetLastError(vfs, 0, nullptr));
    }
  }
  failure_.sqliteCode = error;
  failure_.problem = problemOfStoreError(error, system, file_);
  if (failure_.problem.fault == FileFault::Other) {
    // Nothing names the cause: ask the folder itself, as a small file would.
    if (const FileProblem probed = probeFolder(file_.parent_path())) failure_.problem = probed;
  }
}

std::string HistoryStore::failureNotice(bool writing) const {
  std::string text = w1252("Der Lernverlauf \u201E") + textOfPath(file_) +
                     (writing ? w1252("\u201C konnte nicht geschrieben werden. ")
                              : w1252("\u201C konnte nicht gelesen werden. "));
  text += faultSentence(failure_.problem, textOfPath(file_.parent_path()), textOfPath(file_.filename()));
  if (failure_.problem.fault != FileFault::Other) {
    text += " (SQLite-Fehler " + std::to_string(failure_.sqliteCode) + ")";
  }
  return text;
}

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

bool HistoryStore::replaceDamaged(std::string& notice) {
  if (untrusted_) {
    // Someone else's file is never moved or replaced.
    notice = w1252("Der Lernverlauf ist beschädigt.");
    return false;
  }
  disconnect();
  fs::path aside;
  std::error_code ec;
  for (int n = 1; n < 1000; ++n) {
    fs::path candidate = file_;
    candidate.replace_filename(file_.stem().u8string() + u8"-beschädigt-" +
                               std::u8string(reinterpret_cast<const char8_t*>(std::to_string(n).c_str())) +
                               file_.extension().u8string());
    if (!fs::exists(candidate, ec)) {
      aside = candidate;
      break;
    }
  }
  if (aside.empty()) {
    notice = w1252("Der Lernverlauf ist beschädigt und konnte nicht beiseitegelegt werden.");
    return false;
  }
  fs::rename(file_, aside, ec);
  if (ec) {
    notice = w1252("Der Lernverlauf ist beschädigt und konnte nicht beiseitegelegt werden.");
    return false;
  }
  // Its journal belongs to the old file; left in place it would be played
  // into the new one.
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    fs::path side = file_;
    side += suffix;
    if (fs::exists(side, ec)) {
      fs::path sideAside = aside;
      sideAside += suffix;
      fs::rename(side, sideAside, ec);
      if (ec) fs::remove(side, ec);
    }
  }
  std::string ignored;
  readOnly_ = false;
  if (!connect(ignored)) {
    notice = ignored;
    return false;
  }
  notice = damagedHistoryNotice(aside);
  return true;
}

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

std::int64_t HistoryStore::count() {
  if (db_ == nullptr) return -1;
  Statement n(db_, "SELECT count(*) FROM exercises");
  if (!n.ok() || n.step() != SQLITE_ROW) return -1;
  return n.integer(0);
}

namespace {

HistoryPoint pointOf(const Statement& s, int first) {
  HistoryPoint p;
  p.startedAt = cp1252(s.text(first));
  p.form = static_cast<int>(s.integer(first + 1));
  p.seconds = s.integer(first + 2);
  p.keystrokes = static_cast<std::uint32_t>(std::max<std::int64_t>(0, s.integer(first + 3)));
  p.keystrokesPerMinute = s.integer(first + 4);
  p.hasErrorPercent = !s.isNull(first + 5);
  p.errorPercent = p.hasErrorPercent ? s.real(first + 5) : 0.0;
  p.voided = s.integer(first + 6) != 0;
  p.impossible = s.integer(first + 7) != 0;
  return p;
}

constexpr const char* kPointColumns =
    "started, form, seconds, keystrokes, keystrokes_per_minute, error_percent, voided, impossible";

constexpr const char* kRecentIds = "SELECT id FROM exercises ORDER BY id DESC LIMIT ?";

}  // namespace

bool HistoryStore::readPoints(std::vector<HistoryPoint>& out, int& error) {
  PointCache& cache = pointCache_;
  std::int64_t count = 0, maxId = 0, idSum = 0;
  {
    Statement now(db_, "SELECT count(*), coalesce(max(id), 0), coalesce(sum(id), 0) FROM exercises");
    if (!now.ok()) return error = now.error(), false;
    const int rc = now.step();
    if (rc != SQLITE_ROW) return error = rc, false;
    count = now.integer(0);
    maxId = now.integer(1);
    idSum = now.integer(2);
  }
  // The cache now holds the file's points: remember what it holds.
  const auto kept = [&] {
    cache.count = count;
    cache.maxId = maxId;
    cache.idSum = idSum;
    out = cache.points;
    return true;
  };
  if (count == cache.count && maxId == cache.maxId && idSum == cache.idSum) return kept();
  // Only added since: read those, and keep the order when they come after.
  if (cache.count >= 0 && maxId > cache.maxId) {
    Statement added(db_, (std::string("SELECT ") + kPointColumns +
                          ", id FROM exercises WHERE id > ? ORDER BY started, id").c_str());
    if (!added.ok()) return error = added.error(), false;
    added.bind(1, cache.maxId);
    std::vector<HistoryPoint> more;
    std::int64_t moreSum = 0;
    int rc;
    while ((rc = added.step()) == SQLITE_ROW) {
      more.push_back(pointOf(added, 0));
      moreSum += added.integer(8);
    }
    if (rc != SQLITE_DONE) return error = rc, false;
    const bool onlyAdded = cache.count + static_cast<std::int64_t>(more.size()) == count &&
                           cache.idSum + moreSum == idSum;
    const bool inOrder = cache.points.empty() || more.empty() ||
                         more.front().startedAt >= cache.points.back().startedAt;
    if (onlyAdded && inOrder) {
      cache.points.insert(cache.points.end(), more.begin(), more.end());
      return kept();
    }
  }
  cache = PointCache{};
  Statement points(db_, (std::string("SELECT ") + kPointColumns + " FROM exercises ORDER BY started, id").c_str());
  if (!points.ok()) return error = points.error(), false;
  int rc;
  while ((rc = points.step()) == SQLITE_ROW) cache.points.push_back(pointOf(points, 0));
  if (rc != SQLITE_DONE) {
    cache = PointCache{};
    return error = rc, false;
  }
  return kept();
}

bool HistoryStore::readOverview(HistoryOverview& out, int& error) {
  out = HistoryOverview{};
  if (!readPoints(out.points, error)) return false;
  HistoryTotals& t = out.totals;
  t.exercises = static_cast<std::int64_t>(out.points.size());
  std::vector<double> counted;
  for (const HistoryPoint& p : out.points) {
    t.seconds += p.seconds;
    if (!p.counts()) continue;
    t.bestKeystrokesPerMinute = std::max(t.bestKeystrokesPerMinute, p.keystrokesPerMinute);
    counted.push_back(static_cast<double>(p.keystrokesPerMinute));
  }
  if (!counted.empty()) {
    const std::size_t n = std::min<std::size_t>(5, counted.size());
    double sum = 0;
    for (std::size_t k = counted.size() - n; k < counted.size(); ++k) sum += counted[k];
    t.recentKeystrokesPerMinute = sum / static_cast<double>(n);
  }
  {
    Statement keys(db_, (std::string("SELECT ch, needed, missed, timed, mean_ms, m2 FROM key_stats"
                                     " WHERE exercise IN (") + kRecentIds + ")").c_str());
    if (!keys.ok()) return error = keys.error(), false;
    keys.bind(1, std::int64_t{kRecentExercises});
    int rc;
    while ((rc = keys.step()) == SQLITE_ROW) {
      const unsigned char c = charOf(keys.text(0));
      if (c == 0) continue;
      out.keys[c].needed += static_cast<std::uint32_t>(keys.integer(1));
      out.keys[c].missed += static_cast<std::uint32_t>(keys.integer(2));
      RhythmStat r;
      r.count = static_cast<std::uint32_t>(keys.integer(3));
      r.meanMs = keys.real(4);
      r.m2 = keys.real(5);
      out.rhythm[c].merge(r);
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  out.weakKeys = weakestKeys(out.keys, 10);
  {
    Statement instead(db_, (std::string("SELECT expected, typed, sum(count) FROM confusions"
                                        " WHERE exercise IN (") + kRecentIds +
                            ") AND expected <> '' GROUP BY expected, typed").c_str());
    if (!instead.ok()) return error = instead.error(), false;
    instead.bind(1, std::int64_t{kRecentExercises});
    int rc;
    while ((rc = instead.step()) == SQLITE_ROW) {
      const unsigned char e = charOf(instead.text(0));
      for (WeakKey& w : out.weakKeys) {
        if (w.ch == e) {
          w.typedInstead.emplace_back(charOf(instead.text(1)),
                                      static_cast<std::uint32_t>(instead.integer(2)));
        }
      }
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  for (WeakKey& w : out.weakKeys) {
    std::stable_sort(w.typedInstead.begin(), w.typedInstead.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    w.rhythm = out.rhythm[w.ch];
  }
  {
    Statement words(db_, (std::string("SELECT expected, typed, count(*) FROM word_slips"
                                      " WHERE exercise IN (") + kRecentIds +
                          ") AND expected <> '' GROUP BY expected, typed").c_str());
    if (!words.ok()) return error = words.error(), false;
    words.bind(1, std::int64_t{kRecentExercises});
    std::map<std::string, MistypedWord> byWord;
    std::map<std::string, std::uint32_t> bestTyped;
    int rc;
    while ((rc = words.step()) == SQLITE_ROW) {
      const std::string expected = cp1252(words.text(0));
      const auto n = static_cast<std::uint32_t>(words.integer(2));
      MistypedWord& w = byWord[expected];
      w.expected = expected;
      w.count += n;
      if (n > bestTyped[expected]) {
        bestTyped[expected] = n;
        w.typedMostOften = cp1252(words.text(1));
      }
    }
    if (rc != SQLITE_DONE) return error = rc, false;
    for (auto& [word, slip] : byWord) out.words.push_back(std::move(slip));
    std::stable_sort(out.words.begin(), out.words.end(),
                     [](const MistypedWord& a, const MistypedWord& b) { return a.count > b.count; });
    if (out.words.size() > 10) out.words.resize(10);
  }
  return true;
}

HistoryOverview HistoryStore::overview(std::string& notice) {
  notice.clear();
  HistoryOverview out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readOverview(out, error)) return out;
  if (damaged(error) && replaceDamaged(notice)) {
    const std::string movedAside = notice;
    if (readOverview(out, error)) {
      notice = movedAside;
      return out;
    }
  }
  out = HistoryOverview{};
  if (notice.empty()) {
    noteFailure(error);
    notice = failureNotice(false);
  }
  return out;
}

bool HistoryStore::readRows(std::vector<HistoryRow>& out, int& error, const std::string* archive) {
  out.clear();
  Statement rows(db_, (std::string("SELECT ") + kPointColumns +
                       ", pace, correction, title, archive, first_line, last_line, errors FROM exercises" +
                       (archive != nullptr ? " WHERE archive = ?" : "") + " ORDER BY started, id").c_str());
  if (!rows.ok()) return error = rows.error(), false;
  if (archive != nullptr) rows.bind(1, utf8(*archive));
  int rc;
  while ((rc = rows.step()) == SQLITE_ROW) {
    HistoryRow r;
    r.point = pointOf(rows, 0);
    r.pace = static_cast<std::int32_t>(rows.integer(8));
    r.correction = rows.integer(9) != 0;
    r.title = cp1252(rows.text(10));
    r.archive = cp1252(rows.text(11));
    r.firstLine = static_cast<std::int32_t>(rows.integer(12));
    r.lastLine = static_cast<std::int32_t>(rows.integer(13));
    r.errors = static_cast<std::int32_t>(rows.integer(14));
    out.push_back(std::move(r));
  }
  if (rc != SQLITE_DONE) return error = rc, false;
  return true;
}

std::vector<HistoryRow> HistoryStore::rows(std::string& notice) {
  notice.clear();
  std::vector<HistoryRow> out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readRows(out, error)) return out;
  out.clear();
  noteFailure(error);
  notice = failureNotice(false);
  return out;
}

std::vector<HistoryRow> HistoryStore::rowsOfArchive(const std::string& archive, std::string& notice) {
  notice.clear();
  std::vector<HistoryRow> out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readRows(out, error, &archive)) return out;
  out.clear();
  noteFailure(error);
  notice = failureNotice(false);
  return out;
}

bool HistoryStore::readRecords(std::vector<ExerciseRecord>& out, int& error) {
  out.clear();
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
                         " FROM exercises ORDER BY id").c_str());
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
    Statement keys(db_, "SELECT exercise, ch, needed, missed, timed, mean_ms, m2 FROM key_stats");
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
    Statement confusions(db_, "SELECT exercise, expected, typed, count FROM confusions"
                              " ORDER BY exercise, expected, typed");
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
    Statement words(db_, "SELECT exercise, expected, typed FROM word_slips ORDER BY rowid");
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

std::vector<ExerciseRecord> HistoryStore::records(std::string& notice) {
  notice.clear();
  std::vector<ExerciseRecord> out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readRecords(out, error)) return out;
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
