// Whole exercises on the fake window: start with the space bar, type a
// built-in text at a human rhythm, end, hand over, and evaluate what was
// handed over exactly as the program does.
#include <gtest/gtest.h>

#include <random>

#include "evaluation/comparison.h"
#include "keyboard/key_table.h"
#include "session/exercise_session.h"
#include "tests/core/fake_session_host.h"
#include "texts/builtin_texts.h"

namespace kv {
namespace {

struct ScriptedRun {
  FakeHost host;
  KeyTableLookup keys;
  ExerciseParameters params;
  CurrentText text;
  TypedExercise typed;
  ExerciseSession session{host, keys, params, text, typed};
  std::mt19937 random{12345};

  ScriptedRun(int form, int pace, const std::vector<std::string>& lines, std::uint32_t startTick) {
    params.form = static_cast<std::uint8_t>(form);
    params.pace = pace;
    text.lines = lines;
    host.tick = startTick;
    session.prepare(0x808000);
    session.filtersInstalled();
    std::uint8_t space = ' ';
    session.onCharacter(space);
  }

  // A character as the edit control sees it: key filter, key down, character,
  // then the field's change and the key release.
  void press(std::uint8_t ch) {
    std::uniform_int_distribution<int> gap(110, 260);
    host.tick += static_cast<std::uint32_t>(gap(random));
    session.lowLevelKeyFilter('A', false, true);
    std::uint16_t key = ch == '\r' ? vk::Return : std::uint16_t('A');
    ShiftState shift;
    session.onKeyDown(key, shift);
    std::uint8_t c = ch;
    session.onCharacter(c);
    if (c != 0 && !host.readOnly) {
      host.insertIntoField(c);
      session.onTextChanged();
    }
    session.onKeyReleased();
    // The clock ticks along about once a second.
    if (host.clockRunning) session.onClockTick();
  }

  void typeLines(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      for (char c : lines[i]) press(static_cast<std::uint8_t>(c));
      if (i + 1 < lines.size()) press('\r');
    }
  }

  void finish() {
    session.onEndButton();
    session.onEndButton();
  }

