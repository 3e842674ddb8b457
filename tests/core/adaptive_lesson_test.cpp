// The lessons themselves: open keys only, every open key, weak keys weighted,
// real words with their capitals, no line twice, the same lesson for a seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "adaptive/adaptive_lesson.h"
#include "adaptive/made_up_words.h"
#include "platform/encoding.h"
#include "tests/core/adaptive_records.h"

namespace kv {
namespace {

std::vector<std::string> wordsOf(const std::vector<std::string>& lines) {
  std::vector<std::string> words;
  for (const std::string& line : lines) {
    std::string word;
    for (const char c : line + ' ') {
      const auto ch = static_cast<unsigned char>(c);
      if (ch == ' ' || !(isLetterKey(courseKeyOf(ch)))) {
        if (!word.empty()) words.push_back(word);
        word.clear();
      } else {
        word += c;
      }
    }
  }
  return words;
}

AdaptiveLesson lessonAt(std::size_t openCount, std::uint64_t seed, const KeyFigures& figures = {}) {
  AdaptiveSettings settings;
  settings.seed = seed;
  return makeLessonFromFigures(figures, KeySet::firstOfCourse(openCount), settings);
}

TEST(AdaptiveLesson, AtEveryStageOnlyOpenKeysAndEachOfThemAtLeastOnce) {
  for (std::size_t open = kStartingKeys; open <= courseOrder().size(); ++open) {
    const AdaptiveLesson lesson = lessonAt(open, open * 7);
    SCOPED_TRACE(cp1252ToUtf8(courseKeyName(courseOrder()[open - 1])));
    ASSERT_EQ(lesson.lines.size(), kLessonLines);
    std::array<double, 256> strokes{};
    for (const std::string& line : lesson.lines) {
      EXPECT_TRUE(lesson.open.allowsAll(line)) << cp1252ToUtf8(line);
      EXPECT_LE(line.size(), kLessonLineLength);
      EXPECT_GE(line.size(), kLessonLineLength / 2) << cp1252ToUtf8(line);
      addKeystrokes(line + ' ', strokes);
    }
    for (const unsigned char key : lesson.open.inCourseOrder()) EXPECT_GT(strokes[key], 0.0) << courseKeyName(key);
  }
}

TEST(AdaptiveLesson, AFullCourseOpensOneKeyALessonInTheGrundkursOrder) {
  std::vector<ExerciseRecord> records;
  std::string previous;
  for (std::size_t lesson = 0; lesson + kStartingKeys <= courseOrder().size(); ++lesson) {
    AdaptiveSettings settings;
    settings.seed = lesson;
    settings.previousLine = previous;
    const AdaptiveLesson made = makeAdaptiveLesson(records, settings);
    ASSERT_EQ(made.open, KeySet::firstOfCourse(kStartingKeys + lesson)) << lesson;
    ASSERT_FALSE(made.lines.empty());
    EXPECT_NE(made.lines.front(), previous);
    previous = made.lines.back();
    // Typed fast and without a miss, three times over, so every key has its strokes.
    for (int round = 0; round < 3; ++round) records.push_back(test::typedLesson(made, {200}));
  }
  EXPECT_FALSE(adaptiveProgress(records).hasNext);
}

TEST(AdaptiveLesson, TheWeakKeysComeUpAtLeastThreeTimesAsOftenAsInOrdinaryText) {
  const std::size_t open = coursePosition('o') + 1;
  struct Row {
    unsigned char slow;
    std::size_t missedOften;
  };
  const Row rows[] = {{'k', 0}, {'w', 0}, {'g', 0}, {'b', 0}, {'f', 'u'}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.slow);
    KeyFigures figures{};
    for (const unsigned char key : KeySet::firstOfCourse(open).inCourseOrder()) {
      figures[key] = {kJudgedStrokes, key == row.missedOften ? 10u : 0u, kJudgedStrokes,
                      key == row.slow ? 1200.0 : 300.0};
    }
    std::vector<std::string> lines;
    unsigned char focus = 0;
    for (std::uint64_t seed = 0; seed < 10; ++seed) {
      const AdaptiveLesson lesson = lessonAt(open, seed, figures);
      focus = lesson.progress.focus;
      lines.insert(lines.end(), lesson.lines.begin(), lesson.lines.end());
    }
    const std::array<double, 256> shares = keystrokeShares(lines);
    const std::array<double, 256>& ordinary = builtinWords().keystrokeShares();
    for (const unsigned char key : {row.slow, static_cast<unsigned char>(row.missedOften)}) {
      if (key == 0) continue;
      EXPECT_GE(shares[key], 3.0 * ordinary[key]) << key << ": " << shares[key] << " against " << ordinary[key];
    }
    EXPECT_EQ(focus, row.missedOften != 0 ? row.missedOften : row.slow);
  }
}

TEST(AdaptiveLesson, RealWordsOfTheListOnlyOnceThereAreEnoughAndNounsOnlyWithTheirCapital) {
  for (const std::size_t open : {coursePosition('p') + 1, coursePosition(kShiftKey) + 1, courseOrder().size()}) {
    for (std::uint64_t seed = 0; seed < 5; ++seed) {
      const AdaptiveLesson lesson = lessonAt(open, seed);
      for (const std::string& word : wordsOf(lesson.lines)) {
        EXPECT_TRUE(builtinWords().contains(word)) << cp1252ToUtf8(word);
        if (!lesson.open.has(kShiftKey)) {
          EXPECT_FALSE(isCapitalLetter(static_cast<unsigned char>(word[0])));
        }
      }
    }
  }
}

TEST(AdaptiveLesson, BeforeShiftANounNeverComesInSmallLetters) {
  const WordBank words("Haus\nHase\ndas\nhallo\nAal\n");
  LessonRequest request;
  request.open = KeySet::firstOfCourse(coursePosition('e') + 1);
  for (std::uint64_t seed = 0; seed < 20; ++seed) {
    request.seed = seed;
    for (const std::string& word : wordsOf(composeLesson(request, words))) {
      EXPECT_NE(word, "haus");
      EXPECT_NE(word, "hase");
      EXPECT_NE(word, "aal");
    }
  }
  request.open.add(kShiftKey);
  std::set<std::string> seen;
  for (const std::string& word : wordsOf(composeLesson(request, words))) seen.insert(word);
  EXPECT_TRUE(seen.contains("Haus") || seen.contains("Hase") || seen.contains("Aal"));
}

TEST(AdaptiveLesson, NoLineTwiceInARowNotEvenAcrossLessons) {
  // A lesson of two keys has few lines to choose from.
  KeySet tiny;
  tiny.add('a');
  tiny.add(' ');
  for (std::uint64_t seed = 0; seed < 30; ++seed) {
    LessonRequest request;
    request.open = seed % 2 == 0 ? tiny : KeySet::firstOfCourse(kStartingKeys);
    request.seed = seed;
    const std::vector<std::string> first = composeLesson(request);
    ASSERT_FALSE(first.empty());
    request.previousLine = first.front();
    const std::vector<std::string> lines = composeLesson(request);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front(), first.front());
    for (std::size_t at = 1; at < lines.size(); ++at) EXPECT_NE(lines[at], lines[at - 1]) << lines[at];
  }
}

