#include "adaptive/adaptive_lesson.h"

#include <algorithm>
#include <cmath>


namespace kv {
namespace {

constexpr std::string_view kFocusWord = " Schwerpunkt ";

int clampedTarget(int target) { return std::clamp(target, kLeastTarget, kMostTarget); }

// How many keys of the course order a record needed, up to the furthest.
std::size_t furthestNeeded(const ExerciseRecord& record) {
  std::size_t furthest = 0;
  for (int code = 1; code < 256; ++code) {
    const auto ch = static_cast<unsigned char>(code);
    if (record.keys[ch].needed == 0) continue;
    const std::size_t position = coursePosition(courseKeyOf(ch));
    if (position < courseOrder().size()) furthest = std::max(furthest, position + 1);
    if (isCapitalLetter(ch)) furthest = std::max(furthest, coursePosition(kShiftKey) + 1);
  }
  return furthest;
}

// The recent adaptive records, oldest first.
std::vector<const ExerciseRecord*> recentAdaptive(std::span<const ExerciseRecord> records) {
  std::vector<const ExerciseRecord*> recent;
  for (auto record = records.rbegin(); record != records.rend() && recent.size() < kTrendLessons; ++record) {
    if (isAdaptiveRecord(*record)) recent.push_back(&*record);
  }
  std::reverse(recent.begin(), recent.end());
  return recent;
}

// The per-lesson change of a key's speed or miss rate, by least squares over
// the lessons that had the key; empty with too few of them.
std::optional<double> trend(unsigned char key, const std::vector<KeyFigures>& perLesson, bool ofMisses) {
  std::vector<std::pair<double, double>> points;
  for (std::size_t lesson = 0; lesson < perLesson.size(); ++lesson) {
    const KeyFigure& figure = perLesson[lesson][key];
    const double value = ofMisses ? missRate(figure) : keySpeed(key, figure);
    const bool measured = ofMisses ? figure.strokes > 0 : value > 0.0;
    if (measured) points.emplace_back(static_cast<double>(lesson), value);
  }
  if (points.size() < kLeastTrendLessons) return std::nullopt;
  double meanX = 0.0;
  double meanY = 0.0;
  for (const auto& [x, y] : points) {
    meanX += x / static_cast<double>(points.size());
    meanY += y / static_cast<double>(points.size());
  }
  double covariance = 0.0;
  double variance = 0.0;
  for (const auto& [x, y] : points) {
    covariance += (x - meanX) * (y - meanY);
    variance += (x - meanX) * (x - meanX);
  }
  if (variance <= 0.0) return std::nullopt;
  return covariance / variance;
}

// Lessons until a key not yet reached reaches the target; empty when the
// trend does not say.
std::optional<int> lessonsForKey(const KeyProgress& key, int target, const std::vector<KeyFigures>& perLesson) {
  int lessons = 1;
  if (key.speed < target) {
    const std::optional<double> gain = trend(key.key, perLesson, false);
    if (!gain || *gain <= 0.0) return std::nullopt;
    lessons = std::max(lessons, static_cast<int>(std::ceil((target - key.speed) / *gain)));
  }
  if (key.missRate > kMostMissRate) {
    const std::optional<double> change = trend(key.key, perLesson, true);
    if (!change || *change >= 0.0) return std::nullopt;
    lessons = std::max(lessons, static_cast<int>(std::ceil((key.missRate - kMostMissRate) / -*change)));
  }
  if (key.strokes < kLeastStrokes) {
    // As many lessons as its strokes need at the pace of the recent ones.
    double strokes = 0.0;
    for (const KeyFigures& figures : perLesson) strokes += figures[key.key].strokes;
    if (strokes <= 0.0) return std::nullopt;
    const double perLessonStrokes = strokes / static_cast<double>(perLesson.size());
    lessons = std::max(lessons, static_cast<int>(std::ceil((kLeastStrokes - key.strokes) / perLessonStrokes)));
  }
  return lessons;
}

std::optional<int> forecast(const AdaptiveProgress& progress, std::span<const ExerciseRecord> records) {
  if (!progress.hasNext) return std::nullopt;
  std::vector<KeyFigures> perLesson;
  for (const ExerciseRecord* record : recentAdaptive(records)) perLesson.push_back(figuresOfRecord(*record));
  if (perLesson.empty()) return std::nullopt;
  int lessons = 1;
  for (const KeyProgress& key : progress.keys) {
    if (key.reached) continue;
    const std::optional<int> forKey = lessonsForKey(key, progress.target, perLesson);
    if (!forKey) return std::nullopt;
    lessons = std::max(lessons, *forKey);
  }
  return lessons;
}

}  // namespace

bool isAdaptiveRecord(const ExerciseRecord& record) { return record.title.starts_with(kAdaptiveTitlePrefix); }

std::string adaptiveTitle(unsigned char focus) {
  std::string title = std::string(kAdaptiveTitlePrefix) + std::string(kFocusWord) + courseKeyShortName(focus);
  return title.substr(0, kTitleMax);
}

KeySet openKeys(std::span<const ExerciseRecord> records, const KeyFigures& figures, int target) {
  std::size_t count = kStartingKeys;
  // Every adaptive lesson has all its open keys, so the latest ones tell.
  const std::span<const ExerciseRecord> latest =
      records.size() > kMostReadRecords ? records.last(kMostReadRecords) : records;
  for (const ExerciseRecord& record : latest) {
    if (isAdaptiveRecord(record)) count = std::max(count, furthestNeeded(record));
  }
  KeySet open = KeySet::firstOfCourse(count);
  const std::vector<unsigned char> keys = open.inCourseOrder();
  const bool allReached = std::all_of(keys.begin(), keys.end(), [&](unsigned char key) {
    return keyReached(key, figures[key], clampedTarget(target));
  });
  if (allReached && count < courseOrder().size()) open.add(courseOrder()[count]);
  return open;
}

AdaptiveProgress progressFromFigures(const KeyFigures& figures, const KeySet& open, int target) {
  AdaptiveProgress progress;
  progress.target = clampedTarget(target);
  for (const unsigned char key : open.inCourseOrder()) {
    KeyProgress entry;
    entry.key = key;
    entry.name = courseKeyName(key);
    entry.speed = keySpeed(key, figures[key]);
    entry.strokes = figures[key].strokes;
    entry.missed = figures[key].missed;
    entry.missRate = missRate(figures[key]);
    entry.reached = keyReached(key, figures[key], progress.target);
    progress.keys.push_back(entry);
  }
  progress.hasNext = open.firstMissing(progress.nextKey);
  if (progress.keys.empty()) return progress;
  // The weakest first; among equals the later key, which is the newer one.
  std::vector<std::size_t> order(progress.keys.size());
  for (std::size_t at = 0; at < order.size(); ++at) order[at] = order.size() - 1 - at;
  const auto strength = [&](std::size_t at) {
    return keyStrength(progress.keys[at].key, figures[progress.keys[at].key], progress.target);
  };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
    if (progress.keys[left].reached != progress.keys[right].reached) return !progress.keys[left].reached;
    return strength(left) < strength(right);
  });
  const std::size_t newest = progress.keys.size() - 1;
  const std::size_t focus = progress.keys[newest].reached ? order.front() : newest;
  progress.focus = progress.keys[focus].key;
  progress.keys[focus].weak = true;
  std::size_t others = 0;
  for (const std::size_t at : order) {
    if (others == kMostOtherWeakKeys || progress.keys[at].reached) break;
    if (at == focus) continue;
    progress.keys[at].weak = true;
    ++others;
  }
  return progress;
}

