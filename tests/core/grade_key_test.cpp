// The grade key at every boundary of both presets, with the minimum, its
// steps, the Nachteilsausgleich and the speed bonus; and its file, read back
// and refused with the line named.
#include "classroom/grade_key.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

GradeKey preset(const char* name) {
  for (const GradeKey& k : gradeKeyPresets()) {
    if (k.name == w1252(name)) return k;
  }
  ADD_FAILURE() << "no preset " << name;
  return {};
}

std::optional<int> grade(const GradeKey& key, std::int64_t errors, std::int64_t keystrokes,
                         std::int64_t seconds = 600) {
  GradeInput in;
  in.errors = errors;
  in.keystrokes = keystrokes;
  in.seconds = seconds;
  return gradeOf(key, in);
}

struct Row {
  std::int64_t errors;
  std::int64_t keystrokes;
  std::optional<int> expected;
};

TEST(GradeKey, BeginnersPresetAtEveryLimit) {
  const GradeKey key = preset("Anfänger");
  // 0,125 % of 1600 Anschläge is exactly 2 errors: at the limit, the better grade.
  const Row rows[] = {{0, 1600, 1}, {2, 1600, 1}, {3, 1600, 2},  {4, 1600, 2},  {5, 1600, 3},
                      {6, 1600, 3}, {7, 1600, 4}, {8, 1600, 4},  {9, 1600, 5},  {16, 1600, 5},
                      {17, 1600, 6}, {3, 1560, 2}, {1, 800, 1},  {2, 800, 2},   {400, 800, 6}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.errors) + " errors in " + std::to_string(r.keystrokes));
    EXPECT_EQ(grade(key, r.errors, r.keystrokes), r.expected);
  }
}

TEST(GradeKey, SecondaryPresetWithItsMinimumInSteps) {
  const GradeKey key = preset("Sekundarstufe I");
  // 0,1 % of 2000 is 2 errors; 0,5 % is 10.
  const Row rows[] = {{2, 2000, 1},  {3, 2000, 2},  {4, 2000, 2},  {5, 2000, 3}, {8, 2000, 4},
                      {10, 2000, 5}, {11, 2000, 6}, {0, 1200, 1},  // exactly the minimum
                      {0, 1199, 2},  {0, 1150, 2},  {0, 1149, 3},  {0, 1050, 4}, {0, 1000, 5},
                      {0, 999, 6},   // more than four steps short
                      {1, 1150, 2},  // 0,087 % is a 1; one step short makes it a 2
                      {3, 1199, 4}};  // 0,250 % is a 3; one Anschlag short makes it a 4
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.errors) + " errors in " + std::to_string(r.keystrokes));
    EXPECT_EQ(grade(key, r.errors, r.keystrokes), r.expected);
  }
}

TEST(GradeKey, ReductionPerMinuteMinimumAndBonus) {
  GradeKey key = preset("Sekundarstufe I");
  key.reductionPercent = 20;  // the minimum becomes 960
  EXPECT_EQ(grade(key, 0, 960), 1);
  EXPECT_EQ(grade(key, 0, 959), 2);
  EXPECT_EQ(grade(key, 0, 760), 5);
  EXPECT_EQ(grade(key, 0, 759), 6);

  GradeKey perMinute = preset("Anfänger");
  perMinute.minimumKind = MinimumKind::PerMinute;
  perMinute.minimum = 120;
  perMinute.step = 10;
  perMinute.maxSteps = 3;
  EXPECT_EQ(grade(perMinute, 0, 1200, 600), 1);  // exactly 120 per minute
  EXPECT_EQ(grade(perMinute, 0, 1199, 600), 2);  // 119,9: short by a fraction of a step
  EXPECT_EQ(grade(perMinute, 0, 900, 600), 4);   // 90: three steps
  EXPECT_EQ(grade(perMinute, 0, 899, 600), 6);
  // Without the time, the file's own Anschl./Min. decides; without either, no grade.
  GradeInput noTime;
  noTime.keystrokes = 1200;
  noTime.keystrokesPerMinute = 115;
  EXPECT_EQ(gradeOf(perMinute, noTime), 2);
  noTime.keystrokesPerMinute = -1;
  EXPECT_EQ(gradeOf(perMinute, noTime), std::nullopt);

  GradeKey bonus = preset("Anfänger");
  bonus.bonus = true;
  bonus.bonusFrom = 1600;
  bonus.bonusEvery = 200;
  EXPECT_EQ(grade(bonus, 3, 1600), 2);  // at the threshold: nothing free
  EXPECT_EQ(grade(bonus, 3, 1799), 2);  // 199 above: not yet
  EXPECT_EQ(grade(bonus, 3, 1800), 1);  // 200 above: one free, 2 errors in 1800
  EXPECT_EQ(grade(bonus, 1, 2400), 1);  // more free than made: none counted
}

