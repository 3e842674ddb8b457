#include "evaluation/result_layout.h"

#include <gtest/gtest.h>

#include "evaluation/typed_exercise.h"
#include "platform/encoding.h"

namespace kv {
namespace {

TEST(ResultLayout, LinesArePreparedForDrawing) {
  const struct {
    const char* line;
    const char* drawn;
  } rows[] = {
      {"", " "},
      {"Text ohne Fehler", "Text ohne Fehler"},
      {"Zeile mit Ende\x08\x08", "Zeile mit Ende\x08 \x08"},  // marked line end
      {"\x08\x08", "\x08 \x08"},                              // only a marked line end
      {"\x08", "\x08"},                                       // one byte: left alone
      {"ab\x08\x08" "cd", "abcd"},                            // empty stretch vanishes
      {"a\x08\x08\x08" "b", "a\x08" "b"},
      {"a\x08\x08\x08\x08" "b", "ab"},
      {"\x08" "falsch\x08 richtig", "\x08" "falsch\x08 richtig"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(prepareLineForDrawing(row.line), row.drawn);
  }
}

TEST(ResultLayout, MarksToggleTheUnderline) {
  using R = std::vector<TextRun>;
  const struct {
    const char* prepared;
    R runs;
  } rows[] = {
      {"Kein Fehler", R{{"Kein Fehler", false}}},
      {"Das \x08ist\x08 gut", R{{"Das ", false}, {"ist", true}, {" gut", false}}},
      {"\x08" "Anfang\x08", R{{"Anfang", true}}},
      {"Ende\x08 \x08", R{{"Ende", false}, {" ", true}}},
      // A mark that closes straight after opening still shows one space.
      {"a\x08\x08" "b", R{{"a", false}, {" ", true}, {"b", false}}},
      // An unclosed mark underlines to the end of the line.
      {"ab\x08" "cd", R{{"ab", false}, {"cd", true}}},
      {" ", R{{" ", false}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.prepared);
    EXPECT_EQ(splitIntoRuns(row.prepared), row.runs);
  }
  // A prepared marked line end ends in an underlined space.
  const R runs = splitIntoRuns(prepareLineForDrawing("Satzende.\x08\x08"));
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs.back(), (TextRun{" ", true}));
}

TEST(ResultLayout, ScreenReferenceLengthAndIndent) {
  const struct {
    std::int32_t longest;
    int length;
    int indent;
  } rows[] = {
      {0, 54, 8},   {1, 54, 8},   {35, 54, 8},  {36, 54, 8},  // rounded to 40 -> 54
      {40, 54, 8},  {41, 59, 8},  {49, 64, 8},  {50, 64, 9},  {51, 69, 9},
      {70, 84, 9},  {71, 84, 9},  {200, 84, 9}, {-3, 54, 8},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.longest);
    EXPECT_EQ(screenReferenceLength(row.longest), row.length);
    EXPECT_EQ(indentSpaces(row.longest), row.indent);
  }
}

// A font whose reference line is 10 pixels wide per point.
FontTable linearTable() {
  return FontTable::measure([](int size) { return FontMetric{size * 10, size + 3}; });
}

TEST(ResultLayout, FontTableChoosesSizes) {
  const FontTable table = linearTable();
  EXPECT_EQ(table.at(8).width, 80);
  EXPECT_EQ(table.at(250).width, 2500);
  EXPECT_EQ(table.at(7).width, 80) << "below the table: its smallest entry";
  EXPECT_EQ(table.at(300).width, 2500);

  // 57 * 10 + 30 = 600 > 595 is the first to exceed; 56 gives exactly 590.
  EXPECT_EQ(table.startingSize(30), 57);
  EXPECT_EQ(table.startingSize(5), 60) << "595 itself does not exceed";
  EXPECT_EQ(table.startingSize(-5000), 250) << "nothing exceeds: the largest";
  EXPECT_EQ(table.startingSize(600), 8);

  const struct {
    int width;
    int size;
  } rows[] = {{0, 8}, {79, 8}, {80, 8}, {89, 8}, {90, 9}, {599, 59}, {2500, 250}, {99999, 250}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.width);
    EXPECT_EQ(table.sizeForWidth(row.width), row.size);
  }
  const FontTable none;
  EXPECT_EQ(none.startingSize(0), 8);
  EXPECT_EQ(none.sizeForWidth(1000), 8);
}

TEST(ResultLayout, ListHeightIsAWholeNumberOfLines) {
  const struct {
    int wanted, item;
    std::size_t lines;
    int height;
  } rows[] = {
      {100, 10, 30, 100}, {109, 10, 30, 100}, {5, 10, 30, 10},   // at least one line
      {-40, 10, 30, 10},  {1000, 10, 30, 300},                   // never more than the list
      {1000, 17, 0, 17},  {100, 0, 30, 100},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.wanted << "/" << row.item << "/" << row.lines);
    EXPECT_EQ(wholeLineListHeight(row.wanted, row.item, row.lines), row.height);
  }
  EXPECT_EQ(maximisedResultWidth(1400, 10), 1100);
  EXPECT_EQ(maximisedResultWidth(1400, 60), 1200);
  EXPECT_EQ(maximisedResultWidth(1400, 90), 1400);
}

