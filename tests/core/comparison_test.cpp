#include "evaluation/comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace kv {
namespace {

// The exercise window's hand-over: every line followed by CR LF.
std::string handedOver(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += w1252(line) + "\r\n";
  return text;
}

// Expected texts write the mark byte as '#'.
std::string withMarks(std::string text) {
  std::replace(text.begin(), text.end(), '#', kMarkByte);
  return text;
}

TypedExercise compared(const std::vector<std::string>& templateLines,
                       const std::vector<std::string>& typedLines, std::uint32_t keystrokes = 1000,
                       ComparisonInputs inputs = {}) {
  TypedExercise ex;
  ex.templateText = handedOver(templateLines);
  ex.typedText = handedOver(typedLines);
  ex.typedLineCount = static_cast<std::int32_t>(typedLines.size());
  ex.keystrokes = keystrokes;
  compareTexts(ex, inputs);
  return ex;
}

// A dozen words or more follow every short example, so that the ratio of
// errors to typed tokens never decides; none of them occurs in the examples.
const std::string kTail = "Am Abend sangen alle Kinder viele schöne Lieder im Garten vor dem Fest";

struct Row {
  const char* name;
  std::vector<std::string> templateLines;
  std::vector<std::string> typedLines;
  std::int32_t errors;
  std::vector<std::string> markedLines;  // '#' for the mark byte
};

void expectRow(const Row& row) {
  SCOPED_TRACE(row.name);
  std::vector<std::string> templ = row.templateLines;
  std::vector<std::string> typed = row.typedLines;
  std::vector<std::string> marked = row.markedLines;
  templ.push_back(kTail);
  typed.push_back(kTail);
  marked.push_back(kTail);
  const TypedExercise ex = compared(templ, typed);
  EXPECT_EQ(ex.errorCount, row.errors);
  EXPECT_EQ(testing::PrintToString(ex.typedText),
            testing::PrintToString(withMarks(handedOver(marked))));
  const auto pairs = std::count(ex.typedText.begin(), ex.typedText.end(), kMarkByte) / 2;
  EXPECT_EQ(ex.markCount, pairs);
  EXPECT_FALSE(ex.stoppedEarly);
  EXPECT_TRUE(ex.templateText.empty());
}

TEST(CompareTexts, TypicalSlips) {
  const Row rows[] = {
      {"identical texts", {"Die Haustür ist offen"}, {"Die Haustür ist offen"}, 0,
       {"Die Haustür ist offen"}},
      {"space inside a word: three marks, one error", {"Die Haustür ist offen"},
       {"Die Haus tür ist offen"}, 1, {"Die #Haus## ##tür# ist offen"}},
      {"missing space between words", {"Die Haus tür ist offen"}, {"Die Haustür ist offen"}, 1,
       {"Die #Haustür# ist offen"}},
      {"missing space after a comma", {"Er kam, sah und siegte"}, {"Er kam,sah und siegte"}, 1,
       {"Er kam,#sah# und siegte"}},
      {"misspelt word", {"Das Haus ist groß"}, {"Das Hasu ist groß"}, 1, {"Das #Hasu# ist groß"}},
      {"letter case counts", {"Das ist gut"}, {"das ist gut"}, 1, {"#das# ist gut"}},
      {"omitted word: the word after the gap is marked", {"Wir gehen heute nach Hause"},
       {"Wir gehen nach Hause"}, 1, {"Wir gehen #nach# Hause"}},
      {"surplus word: only it is marked", {"Wir gehen nach Hause"},
       {"Wir gehen heute nach Hause"}, 1, {"Wir gehen #heute# nach Hause"}},
      {"missing full stop: the space is marked", {"Es war gut. und dann"},
       {"Es war gut und dann"}, 1, {"Es war gut# #und dann"}},
      {"surplus full stop is marked", {"Es war gut und dann"}, {"Es war gut. und dann"}, 1,
       {"Es war gut#.# und dann"}},
      {"wrong word", {"Der Hund bellt laut"}, {"Der Katze bellt laut"}, 1,
       {"Der #Katze# bellt laut"}},
      {"doubled space instead of a full stop", {"Es war gut. Dann"}, {"Es war gut  Dann"}, 1,
       {"Es war gut# # Dann"}},
      {"surplus spaces: one error, every surplus space marked", {"Das ist gut"},
       {"Das   ist gut"}, 1, {"Das # ## #ist gut"}},
      {"omitted word that comes again later", {"Wir gehen heute nach Hause und heute nach Bonn"},
       {"Wir gehen nach Hause und heute nach Bonn"}, 1,
       {"Wir gehen #nach# Hause und heute nach Bonn"}},
      {"word typed twice", {"Er sah den Hund"}, {"Er sah den den Hund"}, 1,
       {"Er sah den #den# Hund"}},
      {"wrong word that comes again later", {"Er hat Zeit, und sie hat keine"},
       {"Er besitzt Zeit, und sie hat keine"}, 1, {"Er #besitzt# Zeit, und sie hat keine"}},
      {"repeated word left out", {"Es war sehr sehr kalt"}, {"Es war sehr kalt"}, 1,
       {"Es war sehr #kalt#"}},
      {"word repeated by mistake", {"Es war sehr kalt"}, {"Es war sehr sehr kalt"}, 1,
       {"Es war sehr #sehr# kalt"}},
      {"word left out before a word that looks alike", {"Er malte Rosen, Hosen und Dosen"},
       {"Er malte Hosen und Dosen"}, 1, {"Er malte #Hosen# und Dosen"}},
      // The surplus word and the space before it; the comma is right.
      {"surplus word before a comma", {"Er kam, sah und siegte"},
       {"Er kam schnell, sah und siegte"}, 1, {"Er kam# ##schnell#, sah und siegte"}},
      // The search cannot confirm "heim" and passes the full stop against the
      // space; the word after it is then counted as the omission.
      {"word left out before a full stop", {"Er kam spät heim. Dann"}, {"Er kam spät. Dann"}, 2,
       {"Er kam spät#.# #Dann#"}},
      {"wrong word where a word repeats", {"Das Haus und das Haus brennt"},
       {"Das Haus und das Dach brennt"}, 1, {"Das Haus und das #Dach# brennt"}},
      // The earlier "Haus" must not make the search give up on the later one.
      {"surplus word before a repeated word", {"Das Haus und das Haus steht"},
       {"Das Haus und das rote Haus steht"}, 1, {"Das Haus und das #rote# Haus steht"}},
  };
  for (const Row& row : rows) expectRow(row);
}

TEST(CompareTexts, LineEnds) {
  const Row rows[] = {
      {"template line end against typed space", {"Die Haustür", "ist offen"},
       {"Die Haustür ist offen"}, 0, {"Die Haustür ist offen"}},
      {"typed line end against template space", {"Die Haustür ist offen"},
       {"Die Haustür", "ist offen"}, 0, {"Die Haustür", "ist offen"}},
      // The pair of marks goes in front of the CR LF, the line break stays.
      {"marked line end", {"Es war gut. Und dann"}, {"Es war gut", "Und dann"}, 1,
       {"Es war gut##", "Und dann"}},
      {"marked word at the end of a line", {"Das Hasu", "ist groß"}, {"Das Haus", "ist groß"}, 1,
       {"Das #Haus#", "ist groß"}},
  };
  for (const Row& row : rows) expectRow(row);
}

TEST(CompareTexts, MarksHoldPositionsBeforeInsertion) {
  const TypedExercise ex =
      compared({"Die Haustür ist offen", kTail}, {"Die Haus tür ist offen", kTail});
  ASSERT_EQ(ex.markCount, 3);
  EXPECT_EQ(ex.marks[1], (ErrorMark{5, 8}));   // Haus
  EXPECT_EQ(ex.marks[2], (ErrorMark{9, 9}));   // the space
  EXPECT_EQ(ex.marks[3], (ErrorMark{10, 12}));  // tür
}

TEST(CompareTexts, EmptyTypedTextMakesNoStep) {
  TypedExercise ex;
  ex.templateText = handedOver({"Das ist gut", kTail});
  ex.typedText = "\r\n";
  ex.keystrokes = 1;
  compareTexts(ex, {});
  EXPECT_EQ(ex.errorCount, 0);
  EXPECT_EQ(ex.markCount, 0);
  EXPECT_EQ(ex.wordCount, 0u);
  EXPECT_EQ(ex.keystrokes, 0u);
  EXPECT_FALSE(ex.stoppedEarly);
  EXPECT_EQ(ex.typedText, "\r\n");
  EXPECT_TRUE(ex.templateText.empty());
}

TEST(CompareTexts, TypedTextShorterThanTemplateIsNoError) {
  const TypedExercise ex = compared({"Das ist gut und mehr"}, {"Das ist gut"});
  EXPECT_EQ(ex.errorCount, 0);
  EXPECT_FALSE(ex.stoppedEarly);
}

TEST(CompareTexts, TypingOnAfterTheTemplateStopsEarly) {
  const struct {
    const char* name;
    std::vector<std::string> templateLines;
    std::vector<std::string> typedLines;
    std::uint32_t line;
    std::uint32_t column;
  } rows[] = {
      // The last compared typed token is the space after "gut" (column 12).
      {"same line", {"Das ist gut"}, {"Das ist gut und mehr"}, 1, 12},
      // ... here the line end of the second line, behind its 8 characters.
      {"next line", {"Das ist gut", "und mehr"}, {"Das ist gut", "und mehr", "noch mehr dazu"}, 2, 9},
      {"third line", {"eins", "zwei", "drei"}, {"eins", "zwei", "drei vier"}, 3, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TypedExercise ex = compared(row.templateLines, row.typedLines);
    EXPECT_TRUE(ex.stoppedEarly);
    EXPECT_EQ(ex.stopLine, row.line);
    EXPECT_EQ(ex.stopColumn, row.column);
    EXPECT_EQ(ex.errorCount, 0);
    EXPECT_EQ(ex.markCount, 0);
    EXPECT_EQ(ex.typedText, handedOver(row.typedLines));  // the surplus text is not marked
  }
}

// n words "Haus", ten to a line; word i is typed as typedWord(i).
TypedExercise houses(int n, const std::function<std::string(int)>& typedWord,
                     std::uint32_t keystrokes) {
  std::vector<std::string> templ;
  std::vector<std::string> typed;
  for (int i = 0; i < n; ++i) {
    if (i % 10 == 0) {
      templ.emplace_back();
      typed.emplace_back();
    } else {
      templ.back() += ' ';
      typed.back() += ' ';
    }
    templ.back() += "Haus";
    typed.back() += typedWord(i);
  }
  return compared(templ, typed, keystrokes);
}

// The first `lower` words typed as "haus": each one a misspelt-word error
// that leaves no confusion behind.
TypedExercise caseErrors(int n, int lower, std::uint32_t keystrokes) {
  return houses(n, [lower](int i) { return i < lower ? "haus" : "Haus"; }, keystrokes);
}

TEST(CompareTexts, ErrorPercentageLimitFollowsTheWordCount) {
  const struct {
    int words;
    int errors;
    std::uint32_t keystrokes;
    std::int32_t result;
  } rows[] = {
      {40, 19, 250, 19},   // 7.6 % below 8.0
      {40, 20, 250, 255},  // 8.0 % reaches it
      {49, 7, 100, 7},     // 7.0 % below 8.0 ...
      {50, 7, 100, 255},   // ... but not below 6.5 from 50 words on
      {60, 12, 200, 12},   // 6.0 %
      {60, 13, 200, 255},  // 6.5 %
      {99, 6, 100, 6},     // 6.0 % below 6.5 ...
      {100, 6, 100, 255},  // ... but not below 5.0 from 100 words on
      {100, 9, 200, 9},    // 4.5 %
      {100, 10, 200, 255},  // 5.0 %
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.words << " words, " << row.errors << " errors, "
                                    << row.keystrokes << " keystrokes");
    const TypedExercise ex = caseErrors(row.words, row.errors, row.keystrokes);
    EXPECT_EQ(ex.wordCount, static_cast<std::uint32_t>(row.words));
    EXPECT_EQ(ex.errorCount, row.result);
    EXPECT_EQ(ex.keystrokes, row.keystrokes - 1);
    const auto marks = std::count(ex.typedText.begin(), ex.typedText.end(), kMarkByte);
    // An impossible evaluation shows the typed text without marks.
    EXPECT_EQ(marks, row.result == 255 ? 0 : 2 * row.errors);
  }
}

TEST(CompareTexts, TooFewTypedTokensForTheErrors) {
  const struct {
    const char* name;
    std::vector<std::string> templateLines;
    std::vector<std::string> typedLines;
    std::int32_t result;
  } rows[] = {
      // One word and its line end: ((2 div 2) * 4) div 7 = 0 errors allowed.
      {"single word", {"Haus"}, {"Hasu"}, 255},
      // Four typed tokens allow one error, not two.
      {"two words, one error", {"Das Haus"}, {"Das Hasu"}, 1},
      {"two words, two errors", {"Das Haus"}, {"das Hasu"}, 255},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(compared(row.templateLines, row.typedLines, 10000).errorCount, row.result);
  }
  // Seven words end at typed index 14: ((14 div 2) * 4) div 7 = 4 errors allowed.
  EXPECT_EQ(caseErrors(7, 4, 10000).errorCount, 4);
  EXPECT_EQ(caseErrors(7, 5, 10000).errorCount, 255);
}

TEST(CompareTexts, MoreThan225ErrorsOrMarksAreImpossible) {
  EXPECT_EQ(caseErrors(400, 225, 1000000).errorCount, 225);
  EXPECT_EQ(caseErrors(400, 226, 1000000).errorCount, 255);
  // Every word typed with a space inside costs three marks.
  const auto split = [](int k) {
    return houses(100, [k](int i) { return i < k ? "Ha us" : "Haus"; }, 1000000);
  };
  const TypedExercise at225 = split(75);
  EXPECT_EQ(at225.errorCount, 75);
  EXPECT_EQ(at225.markCount, 225);
  EXPECT_EQ(std::count(at225.typedText.begin(), at225.typedText.end(), kMarkByte), 450);
  const TypedExercise at228 = split(76);
  EXPECT_EQ(at228.errorCount, 255);
  EXPECT_EQ(at228.markCount, 228);
  EXPECT_EQ(std::count(at228.typedText.begin(), at228.typedText.end(), kMarkByte), 0);
}

// Distinct words; two of them are alike only when i and j agree modulo 26.
std::string word(int i) {
  const char letter = static_cast<char>('a' + i % 26);
  return std::string(1, static_cast<char>(letter - 'a' + 'A')) + "x" + std::to_string(i) + letter;
}

TEST(CompareTexts, ConfusedWordsMakeTheEvaluationImpossible) {
  // A typed word that belongs 30 words further on cannot be realigned and
  // counts as a confusion; "9999" occurs nowhere and does not.
  const int confusionAt[] = {2, 9, 16, 23, 30, 37};
  const int strangerAt[] = {44, 51, 58, 65, 72};
  const struct {
    int confusions;
    int strangers;
    std::int32_t result;
  } rows[] = {
      {4, 0, 4},    // fewer than five errors: never judged
      {2, 3, 5},    // 5 div 2 = 2 is not below 2 confusions
      {3, 2, 255},  // ... but below 3
      {3, 3, 6},
      {4, 2, 255},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.confusions << " confusions, " << row.strangers
                                    << " other errors");
    std::vector<std::string> templ(8);
    std::vector<std::string> typed(8);
    for (int i = 0; i < 80; ++i) {
      std::string& t = templ[static_cast<std::size_t>(i / 10)];
      std::string& y = typed[static_cast<std::size_t>(i / 10)];
      if (i % 10 != 0) {
        t += ' ';
        y += ' ';
      }
      t += word(i);
      const bool confused = std::find(confusionAt, confusionAt + row.confusions, i) !=
                            confusionAt + row.confusions;
      const bool stranger =
          std::find(strangerAt, strangerAt + row.strangers, i) != strangerAt + row.strangers;
      y += confused ? word(i + 30) : stranger ? "9999" : word(i);
    }
    const TypedExercise ex = compared(templ, typed, 10000);
    EXPECT_EQ(ex.errorCount, row.result);
  }
}

