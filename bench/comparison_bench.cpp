// The cost of evaluating an exercise, for the longest exercise the program
// allows (1200 lines) and two shorter ones, each typed with about one slip in
// twelve lines: the cost should grow with the length of the text and no more.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_exercise.h"
#include "evaluation/comparison.h"
#include "platform/encoding.h"
#include "texts/text_model.h"

namespace kv {
namespace {

const std::vector<std::string>& vocabulary() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w;
    for (const char* utf8 :
         {"Abend",   "Garten", "Kinder",  "sangen",  "viele",   "schöne",  "Lieder",  "unter",
          "Bäumen",  "dem",    "alten",   "Haus",    "wohnte",  "eine",    "Familie", "mit",
          "drei",    "Hunden", "jeden",   "Morgen",  "liefen",  "sie",     "über",    "Felder",
          "zum",     "Fluss",  "dort",    "fischte", "Großvater", "Forellen", "während", "Mutter",
          "Brot",    "backte", "Vater",   "Holz",    "hackte",  "Sommer",  "Winter",  "Schnee",
          "Straße",  "Stadt",  "Markt",   "Käse",    "Äpfel",   "Birnen",  "Kirschen", "kauften",
          "fuhren",  "Wagen",  "Pferde",  "zogen",   "langsam", "Hügel",   "hinauf",  "oben",
          "sahen",   "weite",  "Land",    "Wälder",  "Seen",    "Dörfer",  "Kirchen", "Türme"}) {
      w.push_back(w1252(utf8));
    }
    return w;
  }();
  return words;
}

struct Word {
  std::string text;
  char punctuation = 0;  // 0, ',' or '.'
};

class Random {
 public:
  std::uint32_t next(std::uint32_t bound) {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) % bound;
  }

 private:
  std::uint32_t state_ = 20240501u;
};

std::string render(const std::vector<Word>& words) {
  std::string line;
  for (const Word& w : words) {
    if (!line.empty()) line += ' ';
    line += w.text;
    if (w.punctuation != 0) line += w.punctuation;
  }
  return line;
}

// One of the slips the comparison knows, made at word k of the line.
std::string withSlip(std::vector<Word> words, std::size_t k, int kind) {
  Word& w = words[k];
  switch (kind) {
    case 0:  // a space inside a word
      w.text.insert(w.text.size() / 2, 1, ' ');
      break;
    case 1:  // two words run together
      w.text += words[k + 1].text;
      w.punctuation = words[k + 1].punctuation;
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(k) + 1);
      break;
    case 2:  // no space after the comma
      w.text += std::string(1, w.punctuation) + words[k + 1].text;
      w.punctuation = words[k + 1].punctuation;
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(k) + 1);
      break;
    case 3:  // surplus spaces
      w.text = "  " + w.text;
      break;
    case 4:  // two letters swapped
      std::swap(w.text[1], w.text[2]);
      break;
    case 5:  // letter case
      w.text[0] = static_cast<char>(w.text[0] ^ 0x20);
      break;
    case 6:  // a word left out
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(k));
      break;
    case 7:  // a word typed in addition
      words.insert(words.begin() + static_cast<std::ptrdiff_t>(k), Word{"Quatsch", 0});
      break;
    case 8:  // the comma left out
      w.punctuation = 0;
      break;
    case 9:  // a comma typed in addition
      w.punctuation = ',';
      break;
    case 10:  // a wrong word
      w.text = "Unsinn";
      break;
    default:  // a doubled space
      w.text += ' ';
      break;
  }
  return render(words);
}

constexpr int kLinesPerSlip = 12;
constexpr int kSlipKinds = 12;

}  // namespace

TypedExercise benchExercise(int lineCount) {
  Random random;
  const auto& vocab = vocabulary();
  TypedExercise ex;
  for (int n = 0; n < lineCount; ++n) {
    std::vector<Word> words;
    std::size_t length = 0;
    while (length < 56) {
      Word w{vocab[random.next(static_cast<std::uint32_t>(vocab.size()))], 0};
      const std::uint32_t p = random.next(20);
      if (p < 2) w.punctuation = ',';
      if (p == 2) w.punctuation = '.';
      length += w.text.size() + 1;
      words.push_back(std::move(w));
    }
    std::string typed;
    if (n % kLinesPerSlip == kLinesPerSlip - 1) {
      const int kind = (n / kLinesPerSlip) % kSlipKinds;
      const std::size_t k = 2;
      if (kind == 2 || kind == 8) words[k].punctuation = ',';
      if (kind == 1 || kind == 9) words[k].punctuation = 0;
      typed = withSlip(words, k, kind);
    } else {
      typed = render(words);
    }
    const std::string templ = render(words);
    ex.templateText += templ + "\r\n";
    ex.typedText += typed + "\r\n";
    ex.keystrokes += static_cast<std::uint32_t>(countKeystrokes(typed) + 1);
    ++ex.typedLineCount;
  }
  return ex;
}

namespace {

void BM_CompareTexts(benchmark::State& state) {
  const TypedExercise input = benchExercise(static_cast<int>(state.range(0)));
  TypedExercise ex;
  for (auto _ : state) {
    state.PauseTiming();
    ex = input;
    state.ResumeTiming();
    compareTexts(ex, {});
    benchmark::DoNotOptimize(ex.errorCount);
  }
  // The whole text must have been compared, and the evaluation be possible.
  state.counters["errors"] = ex.errorCount;
  state.counters["marks"] = ex.markCount;
  state.counters["typedWords"] = ex.wordCount;
  state.counters["bytes"] = static_cast<double>(input.typedText.size());
  if (ex.errorCount >= kFirstImpossibleErrorCount || ex.stoppedEarly) {
    state.SkipWithError("the comparison did not cover the whole text");
  }
}

BENCHMARK(BM_CompareTexts)->Arg(100)->Arg(300)->Arg(1200)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