TEST(ResultLayout, PrintMarginsTitleAndReference) {
  EXPECT_EQ(centimetresToPixels(2.5, 300), 295);  // 295.27
  EXPECT_EQ(centimetresToPixels(1.5, 300), 177);  // 177.17
  EXPECT_EQ(centimetresToPixels(2.5, 600), 591);  // 590.55
  EXPECT_EQ(centimetresToPixels(1.5, 96), 57);    // 56.69

  EXPECT_EQ(printDocumentTitle(""), "Klavento 7");
  EXPECT_EQ(printDocumentTitle("   "), "Klavento 7");
  EXPECT_EQ(printDocumentTitle("  \"Anna M\xFCller\" "), "Klavento 7 - Anna M\xFCller");
  EXPECT_EQ(printDocumentTitle("Klasse 8b"), "Klavento 7 - Klasse 8b");

  const struct {
    std::int32_t longest;
    int spaces;
  } rows[] = {{0, 50}, {45, 50}, {46, 60}, {55, 60}, {56, 65}, {65, 65}, {66, 70}, {250, 70}};
  for (const auto& row : rows) EXPECT_EQ(printReferenceSpaces(row.longest), row.spaces) << row.longest;
}

TEST(ResultLayout, PrintFontGrowsThenShrinksToTheWidth) {
  const auto perPoint = [](int pixels) { return [pixels](int size) { return size * pixels; }; };
  const struct {
    int pixelsPerPoint, usable, size;
  } rows[] = {
      {100, 2185, 21},  // 21 fits (2100), 22 does not
      {100, 2200, 22},  // exactly fitting
      {100, 799, 8},    // even 8 is too wide: stays at 8
      {100, 6399, 63},
      {100, 6400, 64},  // 64 fills the page exactly
      {100, 6401, 10},  // the page is wider than 64 points can fill
      {0, 2000, 10},    // a font that measures nothing
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.pixelsPerPoint << " " << row.usable);
    EXPECT_EQ(printFontSize(perPoint(row.pixelsPerPoint), row.usable), row.size);
  }
}

std::vector<std::string> sampleList(bool withNote) {
  std::vector<std::string> list(10);
  list[4] = "Anna";
  list[6] = "6. Dezember 2026";
  list.push_back("Das \x08ist\x08 gut.");
  list.push_back("Fehler hier getippt");  // typed text, not the summary
  list.insert(list.end(), 3, "");
  list.push_back(w1252("Übungstext    Beispiel"));
  list.push_back(w1252("Übungsform    Text von Vorlage"));
  list.push_back("Gesamtanschl. 600");
  list.push_back("Fehlerzahl    3 (0,500 Fehlerprozent)");
  if (withNote) {
    list.push_back("");
    list.push_back("Hinweis: Nur Zeile 4");
    list.push_back("als Vergleichstext.");
  }
  list.insert(list.end(), 4, "");
  while (list.size() < 30) list.push_back("");
  return list;
}

