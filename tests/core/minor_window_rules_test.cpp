#include "ui/shared/minor_window_rules.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/encoding.h"

namespace kv {
namespace {

TEST(PictureChoice, VariantAndMagnificationByDensity) {
  struct Row {
    int ppi;
    PictureChoice expected;
  };
  const Row table[] = {
      {96, {100, 1}},  {110, {100, 1}}, {120, {125, 1}}, {144, {150, 1}}, {168, {175, 1}},
      {192, {100, 2}},  // s = 200, c = 100
      {240, {125, 2}},  // s = 250, c = 125
      {288, {150, 2}},  {336, {175, 2}},
      {384, {100, 4}},  // s = 400, c = 200 -> 100: the 100 % picture four times
      {480, {125, 4}},
      {72, {100, 1}},   // below 96 ppi the picture keeps its own size
  };
  for (const Row& row : table) {
    SCOPED_TRACE(row.ppi);
    EXPECT_EQ(choosePicture(row.ppi), row.expected);
  }
}

TEST(ResultOptions, WhichNoChoiceIsLocked) {
  // form, pace, time limit reached -> exercise-time "no" locked, kpm "no" locked
  const std::tuple<int, int, bool, bool, bool> table[] = {
      {1, 0, false, false, false}, {1, 120, false, false, true}, {2, 60, true, false, true},
      {3, 0, true, false, false},  {3, 5, false, false, false},  {3, 5, true, true, false},
      {4, 10, true, true, false},  {4, -1, true, false, false},
  };
  for (const auto& [form, pace, reached, timeLocked, kpmLocked] : table) {
    SCOPED_TRACE(testing::Message() << form << " " << pace << " " << reached);
    EXPECT_EQ(exerciseTimeChoiceLocked(form, pace, reached), timeLocked);
    EXPECT_EQ(keystrokesChoiceLocked(form, pace), kpmLocked);
  }
}

TEST(ResultOptions, LearnerLinesCleanedThenCut) {
  const std::pair<std::string, std::string> table[] = {
      {"  Lena Weber  ", "Lena Weber"},
      {"\"Klasse 8b\"", "Klasse 8b"},
      {"  \"Klasse 8b\"  ", "Klasse 8b"},
      {"\"", "\""},                      // one character: no pair of quotes
      {"\"\"", ""},
      {"\"nur links", "\"nur links"},
      {"\"\"doppelt\"\"", "\"doppelt\""},  // one pair only
      {std::string(50, 'a'), std::string(45, 'a')},
      {"  " + std::string(45, 'b') + "  ", std::string(45, 'b')},
      {"\"" + std::string(45, 'c') + "\"", std::string(45, 'c')},  // quotes first, then the cut
  };
  for (const auto& [typed, stored] : table) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(cleanLearnerLine(typed), stored);
  }
}

TEST(ResultOptions, ClockedExercisesNeverShowTheirSpeed) {
  ResultOptions o = resultOptionsFrom(" A ", "B", false, true, 1, 150);
  EXPECT_EQ(o.learnerLine1, "A");
  EXPECT_EQ(o.learnerLine2, "B");
  EXPECT_FALSE(o.showExerciseTime);
  EXPECT_FALSE(o.showKeystrokesPerMinute);
  o = resultOptionsFrom("", "", true, true, 1, 0);
  EXPECT_TRUE(o.showKeystrokesPerMinute);
  o = resultOptionsFrom("", "", true, true, 3, 5);
  EXPECT_TRUE(o.showKeystrokesPerMinute);
  EXPECT_TRUE(o.showExerciseTime);
}

TEST(ProgressWindow, MinimumDisplayTimesAcrossTheTickWrap) {
  EXPECT_FALSE(progressMinimumOver(1000, 1749, false));
  EXPECT_TRUE(progressMinimumOver(1000, 1750, false));
  EXPECT_FALSE(progressMinimumOver(1000, 1999, true));
  EXPECT_TRUE(progressMinimumOver(1000, 2000, true));
  // 0xFFFFFF00 + 1000 ms wraps past zero.
  EXPECT_FALSE(progressMinimumOver(0xFFFFFF00u, 0x00000100u, true)) << "only 512 ms have passed";
  EXPECT_TRUE(progressMinimumOver(0xFFFFFF00u, 0x000002E8u, true));
}

TEST(AboutLines, FormatLabelFillsOnlyItsOwnPlaceholders) {
  EXPECT_EQ(formatLabel("Version %s (Build %d)", "7.0.0.0", 12), "Version 7.0.0.0 (Build 12)");
  EXPECT_EQ(formatLabel("Build %d, Version %s", "7.0", 3), "Build 3, Version 7.0");
  EXPECT_EQ(formatLabel("Arbeitsspeicher: %s KB", "8.388.608"), "Arbeitsspeicher: 8.388.608 KB");
  EXPECT_EQ(formatLabel("100 %% %s", "x"), "100 % x");
  // A second placeholder or a foreign one is text, never a read beyond the arguments.
  EXPECT_EQ(formatLabel("%s %s %n %x %", "a", 1), "a %s %n %x %");
  EXPECT_EQ(formatLabel("ohne", "a", 1), "ohne");
}

TEST(AboutLines, BuildNumberAfterTheLastDot) {
  const std::pair<const char*, std::int64_t> table[] = {
      {"7.0.0.0", 0},   {"7.0.0.1234", 1234}, {"7.0.2", 2},  {"7", 0},
      {"7.0.0.", 0},    {"7.0.0.12a", 0},     {"7.0.0. 3", 0}, {"", 0},
      {"7.0.0.99999999999", 0},
  };
  for (const auto& [text, number] : table) {
    SCOPED_TRACE(text);
    EXPECT_EQ(buildNumber(text), number);
  }
}

TEST(AboutLines, ThousandsSeparators) {
  const std::pair<std::uint64_t, const char*> table[] = {
      {0, "0"},           {999, "999"},           {1000, "1.000"},
      {8388608, "8.388.608"}, {123456789012ull, "123.456.789.012"},
  };
  for (const auto& [value, text] : table) {
    SCOPED_TRACE(text);
    EXPECT_EQ(withThousands(value, "."), text);
  }
  EXPECT_EQ(memoryKilobytes(8589934592ull), 8388608u);
  EXPECT_EQ(memoryKilobytes(1023), 0u);
}

}  // namespace
}  // namespace kv
