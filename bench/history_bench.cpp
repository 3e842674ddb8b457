// What the learning history costs: entering the largest exercise when its
// result window opens (goal: under 5 ms, written to disk as a power cut
// expects), and reading ten thousand exercises for the Lernverlauf window.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/bench_exercise.h"
#include "evaluation/comparison.h"
#include "history/history_store.h"
#include "history/history_views.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

fs::path benchFolder(const char* name) {
  const fs::path folder = fs::temp_directory_path() / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// Building the record from the evaluated exercise and writing it, as the
// result window does, for the longest exercise the program allows.
void BM_RecordLargestExercise(benchmark::State& state) {
  TypedExercise ex = benchExercise(1200);
  const std::string templateText = ex.templateText;
  compareTexts(ex, {});
  KeyRhythm rhythm;
  for (int k = 0; k < 60000; ++k) {
    rhythm.add(static_cast<unsigned char>('a' + k % 26), static_cast<std::uint32_t>(150 + k % 90));
  }
  SummaryFigures figures;
  figures.seconds = 3600;
  figures.keystrokesPerMinute = ex.keystrokes / 60;
  RecordInputs in;
  in.startedAt = "2026-12-08 09:00:00";
  in.form = 3;
  in.title = "Messung";
  const fs::path folder = benchFolder("kv-history-bench-record");
  std::string notice;
  auto store = HistoryStore::open(folder / "Lernverlauf.sqlite", notice);
  if (!store) {
    state.SkipWithError(notice.c_str());
    return;
  }
  std::size_t words = 0;
  for (auto _ : state) {
    const ExerciseRecord record = buildExerciseRecord(in, ex, figures, templateText, rhythm);
    words = record.words.size();
    if (!store->record(record, notice)) state.SkipWithError(notice.c_str());
  }
  state.counters["wordSlips"] = static_cast<double>(words);
  state.counters["errors"] = ex.errorCount;
  store.reset();
  fs::remove_all(folder);
}
BENCHMARK(BM_RecordLargestExercise)->Unit(benchmark::kMillisecond);

// The overview and the chart data the window reads when it opens.
void BM_OverviewOfTenThousand(benchmark::State& state) {
  const fs::path folder = benchFolder("kv-history-bench-read");
  std::string notice;
  auto store = HistoryStore::open(folder / "Lernverlauf.sqlite", notice);
  if (!store) {
    state.SkipWithError(notice.c_str());
    return;
  }
  ExerciseRecord r;
  r.seconds = 300;
  r.keystrokes = 900;
  r.keystrokesPerMinute = 180;
  r.hasErrorPercent = true;
  r.errorPercent = 1.5;
  for (unsigned char c = 'a'; c <= 'z'; ++c) r.keys[c] = {40, 1};
  for (const int c : {0xE4, 0xF6, 0xFC, 0xDF}) r.keys[static_cast<std::size_t>(c)] = {10, 2};
  r.confusions = {{0xF6, static_cast<unsigned char>(0x6F), 2}, {0xFC, 0x75, 2}, {0x65, 0x72, 1}};
  r.words = {{"Zeitung", "Zietung"}, {"Garten", "Gartn"}};
  for (int n = 0; n < 10000; ++n) {
    r.startedAt = "2026-" + std::string(n / 2000 < 9 ? "0" : "") + std::to_string(1 + n / 2000) + "-" +
                  std::to_string(10 + n % 18) + " 10:00:00";
    r.form = 1 + n % 4;
    if (!store->record(r, notice)) {
      state.SkipWithError(notice.c_str());
      return;
    }
  }
  for (auto _ : state) {
    const HistoryOverview o = store->overview(notice);
    const ChartData chart = chartData(o.points, ChartScale::PerExercise, 600);
    benchmark::DoNotOptimize(chart.xCount);
  }
  store.reset();
  fs::remove_all(folder);
}
BENCHMARK(BM_OverviewOfTenThousand)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace kv
