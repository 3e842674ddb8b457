#include "session/exercise_session.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/core/fake_session_host.h"

namespace kv {
namespace {

struct Rig {
  FakeHost host;
  FakeKeys keys;
  ExerciseParameters params;
  CurrentText text;
  TypedExercise typed;
  ExerciseSession session{host, keys, params, text, typed};

  explicit Rig(int form, int pace = 0, std::vector<std::string> lines = {"Das ist ein Test."},
               bool correction = false) {
    params.form = static_cast<std::uint8_t>(form);
    params.pace = pace;
    params.correctionAllowed = correction;
    text.lines = std::move(lines);
    session.prepare(0x808000);
  }

  void startExercise() {
    std::uint8_t space = ' ';
    session.onCharacter(space);
  }

  // One character typed into the field, after `gap` milliseconds.
  void type(std::uint8_t ch, std::uint32_t gap = 0) {
    host.tick += gap;
    std::uint8_t c = ch;
    session.onCharacter(c);
    if (c == 0 || host.readOnly) return;
    host.insertIntoField(c);
    session.onTextChanged();
    session.onKeyReleased();
  }

  void typeText(const std::string& chars, std::uint32_t gap = 0) {
    for (char c : chars) type(static_cast<std::uint8_t>(c), gap);
  }

  // Timer ticks of the pacing timer until `until` (absolute tick).
  void runPaceTimer(std::uint32_t until) {
    while (host.paceRunning && static_cast<std::int32_t>(until - (host.tick + host.period)) >= 0) {
      host.tick += host.period;
      session.onPaceTick();
    }
  }
};

TEST(SessionPreparation, CaptionsNameTheFormAndItsOptions) {
  ExerciseParameters p;
  p.form = 1;
  EXPECT_EQ(ExerciseSession::captionFor(p), "Laufschrift (individuell)");
  p.form = 3;
  p.correctionAllowed = true;
  EXPECT_EQ(ExerciseSession::captionFor(p), "Textvorgabe auf Bildschirm (mit Korrektur)");
  p.form = 4;
  p.correctionAllowed = false;
  EXPECT_EQ(ExerciseSession::captionFor(p), "Text von Vorlage");
  p.form = 2;
  p.pace = 120;
  EXPECT_EQ(ExerciseSession::captionFor(p), "Leuchttastei");
}

TEST(SessionPreparation, TextColourContrastsWithTheKeyboardBackground) {
  EXPECT_EQ(ExerciseSession::textColourFor(0xC8C8C8), 0x000000u);
  EXPECT_EQ(ExerciseSession::textColourFor(0xAAAAAA), 0xFFFFFFu);
  EXPECT_EQ(ExerciseSession::textColourFor(0x808000), 0xFFFFFFu);
}

TEST(SessionPreparation, BannerPromptAndStatus) {
  Rig rig(3, 5);
  EXPECT_TRUE(rig.session.ready());
  EXPECT_TRUE(rig.host.readOnly);
  ASSERT_EQ(rig.host.field.size(), 100u);
  const std::string& banner = rig.host.field[0];
  EXPECT_EQ(banner.rfind("+++ Grundstellung einnehmen +++", 0), 0u);
  EXPECT_LT(static_cast<int>(banner.size()) * rig.host.charWidth, rig.host.widest);
  EXPECT_GE(static_cast<int>(banner.size() + 28) * rig.host.charWidth, rig.host.widest);
  EXPECT_EQ(rig.host.prompt,
            "\rHinweis: Die Fenstergr\xF6\xDF" "e kann durch Ziehen mit der Maus ge\xE4ndert werden.\r\r"
            ">>>  Start mit Leertaste   <<<");
  EXPECT_TRUE(rig.host.promptShown);
  EXPECT_EQ(rig.host.status[kPanelHint], "Status ausblenden mit Strg+T");
  EXPECT_EQ(rig.host.status[kPanelClock], "00:05:00");
  EXPECT_EQ(rig.host.status[kPanelSpeed], "0 Anschl\xE4ge/Minute");
  EXPECT_EQ(rig.host.status[kPanelKeystrokes], "0 Gesamtanschl\xE4ge");
  EXPECT_EQ(rig.keys.rebuilds, 1);

  Rig clocked(1, 120);
  EXPECT_FALSE(clocked.params.statusVisible);
  EXPECT_EQ(clocked.host.status[kPanelHint], "Status einblenden mit Strg+T");
  EXPECT_EQ(clocked.host.status[kPanelClock], "");
}

TEST(SessionStart, SpaceStartsOtherKeysBeep) {
  Rig rig(4);
  std::uint8_t x = 'x';
  rig.session.onCharacter(x);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(rig.host.beeps, 1);
  EXPECT_TRUE(rig.host.readOnly);
  rig.startExercise();
  EXPECT_TRUE(rig.session.running());
  EXPECT_FALSE(rig.host.readOnly);
  EXPECT_TRUE(rig.host.field.empty());
  EXPECT_FALSE(rig.host.promptShown);
  EXPECT_TRUE(rig.host.clockRunning);
  EXPECT_FALSE(rig.host.paceRunning) << "no time limit, no pacing";
  EXPECT_EQ(rig.session.startTick(), rig.host.tick);
}

TEST(SessionTyping, LeadingBlanksAndLineBreaksAreDropped) {
  Rig rig(4);
  rig.startExercise();
  rig.type(' ');
  rig.type('\r');
  EXPECT_TRUE(rig.host.field.empty());
  rig.typeText("Ab");
  EXPECT_EQ(rig.host.fieldText(), "Ab");
  rig.type(' ');
  EXPECT_EQ(rig.host.fieldText(), "Ab ");
}

TEST(SessionTyping, ControlCharactersFollowTheCorrectionOption) {
  Rig strict(4);
  strict.startExercise();
  strict.typeText("ab");
  for (std::uint8_t c : {std::uint8_t(8), std::uint8_t(22), std::uint8_t(127), std::uint8_t(9)}) {
    std::uint8_t ch = c;
    strict.session.onCharacter(ch);
    EXPECT_EQ(ch, 0) << int(c);
  }
  Rig lenient(4, 0, {"Text"}, true);
  lenient.startExercise();
  lenient.typeText("ab");
  std::uint8_t back = 8;
  lenient.session.onCharacter(back);
  EXPECT_EQ(back, 8);
  std::uint8_t enter = 13;
  lenient.session.onCharacter(enter);
  EXPECT_EQ(enter, 13);
}

TEST(SessionVoiding, TwentyFourCharactersAtOnceAreAcceptedTwentyFiveVoid) {
  for (int n : {24, 25}) {
    SCOPED_TRACE(n);
    Rig rig(4);
    rig.startExercise();
    rig.typeText("Hallo ");
    rig.host.field.back() += std::string(static_cast<std::size_t>(n), 'x');
    rig.session.onTextChanged();
    EXPECT_EQ(rig.session.ended(), n == 25);
    if (n == 25) {
      // The void exercise ends with only the end lines in the field.
      EXPECT_EQ(rig.host.field, (std::vector<std::string>{" ", "\r\n", "*** Ende ***"}));
      EXPECT_EQ(rig.session.typedLineCount(), 1);
    }
  }
}

TEST(SessionRhythm, RegularityWindowsAroundTheMean) {
  const struct {
    std::uint32_t mean;
    std::uint32_t gap;
    bool regular;
  } rows[] = {{200, 185, true}, {200, 215, true}, {200, 216, false}, {200, 184, false},
              {400, 375, true}, {400, 425, true}, {400, 426, false}, {400, 374, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.mean << "/" << row.gap);
    Rig rig(4);
    rig.startExercise();
    rig.type('a', 0);
    rig.type('b', row.mean);  // first interval sets the mean
    ASSERT_EQ(rig.session.meanInterval(), row.mean);
    rig.type('c', row.gap);
    EXPECT_EQ(rig.session.regularCount(), row.regular ? 1 : 0);
  }
}

TEST(SessionRhythm, RepeatsAndLongPausesLeaveTheCountAlone) {
  Rig rig(4);
  rig.startExercise();
  rig.type('a', 0);
  rig.type('b', 200);
  rig.type('c', 200);
  rig.type('d', 200);
  ASSERT_EQ(rig.session.regularCount(), 2);
  rig.type('d', 900);  // same character: skipped
  EXPECT_EQ(rig.session.regularCount(), 2);
  rig.type('e', 2500);  // long pause: skipped
  EXPECT_EQ(rig.session.regularCount(), 2);
  rig.type('f', 900);
  EXPECT_EQ(rig.session.regularCount(), 0);
}

TEST(SessionRhythm, MachineRegularTypingVoidsTheExercise) {
  Rig rig(4);
  rig.startExercise();
  std::string text;
  for (int i = 0; i < 40; ++i) text.push_back(static_cast<char>('a' + i % 20));
  for (char c : text) {
    if (rig.session.ended()) break;
    rig.type(static_cast<std::uint8_t>(c), 120);
  }
  EXPECT_TRUE(rig.session.ended());
  EXPECT_EQ(rig.host.field.front(), " ") << "void exercise hands over no text";

  Rig human(4);
  human.startExercise();
  const std::uint32_t gaps[] = {120, 180, 140, 210, 95, 160, 250, 130};
  for (int i = 0; i < 60; ++i) human.type(static_cast<std::uint8_t>('a' + i % 26), gaps[i % 8]);
  EXPECT_FALSE(human.session.ended());
}

TEST(SessionTimeLimit, OneMinuteEndsAtTheFirstCheckAfterSixtySeconds) {
  Rig rig(3, 1, {"eins", "zwei"});
  rig.host.tick = 0xFFFF0000u;  // the exercise crosses the tick counter's wrap
  rig.startExercise();
  ASSERT_TRUE(rig.host.paceRunning);
  EXPECT_EQ(rig.host.period, 775u);
  const std::uint32_t start = rig.session.startTick();
  rig.typeText("eins", 300);
  rig.runPaceTimer(start + 59000);
  EXPECT_FALSE(rig.session.ended());
  rig.runPaceTimer(start + 61000);
  ASSERT_TRUE(rig.session.ended());
  EXPECT_TRUE(rig.session.timeLimitReached());
  EXPECT_EQ(rig.session.endTick(), start + 60000u);
  EXPECT_EQ(rig.host.beeps, 1);
  EXPECT_FALSE(rig.host.clockRunning);
  EXPECT_EQ(rig.host.endButton, "&Weiter >");
}

TEST(SessionTimeLimit, AClassTestsHalfMinutesEndTheExerciseAndCountDown) {
  Rig rig(4, 2, {"eins", "zwei"});
  rig.params.limitSeconds = 90;  // 1,5 minutes for a learner with more time
  rig.startExercise();
  const std::uint32_t start = rig.session.startTick();
  rig.typeText("eins", 300);
  rig.host.tick = start + 30000;
  rig.session.onClockTick();
  EXPECT_EQ(rig.host.status[kPanelClock], "00:01:00");
  rig.runPaceTimer(start + 89000);
  EXPECT_FALSE(rig.session.ended());
  rig.runPaceTimer(start + 90500);
  ASSERT_TRUE(rig.session.ended());
  EXPECT_TRUE(rig.session.timeLimitReached());
  EXPECT_EQ(rig.session.endTick(), start + 90000u);
}

TEST(SessionClock, StatusFiguresAndToggle) {
  Rig rig(3, 2, {"eins zwei"});
  rig.startExercise();
  rig.typeText("Ab", 0);
  rig.host.tick += 30000;
  rig.session.onClockTick();
  EXPECT_EQ(rig.host.status[kPanelClock], "00:01:30") << "remaining time of a two-minute limit";
  EXPECT_EQ(rig.host.status[kPanelSpeed], "6 Anschl\xE4ge/Minute");
  EXPECT_EQ(rig.host.status[kPanelKeystrokes], "3 Gesamtanschl\xE4ge");
  rig.session.toggleStatus();
  EXPECT_EQ(rig.host.status[kPanelHint], "Status einblenden mit Strg+T");
  EXPECT_EQ(rig.host.status[kPanelClock], "Timer aktiv");
  EXPECT_EQ(rig.host.status[kPanelSpeed], "");
}

TEST(SessionLaufschrift, IndividualPaceRevealsOneCharacterPerKey) {
  Rig rig(1, 0, {"ab", "cd"});
  rig.startExercise();
  using Rows = std::vector<std::string>;
  EXPECT_EQ(rig.session.runningTextRows(), Rows{"a"});
  rig.type('x');
  EXPECT_EQ(rig.session.runningTextRows(), Rows{"ab"});
  rig.type('y');
  EXPECT_EQ(rig.session.runningTextRows(), (Rows{"ab\xB7", "c"}));
  rig.type('z');
  EXPECT_EQ(rig.session.runningTextRows(), (Rows{"ab\xB7", "cd"}));
  rig.type('w');
  EXPECT_EQ(rig.session.runningTextRows(), (Rows{"ab\xB7", "cd"}));
}

TEST(SessionLaufschrift, LineEndingInASpaceTakesAnExtraStep) {
  Rig rig(1, 0, {"ab ", "c"});
  rig.startExercise();
  rig.typeText("xyz");
  EXPECT_EQ(rig.session.lineIndex(), 0);
  EXPECT_EQ(rig.session.column(), 4);
  rig.type('q');
  EXPECT_EQ(rig.session.lineIndex(), 1);
}

TEST(SessionLaufschrift, ClockedPaceAdoptsThePerLinePeriod) {
  Rig rig(1, 120, {"abc"});
  rig.startExercise();
  EXPECT_EQ(rig.session.charInterval(), 500u);
  EXPECT_EQ(rig.host.period, 500u);

  Rig weighted(1, 60, {"Ab", "cd"});
  weighted.startExercise();
  // "Ab " weighs 4 keystrokes over 3 characters.
  EXPECT_EQ(weighted.host.period, 1333u);
  EXPECT_EQ(weighted.session.paceInterval(), 1333u);
  // The run reveals the text and stops its timer at the end.
  weighted.runPaceTimer(weighted.host.tick + 20000);
  EXPECT_FALSE(weighted.host.paceRunning);
  EXPECT_EQ(weighted.session.lineIndex(), 1);
  EXPECT_EQ(weighted.session.column(), 2);
}

TEST(SessionLaufschrift, DriftIsCorrectedWithinBounds) {
  Rig rig(1, 120, {std::string(200, 'a')});
  rig.startExercise();
  ASSERT_EQ(rig.host.period, 500u);
  rig.host.tick += 530;  // the timer came 30 ms late
  rig.session.onPaceTick();
  EXPECT_EQ(rig.host.period, 470u);
  rig.host.tick += 470;
  rig.session.onPaceTick();
  EXPECT_EQ(rig.host.period, 500u) << "30 ms early gives the 30 ms back";
  rig.host.tick += 5000;  // far too late: the bounds restore the nominal period
  rig.session.onPaceTick();
  EXPECT_EQ(rig.host.period, 500u);
}

TEST(SessionLeuchttastei, ModifierFirstThenKey) {
  Rig rig(2, 0, {"aB"});
  rig.startExercise();
  ASSERT_FALSE(rig.host.lit.empty());
  EXPECT_EQ(rig.host.lit.back(), (std::pair<int, int>{'a', 1}));
  EXPECT_TRUE(rig.session.keyLit());
  rig.type('a');
  // B is a left-hand key: right shift (code 2) alone first.
  EXPECT_EQ(rig.host.lit.back(), (std::pair<int, int>{'B', 2}));
  EXPECT_FALSE(rig.session.keyLit());
  std::uint16_t shiftKey = vk::Shift;
  ShiftState shift{true, false, false};
  rig.session.onKeyDown(shiftKey, shift);
  EXPECT_EQ(rig.host.lit.back(), (std::pair<int, int>{'B', 3}));
  EXPECT_TRUE(rig.session.keyLit());
  rig.type('B');
  EXPECT_TRUE(rig.session.endOfText());
}

TEST(SessionLeuchttastei, AccentedLetterLightsItsDeadKeyFirst) {
  Rig rig(2, 0, {"\xE9"});
  rig.startExercise();
  EXPECT_EQ(rig.host.lit.back().first, 0xB4);
  std::uint16_t dead = vk::Oem6;
  ShiftState none;
  rig.session.onKeyDown(dead, none);
  EXPECT_EQ(rig.host.lit.back().first, 'e');
}

TEST(SessionLeuchttastei, ClockedLightsThreeQuartersOfEachPeriod) {
  Rig rig(2, 120, {"ab"});
  rig.startExercise();
  EXPECT_EQ(rig.host.period, 125u);
  const std::size_t before = rig.host.lit.size();
  const int unlitBefore = rig.host.unlit;
  for (int i = 0; i < 3; ++i) {
    rig.host.tick += 125;
    rig.session.onPaceTick();
  }
  EXPECT_EQ(rig.host.unlit, unlitBefore + 1) << "dark in the fourth quarter";
  rig.host.tick += 125;
  rig.session.onPaceTick();
  EXPECT_EQ(rig.host.lit.size(), before + 1);
  EXPECT_EQ(rig.host.lit.back().first, 'b');
  rig.runPaceTimer(rig.host.tick + 10000);
  EXPECT_TRUE(rig.session.endOfText());
  EXPECT_FALSE(rig.host.paceRunning);
  EXPECT_EQ(rig.host.beeps, 1);
}

TEST(SessionTextvorgabe, DisplayFollowsTheTypedLines) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 20; ++i) lines.push_back("Zeile " + std::to_string(i));
  Rig rig(3, 0, lines);
  rig.startExercise();
  EXPECT_EQ(rig.session.templateRows().front(), "Zeile 1");
  EXPECT_EQ(rig.session.templateRows().size(), 6u);
  for (int i = 0; i < 4; ++i) rig.typeText("x\r");
  EXPECT_EQ(rig.host.field.size(), 5u);
  EXPECT_EQ(rig.session.firstShownLine(), 0);
  rig.typeText("x\rx\rx\r");
  EXPECT_EQ(rig.host.field.size(), 8u);
  EXPECT_EQ(rig.session.templateRows().front(), "Zeile 4");
  for (int i = 0; i < 30; ++i) rig.typeText("x\r");
  EXPECT_EQ(rig.session.templateRows().front(), "Zeile 15");