TEST(CompareTexts, TimeLimitLeavesTheCutWordUncompared) {
  std::string templ;
  std::string typed;
  for (int i = 0; i < 12; ++i) {
    if (i > 0) {
      templ += ' ';
      typed += ' ';
    }
    templ += word(i);
    typed += i < 11 ? word(i) : word(i).substr(0, 2);
  }
  const struct {
    const char* name;
    ComparisonInputs inputs;
    std::int32_t errors;
  } rows[] = {
      {"on screen, limit reached", {3, 1, true}, 0},
      {"from paper, limit reached", {4, 5, true}, 0},
      {"limit not reached", {3, 1, false}, 1},
      {"no limit", {4, 0, true}, 1},
      {"running text has no limit", {1, 120, true}, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TypedExercise ex = compared({templ}, {typed}, 1000, row.inputs);
    EXPECT_EQ(ex.errorCount, row.errors);
    const std::string cut = typed.substr(0, typed.size() - 2);
    EXPECT_EQ(ex.typedText, row.errors == 0 ? typed + "\r\n" : withMarks(cut + "#Lx#\r\n"));
  }
}

TEST(CompareTexts, KeystrokesDecreaseByOneButNotBelowZero) {
  const struct {
    std::uint32_t before;
    std::uint32_t after;
  } rows[] = {{0, 0}, {1, 0}, {2, 1}, {1000, 999}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.before);
    const TypedExercise ex = compared({"Das ist gut"}, {"Das ist gut"}, row.before);
    EXPECT_EQ(ex.keystrokes, row.after);
    EXPECT_EQ(ex.errorCount, 0);
  }
}

