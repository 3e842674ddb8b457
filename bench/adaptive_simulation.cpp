// "Adaptiv üben" against the fixed Grundkurs lessons, with a simulated
// learner: each key has its own interval and miss rate, three keys far
// weaker than the rest, and every stroke of a key makes it a little faster
// and surer (the weak keys at half the pace of the others). Prints (in German):
// - the share of keystrokes on the three weak keys against their share in
//   ordinary German text (goal: at least 3 times): in the lessons that
//   weighted them, and over the first 30 adaptive lessons as a whole;
// - how many lessons it takes until every key of the letter stage (a to y
//   and the space bar) reaches the target, adaptively and with the Grundkurs
//   lessons 1 to 12 (goal: fewer adaptively);
// - once twelve letters are open, the share of the lessons' words that are
//   in the word list or the German spelling list (goal: 95 %), and once
//   Shift is open, the share of nouns written with their capital.
//
//   adaptive_simulation [SOURCE-FOLDER [WEAK-KEYS [WEAK-PACE]]]
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "adaptive/adaptive_lesson.h"
#include "adaptive/lesson_random.h"
#include "platform/encoding.h"

namespace kv {
namespace {

constexpr int kTarget = kDefaultTarget;
constexpr std::size_t kWeighedLessons = 30;
constexpr std::size_t kMostLessons = 300;
constexpr std::size_t kGrundkursLetterLessons = 12;
// The three keys the learners start weak on; a second argument names others.
// Keys of the first ten lessons, so that the first 30 lessons measure how
// they are weighted rather than how late they open (w, say, opens after
// some 40 lessons and is missing from most of the first 30 by the course
// order alone).
std::string kWeakKeys = "dkg";
// The learner: intervals and miss rates at the start, what practice tends
// to, and how much of the way one stroke goes.
constexpr double kStartMs = 680.0;
constexpr double kWeakStartMs = 1400.0;
constexpr double kBestMs = 250.0;
constexpr double kStartMisses = 0.04;
constexpr double kWeakStartMisses = 0.12;
constexpr double kLeastMisses = 0.01;
constexpr double kLearningPerStroke = 0.004;
// A weak key is weak for a reason (a finger that lags, a reach the hand
// avoids): it learns at this share of the others' pace. 1 makes it catch up
// as quickly as any other key; the third argument sets it.
double kWeakLearning = 0.5;
constexpr double kIntervalNoise = 0.2;
// Learners, each with their own chance of slips and intervals.
constexpr std::uint64_t kLearners = 5;

class Learner {
 public:
  explicit Learner(std::uint64_t seed) : random_(seed) {
    ms_.fill(kStartMs);
    misses_.fill(kStartMisses);
    for (const char weak : kWeakKeys) {
      ms_[static_cast<unsigned char>(weak)] = kWeakStartMs;
      misses_[static_cast<unsigned char>(weak)] = kWeakStartMisses;
    }
  }

  ExerciseRecord type(const std::string& title, const std::vector<std::string>& lines) {
    ExerciseRecord record;
    record.title = title;
    for (std::size_t at = 0; at < lines.size(); ++at) {
      const std::string text = at + 1 < lines.size() ? lines[at] + ' ' : lines[at];
      for (const char c : text) stroke(static_cast<unsigned char>(c), record);
    }
    return record;
  }

 private:
  void stroke(unsigned char ch, ExerciseRecord& record) {
    const bool capital = isCapitalLetter(ch);
    const unsigned char key = courseKeyOf(ch);
    double ms = ms_[key] + (capital ? ms_[kShiftKey] : 0.0);
    double missChance = std::max(misses_[key], capital ? misses_[kShiftKey] : 0.0);
    ms *= 1.0 + kIntervalNoise * (2.0 * random_.unit() - 1.0);
    ++record.keys[ch].needed;
    if (random_.chance(missChance)) {
      ++record.keys[ch].missed;
    } else {
      record.rhythm.add(ch, static_cast<std::uint32_t>(std::min(ms, 1999.0)));
    }
    practise(key);
    if (capital) practise(kShiftKey);
  }

  void practise(unsigned char key) {
    const bool weak = kWeakKeys.find(static_cast<char>(key)) != std::string::npos;
    const double learning = kLearningPerStroke * (weak ? kWeakLearning : 1.0);
    ms_[key] = kBestMs + (ms_[key] - kBestMs) * (1.0 - learning);
    misses_[key] = kLeastMisses + (misses_[key] - kLeastMisses) * (1.0 - learning);
  }