  Rig shortText(3, 0, {"a", "b", "c", "d"});
  shortText.startExercise();
  for (int i = 0; i < 10; ++i) shortText.typeText("x\r");
  EXPECT_EQ(shortText.session.firstShownLine(), 0);
  EXPECT_EQ(shortText.session.templateRows().size(), 4u);
}

TEST(SessionFilters, AllowedKeysAndCounting) {
  Rig rig(4);
  rig.session.filtersInstalled();
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(65, false, true));
  EXPECT_EQ(rig.session.physicalKeys(), 0) << "nothing counts before the start";
  rig.startExercise();
  for (int key : {8, 27, 33, 37, 40, 45, 46, 96, 105, 112, 116}) {
    EXPECT_TRUE(rig.session.lowLevelKeyFilter(static_cast<std::uint16_t>(key), false, true)) << key;
  }
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(8, false, false)) << "field without focus";
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(65, false, true));
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(65, false, true));
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(66, true, true));
  EXPECT_TRUE(rig.session.lastKeyInjected());
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(9, false, true));   // Tab
  EXPECT_FALSE(rig.session.lowLevelKeyFilter(20, false, true));  // Caps Lock
  EXPECT_EQ(rig.session.physicalKeys(), 2);
  EXPECT_EQ(rig.session.injectedKeys(), 1);
  EXPECT_TRUE(rig.session.threadKeyFilter(46, true));
  EXPECT_FALSE(rig.session.threadKeyFilter(65, true));

  Rig lenient(4, 0, {"x"}, true);
  lenient.startExercise();
  EXPECT_FALSE(lenient.session.lowLevelKeyFilter(8, false, true));
  EXPECT_FALSE(lenient.session.threadKeyFilter(46, true));
}

