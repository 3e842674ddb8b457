#include "ui/adaptive/adaptive_run_win.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "adaptive/adaptive_lesson.h"
#include "platform/encoding.h"
#include "ui/history/history_access_win.h"
#include "ui/shared/app_state.h"

namespace kv {
namespace {

// The next lesson reads this many of the newest exercises: enough for every
// open key's latest strokes and the trend of the recent lessons, few enough
// that a history of years is not read in full before each lesson.
constexpr std::size_t kRecordsRead = 300;

}  // namespace

AdaptiveRun& adaptiveRun() {
  static AdaptiveRun run;
  return run;
}

std::vector<ExerciseRecord> adaptiveRecords(std::string& notice) {
  notice.clear();
  AdaptiveRun& run = adaptiveRun();
  std::vector<ExerciseRecord> records;
  if (appState().settings.policies.historyEnabled) {
    if (HistoryStore* history = openHistory(notice)) {
      std::string read;
      records = history->records(read, kRecordsRead);
      if (!read.empty()) notice = read;
    }
  }
  // A lesson the Lernverlauf could not take (or is not kept) still counts.
  std::set<std::string> known;
  for (const ExerciseRecord& r : records) known.insert(r.token);
  for (const ExerciseRecord& r : run.lessons) {
    if (r.token.empty() || !known.count(r.token)) records.push_back(r);
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const ExerciseRecord& a, const ExerciseRecord& b) { return a.startedAt < b.startedAt; });
  return records;
}

bool adaptiveLessonRunning() { return adaptiveRun().lessonRunning; }

void keepAdaptiveLesson(const ExerciseRecord& record) {
  if (!isAdaptiveRecord(record)) return;
  AdaptiveRun& run = adaptiveRun();
  run.lessons.push_back(record);
  // What the next lessons need of this run; the Lernverlauf keeps the rest.
  constexpr std::size_t kLessonsKept = 200;
  if (run.lessons.size() > kLessonsKept) run.lessons.erase(run.lessons.begin());
}

bool startAdaptiveLesson(std::string& notice) {
  AppState& state = appState();
  AdaptiveRun& run = adaptiveRun();
  if (run.target <= 0) run.target = kDefaultTarget;
  const std::vector<ExerciseRecord> records = adaptiveRecords(notice);
  AdaptiveSettings settings;
  settings.target = run.target;
  settings.seed = (static_cast<std::uint64_t>(::GetTickCount()) << 20) ^ records.size();
  settings.previousLine = run.previousLine;
  const AdaptiveLesson lesson = makeAdaptiveLesson(records, settings);
  if (lesson.lines.empty()) {
    notice = w1252("Die Lektion konnte nicht zusammengestellt werden.");
    return false;
  }
  if (!run.replacedExercise) {
    run.exerciseBefore = state.exercise;
    run.textBefore = state.currentText;
    run.replacedExercise = true;
  }
  ExerciseParameters& exercise = state.exercise;
  exercise.selection = LineSelection{};
  exercise.limitSeconds = 0;
  exercise.textTitle = lesson.title;
  exercise.archiveCaption = w1252("Adaptiv üben");
  CurrentText& text = state.currentText;
  text.archivePath.clear();
  text.lines = lesson.lines;
  text.longestLine = 0;
  for (const std::string& line : text.lines) {
    text.longestLine = std::max(text.longestLine, static_cast<std::int32_t>(line.size()));
  }
  applyLineSelection(LineSelection{}, text);
  run.previousLine = lesson.lines.back();
  run.lessonRunning = true;
  return true;
}

void endAdaptiveLessons() {
  AdaptiveRun& run = adaptiveRun();
  run.lessonRunning = false;
  if (!run.replacedExercise) return;
  AppState& state = appState();
  state.exercise = run.exerciseBefore;
  state.currentText = run.textBefore;
  run.replacedExercise = false;
}

}  // namespace kv
