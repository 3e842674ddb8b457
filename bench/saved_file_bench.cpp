// Saving and opening the result of the largest exercise: 1200 typed lines.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "evaluation/saved_file.h"
#include "evaluation/summary.h"

namespace {

struct LargeResult {
  kv::TypedExercise seals;
  std::vector<std::string> lines;
};

const LargeResult& largeResult() {
  static const LargeResult result = [] {
    LargeResult r;
    std::string typed;
    for (int i = 0; i < 1200; ++i) {
      typed += "Die Idee zum Bau einer \x08Schreibmaschine\x08 hatte der Engl\xE4nder " +
               std::to_string(i) + ".\r\n";
    }
    r.seals.typedText = typed;
    r.seals.keystrokes = 72000;
    r.seals.errorCount = 100;
    kv::SummaryInputs in;
    in.today = {2026, 12, 7};
    in.endTick = 3600000;
    r.lines = kv::buildSummary(r.seals, in);
    return r;
  }();
  return result;
}

void BM_SaveLargestResult(benchmark::State& state) {
  const LargeResult& r = largeResult();
  for (auto _ : state) {
    std::string bytes = kv::encodeResultFile(r.lines, r.seals, 70);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_SaveLargestResult)->Unit(benchmark::kMillisecond);

void BM_OpenLargestResult(benchmark::State& state) {
  const LargeResult& r = largeResult();
  const std::string file = kv::encodeResultFile(r.lines, r.seals, 70);
  const std::vector<std::uint8_t> bytes(file.begin(), file.end());
  for (auto _ : state) {
    kv::OpenedResult opened;
    if (kv::decodeResultFile(bytes, opened) != kv::ResultFileError::None) state.SkipWithError("rejected");
    benchmark::DoNotOptimize(opened.lines.data());
  }
}
BENCHMARK(BM_OpenLargestResult)->Unit(benchmark::kMillisecond);

}  // namespace