AdaptiveProgress adaptiveProgress(std::span<const ExerciseRecord> records, int target) {
  const KeyFigures figures = figuresFromRecords(records);
  AdaptiveProgress progress = progressFromFigures(figures, openKeys(records, figures, target), target);
  progress.lessonsToNext = forecast(progress, records);
  return progress;
}

AdaptiveLesson makeLessonFromFigures(const KeyFigures& figures, const KeySet& open, const AdaptiveSettings& settings,
                                     const WordBank& words) {
  AdaptiveLesson lesson;
  lesson.open = open;
  lesson.progress = progressFromFigures(figures, open, settings.target);
  LessonRequest request;
  request.open = open;
  request.weakKeys.push_back(lesson.progress.focus);
  for (const KeyProgress& key : lesson.progress.keys) {
    if (key.weak && key.key != lesson.progress.focus) request.weakKeys.push_back(key.key);
  }
  request.lines = std::min(settings.lines, kMostLessonLines);
  request.previousLine = settings.previousLine;
  request.seed = settings.seed;
  lesson.lines = composeLesson(request, words);
  lesson.title = adaptiveTitle(lesson.progress.focus);
  return lesson;
}

AdaptiveLesson makeAdaptiveLesson(std::span<const ExerciseRecord> records, const AdaptiveSettings& settings,
                                  const WordBank& words) {
  const KeyFigures figures = figuresFromRecords(records);
  AdaptiveLesson lesson = makeLessonFromFigures(figures, openKeys(records, figures, settings.target), settings, words);
  lesson.progress.lessonsToNext = forecast(lesson.progress, records);
  return lesson;
}

}  // namespace kv