  std::array<double, 256> ms_{};
  std::array<double, 256> misses_{};
  LessonRandom random_;
};

const std::size_t kLetterStage = coursePosition('y') + 1;

bool stageReached(const std::vector<ExerciseRecord>& records) {
  const KeyFigures figures = figuresFromRecords(records);
  const std::vector<unsigned char> keys = KeySet::firstOfCourse(kLetterStage).inCourseOrder();
  return std::all_of(keys.begin(), keys.end(), [&](unsigned char key) { return keyReached(key, figures[key], kTarget); });
}

double weakShare(const std::array<double, 256>& shares) {
  double sum = 0.0;
  for (const char weak : kWeakKeys) sum += shares[static_cast<unsigned char>(weak)];
  return sum;
}

struct CourseRun {
  std::size_t lessons = 0;  // until the stage was reached; 0 when never
  std::size_t characters = 0;
  double weakShare = 0.0;   // over the first kWeighedLessons
  // Per weak key: its keystrokes and all keystrokes in the lessons that weighted it.
  std::array<double, 256> weightedStrokes{};
  std::array<double, 256> weightedTotal{};
  // The forecasts of lessons to the next key against the lessons it took.
  std::size_t lessonsMade = 0;
  std::size_t forecasts = 0;
  std::size_t forecastsWithinOne = 0;
  double forecastError = 0.0;
};

// Forecasts waiting for their key to open: the lesson made and the lessons told.
struct PendingForecasts {
  std::size_t openKeys = 0;
  std::vector<std::pair<std::size_t, int>> told;

