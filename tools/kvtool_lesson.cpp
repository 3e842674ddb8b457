#include "tools/kvtool_lesson.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <random>

#include "adaptive/adaptive_lesson.h"
#include "history/history_store.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tools/kvtool_cli.h"
#include "tools/kvtool_lesson_stats.h"

namespace kv::tool {
namespace {

std::string inQuotes(std::string_view text) { return "\u201E" + std::string(text) + "\u201C"; }

// A learner's history, opened as someone else's: read-only and distrusted.
bool readHistory(const std::string& file, std::vector<ExerciseRecord>& records, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(pathOfArgument(file), ec)) {
    err << "Den Lernverlauf " << inQuotes(file) << " gibt es nicht.\n";
    return false;
  }
  std::string notice;
  const std::unique_ptr<HistoryStore> store = HistoryStore::openUntrusted(pathOfArgument(file), notice);
  if (!store) {
    err << cp1252ToUtf8(notice) << "\n";
    return false;
  }
  records = store->records(notice);
  if (!notice.empty()) {
    err << cp1252ToUtf8(notice) << "\n";
    return false;
  }
  return true;
}

bool readStats(const std::string& file, LessonStats& stats, std::ostream& err) {
  std::string bytes;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(pathOfArgument(file), ec) ||
      !readWholeFile(pathOfArgument(file), bytes, kMostStatsBytes + 1)) {
    err << "Die Kennzahlen " << inQuotes(file) << " lassen sich nicht lesen.\n";
    return false;
  }
  std::string error;
  if (!readLessonStats(bytes, stats, error)) {
    err << inQuotes(file) << ": " << error << "\n";
    return false;
  }
  return true;
}

std::string keyList(const std::vector<unsigned char>& keys) {
  std::string text;
  for (const unsigned char key : keys) text += (text.empty() ? "" : " ") + cp1252ToUtf8(courseKeyName(key));
  return text.empty() ? "keine" : text;
}

void printLesson(const AdaptiveLesson& lesson, std::ostream& out) {
  for (const std::string& line : lesson.lines) out << cp1252ToUtf8(line) << "\n";
  std::vector<unsigned char> locked;
  for (const unsigned char key : courseOrder()) {
    if (!lesson.open.has(key)) locked.push_back(key);
  }
  out << "Tasten: " << keyList(lesson.open.inCourseOrder()) << "\n";
  out << "Schwerpunkt: " << cp1252ToUtf8(courseKeyName(lesson.progress.focus)) << "\n";
  out << "Gesperrt: " << keyList(locked) << "\n";
}

}  // namespace

int runLesson(const LessonOptions& options, std::ostream& out, std::ostream& err) {
  AdaptiveSettings settings;
  settings.lines = options.lines;
  settings.seed = options.seed ? *options.seed : std::random_device{}();
  if (!options.stats.empty()) {
    LessonStats stats;
    if (!readStats(options.stats, stats, err)) return 1;
    settings.target = options.target.value_or(stats.target.value_or(kDefaultTarget));
    printLesson(makeLessonFromFigures(stats.figures, stats.open, settings), out);
    return 0;
  }
  std::vector<ExerciseRecord> records;
  if (!options.history.empty() && !readHistory(options.history, records, err)) return 1;
  settings.target = options.target.value_or(kDefaultTarget);
  printLesson(makeAdaptiveLesson(records, settings), out);
  return 0;
}

void addLessonCommand(CLI::App& app) {
  auto options = std::make_shared<LessonOptions>();
  CLI::App* lesson = app.add_subcommand(
      "lesson", "Eine Lektion \u201EAdaptiv \u00FCben\u201C aus dem Lernverlauf oder aus Kennzahlen (JSON)");
  CLI::Option* history = lesson->add_option("--history", options->history, "Lernverlauf des Lernenden")
                             ->type_name("DATEI");
  lesson->add_option("--stats", options->stats, "Kennzahlen je Taste als JSON statt eines Lernverlaufs")
      ->type_name("DATEI.json")
      ->excludes(history);
  lesson->add_option("--target", options->target, "Ziel in Anschl\u00E4gen pro Minute (Standard 100)")
      ->check(numberBetween(kLeastTarget, kMostTarget))
      ->type_name("ZAHL");
  lesson->add_option("--lines", options->lines, "Zeilen der Lektion (Standard 8)")
      ->check(numberBetween(1, static_cast<long long>(kMostLessonLines)))
      ->type_name("ZAHL");
  lesson->add_option("--seed", options->seed, "Startwert des Zufalls: derselbe Wert, dieselbe Lektion")
      ->type_name("ZAHL");
  lesson->callback([options] {
    const int rc = runLesson(*options, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
}

}  // namespace kv::tool