TEST(CompareTexts, ErrorsWithoutKeystrokesAreImpossibleNotADivisionByZero) {
  const TypedExercise ex =
      compared({"Das Haus ist groß", kTail}, {"Das Hasu ist groß", kTail}, 0);
  EXPECT_EQ(ex.errorCount, 255);
  EXPECT_EQ(ex.keystrokes, 0u);
}

TEST(CompareTexts, ResultsOfAnEarlierRunAreReset) {
  TypedExercise ex;
  ex.errorCount = 7;
  ex.markCount = 3;
  ex.wordCount = 99;
  ex.stoppedEarly = true;
  ex.stopLine = 4;
  ex.stopColumn = 5;
  ex.templateText = handedOver({"Das ist gut"});
  ex.typedText = handedOver({"Das ist gut"});
  ex.keystrokes = 20;
  compareTexts(ex, {});
  EXPECT_EQ(ex.errorCount, 0);
  EXPECT_EQ(ex.markCount, 0);
  EXPECT_EQ(ex.wordCount, 3u);
  EXPECT_FALSE(ex.stoppedEarly);
}

class RecordingProgress : public ComparisonProgress {
 public:
  void setPosition(std::int32_t position) override { positions.push_back(position); }
  std::int32_t maximum() const override { return 4321; }
  void runPendingEvents() override { ++eventRuns; }

