#include "history/history_views.h"

#include <gtest/gtest.h>

#include <cmath>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/encoding.h"
#include "tools/kvtool_history.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

HistoryPoint point(const std::string& at, int form, std::int64_t kpm, double percent) {
  HistoryPoint p;
  p.startedAt = at;
  p.form = form;
  p.seconds = 60;
  p.keystrokes = static_cast<std::uint32_t>(kpm);
  p.keystrokesPerMinute = kpm;
  p.hasErrorPercent = percent >= 0;
  p.errorPercent = percent >= 0 ? percent : 0;
  return p;
}

TEST(HistoryViews, DaysAverageOnlyExercisesWithFigures) {
  HistoryPoint voided = point("2026-12-01 12:00:00", 4, 0, -1);
  voided.voided = true;
  voided.keystrokes = 0;
  const std::vector<DayPoint> days = byDay({point("2026-12-01 09:00:00", 1, 100, 2.0),
                                            point("2026-12-01 10:00:00", 3, 200, -1), voided,
                                            point("2026-12-03 08:00:00", 2, 150, 1.0)});
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(days[0].date, "2026-12-01");
  EXPECT_EQ(days[0].exercises, 3);
  EXPECT_EQ(days[0].counted, 2);
  EXPECT_DOUBLE_EQ(days[0].keystrokesPerMinute, 150.0);
  EXPECT_TRUE(days[0].hasErrorPercent);
  EXPECT_DOUBLE_EQ(days[0].errorPercent, 2.0);  // the stopped one has none
  EXPECT_EQ(days[0].forms, 0b1101u);
  EXPECT_EQ(days[1].forms, 0b0010u);
  EXPECT_TRUE(byDay({}).empty());
}

TEST(HistoryViews, GermanNumbersAndKeyNames) {
  EXPECT_EQ(germanNumber(1234567.891, 2), "1.234.567,89");
  EXPECT_EQ(germanNumber(999, 0), "999");
  EXPECT_EQ(germanNumber(1000, 0), "1.000");
  EXPECT_EQ(germanNumber(-1234.5, 1), "-1.234,5");
  EXPECT_EQ(germanNumber(0.125, 3), "0,125");
  EXPECT_EQ(keyName(' '), "Leertaste");
  EXPECT_EQ(keyName(0), "ausgelassen");
  EXPECT_EQ(keyName(static_cast<unsigned char>('\xDF')), "\xDF");
}

TEST(HistoryViews, CsvHasOneRowPerExerciseInGermanSpreadsheetForm) {
  HistoryRow row;
  row.point = point("2026-12-01 09:05:07", 3, 180, 1.5);
  row.pace = 5;
  row.title = w1252("Übung \"Haus\"; Teil 2");
  row.archive = "Beispieltexte";
  row.firstLine = 2;
  row.lastLine = 9;
  row.errors = 3;
  HistoryRow impossible = row;
  impossible.point.impossible = true;
  impossible.point.hasErrorPercent = false;
  const std::string csv = historyCsv({row, impossible});
  std::vector<std::string> lines;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Datum;Uhrzeit;\xC3\x9C" "bungsform;", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1],
            "2026-12-01;09:05:07;Textvorgabe auf Bildschirm;5;nein;\"\xC3\x9C" "bung \"\"Haus\"\"; Teil 2\";"
            "Beispieltexte;2;9;60;180;3;180;1,500;nein;nein\r");
  EXPECT_NE(lines[2].find(";;;nein;ja\r"), std::string::npos) << lines[2];

  // A title from a teacher's archive never becomes a formula in Calc or Excel.
  row.title = "=HYPERLINK(\"http://x\")";
  row.archive = "@Archiv";
  const std::string risky = historyCsv({row});
  EXPECT_NE(risky.find(";\"'=HYPERLINK(\"\"http://x\"\")\";'@Archiv;2;9;"), std::string::npos) << risky;
}