TEST(SessionFilters, PointerEventsAimedAtTheFieldAreSwallowedButMoves) {
  const auto press = mouseFilterDecision(true, PointerEvent::ButtonDown, false, false);
  EXPECT_TRUE(press.swallow);
  EXPECT_TRUE(press.focusField);
  EXPECT_TRUE(press.activateMainWindow);
  const auto pressFocused = mouseFilterDecision(true, PointerEvent::ButtonDown, true, true);
  EXPECT_TRUE(pressFocused.swallow);
  EXPECT_FALSE(pressFocused.focusField);
  EXPECT_FALSE(pressFocused.activateMainWindow);
  EXPECT_TRUE(mouseFilterDecision(true, PointerEvent::ButtonUp, true, true).swallow);
  EXPECT_TRUE(mouseFilterDecision(true, PointerEvent::Wheel, true, true).swallow);
  EXPECT_FALSE(mouseFilterDecision(true, PointerEvent::Move, true, true).swallow);
  EXPECT_FALSE(mouseFilterDecision(true, PointerEvent::NonClientMove, true, true).swallow);
  const auto elsewhere = mouseFilterDecision(false, PointerEvent::ButtonDown, false, false);
  EXPECT_FALSE(elsewhere.swallow);
  EXPECT_FALSE(elsewhere.focusField);
}