TEST(AdaptiveLesson, TheSameSeedAndFiguresMakeTheSameLesson) {
  const std::vector<ExerciseRecord> records = {test::typedRecord("Adaptiv: Schwerpunkt e", {"das heft der see"})};
  AdaptiveSettings settings;
  settings.seed = 42;
  const AdaptiveLesson once = makeAdaptiveLesson(records, settings);
  EXPECT_EQ(makeAdaptiveLesson(records, settings).lines, once.lines);
  settings.seed = 43;
  EXPECT_NE(makeAdaptiveLesson(records, settings).lines, once.lines);
}

TEST(AdaptiveLesson, DamagedOrMissingRecordsStillMakeALesson) {
  ExerciseRecord absurd = test::typedRecord("Adaptiv: Schwerpunkt x", {"d\xFC\xFC\xFC \x80"});
  for (KeyTally& tally : absurd.keys) tally = {0xFFFFFFFFu, 0xFFFFFFFFu};
  for (RhythmStat& stat : absurd.rhythm.chars) stat = {7, -1e308, 1e308};
  const std::vector<std::vector<ExerciseRecord>> inputs = {{}, {ExerciseRecord{}}, {absurd}, {absurd, absurd}};
  for (const std::vector<ExerciseRecord>& records : inputs) {
    const AdaptiveLesson lesson = makeAdaptiveLesson(records, {});
    EXPECT_EQ(lesson.lines.size(), kLessonLines);
    EXPECT_LE(lesson.title.size(), kTitleMax);
    for (const KeyProgress& key : lesson.progress.keys) EXPECT_EQ(key.speed, 0.0) << key.name;
  }
}

TEST(AdaptiveMadeUpWords, ReadLikeGermanUseOpenLettersOnlyAndNeverAnExcludedWord) {
  const WordBank excluded("# nicht f\xFCr Kinder\nfall\nklaff\n");
  const KeySet open = KeySet::firstOfCourse(kStartingKeys);
  const MadeUpWords madeUp(open, excluded);
  ASSERT_TRUE(madeUp.possible());
  LessonRandom random(7);
  for (int n = 0; n < 2000; ++n) {
    const std::string word = madeUp.make(random, n % 3 == 0 ? 'j' : 0);
    ASSERT_GE(word.size(), 2u);
    EXPECT_TRUE(open.allowsAll(word)) << word;
    EXPECT_NE(word.find_first_of("a\xF6"), std::string::npos) << word;  // a vowel to say it with
    EXPECT_EQ(word.find("fall"), std::string::npos) << word;
    EXPECT_EQ(word.find("klaff"), std::string::npos) << word;
    if (n % 3 == 0) {
      EXPECT_NE(word.find('j'), std::string::npos) << word;
    }
  }
  KeySet consonants;
  consonants.add('s');
  consonants.add('d');
  EXPECT_FALSE(MadeUpWords(consonants, excluded).possible());
}

TEST(AdaptiveWordBank, ReadsTheListInRankOrderWithoutCommentsOrRepeats) {
  const WordBank words("# Kommentar\r\nder\r\n\r\ndie\nder\nHaus\n");
  EXPECT_EQ(words.words(), (std::vector<std::string>{"der", "die", "Haus"}));
  EXPECT_TRUE(words.contains("Haus"));
  EXPECT_FALSE(words.contains("haus"));
  EXPECT_TRUE(words.containsIgnoringCase("HAUS"));
  EXPECT_GT(WordBank::frequency(0), WordBank::frequency(1));
  EXPECT_GT(words.keystrokeShares()['d'], words.keystrokeShares()['h']);
  EXPECT_GT(builtinWords().size(), 500u);
}

}  // namespace
}  // namespace kv