  void check(const AdaptiveLesson& made, std::size_t lesson, CourseRun& run) {
    if (made.open.size() != openKeys) {
      for (const auto& [at, lessons] : told) {
        const double error = std::abs(static_cast<double>(lesson - at) - lessons);
        ++run.forecasts;
        run.forecastError += error;
        run.forecastsWithinOne += error <= 1.0 ? 1 : 0;
      }
      told.clear();
      openKeys = made.open.size();
    }
    ++run.lessonsMade;
    if (made.progress.lessonsToNext) told.emplace_back(lesson, *made.progress.lessonsToNext);
  }
};

void countWeighted(const AdaptiveLesson& lesson, CourseRun& run) {
  std::array<double, 256> strokes{};
  double total = 0.0;
  for (const std::string& line : lesson.lines) total += addKeystrokes(line + ' ', strokes);
  for (const KeyProgress& key : lesson.progress.keys) {
    if (!key.weak || kWeakKeys.find(static_cast<char>(key.key)) == std::string::npos) continue;
    run.weightedStrokes[key.key] += strokes[key.key];
    run.weightedTotal[key.key] += total;
  }
}

CourseRun runAdaptive(std::uint64_t seed) {
  Learner learner(seed);
  std::vector<ExerciseRecord> records;
  std::vector<std::string> weighed;
  CourseRun run;
  PendingForecasts pending;
  std::string previous;
  for (std::size_t lesson = 1; lesson <= kMostLessons; ++lesson) {
    AdaptiveSettings settings;
    settings.target = kTarget;
    settings.seed = seed * kMostLessons + lesson;
    settings.previousLine = previous;
    const AdaptiveLesson made = makeAdaptiveLesson(records, settings);
    previous = made.lines.back();
    pending.check(made, lesson, run);
    countWeighted(made, run);
    if (lesson <= kWeighedLessons) weighed.insert(weighed.end(), made.lines.begin(), made.lines.end());
    for (const std::string& line : made.lines) run.characters += line.size() + 1;
    records.push_back(learner.type(made.title, made.lines));
    if (run.lessons == 0 && stageReached(records)) run.lessons = lesson;
    if (run.lessons != 0 && lesson >= kWeighedLessons) break;
  }
  run.weakShare = weakShare(keystrokeShares(weighed));
  return run;
}

std::vector<std::vector<std::string>> grundkursLessons(const std::filesystem::path& source) {
  std::vector<std::vector<std::string>> lessons;
  for (std::size_t number = 1; number <= kGrundkursLetterLessons; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "lektion-%02zu.txt", number);
    std::ifstream file(source / "texts" / "grundkurs" / name);
    std::vector<std::string> lines;
    bool text = false;
    for (std::string line; std::getline(file, line);) {
      if (text && !line.empty()) lines.push_back(utf8ToCp1252(line).value_or(""));
      text = text || line.empty();
    }
    lessons.push_back(lines);
  }
  return lessons;
}

CourseRun runGrundkurs(const std::vector<std::vector<std::string>>& lessons, std::uint64_t seed) {
  Learner learner(seed);
  std::vector<ExerciseRecord> records;
  std::vector<std::string> weighed;
  CourseRun run;
  for (std::size_t lesson = 1; lesson <= kMostLessons; ++lesson) {
    // Once through, then the lessons again from the start, as a class repeats them.
    const std::vector<std::string>& lines = lessons[(lesson - 1) % lessons.size()];
    if (lesson <= kWeighedLessons) weighed.insert(weighed.end(), lines.begin(), lines.end());
    for (const std::string& line : lines) run.characters += line.size() + 1;
    records.push_back(learner.type("Lektion", lines));
    if (stageReached(records)) {
      run.lessons = lesson;
      break;
    }
  }
  run.weakShare = weakShare(keystrokeShares(weighed));
  return run;
}

// The words of the lines, without the signs around them.
std::vector<std::string> wordsOf(const std::vector<std::string>& lines) {
  std::vector<std::string> words;
  for (const std::string& line : lines) {
    std::string word;
    for (const char c : line + ' ') {
      if (isLetterKey(courseKeyOf(static_cast<unsigned char>(c)))) {
        word += c;
      } else if (!word.empty()) {
        words.push_back(word);
        word.clear();
      }
    }
  }
  return words;
}

std::unordered_set<std::string> spellingList() {
  std::unordered_set<std::string> words;
  std::ifstream file("/usr/share/dict/ngerman");
  for (std::string line; std::getline(file, line);) {
    if (const auto word = utf8ToCp1252(line)) words.insert(*word);
  }
  return words;
}

void printWords() {
  const std::unordered_set<std::string> spelling = spellingList();
  std::size_t words = 0, inList = 0, inEither = 0, nouns = 0, nounsCapital = 0;
  std::size_t lessons = 0;
  const std::size_t twelveLetters = coursePosition('i') + 1;
  for (std::size_t open = twelveLetters; open <= courseOrder().size(); ++open) {
    for (std::uint64_t seed = 0; seed < 10; ++seed) {
      AdaptiveSettings settings;
      settings.seed = seed * 131 + open;
      const AdaptiveLesson lesson = makeLessonFromFigures({}, KeySet::firstOfCourse(open), settings);
      ++lessons;
      for (const std::string& word : wordsOf(lesson.lines)) {
        ++words;
        const bool listed = builtinWords().contains(word);
        inList += listed ? 1 : 0;
        inEither += listed || spelling.contains(word) ? 1 : 0;
        if (!lesson.open.has(kShiftKey)) continue;
        // A noun: the list has it with a capital only.
        std::string capital = word;
        capital[0] = static_cast<char>(capitalLetter(static_cast<unsigned char>(word[0])));
        if (builtinWords().contains(capital) && !builtinWords().contains(smallLetters(word))) {
          ++nouns;
          nounsCapital += word == capital ? 1 : 0;
        }
      }
    }
  }
  const auto percent = [](std::size_t part, std::size_t whole) {
    return 100.0 * static_cast<double>(part) / static_cast<double>(std::max<std::size_t>(whole, 1));
  };
  std::printf("W\u00F6rter ab zw\u00F6lf freien Buchstaben (%zu Lektionen, %zu W\u00F6rter):\n", lessons, words);
  std::printf("  in der Wortliste: %5.1f %%\n", percent(inList, words));
  std::printf("  in der Wortliste oder der Rechtschreibliste: %5.1f %% (Ziel: mindestens 95 %%)\n",
              percent(inEither, words));
  std::printf("Nomen, sobald die Umschalttaste frei ist: %zu, davon gro\u00DF geschrieben %5.1f %%\n", nouns,
              percent(nounsCapital, nouns));
}

}  // namespace
}  // namespace kv