TEST(ResultLayout, PrintedRangeAndSummaryRules) {
  const auto with = printedLines(sampleList(false), false);
  ASSERT_EQ(with.size(), 15u);
  EXPECT_EQ(with.front(), "Anna");
  EXPECT_EQ(with[6], "Das \x08ist\x08 gut.") << "marks stay with the evaluation";
  EXPECT_EQ(with.back(), "Fehlerzahl    3 (0,500 Fehlerprozent)");

  for (const bool note : {false, true}) {
    SCOPED_TRACE(note ? "with the line-selection note" : "summary last");
    const auto without = printedLines(sampleList(note), true);
    std::vector<std::string> expected = {"Anna", "", "6. Dezember 2026", "", "", "",
                                         "Das ist gut.", "Fehler hier getippt", "", "", "",
                                         w1252("Übungstext    Beispiel"),
                                         w1252("Übungsform    Text von Vorlage"),
                                         "Gesamtanschl. 600"};
    if (note) expected.insert(expected.end(), {"", "Hinweis: Nur Zeile 4", "als Vergleichstext."});
    EXPECT_EQ(without, expected);
  }
}

TEST(ResultLayout, PrintedRangeOfBlankListsAndBlocksWithoutSummary) {
  EXPECT_TRUE(printedLines(std::vector<std::string>(30, ""), false).empty());
  EXPECT_TRUE(printedLines(std::vector<std::string>(30, " "), true).empty());
  EXPECT_TRUE(printedLines({}, true).empty());
  // One block that is no summary and nothing before it: nothing is left out.
  const std::vector<std::string> plain = {"", " ", "Fehler eins", "Fehler zwei", " "};
  EXPECT_EQ(printedLines(plain, true), (std::vector<std::string>{"Fehler eins", "Fehler zwei"}));
  const std::vector<std::string> single = {"Fehlerzahl    0"};
  EXPECT_TRUE(printedLines(single, true).empty());
  EXPECT_EQ(printedLines(single, false), single);
}

TEST(ResultLayout, PagesBreakBeforeTheBottomLimit) {
  // Page 1000 high, margin 100: bottom limit 900. Line 50: y = 101, 151, ...
  // A line starts a new page once 900 < 50 * k + 101, i.e. from k = 16.
  const auto placed = paginate(40, 50, 100, 1000);
  ASSERT_EQ(placed.size(), 40u);
  EXPECT_EQ(placed[0].page, 0);
  EXPECT_EQ(placed[0].y, 101);
  EXPECT_EQ(placed[15].page, 0);
  EXPECT_EQ(placed[15].y, 851);
  EXPECT_EQ(placed[16].page, 1);
  EXPECT_EQ(placed[16].y, 101);
  EXPECT_EQ(placed[32].page, 2);
  EXPECT_EQ(placed[39].page, 2);

  EXPECT_TRUE(paginate(0, 50, 100, 1000).empty());
  // A line taller than the page: one line per page, never an empty page.
  const auto huge = paginate(3, 5000, 100, 1000);
  ASSERT_EQ(huge.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(huge[static_cast<std::size_t>(i)].page, i);
    EXPECT_EQ(huge[static_cast<std::size_t>(i)].y, 101);
  }
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// What a screen reader says of a result line: the text, and each marked
// stretch as an error, a marked blank by its name.
TEST(SpokenLine, NamesEachMarkedStretchAsAnError) {
  const std::string line = std::string("Das ist ") + kMarkByte + "ien" + kMarkByte + " Test" + kMarkByte + " " +
                           kMarkByte + "und";
  const SpokenLine spoken = spokenLine(line);
  EXPECT_EQ(spoken.text, "Das ist ien Test und");
  EXPECT_EQ(spoken.errors, w1252("Fehler: „ien“, Leerzeichen"));
  EXPECT_EQ(spokenLine("Alles richtig  ").text, "Alles richtig");
  EXPECT_EQ(spokenLine("Alles richtig").errors, "");
}

}  // namespace
}  // namespace kv