TEST(SessionFilters, KeyDownDiscardsCombinationsAndEndsOnCorrection) {
  const struct {
    std::uint16_t key;
    ShiftState shift;
    bool kept;
  } rows[] = {
      {'V', {false, false, true}, false},  // Ctrl+V
      {'C', {false, false, true}, false},  // Ctrl+C
      {'Q', {false, true, true}, true},    // AltGr+Q
      {vk::F4, {false, true, false}, true},
      {vk::F4, {false, false, true}, true},
      {vk::F4, {false, false, false}, false},
      {vk::F4, {true, false, false}, false},
      {vk::Menu, {false, true, false}, true},
      {37, {false, false, true}, false},  // Ctrl+arrow passes the combination rule, not the correction rule
      {'A', {true, false, false}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key);
    Rig rig(4);
    rig.startExercise();
    rig.typeText("ab");
    std::uint16_t key = row.key;
    ShiftState shift = row.shift;
    rig.session.onKeyDown(key, shift);
    EXPECT_EQ(key != 0, row.kept);
  }
  Rig rig(4);
  rig.startExercise();
  rig.typeText("ab");
  std::uint16_t back = vk::Back;
  ShiftState none;
  rig.session.onKeyDown(back, none);
  EXPECT_EQ(back, 0);
  EXPECT_TRUE(rig.session.ended()) << "a correction attempt ends the exercise";
  EXPECT_EQ(rig.host.beeps, 1);
}

