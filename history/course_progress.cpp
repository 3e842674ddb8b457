#include "history/course_progress.h"

namespace kv {

bool passesLesson(const HistoryRow& row, const LessonInfo& lesson) {
  const HistoryPoint& p = row.point;
  if (!p.counts() || !p.hasErrorPercent) return false;
  const bool fromTheStart = row.firstLine <= 1;
  const bool toTheEnd = row.lastLine == 0 || row.lastLine >= lesson.lineCount;
  return fromTheStart && toTheEnd && p.errorPercent <= kPassingErrorPercent;
}

std::vector<LessonProgress> courseProgress(const std::vector<HistoryRow>& rows,
                                           const std::vector<LessonInfo>& lessons,
                                           const std::string& course) {
  std::vector<LessonProgress> progress;
  progress.reserve(lessons.size());
  for (const LessonInfo& lesson : lessons) progress.push_back({lesson.title});
  for (const HistoryRow& row : rows) {
    if (row.archive != course) continue;
    for (std::size_t k = 0; k < lessons.size(); ++k) {
      if (row.title != lessons[k].title) continue;
      LessonProgress& p = progress[k];
      ++p.attempts;
      p.passed = p.passed || passesLesson(row, lessons[k]);
      if (!row.point.counts() || !row.point.hasErrorPercent) break;
      const bool better = !p.hasBest || row.point.errorPercent < p.bestErrorPercent ||
                          (row.point.errorPercent == p.bestErrorPercent &&
                           row.point.keystrokesPerMinute > p.bestKeystrokesPerMinute);
      if (better) {
        p.hasBest = true;
        p.bestErrorPercent = row.point.errorPercent;
        p.bestKeystrokesPerMinute = row.point.keystrokesPerMinute;
      }
      break;
    }
  }
  return progress;
}

std::size_t nextLesson(const std::vector<LessonProgress>& progress) {
  for (std::size_t k = 0; k < progress.size(); ++k) {
    if (!progress[k].passed) return k;
  }
  return progress.size();
}

}  // namespace kv
