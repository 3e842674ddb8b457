#include "history/history_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "platform/encoding.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kv {
namespace {

namespace fs = std::filesystem;

class HistoryFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kv-history-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    file_ = dir_ / "Unterordner" / "Lernverlauf.sqlite";
  }
  void TearDown() override { fs::remove_all(dir_); }

  static ExerciseRecord sample(int n) {
    ExerciseRecord r;
    r.startedAt = "2026-12-0" + std::to_string(1 + n % 9) + " 10:00:" + (n < 10 ? "0" : "") + std::to_string(n % 60);
    r.form = 1 + n % 4;
    r.title = w1252("Übung ") + std::to_string(n);
    r.archive = "Beispieltexte";
    r.seconds = 120;
    r.keystrokes = 400;
    r.errors = n % 5;
    r.keystrokesPerMinute = 150 + n;
    r.hasErrorPercent = true;
    r.errorPercent = r.errors * 100.0 / 400;
    r.keys[static_cast<unsigned char>('e')] = {40, 1};
    r.keys[static_cast<unsigned char>('\xF6')] = {10, 4};  // ö
    r.keys[static_cast<unsigned char>('r')] = {30, 3};
    r.rhythm.add(static_cast<unsigned char>('\xF6'), 300);
    r.rhythm.add(static_cast<unsigned char>('\xF6'), 500);
    r.confusions = {{static_cast<unsigned char>('\xF6'), static_cast<unsigned char>('o'), 3},
                    {static_cast<unsigned char>('\xF6'), 0, 1},
                    {static_cast<unsigned char>('r'), static_cast<unsigned char>('t'), 3}};
    r.words = {{w1252("schön"), "schon"}, {"Garten", "Gartn"}};
    return r;
  }

  fs::path dir_;
  fs::path file_;
};

TEST_F(HistoryFile, RecordsAndReadsBackTheOverview) {
  std::string notice;
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  EXPECT_TRUE(notice.empty());
  EXPECT_EQ(store->count(), 0);
  for (int n = 0; n < 7; ++n) ASSERT_TRUE(store->record(sample(n), notice)) << notice;
  ExerciseRecord voided = sample(7);
  voided.voided = true;
  voided.keystrokes = 0;
  voided.keystrokesPerMinute = 0;
  ASSERT_TRUE(store->record(voided, notice));

  const HistoryOverview o = store->overview(notice);
  EXPECT_TRUE(notice.empty()) << notice;
  EXPECT_EQ(o.totals.exercises, 8);
  EXPECT_EQ(o.totals.seconds, 8 * 120);
  EXPECT_EQ(o.totals.bestKeystrokesPerMinute, 156);
  EXPECT_DOUBLE_EQ(o.totals.recentKeystrokesPerMinute, (152 + 153 + 154 + 155 + 156) / 5.0);
  ASSERT_EQ(o.points.size(), 8u);
  EXPECT_EQ(o.points.front().startedAt, "2026-12-01 10:00:00");
  EXPECT_FALSE(o.points.back().counts());

  // ö: needed 80, missed 32 over eight exercises, the weakest key.
  ASSERT_FALSE(o.weakKeys.empty());
  EXPECT_EQ(o.weakKeys[0].ch, static_cast<unsigned char>('\xF6'));
  EXPECT_EQ(o.weakKeys[0].needed, 80u);
  EXPECT_EQ(o.weakKeys[0].missed, 32u);
  ASSERT_EQ(o.weakKeys[0].typedInstead.size(), 2u);
  EXPECT_EQ(o.weakKeys[0].typedInstead[0], (std::pair<unsigned char, std::uint32_t>{'o', 24}));
  EXPECT_EQ(o.weakKeys[0].typedInstead[1].first, 0);  // left out
  EXPECT_EQ(o.weakKeys[0].rhythm.count, 16u);
  EXPECT_NEAR(o.weakKeys[0].rhythm.meanMs, 400.0, 1e-9);
  EXPECT_EQ(o.weakKeys[1].ch, 'r');
  EXPECT_EQ(o.weakKeys[2].ch, 'e');

  ASSERT_EQ(o.words.size(), 2u);
  EXPECT_EQ(o.words[0].count, 8u);
  EXPECT_TRUE(o.words[0].expected == w1252("schön") || o.words[0].expected == "Garten");

  const std::vector<HistoryRow> rows = store->rows(notice);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[3].title, w1252("Übung 3"));
  EXPECT_EQ(rows[3].errors, 3);
  EXPECT_TRUE(rows[3].point.hasErrorPercent);
}

