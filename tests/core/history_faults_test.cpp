// A disk that fills up, a folder that turns read-only, a server that holds
// the file: at every write, sync and lock of a recording in turn. Each time
// the history stays whole, the exercise is there once or waits, and the
// learner reads the real cause in German. The same for the atomic file write
// behind saved exercises and archives.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "history/history_recorder.h"
#include "history/history_store.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tests/core/fault_vfs.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kv {
namespace {

namespace fs = std::filesystem;

// A system code that means `fault` on this system, found through the
// program's own reading of codes so the test needs no system header.
std::uint32_t codeMeaning(FileFault fault) {
  for (std::uint32_t code = 1; code < 2000; ++code) {
    if (faultOfSystemCode(code) == fault) return code;
  }
  return 0;
}

std::string integrity(const fs::path& file) {
  sqlite3* db = nullptr;
  std::string answer = "nicht geöffnet";
  if (sqlite3_open(reinterpret_cast<const char*>(file.u8string().c_str()), &db) == SQLITE_OK) {
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
      answer = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    }
    sqlite3_finalize(check);
  }
  sqlite3_close(db);
  return answer;
}

ExerciseRecord exercise(int n) {
  ExerciseRecord r;
  r.startedAt = "2026-12-08 09:" + std::string(n < 10 ? "0" : "") + std::to_string(n % 60) + ":00";
  r.form = 1 + n % 4;
  r.title = w1252("Übung ") + std::to_string(n);
  r.archive = "Beispieltexte";
  r.seconds = 60 + n;
  r.keystrokes = 300 + static_cast<std::uint32_t>(n);
  r.errors = n % 3;
  r.keystrokesPerMinute = 150;
  r.hasErrorPercent = true;
  r.errorPercent = r.errors * 100.0 / r.keystrokes;
  for (unsigned char c = 'a'; c <= 'z'; ++c) r.keys[c] = {20, c == 'e' ? 2u : 0u};
  r.keys[0xF6] = {8, 3};  // ö
  r.rhythm.add(0xF6, 320);
  r.rhythm.add(0xF6, 410);
  r.confusions = {{0xF6, 'o', 2}, {0xF6, 0, 1}};
  r.words = {{w1252("schön"), "schon"}, {"Garten", "Gartn"}};
  return r;
}

