#include "evaluation/summary.h"

#include <gtest/gtest.h>

#include "texts/checksum.h"

namespace kv {
namespace {

TypedExercise exerciseWith(const std::string& typed, std::uint32_t keystrokes, int errors) {
  TypedExercise ex;
  ex.typedText = typed;
  ex.keystrokes = keystrokes;
  ex.errorCount = errors;
  ex.typedLineCount = 1;
  return ex;
}

SummaryInputs baseInputs() {
  SummaryInputs in;
  in.form = 3;
  in.exerciseTitle = "Beispiel 04: S\xE4tze";
  in.startTick = 1000;
  in.endTick = 301000;  // 300 s
  in.learnerLine1 = "Anna Muster";
  in.learnerLine2 = "Klasse 8b";
  in.longestLine = 60;
  in.today = CalendarDate{2026, 12, 6};
  return in;
}

// The summary block follows the typed text and three empty lines.
std::vector<std::string> block(const std::vector<std::string>& list, std::size_t typedLines) {
  std::vector<std::string> out;
  for (std::size_t i = kResultHeaderLines + typedLines + 3; i < list.size() && !list[i].empty(); ++i) {
    out.push_back(list[i]);
  }
  return out;
}

TEST(Summary, LabelsArePaddedToFourteen) {
  EXPECT_EQ(label(1), "\xDC" "bungsform    ");
  EXPECT_EQ(label(4), "Gesamtanschl. ");
  EXPECT_EQ(label(17), "Fehlerzahl    ");
  EXPECT_EQ(label(15), "Eingabemedium ");
  EXPECT_EQ(label(7), "");
  EXPECT_EQ(label(0), "");
  EXPECT_EQ(label(18), "");
  EXPECT_EQ(formatDuration(300), "00:05:00");
  EXPECT_EQ(formatDuration(360000), "100:00:00");
}

TEST(Summary, HeaderTypedTextAndFiguresInTheirPlaces) {
  TypedExercise ex = exerciseWith("Das ist \x08gut\x08.\r\nZweite Zeile\r\n", 600, 3);
  ex.typedLineCount = 2;
  const auto list = buildSummary(ex, baseInputs());
  ASSERT_GE(list.size(), 30u);
  for (int i : {0, 1, 2, 3, 7, 8, 9}) EXPECT_EQ(list[static_cast<std::size_t>(i)], "") << i;
  EXPECT_EQ(list[4], "Anna Muster");
  EXPECT_EQ(list[5], "Klasse 8b");
  EXPECT_EQ(list[6], "6. Dezember 2026");
  EXPECT_EQ(list[10], "Das ist \x08gut\x08.");
  EXPECT_EQ(list[11], "Zweite Zeile");
  EXPECT_EQ(block(list, 2), (std::vector<std::string>{
                                "\xDC" "bungstext    Beispiel 04: S\xE4tze",
                                "\xDC" "bungsform    Textvorgabe auf Bildschirm",
                                "\xDC" "bungszeit    00:05:00",
                                "Gesamtanschl. 600",
                                "Anschl./Min.  120",
                                "Fehlerzahl    3 (0,500 Fehlerprozent)",
                            }));
  EXPECT_TRUE(ex.typedText.empty()) << "the typed text is handed over to the list";
}

// A voided exercise has no keystrokes: a percentage of nothing would be a
// made-up figure, so the error line gives the count alone.
TEST(Summary, ZeroKeystrokesShowZeroPerMinuteAndNoErrorPercentage) {
  TypedExercise ex = exerciseWith("\r\n", 0, 0);
  SummaryInputs in = baseInputs();
  in.endTick = in.startTick + 400;  // E = 0
  const auto list = buildSummary(ex, in);
  const auto b = block(list, 1);
  EXPECT_EQ(b[2], "\xDC" "bungszeit    00:00:00");
  EXPECT_EQ(b[4], "Anschl./Min.  0");
  EXPECT_EQ(b[5], "Fehlerzahl    0");
}

TEST(Summary, ShortExerciseWithKeystrokesCountsOneSecond) {
  TypedExercise ex = exerciseWith("ab\r\n", 3, 0);
  SummaryInputs in = baseInputs();
  in.endTick = in.startTick + 999;
  const auto b = block(buildSummary(ex, in), 1);
  EXPECT_EQ(b[2], "\xDC" "bungszeit    00:00:01");
  EXPECT_EQ(b[4], "Anschl./Min.  180");
}

TEST(Summary, TimeLimitCapsTheExerciseTimeAcrossTheTickWrap) {
  TypedExercise ex = exerciseWith("abc\r\n", 900, 0);
  SummaryInputs in = baseInputs();
  in.form = 4;
  in.pace = 5;
  in.startTick = 0xFFFFF000u;
  in.endTick = in.startTick + 5 * 60000 + 700;  // wraps past 2^32
  in.timeLimitReached = true;
  const auto b = block(buildSummary(ex, in), 1);
  EXPECT_EQ(b[1], "\xDC" "bungsform    Text von Vorlage");
  EXPECT_EQ(b[2], "\xDC" "bungszeit    00:05:00");
  EXPECT_EQ(b[4], "Anschl./Min.  180");
}

TEST(Summary, FormLineForPacedForms) {
  const struct {
    int form;
    int pace;
    bool showPerMinute;
    const char* text;
  } rows[] = {
      {1, 0, true, "Laufschrift (individuell)"},
      {2, -3, true, "Leuchttastei (individuell)"},
      {1, 120, true, "Laufschrift (getaktet)"},
      {1, 120, false, "Laufschrift (120 Anschl./Min.)"},
      {3, 10, true, "Textvorgabe auf Bildschirm"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    TypedExercise ex = exerciseWith("x\r\n", 10, 0);
    SummaryInputs in = baseInputs();
    in.form = row.form;
    in.pace = row.pace;
    in.showKeystrokesPerMinute = row.showPerMinute;
    const auto b = block(buildSummary(ex, in), 1);
    EXPECT_EQ(b[1], label(1) + row.text);
  }
}

TEST(Summary, OptionalLinesAndNotes) {
  TypedExercise ex = exerciseWith("x\r\n", 10, 1);
  SummaryInputs in = baseInputs();
  in.showExerciseTime = false;
  in.showKeystrokesPerMinute = false;
  in.correctionAllowed = true;
  in.injectedKeys = 9;  // counts as 8
  in.physicalKeys = 71;  // 70 div 8 = 8 <= 8
  const auto b = block(buildSummary(ex, in), 1);
  ASSERT_EQ(b.size(), 5u);
  EXPECT_EQ(b[2], "Eingabemedium Softwaretastatur");
  EXPECT_EQ(b[3], "Gesamtanschl. 10 (mit Korrekturm\xF6glichkeit)");
  EXPECT_EQ(b[4], "Fehlerzahl    1 (10,000 Fehlerprozent)");

  TypedExercise hand = exerciseWith("x\r\n", 10, 0);
  in.physicalKeys = 72;  // 72 div 8 = 9 > 8: typed by hand
  const auto b2 = block(buildSummary(hand, in), 1);
  for (const std::string& line : b2) EXPECT_EQ(line.find("Eingabemedium"), std::string::npos);
}

TEST(Summary, ImpossibleAndStoppedEarly) {
  TypedExercise impossible = exerciseWith("x\r\n", 10, 255);
  EXPECT_EQ(block(buildSummary(impossible, baseInputs()), 1).back(),
            "Fehlerzahl    Auswertung nicht m\xF6glich");
  TypedExercise also = exerciseWith("x\r\n", 10, 250);
  EXPECT_EQ(block(buildSummary(also, baseInputs()), 1).back(),
            "Fehlerzahl    Auswertung nicht m\xF6glich");

  TypedExercise early = exerciseWith("x\r\n", 10, 4);
  early.stoppedEarly = true;
  early.stopLine = 3;
  early.stopColumn = 17;
  SummaryInputs in = baseInputs();
  in.selection = {3, 5, 0, 2};
  in.longestLine = 59;
  const auto list = buildSummary(early, in);
  const auto b = block(list, 1);
  EXPECT_EQ(b.back(), "Fehlerzahl    4 (bis Zeile 3, Spalte 17)");
  // One empty line, then the note wrapped at 60 characters.
  std::size_t at = kResultHeaderLines + 1 + 3 + b.size();
  EXPECT_EQ(list[at], "");
  std::string joined;
  for (++at; !list[at].empty(); ++at) {
    EXPECT_LE(list[at].size(), 60u);
    joined += list[at];
  }
  EXPECT_EQ(joined, lineSelectionNote(in.selection));
}

TEST(Summary, LineSelectionNoteReadsCorrectly) {
  const struct {
    LineSelection sel;
    const char* text;
  } rows[] = {
      {{3, 5, 0, 2},
       "Hinweis: F\xFCr die Auswertung wurden nur die Zeilen 3 bis 5 (jede Zeile 2 mal schreiben) des "
       "\xDC" "bungstextes als Vergleichstext ausgew\xE4hlt."},
      {{4, 4, 1, 3},
       "Hinweis: F\xFCr die Auswertung wurde nur die Zeile 4 (den Text 3 mal schreiben) des "
       "\xDC" "bungstextes als Vergleichstext ausgew\xE4hlt."},
      {{12, 140, 0, 1},
       "Hinweis: F\xFCr die Auswertung wurden nur die Zeilen 12 bis 140 des "
       "\xDC" "bungstextes als Vergleichstext ausgew\xE4hlt."},
      {{7, 7, 0, 1},
       "Hinweis: F\xFCr die Auswertung wurde nur die Zeile 7 des "
       "\xDC" "bungstextes als Vergleichstext ausgew\xE4hlt."},
      {{10, 20, 1, 12},
       "Hinweis: F\xFCr die Auswertung wurden nur die Zeilen 10 bis 20 (den Text 12 mal schreiben) des "
       "\xDC" "bungstextes als Vergleichstext ausgew\xE4hlt."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(lineSelectionNote(row.sel), row.text);
  }
}

TEST(Summary, WrapBreaksAtBlanks) {
  EXPECT_EQ(wrapNote("eins zwei drei", 9), (std::vector<std::string>{"eins ", "zwei drei"}));
  EXPECT_EQ(wrapNote("eins zwei drei", 8), (std::vector<std::string>{"eins ", "zwei ", "drei"}));
  EXPECT_EQ(wrapNote("kurz", 10), (std::vector<std::string>{"kurz"}));
  // A word longer than the width is cut rather than looping forever.
  EXPECT_EQ(wrapNote("abcdef", 3), (std::vector<std::string>{"a", "b", "c", "def"}));
  EXPECT_EQ(wrapNote("ab", 0).size(), 2u);
}

TEST(Summary, SealsFollowDateKeystrokesAndLength) {
  TypedExercise ex = exerciseWith("Hallo\r\n", 6, 0);
  buildSummary(ex, baseInputs());
  EXPECT_EQ(ex.dateSeal, stringChecksum(0, "6122026"));
  EXPECT_EQ(ex.keySeal, stringChecksum(ex.dateSeal, "67"));
  EXPECT_EQ(ex.summarySeal,
            stringChecksum(0, std::to_string(ex.dateSeal) + std::to_string(ex.keySeal)));
  const std::uint32_t product = ex.headerBlock[28] | (ex.headerBlock[29] << 8) |
                                (ex.headerBlock[30] << 16) |
                                (static_cast<std::uint32_t>(ex.headerBlock[31]) << 24);
  EXPECT_EQ(product ^ ex.keySeal,
            stringChecksum(stringChecksum(0, "Klavento 7.0"), "(mit Korrekturm\xF6glichkeit)"));
}

TEST(Summary, ListNeverShorterThanThirtyLines) {
  TypedExercise ex = exerciseWith("", 0, 0);
  EXPECT_EQ(buildSummary(ex, baseInputs()).size(), 30u);
  std::string many;
  for (int i = 0; i < 40; ++i) many += "Zeile\r\n";
  TypedExercise big = exerciseWith(many, 200, 0);
  const auto list = buildSummary(big, baseInputs());
  EXPECT_GT(list.size(), 30u);
  for (std::size_t i = list.size() - 4; i < list.size(); ++i) EXPECT_EQ(list[i], "");
}

}  // namespace
}  // namespace kv