TEST(GradeKey, NoGradeWithoutAnEvaluation) {
  const GradeKey key = preset("Anfänger");
  EXPECT_EQ(grade(key, 0, 0), std::nullopt);
  GradeInput impossible;
  impossible.keystrokes = 1500;
  impossible.errors = 255;
  impossible.impossible = true;
  EXPECT_EQ(gradeOf(key, impossible), std::nullopt);
  EXPECT_EQ(gradeText(std::nullopt), w1252("–"));
  EXPECT_EQ(gradeText(3), "3");
}

TEST(GradeKeyFile, WrittenKeysReadBackTheSame) {
  for (GradeKey key : gradeKeyPresets()) {
    key.bonus = true;
    key.bonusFrom = 1600;
    key.bonusEvery = 200;
    key.reductionPercent = 20;
    key.limits[4] = 1234;  // three decimals survive
    GradeKeyError error;
    const std::string text = formatGradeKey(key);
    EXPECT_TRUE(isValidUtf8(text));
    const auto back = parseGradeKey(text, error);
    ASSERT_TRUE(back) << error.message;
    EXPECT_EQ(*back, key) << text;
  }
  EXPECT_EQ(limitText(125), "0,125");
  EXPECT_EQ(limitText(1000), "1,0");
  EXPECT_EQ(limitText(500), "0,5");
  EXPECT_EQ(parseLimit("0.125"), 125);
  EXPECT_EQ(parseLimit(" 1,0 % "), 1000);
  EXPECT_EQ(parseLimit("0,1255"), std::nullopt);
  EXPECT_EQ(parseLimit("-1"), std::nullopt);
}

TEST(GradeKeyFile, AFileThatCannotBeReadIsRefusedNamingTheLine) {
  const struct {
    const char* text;
    int line;
    const char* says;
  } cases[] = {
      {"Note 1 = 0,1\nNote 2 = zwei\n", 2, "„zwei“ ist keine Prozentzahl"},
      {"# Schlüssel\n\nNote 1 = 0,1\nNote 2 0,2\n", 4, "Gleichheitszeichen"},
      {"Note 1 = 0,1\nFarbe = blau\n", 2, "„Farbe“ ist kein Eintrag"},
      {"Note 1 = 0,2\nNote 2 = 0,1\nNote 3 = 0,3\nNote 4 = 0,4\nNote 5 = 0,5\n", 0,
       "Note 2 ist kleiner als die für Note 1"},
      {"Note 1 = 0,1\nNote 2 = 0,2\nNote 3 = 0,3\nNote 5 = 0,5\n", 0, "Note 4 fehlt"},
      {"Note 1 = 0,1\nMindestanschläge = viele\n", 2, "Mindestanschläge: erwartet"},
      {"Note 1 = 0,1\nBonus = ab 1600\n", 2, "Bonus: erwartet"},
      {"Note 1 = 0,1\nName = \xFF\xFE\n", 2, "kein UTF-8"},
      {"Note 1 = 0,1\nNachteilsausgleich = 150\n", 2, "von 0 bis 100"},
      {"Note 1 = 0,1\nName = Schlüssel \xE2\x98\x83 für alle\n", 2, "Windows-1252"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    GradeKeyError error;
    EXPECT_FALSE(parseGradeKey(c.text, error));
    EXPECT_EQ(error.line, c.line);
    const std::string message = cp1252ToUtf8(error.message);
    if (c.line > 0) {
      EXPECT_EQ(message.rfind("Zeile " + std::to_string(c.line) + ": ", 0), 0u) << message;
    }
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace kv
