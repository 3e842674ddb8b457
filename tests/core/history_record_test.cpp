#include "history/exercise_record.h"

#include <gtest/gtest.h>

#include <string>

#include "evaluation/comparison.h"
#include "platform/encoding.h"

namespace kv {
namespace {

// The typed text after a real comparison, marks included.
TypedExercise evaluated(const std::string& templ, const std::string& typed) {
  TypedExercise ex;
  ex.templateText = templ;
  ex.typedText = typed;
  ex.keystrokes = static_cast<std::uint32_t>(typed.size());
  ComparisonInputs in;
  in.form = 3;
  compareTexts(ex, in);
  return ex;
}

// A line typed without a slip after the one under test: a short text with
// two slips would be past the evaluation's error limit.
const std::string kCleanLine =
    "Am Abend sitzen wir gern im Garten und reden lange mit den Nachbarn ueber das Wetter.\r\n";

ExerciseRecord analysed(const std::string& templ, const std::string& typed) {
  const TypedExercise ex = evaluated(templ + kCleanLine, typed + kCleanLine);
  EXPECT_FALSE(evaluationImpossible(ex.errorCount));
  ExerciseRecord r;
  analyseSlips(templ + kCleanLine, ex.typedText, r);
  return r;
}

unsigned char u(char c) { return static_cast<unsigned char>(c); }

TEST(HistoryRecord, CorrectTextCountsEveryKeyNeededAndNoneMissed) {
  const ExerciseRecord r = analysed("Das Haus ist alt.\r\n", "Das Haus ist alt.\r\n");
  ExerciseRecord clean;
  analyseSlips(kCleanLine, kCleanLine, clean);
  EXPECT_EQ(r.keys[u('s')].needed - clean.keys[u('s')].needed, 3u);
  EXPECT_EQ(r.keys[u('H')].needed, 1u);
  EXPECT_EQ(r.keys[u('.')].needed - clean.keys[u('.')].needed, 1u);
  EXPECT_EQ(r.keys[u(' ')].needed - clean.keys[u(' ')].needed, 4u);
  for (const KeyTally& k : r.keys) EXPECT_EQ(k.missed, 0u);
  EXPECT_TRUE(r.confusions.empty());
  EXPECT_TRUE(r.words.empty());
}

// Each kind of slip a learner makes, with what the keys and words must show.
TEST(HistoryRecord, SlipsNameTheKeyAndWhatWasTypedInstead) {
  {
    SCOPED_TRACE("a wrong letter");
    const ExerciseRecord r = analysed("Wir gehen nach Hause.\r\n", "Wir gehen nsch Hause.\r\n");
    EXPECT_EQ(r.keys[u('a')].missed, 1u);
    EXPECT_EQ(r.keys[u('W')].needed, 2u);  // Wir, Wetter
    ASSERT_EQ(r.confusions.size(), 1u);
    EXPECT_EQ(r.confusions[0], (Confusion{u('a'), u('s'), 1}));
    ASSERT_EQ(r.words.size(), 1u);
    EXPECT_EQ(r.words[0], (WordSlip{"nach", "nsch"}));
  }
  {
    SCOPED_TRACE("a letter left out and one too many");
    const ExerciseRecord r = analysed("Der Garten ist gross.\r\n", "Der Gartn ist grosss.\r\n");
    EXPECT_EQ(r.keys[u('e')].missed, 1u);
    EXPECT_EQ(r.keys[u('s')].missed, 0u);
    EXPECT_NE(std::find(r.confusions.begin(), r.confusions.end(), Confusion{u('e'), 0, 1}),
              r.confusions.end());
    EXPECT_NE(std::find(r.confusions.begin(), r.confusions.end(), Confusion{0, u('s'), 1}),
              r.confusions.end());
    ASSERT_EQ(r.words.size(), 2u);
    EXPECT_EQ(r.words[0], (WordSlip{"Garten", "Gartn"}));
    EXPECT_EQ(r.words[1], (WordSlip{"gross.", "grosss."}));
  }
  {
    SCOPED_TRACE("the Shift key missed: a capital typed small");
    const ExerciseRecord r = analysed("Der Hund bellt laut.\r\n", "Der hund bellt laut.\r\n");
    EXPECT_EQ(r.keys[u('H')].missed, 1u);
    EXPECT_EQ(r.confusions.at(0), (Confusion{u('H'), u('h'), 1}));
  }
  {
    SCOPED_TRACE("an umlaut");
    const ExerciseRecord r = analysed(w1252("Die Tür ist grün.\r\n"), w1252("Die Tur ist grün.\r\n"));
    EXPECT_EQ(r.keys[u('\xFC')].missed, 1u);
    EXPECT_EQ(r.keys[u('\xFC')].needed, 2u);  // none in the clean line
    EXPECT_EQ(r.confusions.at(0), (Confusion{u('\xFC'), u('u'), 1}));
  }
}

TEST(HistoryRecord, WordsLeftOutAddedAndRunTogetherAreWordSlips) {
  {
    SCOPED_TRACE("a word left out: no key is blamed");
    const ExerciseRecord r =
        analysed("Heute gehen wir alle zusammen nach Hause.\r\n", "Heute gehen wir zusammen nach Hause.\r\n");
    ASSERT_EQ(r.words.size(), 1u);
    EXPECT_EQ(r.words[0], (WordSlip{"alle", ""}));
    EXPECT_EQ(r.keys[u('l')].missed, 0u);
  }
  {
    SCOPED_TRACE("a word typed in addition");
    const ExerciseRecord r =
        analysed("Heute gehen wir nach Hause.\r\n", "Heute gehen wir doch nach Hause.\r\n");
    ASSERT_EQ(r.words.size(), 1u);
    EXPECT_EQ(r.words[0], (WordSlip{"", "doch"}));
  }
  {
    SCOPED_TRACE("two words run together: the blank is the missed key");
    const ExerciseRecord r = analysed("Wir gehen heute nach Hause.\r\n", "Wir gehenheute nach Hause.\r\n");
    ASSERT_EQ(r.words.size(), 1u);
    EXPECT_EQ(r.words[0], (WordSlip{"gehen heute", "gehenheute"}));
    EXPECT_EQ(r.keys[u(' ')].missed, 1u);
    EXPECT_EQ(r.confusions.at(0), (Confusion{u(' '), 0, 1}));
  }
}

// After a slip the alignment finds its way back: later words count as right,
// even over several lines and with the learner stopping early.
TEST(HistoryRecord, AlignmentRecoversAndStopsWhereTheLearnerStopped) {
  const std::string templ = kCleanLine + kCleanLine +
      "eins zwei drei vier fuenf sechs\r\nsieben acht neun zehn elf zwoelf\r\ndreizehn vierzehn\r\n";
  const std::string typed = kCleanLine + kCleanLine + "eins zwie drei vier sechs\r\nsieben acht\r\n";
  const TypedExercise ex = evaluated(templ, typed);
  ASSERT_FALSE(evaluationImpossible(ex.errorCount));
  ExerciseRecord r;
  analyseSlips(templ, ex.typedText, r);
  ExerciseRecord clean;
  analyseSlips(kCleanLine + kCleanLine, kCleanLine + kCleanLine, clean);
  ASSERT_EQ(r.words.size(), 2u);
  EXPECT_EQ(r.words[0], (WordSlip{"zwei", "zwie"}));
  EXPECT_EQ(r.words[1], (WordSlip{"fuenf", ""}));
  // "acht" was the last word typed; "neun" and beyond were never asked for,
  // and the word left out blames no key: 'n' was needed in eins and sieben.
  EXPECT_EQ(r.keys[u('n')].needed - clean.keys[u('n')].needed, 2u);
  EXPECT_EQ(r.keys[u('z')].needed - clean.keys[u('z')].needed, 1u);  // zwei
  EXPECT_EQ(r.keys[u('f')].needed - clean.keys[u('f')].needed, 0u);
}

TEST(HistoryRecord, ImpossibleOrVoidedExercisesKeepOnlyTheirFigures) {
  TypedExercise ex;
  ex.typedText = "x\r\n";
  ex.errorCount = kEvaluationImpossible;
  ex.keystrokes = 40;
  SummaryFigures f;
  f.seconds = 60;
  f.keystrokesPerMinute = 40;
  RecordInputs in;
  in.startedAt = "2026-12-08 10:00:00";
  in.form = 2;
  in.title = "Titel";
  const ExerciseRecord impossible = buildExerciseRecord(in, ex, f, "abc def\r\n", KeyRhythm{});
  EXPECT_TRUE(impossible.impossible);
  EXPECT_FALSE(impossible.voided);
  EXPECT_TRUE(impossible.words.empty());
  EXPECT_EQ(impossible.keys[u('a')].needed, 0u);
  EXPECT_EQ(impossible.keystrokesPerMinute, 40);
  EXPECT_EQ(impossible.form, 2);

  ex.errorCount = 0;
  ex.keystrokes = 0;
  const ExerciseRecord voided = buildExerciseRecord(in, ex, SummaryFigures{}, "abc\r\n", KeyRhythm{});
  EXPECT_TRUE(voided.voided);
  EXPECT_EQ(voided.keys[u('a')].needed, 0u);
}

TEST(HistoryRecord, RhythmKeepsMeanAndSpreadAndMergesLikeOneTally) {
  RhythmStat all, first, second;
  const double samples[] = {120, 180, 150, 300, 90, 210};
  for (int k = 0; k < 6; ++k) {
    all.add(samples[k]);
    (k < 2 ? first : second).add(samples[k]);
  }
  EXPECT_DOUBLE_EQ(all.meanMs, 175.0);
  EXPECT_NEAR(all.spreadMs(), 74.5, 0.1);
  first.merge(second);
  EXPECT_EQ(first.count, 6u);
  EXPECT_NEAR(first.meanMs, all.meanMs, 1e-9);
  EXPECT_NEAR(first.spreadMs(), all.spreadMs(), 1e-9);
  RhythmStat none;
  none.merge(all);
  EXPECT_NEAR(none.spreadMs(), all.spreadMs(), 1e-9);
  EXPECT_EQ(RhythmStat{}.spreadMs(), 0.0);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Drill lines repeat their words; a slip in one of them is still that word
// typed wrong, not a word typed in addition and another left out.
TEST(HistoryRecord, SlipInARepeatedWordIsOnePair) {
  const std::string templ = "fded fded sded sded sded aded aded\r\n";
  const ExerciseRecord r = analysed(templ, "fded fded sded sdde sded aded aded\r\n");
  ASSERT_EQ(r.words.size(), 1u);
  EXPECT_EQ(r.words[0], (WordSlip{"sded", "sdde"}));
}

}  // namespace
}  // namespace kv
