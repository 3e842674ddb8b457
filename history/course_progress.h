// The Grundkurs in the learning history: which lessons were practised, their
// best result, and the next lesson to take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace kv {

// A lesson counts as passed with at most this share of errors.
inline constexpr double kPassingErrorPercent = 2.0;

struct LessonInfo {
  std::string title;  // Windows-1252, as in the archive
  std::int32_t lineCount = 0;
};

struct LessonProgress {
  std::string title;
  int attempts = 0;
  bool passed = false;
  bool hasBest = false;  // an attempt with an error percentage
  std::int64_t bestKeystrokesPerMinute = 0;
  double bestErrorPercent = 0.0;
};

// Passed: the whole lesson was typed (every line, as the selection dialog
// offers it at first), the evaluation was possible and went to the end, and
// at most kPassingErrorPercent of the keystrokes were errors.
bool passesLesson(const HistoryRow& row, const LessonInfo& lesson);

// One entry per lesson of `course` (the archive's name), from every recorded
// exercise; the best attempt is the one with the fewest errors, then the
// fastest.
std::vector<LessonProgress> courseProgress(const std::vector<HistoryRow>& rows,
                                           const std::vector<LessonInfo>& lessons,
                                           const std::string& course);

// The first lesson not passed yet; progress.size() when all are.
std::size_t nextLesson(const std::vector<LessonProgress>& progress);

}  // namespace kv