  std::vector<std::int32_t> positions;
  int eventRuns = 0;
};

// Identical texts of `lines` lines of ten words: 20 tokens a line.
void compareIdentical(int lines, RecordingProgress& progress) {
  std::vector<std::string> text(static_cast<std::size_t>(lines),
                                "Wort Wort Wort Wort Wort Wort Wort Wort Wort Wort");
  TypedExercise ex;
  ex.templateText = handedOver(text);
  ex.typedText = handedOver(text);
  ex.keystrokes = 100000;
  compareTexts(ex, {}, progress);
  EXPECT_EQ(ex.errorCount, 0);
}

TEST(CompareTexts, LetsPendingEventsRunOnLargeTexts) {
  const struct {
    int lines;
    int eventRuns;
  } rows[] = {
      // Each step moves the cursors four tokens: T[R] and Y[M + 1] forward,
      // Y[M] back for the comparison and forward again for the next step.
      // So the counter reaches 2500 at step 626, and then every 625 steps.
      {31, 0},  // 619 steps
      {37, 1},  // 739 steps: at step 626
      {38, 2},  // 759 steps: at step 626 and when the indices reach 750
      // Steps 626, 750, then 1375, 2000, 2625, 3250, 3875, 4500, 5125, 5750.
      {300, 10},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.lines);
    RecordingProgress progress;
    compareIdentical(row.lines, progress);
    EXPECT_EQ(progress.eventRuns, row.eventRuns);
  }
}

