// kvtool lesson --stats over untrusted bytes, and the lesson made from what
// it accepts. Nothing may crash or hang; accepted figures are sane, and the
// lesson has only characters of the keys they open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "adaptive/adaptive_lesson.h"
#include "tools/kvtool_lesson_stats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kv::tool::LessonStats stats;
  std::string error;
  if (!kv::tool::readLessonStats(bytes, stats, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const unsigned char key : stats.open.inCourseOrder()) {
    const kv::KeyFigure& figure = stats.figures[key];
    if (figure.missed > figure.strokes || figure.meanMs < 0.0 || figure.meanMs > kv::tool::kSlowestMeanMs) {
      std::abort();
    }
  }
  if (stats.target && (*stats.target < kv::kLeastTarget || *stats.target > kv::kMostTarget)) std::abort();
  kv::AdaptiveSettings settings;
  settings.lines = 2;
  settings.seed = size;
  const kv::AdaptiveLesson lesson = kv::makeLessonFromFigures(stats.figures, stats.open, settings);
  for (const std::string& line : lesson.lines) {
    if (line.size() > kv::kLessonLineLength || !stats.open.allowsAll(line)) std::abort();
  }
  if (lesson.title.size() > kv::kTitleMax) std::abort();
  return 0;
}