// kvtool reads the file the program writes.
TEST(HistoryViews, KvtoolShowsAndExportsAHistory) {
  const fs::path dir = fs::temp_directory_path() / "kv-history-kvtool";
  fs::remove_all(dir);
  const fs::path file = dir / "Lernverlauf.sqlite";
  std::string notice;
  {
    auto store = HistoryStore::open(file, notice);
    ASSERT_TRUE(store);
    ExerciseRecord r;
    r.startedAt = "2026-12-02 17:30:00";
    r.form = 2;
    r.title = w1252("Grüße");
    r.seconds = 300;
    r.keystrokes = 1000;
    r.keystrokesPerMinute = 200;
    r.hasErrorPercent = true;
    r.errorPercent = 0.4;
    r.errors = 4;
    r.keys[static_cast<unsigned char>('\xFC')] = {20, 4};
    r.confusions = {{static_cast<unsigned char>('\xFC'), static_cast<unsigned char>('u'), 4}};
    r.words = {{w1252("Grüße"), w1252("Gruße")}};
    ASSERT_TRUE(store->record(r, notice));
  }
  std::ostringstream out, err;
  ASSERT_EQ(tool::runHistoryShow(file.string(), out, err), 0) << err.str();
  const std::string report = out.str();
  EXPECT_NE(report.find("\xC3\x9C" "bungen:              1"), std::string::npos) << report;
  EXPECT_NE(report.find("00:05:00"), std::string::npos);
  EXPECT_NE(report.find("2026-12-02"), std::string::npos);
  EXPECT_NE(report.find("\xC3\xBC: 4 von 20 verfehlt (20,0 %); stattdessen u (4\xC3\x97)"), std::string::npos)
      << report;
  EXPECT_NE(report.find("Gr\xC3\xBC\xC3\x9F" "e: 1\xC3\x97"), std::string::npos);

  const fs::path csv = dir / "export.csv";
  ASSERT_EQ(tool::runHistoryExport(file.string(), csv.string(), out, err), 0) << err.str();
  std::ifstream read(csv, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(read), {}};
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF" "Datum;", 0), 0u);
  EXPECT_NE(text.find("2026-12-02;17:30:00;Leuchttastei;"), std::string::npos) << text;

  std::ostringstream missingErr;
  EXPECT_EQ(tool::runHistoryShow((dir / "fehlt.sqlite").string(), out, missingErr), 1);
  EXPECT_FALSE(fs::exists(dir / "fehlt.sqlite"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST(HistoryChart, SeriesPerFormOverExercisesAndDays) {
  std::vector<HistoryPoint> points = {
      point("2026-12-01 09:00:00", 1, 100, 2.0), point("2026-12-01 10:00:00", 3, 200, 1.0),
      point("2026-12-01 11:00:00", 1, 120, 4.0), point("2026-12-02 08:00:00", 3, 240, -1)};
  HistoryPoint voided = point("2026-12-02 09:00:00", 2, 0, -1);
  voided.voided = true;
  voided.keystrokes = 0;
  points.push_back(voided);

  const ChartData each = chartData(points, ChartScale::PerExercise, 1000);
  EXPECT_EQ(each.xCount, 4);
  ASSERT_EQ(each.series[0].size(), 2u);
  EXPECT_EQ(each.series[0][1].x, 2.0);
  EXPECT_EQ(each.series[2].size(), 2u);
  EXPECT_TRUE(each.series[1].empty()) << "a voided exercise draws nothing";
  EXPECT_FALSE(each.series[2][1].hasErrorPercent);
  EXPECT_EQ(each.kpmTop, 250.0);
  EXPECT_EQ(each.percentTop, 4.0);
  EXPECT_EQ(each.xDates[3], "2026-12-02");

  const ChartData days = chartData(points, ChartScale::PerDay, 1000);
  EXPECT_EQ(days.xCount, 2);
  ASSERT_EQ(days.series[0].size(), 1u);
  EXPECT_DOUBLE_EQ(days.series[0][0].keystrokesPerMinute, 110.0);
  EXPECT_DOUBLE_EQ(days.series[0][0].errorPercent, 3.0);
  ASSERT_EQ(days.series[2].size(), 2u);
  EXPECT_EQ(days.series[2][1].x, 1.0);
}

TEST(HistoryChart, TenThousandExercisesAreThinnedToTheWidth) {
  std::vector<HistoryPoint> points;
  for (int n = 0; n < 10000; ++n) points.push_back(point("2026-12-01 09:00:00", 3, 100 + n % 50, 1.0));
  const ChartData data = chartData(points, ChartScale::PerExercise, 400);
  EXPECT_EQ(data.xCount, 10000);
  EXPECT_LE(data.series[2].size(), 400u);
  EXPECT_GE(data.series[2].size(), 399u);
  double mean = 0;
  for (const ChartPoint& c : data.series[2]) mean += c.keystrokesPerMinute;
  EXPECT_NEAR(mean / static_cast<double>(data.series[2].size()), 124.5, 1.0);
  EXPECT_LT(data.series[2].back().x, 10000.0);
  EXPECT_GT(data.series[2].back().x, 9950.0);
}

}  // namespace
}  // namespace kv

#include "history/course_progress.h"

namespace kv {
namespace {

HistoryRow attempt(const std::string& title, double percent, std::int64_t kpm, int first = 1, int last = 0) {
  HistoryRow r;
  r.point = point("2026-12-01 09:00:00", 3, kpm, percent);
  r.archive = "Grundkurs";
  r.title = title;
  r.firstLine = first;
  r.lastLine = last;
  return r;
}

// Passed means the whole lesson with at most 2 % errors; the next lesson is
// the first one not passed, whatever came after it.
TEST(CourseProgress, PassedLessonsBestResultsAndTheNextLesson) {
  const std::vector<LessonInfo> lessons = {{"Lektion 01: a s d f", 12}, {"Lektion 02: j k l", 10},
                                           {"Lektion 03: g und h", 11}};
  HistoryRow stopped = attempt("Lektion 02: j k l", 0.5, 150);
  stopped.point.hasErrorPercent = false;  // stopped early: no percentage
  HistoryRow elsewhere = attempt("Lektion 01: a s d f", 0.0, 300);
  elsewhere.archive = "Beispieltexte";
  const std::vector<HistoryRow> rows = {
      attempt("Lektion 01: a s d f", 3.5, 90),   // too many errors
      attempt("Lektion 01: a s d f", 1.5, 110),  // passed
      attempt("Lektion 01: a s d f", 1.5, 120),  // as good, faster: the best
      attempt("Lektion 02: j k l", 0.0, 130, 3, 10),  // not from the start
      attempt("Lektion 02: j k l", 1.0, 125, 1, 8),   // not to the end
      stopped, elsewhere,
      attempt("Lektion 03: g und h", 2.0, 100, 1, 11),  // exactly 2 %: passed
  };
  const std::vector<LessonProgress> p = courseProgress(rows, lessons, "Grundkurs");
  ASSERT_EQ(p.size(), 3u);
  EXPECT_TRUE(p[0].passed);
  EXPECT_EQ(p[0].attempts, 3);
  EXPECT_EQ(p[0].bestKeystrokesPerMinute, 120);
  EXPECT_DOUBLE_EQ(p[0].bestErrorPercent, 1.5);
  EXPECT_FALSE(p[1].passed);
  EXPECT_EQ(p[1].attempts, 3);
  EXPECT_DOUBLE_EQ(p[1].bestErrorPercent, 0.0);
  EXPECT_TRUE(p[2].passed);
  EXPECT_EQ(nextLesson(p), 1u);
  EXPECT_EQ(nextLesson(courseProgress({}, lessons, "Grundkurs")), 0u);
  EXPECT_EQ(nextLesson(courseProgress({attempt("Lektion 01: a s d f", 0, 100), attempt("Lektion 02: j k l", 0, 100),
                                       attempt("Lektion 03: g und h", 0, 100)},
                                      lessons, "Grundkurs")),
            3u);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Every grid line a round number, whatever room the axis has: the speed axis
// at 144 dpi used to read 0 / 133 / 267 / 400.
TEST(HistoryChart, AxisTicksAreRoundAtEverySize) {
  const auto round = [](double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    const double f = step / power;
    return std::abs(f - 1) < 1e-9 || std::abs(f - 2) < 1e-9 || std::abs(f - 2.5) < 1e-9 || std::abs(f - 5) < 1e-9;
  };
  for (const double top : {0.3, 1.0, 2.0, 5.0, 6.0, 8.0, 50.0, 133.0, 150.0, 300.0, 400.0, 600.0, 800.0, 1500.0}) {
    for (int steps = 1; steps <= 4; ++steps) {
      const AxisTicks t = roundTicks(top, steps);
      EXPECT_TRUE(round(t.step)) << top << " in " << steps << ": step " << t.step;
      EXPECT_LE(t.count, steps) << top;
      EXPECT_GE(t.top(), top - 1e-9) << "the axis ends below the data: " << top;
      EXPECT_LT(t.top() - t.step, top) << "a whole empty step above the data: " << top << " in " << steps;
      // The labels show each step exactly.
      std::string label = germanNumber(t.step, t.decimals), plain;
      for (const char c : label) {
        if (c != '.') plain += c == ',' ? '.' : c;
      }
      EXPECT_NEAR(std::stod(plain), t.step, 1e-9)
          << label;
    }
  }
  // As the window shows them at 96 and at 144 dpi.
  EXPECT_EQ(roundTicks(400, 4).step, 100);
  EXPECT_EQ(roundTicks(400, 3).step, 200);
  EXPECT_EQ(roundTicks(400, 3).count, 2);
  EXPECT_EQ(roundTicks(5, 4).step, 2);
  EXPECT_EQ(roundTicks(2, 4).step, 0.5);
  EXPECT_EQ(germanNumber(roundTicks(1, 4).step, roundTicks(1, 4).decimals), "0,25");
}

}  // namespace
}  // namespace kv