// The overview's points are kept between readings and only what was added
// is read again; whatever changed the file, the points are those a fresh
// reading gives.
TEST_F(HistoryFile, OverviewReadAgainMatchesAFreshReadingWhateverChanged) {
  std::string notice;
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  const auto starts = [](const HistoryOverview& o) {
    std::vector<std::string> s;
    for (const HistoryPoint& p : o.points) s.push_back(p.startedAt + "/" + std::to_string(p.keystrokesPerMinute));
    return s;
  };
  const auto fresh = [&] {
    std::string n;
    auto other = HistoryStore::open(file_, n);
    return other ? starts(other->overview(n)) : std::vector<std::string>{};
  };
  std::vector<std::string> tokens;
  for (int n = 0; n < 5; ++n) {
    ExerciseRecord r = sample(n);
    r.token = newRecordToken();
    tokens.push_back(r.token);
    ASSERT_TRUE(store->record(r, notice)) << notice;
  }
  EXPECT_EQ(starts(store->overview(notice)), fresh());
  EXPECT_EQ(starts(store->overview(notice)), fresh()) << "read again unchanged";
  // Added by this program, later in time: appended.
  ASSERT_TRUE(store->record(sample(8), notice));
  EXPECT_EQ(starts(store->overview(notice)), fresh());
  // Added earlier in time (an exercise that waited): in its place.
  ExerciseRecord early = sample(20);
  early.startedAt = "2026-11-30 09:00:00";
  ASSERT_TRUE(store->record(early, notice));
  const auto withEarly = starts(store->overview(notice));
  EXPECT_EQ(withEarly, fresh());
  EXPECT_EQ(withEarly.front().substr(0, 10), "2026-11-30");
  // Added by another program on the same file.
  {
    std::string n;
    auto other = HistoryStore::open(file_, n);
    ASSERT_TRUE(other) << n;
    ASSERT_TRUE(other->record(sample(9), n)) << n;
  }
  EXPECT_EQ(starts(store->overview(notice)), fresh());
  // One forgotten and one added meanwhile: the same count, other points.
  {
    std::string n;
    auto other = HistoryStore::open(file_, n);
    ASSERT_TRUE(other) << n;
    ASSERT_TRUE(other->forget(tokens[2], n)) << n;
    ASSERT_TRUE(other->record(sample(10), n)) << n;
  }
  const auto afterBoth = starts(store->overview(notice));
  EXPECT_EQ(afterBoth, fresh());
  EXPECT_EQ(afterBoth.size(), 8u);
}

// The course list reads the rows of its archive only, the same rows the
// whole history holds for it.
TEST_F(HistoryFile, RowsOfOneArchiveAreThoseOfTheWholeHistory) {
  std::string notice;
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  for (int n = 0; n < 6; ++n) {
    ExerciseRecord r = sample(n);
    if (n % 2 == 0) r.archive = w1252("Grundkurs Übungen");
    ASSERT_TRUE(store->record(r, notice)) << notice;
  }
  std::vector<std::string> expected;
  for (const HistoryRow& r : store->rows(notice)) {
    if (r.archive == w1252("Grundkurs Übungen")) expected.push_back(r.title);
  }
  std::vector<std::string> got;
  for (const HistoryRow& r : store->rowsOfArchive(w1252("Grundkurs Übungen"), notice)) got.push_back(r.title);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got.size(), 3u);
  EXPECT_TRUE(store->rowsOfArchive("Beispiel", notice).empty());
}

TEST_F(HistoryFile, NewestRecordsAreTheLastOnesInFullWithTheirKeys) {
  std::string notice;
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  for (int n = 0; n < 7; ++n) {
    ExerciseRecord r = sample(n);
    r.keys[static_cast<unsigned char>('a')] = {static_cast<std::uint32_t>(10 + n), 0};
    ASSERT_TRUE(store->record(r, notice)) << notice;
  }
  const std::vector<ExerciseRecord> all = store->records(notice);
  ASSERT_EQ(all.size(), 7u) << notice;
  const std::vector<ExerciseRecord> newest = store->records(notice, 3);
  ASSERT_EQ(newest.size(), 3u) << notice;
  for (std::size_t i = 0; i < newest.size(); ++i) {
    SCOPED_TRACE(i);
    const ExerciseRecord& want = all[4 + i];
    EXPECT_EQ(newest[i].title, want.title);
    EXPECT_EQ(newest[i].keys[static_cast<unsigned char>('a')].needed, 14u + i);
    EXPECT_EQ(newest[i].rhythm.chars[0xF6].count, 2u);
    EXPECT_EQ(newest[i].confusions, want.confusions);
    EXPECT_EQ(newest[i].words, want.words);
  }
  EXPECT_EQ(store->records(notice, 100).size(), 7u) << "more asked for than there are";
}

TEST_F(HistoryFile, WeakKeysNeedRepeatedMissesAndRankBySmoothedShare) {
  std::array<KeyTally, 256> keys{};
  keys['a'] = {2, 1};      // one slip: not weak yet
  keys['b'] = {4, 2};      // half of few
  keys['c'] = {400, 100};  // a quarter of many
  keys['d'] = {100, 3};
  const std::vector<WeakKey> weak = weakestKeys(keys, 10);
  ASSERT_EQ(weak.size(), 3u);
  EXPECT_EQ(weak[0].ch, 'b');
  EXPECT_EQ(weak[1].ch, 'c');
  EXPECT_EQ(weak[2].ch, 'd');
  EXPECT_DOUBLE_EQ(weak[1].rate, 0.25);
  EXPECT_EQ(weakestKeys(keys, 1).size(), 1u);
}

