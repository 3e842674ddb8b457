// Making an adaptive lesson, as the program does when the learner asks for
// one (goal: under 10 ms): for a new learner, for one with a long history,
// and with every key of the course open.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "adaptive/adaptive_lesson.h"

namespace kv {
namespace {

// Lessons made one after another for the history; more are copies of them.
constexpr std::size_t kMadeLessons = 100;

// A learner's history: `count` adaptive lessons, each typed evenly.
std::vector<ExerciseRecord> typedHistory(std::size_t count) {
  std::vector<ExerciseRecord> records;
  for (std::size_t n = 0; n < std::min(count, kMadeLessons); ++n) {
    AdaptiveSettings settings;
    settings.seed = n;
    const AdaptiveLesson lesson = makeAdaptiveLesson(records, settings);
    ExerciseRecord record;
    record.title = lesson.title;
    for (const std::string& line : lesson.lines) {
      for (const char c : line + ' ') {
        const auto ch = static_cast<unsigned char>(c);
        ++record.keys[ch].needed;
        record.rhythm.add(ch, 250 + static_cast<std::uint32_t>(n % 7) * 10);
      }
    }
    records.push_back(record);
  }
  for (std::size_t n = records.size(); n < count; ++n) records.push_back(records[n % kMadeLessons]);
  return records;
}

void BM_AdaptiveLessonNewLearner(benchmark::State& state) {
  builtinWords();  // the word list is read once per program
  std::uint64_t seed = 0;
  for (auto _ : state) {
    AdaptiveSettings settings;
    settings.seed = ++seed;
    benchmark::DoNotOptimize(makeAdaptiveLesson({}, settings));
  }
}
BENCHMARK(BM_AdaptiveLessonNewLearner)->Unit(benchmark::kMillisecond);

void BM_AdaptiveLessonLongHistory(benchmark::State& state) {
  const std::vector<ExerciseRecord> records = typedHistory(static_cast<std::size_t>(state.range(0)));
  std::uint64_t seed = 0;
  for (auto _ : state) {
    AdaptiveSettings settings;
    settings.seed = ++seed;
    benchmark::DoNotOptimize(makeAdaptiveLesson(records, settings));
  }
}
BENCHMARK(BM_AdaptiveLessonLongHistory)->Arg(60)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_AdaptiveLessonEveryKeyOpen(benchmark::State& state) {
  const KeySet open = KeySet::firstOfCourse(courseOrder().size());
  std::uint64_t seed = 0;
  for (auto _ : state) {
    AdaptiveSettings settings;
    settings.seed = ++seed;
    benchmark::DoNotOptimize(makeLessonFromFigures({}, open, settings));
  }
}
BENCHMARK(BM_AdaptiveLessonEveryKeyOpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
