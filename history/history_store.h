// The learner's history in one SQLite file: every evaluated exercise with its
// key and word slips. Each exercise is one transaction, so a power cut loses
// at most the exercise being written, and a second program waits for the
// first instead of corrupting the file. A file that turns out unreadable is
// moved aside and a new history begins; the caller tells the learner.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "history/exercise_record.h"
#include "platform/file_io.h"

struct sqlite3;

namespace kv {

// The schema this program writes; older files are brought up to it.
inline constexpr int kHistorySchemaVersion = 1;
// How many of the latest exercises decide the weak keys and words.
inline constexpr int kRecentExercises = 100;

struct HistoryPoint {
  std::string startedAt;  // "JJJJ-MM-TT hh:mm:ss"
  int form = 1;
  std::int64_t seconds = 0;
  std::uint32_t keystrokes = 0;
  std::int64_t keystrokesPerMinute = 0;
  bool hasErrorPercent = false;
  double errorPercent = 0.0;
  bool voided = false;
  bool impossible = false;
  // A point that belongs in the speed and error chart.
  bool counts() const { return !voided && !impossible && keystrokes > 0; }
};

struct WeakKey {
  unsigned char ch = 0;
  std::uint32_t needed = 0;
  std::uint32_t missed = 0;
  double rate = 0.0;  // missed / needed
  // What was typed instead, most often first; 0 stands for "left out".
  std::vector<std::pair<unsigned char, std::uint32_t>> typedInstead;
  RhythmStat rhythm;
};

struct MistypedWord {
  std::string expected;  // Windows-1252
  std::uint32_t count = 0;
  std::string typedMostOften;
};

struct HistoryTotals {
  std::int64_t exercises = 0;
  std::int64_t seconds = 0;
  std::int64_t bestKeystrokesPerMinute = 0;
  // The mean of the last five exercises that count; 0 without any.
  double recentKeystrokesPerMinute = 0.0;
};

struct HistoryOverview {
  HistoryTotals totals;
  std::vector<HistoryPoint> points;  // oldest first
  // Over the recent exercises: every key's tally and rhythm.
  std::array<KeyTally, 256> keys{};
  std::array<RhythmStat, 256> rhythm{};
  std::vector<WeakKey> weakKeys;         // weakest first, at most 10
  std::vector<MistypedWord> words;       // most often first, at most 10
};

// One exercise as a row of the spreadsheet export.
struct HistoryRow {
  HistoryPoint point;
  std::int32_t pace = 0;
  bool correction = false;
  std::string title;    // Windows-1252
  std::string archive;  // Windows-1252
  std::int32_t firstLine = 0;
  std::int32_t lastLine = 0;
  std::int32_t errors = 0;
};

// Picks the weakest keys from the tallies: keys missed at least twice, by
// their share of misses, smoothed so that a key needed twice and missed once
// does not outrank one missed a hundred times.
std::vector<WeakKey> weakestKeys(const std::array<KeyTally, 256>& keys, std::size_t count);

struct StoreOptions {
  // How long a write waits for another program that holds the file.
  int busyTimeoutMs = 5000;
  // SQLite's file layer by name; null for the system's own.
  const char* vfs = nullptr;
};

// The first failure of an operation, taken before any clean-up step could
// replace SQLite's error with one of its own.
struct StoreFailure {
  int sqliteCode = 0;  // the extended result code
  FileProblem problem;
};

class HistoryStore {
 public:
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // Opens or creates the file (its folder is created too). A file that is
  // no SQLite database, or a damaged one, is moved aside and replaced; then
  // `notice` holds one sentence for the learner. Null when the file cannot
  // be opened at all, with the reason in `notice`.
  static std::unique_ptr<HistoryStore> open(const std::filesystem::path& file, std::string& notice,
                                            const StoreOptions& options = {});

  // Opens someone else's history to read it, as a teacher does with a
  // learner's: read-only, with SQLite's defensive mode and no trust in what
  // the schema asks to run, checked before use, and with every query cut off
  // after a bounded amount of work so a crafted file cannot hang the reader.
  // Null with the German reason when the file is refused.
  static std::unique_ptr<HistoryStore> openUntrusted(const std::filesystem::path& file, std::string& notice);

  // Adds one exercise. False when it could not be written; `notice` says why
  // (or, after a damaged file was replaced and the record written to the new
  // one, that the old file was moved aside).
  // A record whose token is already there counts as written and is not
  // added again. A connection that failed is closed, so the next use starts
  // afresh (and SQLite plays back what a cut left behind).
  bool record(const ExerciseRecord& record, std::string& notice);
  // Why the last operation failed; meaningful after a false answer.
  const StoreFailure& lastFailure() const { return failure_; }

  // Every exercise in full, tokens included, oldest first: the store of
  // exercises that wait for the history is read back with it. With
  // `newest`, only that many of the latest.
  std::vector<ExerciseRecord> records(std::string& notice, std::size_t newest = 0);
  // Removes the exercise with this token; true when it is gone.
  bool forget(const std::string& token, std::string& notice);
  // How many exercises carry this token (0 or 1); -1 when unreadable.
  std::int64_t countToken(const std::string& token);

  HistoryOverview overview(std::string& notice);
  std::vector<HistoryRow> rows(std::string& notice);
  // Only the exercises of one archive (its name, Windows-1252): the course
  // list reads its lessons, not the whole history.
  std::vector<HistoryRow> rowsOfArchive(const std::string& archive, std::string& notice);

  // Number of exercises recorded; -1 when the file cannot be read.
  std::int64_t count();
  const std::filesystem::path& file() const { return file_; }
  // Set when the file comes from a newer program: it is read, never written.
  bool readOnly() const { return readOnly_; }

 private:
  HistoryStore(std::filesystem::path file, StoreOptions options);
  bool connect(std::string& notice);
  bool migrate(std::string& notice);
  void disconnect();
  // Moves a damaged file and its journal aside and starts a new one.
  bool replaceDamaged(std::string& notice);
  bool write(const ExerciseRecord& record, int& error);
  bool readOverview(HistoryOverview& out, int& error);
  bool readRows(std::vector<HistoryRow>& out, int& error, const std::string* archive = nullptr);
  bool readRecords(std::vector<ExerciseRecord>& out, int& error, std::size_t newest = 0);
  // Keeps SQLite's error and the system's code of this moment.
  void noteFailure(int error);
  std::string failureNotice(bool writing) const;

  std::filesystem::path file_;
  StoreOptions options_;
  sqlite3* db_ = nullptr;
  bool readOnly_ = false;
  bool untrusted_ = false;
  int stepsLeft_ = 0;  // what an untrusted file's queries may still take
  StoreFailure failure_;
  // The points as last read, so that opening the Lernverlauf again reads
  // only the exercises added since: the window's cost should not grow with
  // the history. Known by the count, the largest and the sum of the ids, so
  // exercises added or forgotten by another program are noticed too.
  struct PointCache {
    std::vector<HistoryPoint> points;
    std::int64_t count = -1, maxId = 0, idSum = 0;
  } pointCache_;
  bool readPoints(std::vector<HistoryPoint>& out, int& error);
};

// The German sentence for the learner when the history file was damaged.
std::string damagedHistoryNotice(const std::filesystem::path& movedTo);

// What SQLite's code and the system's code mean for the file's folder.
FileProblem problemOfStoreError(int sqliteCode, std::uint32_t systemCode, const std::filesystem::path& file);

}  // namespace kv