int main(int argc, char** argv) {
  using namespace kv;
  const std::filesystem::path source = argc > 1 ? argv[1] : KV_SOURCE_DIR;
  if (argc > 2) kWeakKeys = argv[2];
  if (argc > 3) kWeakLearning = std::atof(argv[3]);
  const std::array<double, 256>& ordinary = builtinWords().keystrokeShares();
  const double ordinaryShare = weakShare(ordinary);
  std::printf("Wortliste: %zu W\u00F6rter; schwache Tasten der Lernenden: %s; Ziel %d Anschl\u00E4ge pro Minute\n",
              builtinWords().size(), kWeakKeys.c_str(), kTarget);
  const std::vector<std::vector<std::string>> grundkurs = grundkursLessons(source);
  std::printf("\nJe Lernendem (Zufall 1 bis %llu):\n", static_cast<unsigned long long>(kLearners));
  std::printf("  Lektionen bis jede Taste von a bis y und die Leertaste das Ziel erreicht: adaptiv | Grundkurs 1-12\n");
  std::printf("  Anteil der schwachen Tasten (erste %zu Lektionen): adaptiv | Grundkurs\n", kWeighedLessons);
  double adaptiveLessons = 0.0, fixedLessons = 0.0, adaptiveShare = 0.0, fixedShare = 0.0;
  std::array<double, 256> weightedStrokes{}, weightedTotal{};
  std::size_t lessonsMade = 0, forecasts = 0, forecastsWithinOne = 0;
  double forecastError = 0.0;
  for (std::uint64_t seed = 1; seed <= kLearners; ++seed) {
    const CourseRun adaptive = runAdaptive(seed);
    const CourseRun fixed = runGrundkurs(grundkurs, seed);
    std::printf("  %llu: %3zu (%zu Zeichen) | %3zu (%zu Zeichen);  %.1f %% | %.1f %%\n",
                static_cast<unsigned long long>(seed), adaptive.lessons, adaptive.characters, fixed.lessons,
                fixed.characters, 100.0 * adaptive.weakShare, 100.0 * fixed.weakShare);
    adaptiveLessons += static_cast<double>(adaptive.lessons) / kLearners;
    fixedLessons += static_cast<double>(fixed.lessons) / kLearners;
    adaptiveShare += adaptive.weakShare / kLearners;
    fixedShare += fixed.weakShare / kLearners;
    lessonsMade += adaptive.lessonsMade;
    forecasts += adaptive.forecasts;
    forecastsWithinOne += adaptive.forecastsWithinOne;
    forecastError += adaptive.forecastError;
    for (std::size_t key = 0; key < weightedStrokes.size(); ++key) {
      weightedStrokes[key] += adaptive.weightedStrokes[key];
      weightedTotal[key] += adaptive.weightedTotal[key];
    }
  }
  std::printf("\nAnteil der schwachen Tasten an den Anschl\u00E4gen, gew\u00F6hnlicher Text: %.2f %%\n", 100.0 * ordinaryShare);
  std::printf("  in den Lektionen, die sie gewichten (Ziel: mindestens 3-mal):\n");
  for (const char weak : kWeakKeys) {
    const auto key = static_cast<unsigned char>(weak);
    const double share = weightedTotal[key] > 0.0 ? weightedStrokes[key] / weightedTotal[key] : 0.0;
    std::printf("    %c: %5.2f %% gegen %5.2f %% (%.1f-mal)\n", weak, 100.0 * share, 100.0 * ordinary[key],
                share / ordinary[key]);
  }
  std::printf("  \u00FCber die ersten %zu Lektionen: adaptiv %.2f %% (%.1f-mal), Grundkurs %.2f %% (%.1f-mal)\n",
              kWeighedLessons, 100.0 * adaptiveShare, adaptiveShare / ordinaryShare, 100.0 * fixedShare,
              fixedShare / ordinaryShare);
  std::printf("\nLektionen bis zum Ziel im Mittel: adaptiv %.1f, Grundkurs 1-12 %.1f (Ziel: adaptiv weniger)\n",
              adaptiveLessons, fixedLessons);
  std::printf("Vorhersage der Lektionen bis zur n\u00E4chsten Taste: bei %zu von %zu Lektionen gegeben, "
              "im Mittel %.1f Lektionen daneben, %zu-mal h\u00F6chstens eine\n\n",
              forecasts, lessonsMade, forecasts > 0 ? forecastError / static_cast<double>(forecasts) : 0.0,
              forecastsWithinOne);
  printWords();
  return 0;
}