class Folder : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kv-faults-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    test::registerFaultVfs();
  }
  void TearDown() override {
    test::disarmFaults();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// ---------------------------------------------------------------------------
// The history under a failing file layer.

struct FaultCase {
  const char* name;
  test::FaultOp op;
  int resultCode;
  FileFault systemFault;  // what the system's code says, where SQLite asks
  const char* sentence;   // what the learner must read
};

class HistoryFault : public Folder, public testing::WithParamInterface<FaultCase> {};

TEST_P(HistoryFault, EveryFailingStepKeepsTheHistoryWholeAndTheExerciseOnce) {
  const FaultCase& c = GetParam();
  const fs::path history = dir_ / "Server" / "Lernverlauf.sqlite";
  const fs::path waiting = dir_ / "Lokal" / "Lernverlauf-ausstehend.sqlite";
  int n = 1;
  for (;; ++n) {
    SCOPED_TRACE("failing from call " + std::to_string(n));
    fs::remove_all(dir_ / "Server");
    fs::remove_all(dir_ / "Lokal");
    {
      std::string notice;
      auto seed = HistoryStore::open(history, notice);
      ASSERT_TRUE(seed) << notice;
      ASSERT_TRUE(seed->record(exercise(1), notice)) << notice;
      ASSERT_TRUE(seed->record(exercise(2), notice)) << notice;
    }
    StoreOptions options;
    options.vfs = test::kFaultVfs;
    options.busyTimeoutMs = 20;
    HistoryRecorder recorder(history, {waiting}, options);
    ExerciseRecord third = exercise(3);
    third.token = newRecordToken();
    test::armFaults({c.op, n, c.resultCode, codeMeaning(c.systemFault)});
    const RecordOutcome outcome = recorder.record(third);
    const bool hit = test::faultHit();
    test::disarmFaults();

    EXPECT_EQ(integrity(history), "ok");
    std::string notice;
    auto check = HistoryStore::open(history, notice);
    ASSERT_TRUE(check) << notice;
    if (outcome.fate == RecordFate::Recorded) {
      EXPECT_TRUE(outcome.notice.empty()) << outcome.notice;
      EXPECT_EQ(check->count(), 3);
      EXPECT_EQ(check->countToken(third.token), 1);
    } else {
      ASSERT_EQ(outcome.fate, RecordFate::Kept) << outcome.notice;
      EXPECT_TRUE(hit);
      const std::string text = cp1252ToUtf8(outcome.notice);
      EXPECT_NE(text.find(c.sentence), std::string::npos) << text;
      EXPECT_NE(text.find("Lernverlauf.sqlite"), std::string::npos) << text;
      EXPECT_NE(text.find("aufbewahrt"), std::string::npos) << text;
      EXPECT_EQ(text.find("rollback"), std::string::npos) << text;
      EXPECT_EQ(text.find("no transaction"), std::string::npos) << text;
      EXPECT_EQ(recorder.waiting(), 1);
      EXPECT_LE(check->countToken(third.token), 1);
      // Space freed, or the other program gone: the next start catches up.
      check.reset();
      HistoryRecorder nextStart(history, {waiting});
      EXPECT_EQ(nextStart.catchUp(), 1);
      EXPECT_EQ(nextStart.waiting(), 0);
      check = HistoryStore::open(history, notice);
      ASSERT_TRUE(check);
      EXPECT_EQ(check->countToken(third.token), 1);
    }
    EXPECT_EQ(check->count(), 3);
    // The exercise arrives whole, not only its figures.
    const std::vector<ExerciseRecord> all = check->records(notice);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all.back().title, third.title);
    EXPECT_EQ(all.back().words, third.words);
    EXPECT_EQ(all.back().keys[0xF6].missed, 3u);
    if (!hit) break;  // the recording needed fewer calls than n: all were tried
    ASSERT_LT(n, 400) << "the loop does not end";
  }
  EXPECT_GT(n, 1) << "no call of this kind was ever made";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HistoryFault,
    testing::Values(FaultCase{"DiskFull", test::FaultOp::Write, SQLITE_FULL, FileFault::Other,
                              "Der Datenträger ist voll."},
                    FaultCase{"WriteOnReadOnlyFolder", test::FaultOp::Write, SQLITE_IOERR_WRITE,
                              FileFault::ReadOnly, "ist schreibgeschützt."},
                    FaultCase{"SyncFails", test::FaultOp::Sync, SQLITE_IOERR_FSYNC, FileFault::Other,
                              "Das System meldet einen Schreib- oder Lesefehler (Fehlercode"},
                    FaultCase{"LockedByAnother", test::FaultOp::Lock, SQLITE_BUSY, FileFault::Other,
                              "von einem anderen Programm verwendet."}),
    [](const testing::TestParamInfo<FaultCase>& row) { return std::string(row.param.name); });

TEST_F(Folder, FolderThatVanishedIsNamedAndTheExerciseWaitsInMemoryWhenNoPlaceIsLeft) {
  const fs::path history = dir_ / "Server" / "Klasse" / "Lernverlauf.sqlite";
  std::string notice;
  {
    auto seed = HistoryStore::open(history, notice);
    ASSERT_TRUE(seed->record(exercise(1), notice));
  }
  // The waiting place lies under a file, so it cannot be made either.
  std::ofstream(dir_ / "blockiert") << "x";
  HistoryRecorder recorder(history, {dir_ / "blockiert" / "Lernverlauf-ausstehend.sqlite"});
  std::string ignored;
  ASSERT_NE(recorder.history(ignored), nullptr);
#if defined(_WIN32)
  // Windows removes no folder with an open file in it; there the folder goes
  // with its network drive. A file in the folder's place cannot be made into
  // the folder again either.
  recorder.closeHistory();
  fs::remove_all(dir_ / "Server");
  std::ofstream(dir_ / "Server") << "kein Ordner";
#else
  fs::remove_all(dir_ / "Server");
#endif

  const RecordOutcome outcome = recorder.record(exercise(2));
  EXPECT_EQ(outcome.fate, RecordFate::KeptWhileOpen);
  const std::string text = cp1252ToUtf8(outcome.notice);
  EXPECT_NE(text.find("ist nicht erreichbar."), std::string::npos) << text;
  EXPECT_NE(text.find("Klasse"), std::string::npos) << text;
  EXPECT_EQ(recorder.waitingInMemory(), 1);
  EXPECT_FALSE(fs::is_directory(dir_ / "Server")) << "the vanished folder was made anew in its old place";
  EXPECT_NE(cp1252ToUtf8(recorder.lostOnExitNotice()).find("Eine Übung konnte nicht"), std::string::npos);

  // The server is back: the next recording writes both, in order.
  fs::remove(dir_ / "Server");
  fs::create_directories(history.parent_path());
  const RecordOutcome next = recorder.record(exercise(3));
  EXPECT_EQ(next.fate, RecordFate::Recorded) << cp1252ToUtf8(next.notice);
  EXPECT_EQ(recorder.waitingInMemory(), 0);
  auto check = HistoryStore::open(history, notice);
  const std::vector<ExerciseRecord> all = check->records(notice);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].title, exercise(2).title);
  EXPECT_EQ(all[1].title, exercise(3).title);
  EXPECT_TRUE(recorder.lostOnExitNotice().empty());
}