// Whatever is found where the history should be, the program goes on: the
// broken file is moved aside with its journal and a new history begins.
TEST_F(HistoryFile, DamagedFileIsMovedAsideAndANewHistoryBegins) {
  std::string notice;
  fs::create_directories(file_.parent_path());
  {
    std::ofstream junk(file_, std::ios::binary);
    junk << std::string(5000, 'x');
  }
  {
    std::ofstream journal(fs::path(file_) += "-journal", std::ios::binary);
    journal << std::string(512, 'y');
  }
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  EXPECT_NE(notice.find(w1252("beschädigt")), std::string::npos) << notice;
  EXPECT_NE(notice.find(w1252("Lernverlauf-beschädigt-1.sqlite")), std::string::npos) << notice;
  const fs::path aside = file_.parent_path() / fs::path(u8"Lernverlauf-beschädigt-1.sqlite");
  EXPECT_TRUE(fs::exists(aside));
  // The old file's journal is gone from beside the new one, moved along or
  // taken back by SQLite; never played into the new history.
  EXPECT_FALSE(fs::exists(fs::path(file_) += "-journal"));
  EXPECT_EQ(fs::file_size(aside), 5000u);
  ASSERT_TRUE(store->record(sample(1), notice)) << notice;
  EXPECT_EQ(store->count(), 1);
  store.reset();

  // A valid database whose pages were overwritten later: found when read or
  // written, then handled the same way; the exercise goes into the new file.
  {
    std::fstream damage(file_, std::ios::in | std::ios::out | std::ios::binary);
    damage.seekp(4096);
    const std::string garbage(4096, '\x5A');
    damage.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  ASSERT_TRUE(store->record(sample(2), notice));
  EXPECT_NE(notice.find(w1252("Lernverlauf-beschädigt-2.sqlite")), std::string::npos) << notice;
  EXPECT_EQ(store->count(), 1);
  const HistoryOverview o = store->overview(notice);
  EXPECT_EQ(o.totals.exercises, 1);
}

TEST_F(HistoryFile, NewerSchemaIsReadButNeverWritten) {
  std::string notice;
  {
    auto store = HistoryStore::open(file_, notice);
    ASSERT_TRUE(store->record(sample(1), notice));
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.string().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store);
  EXPECT_TRUE(store->readOnly());
  EXPECT_FALSE(store->record(sample(2), notice));
  EXPECT_NE(notice.find("neueren Version"), std::string::npos);
  EXPECT_EQ(store->count(), 1);
}

#if !defined(_WIN32)
// Two programs writing at once: every exercise of both arrives, and the file
// stays sound.
TEST_F(HistoryFile, TwoProgramsWritingAtOnceLoseNothing) {
  std::string notice;
  ASSERT_TRUE(HistoryStore::open(file_, notice));
  constexpr int kEach = 40;
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::string why;
      auto store = HistoryStore::open(file_, why);
      int ok = 0;
      for (int n = 0; n < kEach && store; ++n) ok += store->record(sample(n), why) ? 1 : 0;
      _exit(ok == kEach ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto store = HistoryStore::open(file_, notice);
  EXPECT_EQ(store->count(), 2 * kEach);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.string().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
}

// The power cut: a program dies in the middle of writing an exercise. The
// next start finds every earlier exercise and none of the half-written one.
TEST_F(HistoryFile, ProgramKilledWhileWritingLosesOnlyThatExercise) {
  std::string notice;
  {
    auto store = HistoryStore::open(file_, notice);
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(store->record(sample(n), notice));
  }
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(file_.string().c_str(), &db);
    sqlite3_exec(db, "PRAGMA synchronous = FULL; BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "INSERT INTO exercises VALUES (NULL,'2026-12-09 08:00:00',1,0,0,'halb','',0,0,60,100,"
                 "0,100,0,0,0); DELETE FROM exercises WHERE id = 1;",
                 nullptr, nullptr, nullptr);
    // Spill the change into the file itself, as a large exercise would.
    sqlite3_exec(db, "PRAGMA cache_spill = 1; PRAGMA cache_size = 1;", nullptr, nullptr, nullptr);
    for (int k = 0; k < 200; ++k) {
      sqlite3_exec(db, "INSERT INTO word_slips VALUES (2, hex(randomblob(500)), '')", nullptr, nullptr, nullptr);
    }
    _exit(0);  // no COMMIT, no close: the journal stays hot
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(fs::exists(fs::path(file_) += "-journal"));
  auto store = HistoryStore::open(file_, notice);
  ASSERT_TRUE(store) << notice;
  EXPECT_TRUE(notice.empty()) << notice;
  EXPECT_EQ(store->count(), 3);
  const std::vector<HistoryRow> rows = store->rows(notice);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].title, w1252("Übung 0"));
  EXPECT_TRUE(store->record(sample(4), notice));
  EXPECT_EQ(store->count(), 4);
}
#endif

}  // namespace
}  // namespace kv