TEST(SessionHandOver, EmptyExerciseHandsOverOneLineEnd) {
  Rig rig(4, 0, {"eins", "zwei"});
  rig.startExercise();
  rig.session.onEndButton();
  EXPECT_EQ(rig.host.field, (std::vector<std::string>{" ", "\r\n", "*** Ende ***"}));
  rig.session.onEndButton();
  EXPECT_EQ(rig.typed.typedText, "\r\n");
  EXPECT_EQ(rig.typed.templateText, "eins\r\nzwei\r\n");
  EXPECT_TRUE(rig.text.lines.empty());
  EXPECT_EQ(rig.typed.keystrokes, 1u);
  EXPECT_EQ(rig.session.progressMax(), 1);
  EXPECT_EQ(rig.host.resultOptions, 1);
  EXPECT_EQ(rig.host.evaluations, 1);
  EXPECT_EQ(rig.host.requests, std::vector<int>{3});
}

TEST(SessionHandOver, LinesAreCleanedEmptyRunsFoldedAndWeighed) {
  Rig rig(4, 0, {"Abc d", "e"});
  rig.session.setLongestLineIndex(0);
  rig.startExercise();
  rig.typeText("Abc d\r\r\r  \x01" "Caf\xE9!\r");
  rig.host.field.back() = "ende\t";
  rig.session.onEndButton();
  rig.session.onEndButton();
  EXPECT_EQ(rig.typed.typedText, "Abc d\r\n\r\nCaf\xE9!\r\nende\r\n");
  // A(2) b c _ d = 6, +1 line end; empty line 1; Caf = 4, é = ´ e = 2, ! = 2, +1; ende +1 = 5.
  EXPECT_EQ(rig.typed.keystrokes, 7u + 1u + 9u + 5u);
  EXPECT_EQ(rig.typed.typedLineCount, 5);
  EXPECT_EQ(rig.text.longestLine, 6);
  // Separators: one space, one exclamation mark; doubled.
  EXPECT_EQ(rig.session.progressMax(), 4);
}

TEST(SessionClosing, CloseFollowsUnlessSwitching) {
  Rig rig(4);
  rig.startExercise();
  rig.host.mayClose = false;
  EXPECT_FALSE(rig.session.onCloseRequest());
  rig.host.switching = true;
  EXPECT_TRUE(rig.session.onCloseRequest());
  rig.session.onClose();
  EXPECT_FALSE(rig.host.mainClosed);
  EXPECT_FALSE(rig.host.clockRunning);
  EXPECT_FALSE(rig.host.keyboardFilter);
  Rig other(4);
  other.session.onClose();
  EXPECT_TRUE(other.host.mainClosed);
}

}  // namespace
}  // namespace kv