TEST_F(Folder, ExerciseFoundWrittenByAnotherProgramIsNotAddedAgain) {
  const fs::path history = dir_ / "Lernverlauf.sqlite";
  const fs::path waiting = dir_ / "Lokal" / "Lernverlauf-ausstehend.sqlite";
  ExerciseRecord r = exercise(1);
  r.token = newRecordToken();
  std::string notice;
  // Written to both, as when a commit reached the disk but reported failure.
  ASSERT_TRUE(HistoryStore::open(history, notice)->record(r, notice));
  ASSERT_TRUE(HistoryStore::open(waiting, notice)->record(r, notice));
  HistoryRecorder recorder(history, {waiting});
  EXPECT_EQ(recorder.waiting(), 1);
  EXPECT_EQ(recorder.catchUp(), 1);
  EXPECT_EQ(recorder.waiting(), 0);
  EXPECT_EQ(HistoryStore::open(history, notice)->count(), 1);
}

// Catching up at the start opens the history first; when that sets a damaged
// file aside, the learner is still told when the Lernverlauf is opened.
TEST_F(Folder, DamagedHistoryFoundWhileCatchingUpIsStillTold) {
  const fs::path history = dir_ / "Lernverlauf.sqlite";
  const fs::path waiting = dir_ / "Lokal" / "ausstehend.sqlite";
  std::ofstream(history, std::ios::binary) << std::string(3000, '?');
  std::string notice;
  ASSERT_TRUE(HistoryStore::open(waiting, notice)->record(exercise(1), notice));
  HistoryRecorder recorder(history, {waiting});
  EXPECT_EQ(recorder.catchUp(), 1);
  ASSERT_NE(recorder.history(notice), nullptr);
  EXPECT_NE(cp1252ToUtf8(notice).find("Der Lernverlauf war beschädigt"), std::string::npos) << notice;
  recorder.history(notice);
  EXPECT_TRUE(notice.empty()) << "told twice";
}

// ---------------------------------------------------------------------------
// The atomic file write under a failing file system.

class FaultyWriter final : public FileWriter {
 public:
  FaultyWriter(int failAt, FileProblem problem) : failAt_(failAt), problem_(problem) {}
  FileProblem create(const fs::path& f) override { return step() ? problem_ : inner_->create(f); }
  FileProblem write(std::string_view b) override { return step() ? problem_ : inner_->write(b); }
  FileProblem sync() override { return step() ? problem_ : inner_->sync(); }
  FileProblem close() override {
    const FileProblem closed = inner_->close();
    return step() ? problem_ : closed;
  }
  FileProblem replace(const fs::path& from, const fs::path& to) override {
    return step() ? problem_ : inner_->replace(from, to);
  }
  void remove(const fs::path& f) override { inner_->remove(f); }
  bool hit() const { return hit_; }

 private:
  bool step() {
    if (++calls_ < failAt_) return false;
    hit_ = true;
    return true;
  }
  std::unique_ptr<FileWriter> inner_ = systemFileWriter();
  int calls_ = 0;
  int failAt_;
  bool hit_ = false;
  FileProblem problem_;
};