TEST(CompareTexts, ProgressFollowsTheTypedIndexAndEndsAtItsMaximum) {
  RecordingProgress progress;
  compareIdentical(3, progress);  // 60 tokens: 59 steps
  ASSERT_EQ(progress.positions.size(), 60u);
  for (std::size_t i = 0; i + 1 < progress.positions.size(); ++i) {
    EXPECT_EQ(progress.positions[i], static_cast<std::int32_t>(i + 2));
  }
  EXPECT_EQ(progress.positions.back(), 4321);
}

TEST(InsertErrorMarks, SurroundsStretchesAndKeepsLineBreaks) {
  const struct {
    const char* name;
    std::vector<ErrorMark> marks;
    std::string result;
    std::string text = "ab cd\r\nef\r\n";
  } rows[] = {
      {"none", {}, "ab cd\r\nef\r\n"},
      {"first word", {{1, 2}}, "#ab# cd\r\nef\r\n"},
      {"a space", {{3, 3}}, "ab# #cd\r\nef\r\n"},
      {"a line end", {{6, 6}}, "ab cd##\r\nef\r\n"},
      {"the last line end", {{10, 10}}, "ab cd\r\nef##\r\n"},
      {"adjacent stretches", {{1, 2}, {3, 3}, {4, 5}, {6, 6}, {8, 9}},
       "#ab## ##cd###\r\n#ef#\r\n"},
      {"outside the text or overlapping: left out", {{0, 1}, {4, 5}, {5, 5}, {10, 12}, {3, 2}},
       "ab #cd#\r\nef\r\n"},
      {"a line end of a single LF", {{3, 3}}, "ab##\ncd", "ab\ncd"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = row.text;
    insertErrorMarks(text, row.marks);
    EXPECT_EQ(testing::PrintToString(text), testing::PrintToString(withMarks(row.result)));
  }
}

}  // namespace
}  // namespace kv