  std::uint32_t expectedKeystrokes(const std::vector<std::string>& lines) {
    std::uint32_t sum = 0;
    for (const std::string& line : lines) {
      for (char c : line + " ") sum += static_cast<std::uint32_t>(KeystrokeWeight(static_cast<unsigned char>(c)));
    }
    return sum;
  }
};

TEST(ExerciseRun, EveryFormFromPreparationToEvaluation) {
  const std::vector<std::string>& lines = builtinTexts()[1].lines;  // short words
  for (int form = 1; form <= 4; ++form) {
    SCOPED_TRACE(form);
    // Start shortly before the tick counter wraps, so the run crosses it.
    ScriptedRun run(form, 0, lines, 0xFFFFFFFFu - 20000);
    ASSERT_TRUE(run.session.running());
    run.typeLines(lines);
    EXPECT_FALSE(run.session.ended()) << "a human rhythm must not void the exercise";
    run.finish();
    ASSERT_EQ(run.host.requests, std::vector<int>{3});
    EXPECT_TRUE(run.text.lines.empty());
    EXPECT_EQ(run.typed.typedLineCount, static_cast<std::int32_t>(lines.size()));
    EXPECT_EQ(run.typed.keystrokes, run.expectedKeystrokes(lines));
    EXPECT_GT(run.session.physicalKeys(), 0);
    EXPECT_EQ(run.session.injectedKeys(), 0);
    const std::uint32_t keystrokes = run.typed.keystrokes;

    compareTexts(run.typed, ComparisonInputs{static_cast<std::uint8_t>(form), 0, false});
    EXPECT_EQ(run.typed.errorCount, 0);
    EXPECT_EQ(run.typed.markCount, 0);
    EXPECT_EQ(run.typed.keystrokes, keystrokes - 1);
    EXPECT_FALSE(run.typed.stoppedEarly);
    // Exercise time crosses the wrap of the tick counter and stays sensible.
    const std::uint32_t ms = run.session.endTick() - run.session.startTick();
    EXPECT_GT(ms, 20000u);
    EXPECT_LT(ms, 300000u);
  }
}

TEST(ExerciseRun, SlipsAreCountedByTheEvaluation) {
  const std::vector<std::string> lines = builtinTexts()[3].lines;  // sentences
  std::vector<std::string> typedLines = lines;
  typedLines[0][0] = static_cast<char>(typedLines[0][0] + 32);  // lower-case first letter
  typedLines[2].insert(typedLines[2].find(' '), " ");            // a doubled blank
  ScriptedRun run(3, 0, lines, 5000);
  run.typeLines(typedLines);
  run.finish();
  compareTexts(run.typed, ComparisonInputs{3, 0, false});
  EXPECT_EQ(run.typed.errorCount, 2);
}

TEST(ExerciseRun, TimeLimitEndsAFormThreeRunAtExactlySixtySeconds) {
  const std::vector<std::string>& lines = builtinTexts()[4].lines;
  ScriptedRun run(3, 1, lines, 0xFFFFF000u);
  const std::uint32_t start = run.session.startTick();
  std::uint32_t nextCheck = start + 775;
  std::size_t line = 0;
  std::size_t column = 0;
  while (!run.session.ended()) {
    if (static_cast<std::int32_t>(run.host.tick - nextCheck) >= 0) {
      run.session.onPaceTick();
      nextCheck += 775;
      continue;
    }
    if (column < lines[line].size()) {
      run.press(static_cast<std::uint8_t>(lines[line][column++]));
    } else {
      run.press('\r');
      ++line;
      column = 0;
    }
  }
  EXPECT_TRUE(run.session.timeLimitReached());
  EXPECT_EQ(run.session.endTick() - start, 60000u);
  run.finish();
  compareTexts(run.typed, ComparisonInputs{3, 1, true});
  EXPECT_EQ(run.typed.errorCount, 0) << "the unfinished last word is not compared";
}

TEST(ExerciseRun, ClockedLaufschriftKeepsItsRateAgainstAJitteryTimer) {
  // Ten minutes at 120 keystrokes per minute on a timer that fires up to
  // 30 ms early or late.
  std::vector<std::string> lines;
  for (int i = 0; i < 3; ++i) {
    for (const std::string& line : builtinTexts()[4].lines) lines.push_back(line);
  }
  ScriptedRun run(1, 120, lines, 0xFFFF0000u);
  ASSERT_TRUE(run.host.paceRunning);
  const std::uint32_t start = run.session.startTick();
  std::mt19937 jitterSource(7);
  // Mostly late, as coarse system timers are: without correction the rate
  // would fall by about two percent.
  std::uniform_int_distribution<int> jitter(-20, 30);
  std::uint32_t next = start + run.host.period + static_cast<std::uint32_t>(jitter(jitterSource));
  while (static_cast<std::int32_t>(next - (start + 600000)) <= 0 && run.host.paceRunning) {
    run.host.tick = next;
    run.session.onPaceTick();
    next = run.host.tick + run.host.period + static_cast<std::uint32_t>(jitter(jitterSource));
  }
  // Keystrokes of the characters revealed so far: every passed line and the
  // revealed part of the current one. The line break has no step of its own:
  // the step after a line's last character already shows the next line.
  std::int64_t revealed = 0;
  for (std::int32_t i = 0; i < run.session.lineIndex(); ++i) {
    revealed += countKeystrokes(lines[static_cast<std::size_t>(i)]);
  }
  revealed += countKeystrokes(std::string_view(lines[static_cast<std::size_t>(run.session.lineIndex())])
                                  .substr(0, static_cast<std::size_t>(run.session.column())));
  // The per-line period is truncated to whole milliseconds, which runs at most
  // one millisecond per character fast: about 0.4 % at this speed.
  RecordProperty("revealed", static_cast<int>(revealed));
  EXPECT_GE(revealed, 1200 - 3);
  EXPECT_LE(revealed, 1200 + 8);
}

}  // namespace
}  // namespace kv