TEST_F(Folder, AtomicWriteLeavesTheEarlierFileAtEveryFailingStep) {
  const fs::path target = dir_ / "Ergebnis.kvw";
  const std::string before(5000, 'a');
  const std::string after(7000, 'b');
  const struct {
    FileFault fault;
    const char* sentence;
  } causes[] = {{FileFault::DiskFull, "Der Datenträger ist voll."},
                {FileFault::ReadOnly, "schreibgeschützt."},
                {FileFault::Locked, "von einem anderen Programm verwendet."},
                {FileFault::Other, "Fehlercode"}};
  for (const auto& cause : causes) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(cause.sentence) + " at step " + std::to_string(n));
      std::ofstream(target, std::ios::binary) << before;
      FaultyWriter writer(n, {cause.fault, codeMeaning(cause.fault == FileFault::Other ? FileFault::Other
                                                                                         : cause.fault)});
      const AtomicWriteResult result = writeFileAtomically(target, after, {}, &writer);
      std::string now;
      ASSERT_TRUE(readWholeFile(target, now));
      int files = 0;
      for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++files;
      EXPECT_EQ(files, 1) << "a temporary file was left behind";
      if (!writer.hit()) {
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(now, after);
        EXPECT_GT(n, 5) << "fewer steps than create, write, sync, close and replace";
        break;
      }
      EXPECT_FALSE(result.ok());
      EXPECT_EQ(now, before) << "the earlier file was changed";
      const std::string reason = cp1252ToUtf8(result.reason(target));
      EXPECT_NE(reason.find(cause.sentence), std::string::npos) << reason;
      ASSERT_LT(n, 20);
    }
  }
}

TEST_F(Folder, AtomicWriteNamesAFolderThatIsGone) {
  const fs::path target = dir_ / "weg" / "Ergebnis.kvw";
  const AtomicWriteResult result = writeFileAtomically(target, "neu", {});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.problem.fault, FileFault::FolderMissing);
  const std::string reason = cp1252ToUtf8(result.reason(target));
  EXPECT_NE(reason.find("Der Ordner „"), std::string::npos) << reason;
  EXPECT_NE(reason.find("weg“ ist nicht erreichbar."), std::string::npos) << reason;
}

#if !defined(_WIN32)
// Two programs of one user record at the same moments, through the store as
// the program does: every exercise arrives once, none fails.
TEST_F(Folder, TwoProgramsRecordingAtOnceLoseAndDoubleNothing) {
  const fs::path history = dir_ / "Lernverlauf.sqlite";
  constexpr int kEach = 100;
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HistoryRecorder recorder(history, {dir_ / ("Lokal" + std::to_string(p)) / "ausstehend.sqlite"});
      int recorded = 0;
      for (int n = 0; n < kEach; ++n) {
        recorded += recorder.record(exercise(n)).fate == RecordFate::Recorded ? 1 : 0;
      }
      _exit(recorded == kEach ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a recording failed or waited";
  }
  std::string notice;
  auto store = HistoryStore::open(history, notice);
  ASSERT_TRUE(store) << notice;
  EXPECT_EQ(store->count(), 2 * kEach);
  EXPECT_EQ(integrity(history), "ok");
}

// A program killed in the middle of 200 recordings: after the restart the
// file is sound and holds every exercise that was reported as recorded.
TEST_F(Folder, KilledInTheMiddleOfRecordingsKeepsEveryReportedExercise) {
  const fs::path history = dir_ / "Lernverlauf.sqlite";
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(report[0]);
    HistoryRecorder recorder(history, {dir_ / "Lokal" / "ausstehend.sqlite"});
    for (int n = 0; n < 200; ++n) {
      if (recorder.record(exercise(n)).fate != RecordFate::Recorded) _exit(1);
      const char done = 'x';
      if (write(report[1], &done, 1) != 1) _exit(1);
    }
    _exit(0);
  }
  close(report[1]);
  int reported = 0;
  char done = 0;
  while (reported < 77 && read(report[0], &done, 1) == 1) ++reported;
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  while (read(report[0], &done, 1) == 1) ++reported;
  close(report[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the program ended before it was killed";
  ASSERT_EQ(reported >= 77, true);

  std::string notice;
  HistoryRecorder restart(history, {dir_ / "Lokal" / "ausstehend.sqlite"});
  HistoryStore* store = restart.history(notice);
  ASSERT_NE(store, nullptr) << notice;
  EXPECT_TRUE(notice.empty()) << cp1252ToUtf8(notice);
  EXPECT_GE(store->count(), reported);
  EXPECT_LE(store->count(), reported + 1);
  restart.closeHistory();
  EXPECT_EQ(integrity(history), "ok");
}
#endif

}  // namespace
}  // namespace kv
