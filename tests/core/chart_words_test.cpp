// The Lernverlauf's charts as a screen reader gives them: the trend over the
// last exercises or days, all forms together.
#include "history/chart_words.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

ChartData chartOf(const std::vector<std::pair<double, double>>& speeds, int form = 1) {
  ChartData data;
  for (const auto& [x, kpm] : speeds) {
    ChartPoint p;
    p.x = x;
    p.keystrokesPerMinute = kpm;
    p.hasErrorPercent = true;
    p.errorPercent = kpm / 100.0;
    data.series[static_cast<std::size_t>(form - 1)].push_back(p);
  }
  return data;
}

TEST(ChartInWords, TellsTheTrendOverTheLastTwentyExercises) {
  std::vector<std::pair<double, double>> speeds;
  for (int i = 0; i < 30; ++i) speeds.push_back({i, 50.0 + i * 3});  // the last 20 start at 80
  const ChartData data = chartOf(speeds);
  EXPECT_EQ(chartInWords(data, ChartScale::PerExercise, ChartMeasure::KeystrokesPerMinute),
            w1252("Anschläge pro Minute der letzten 20 Übungen: von 80 auf 137 gestiegen"));
  EXPECT_EQ(chartInWords(data, ChartScale::PerDay, ChartMeasure::ErrorPercent),
            "Fehlerprozent der letzten 20 Tage: von 0,8 % auf 1,4 % gestiegen");
  EXPECT_EQ(chartInWords(chartOf({{0, 131}, {1, 84}}), ChartScale::PerExercise, ChartMeasure::KeystrokesPerMinute),
            w1252("Anschläge pro Minute der letzten 2 Übungen: von 131 auf 84 gesunken"));
  EXPECT_EQ(chartInWords(chartOf({{0, 100.2}, {4, 99.9}}), ChartScale::PerExercise, ChartMeasure::KeystrokesPerMinute),
            w1252("Anschläge pro Minute der letzten 2 Übungen: gleich geblieben bei 100"));
}

TEST(ChartInWords, OneOrNoExerciseAndFormsSharingADay) {
  EXPECT_EQ(chartInWords(ChartData{}, ChartScale::PerExercise, ChartMeasure::KeystrokesPerMinute),
            w1252("Anschläge pro Minute: noch keine Übung"));
  EXPECT_EQ(chartInWords(chartOf({{3, 90}}), ChartScale::PerDay, ChartMeasure::KeystrokesPerMinute),
            w1252("Anschläge pro Minute des letzten Tages: 90"));
  // Two forms on the same last day: their mean.
  ChartData both = chartOf({{0, 60}, {1, 100}});
  both.series[2] = chartOf({{1, 120}}).series[0];
  EXPECT_EQ(chartInWords(both, ChartScale::PerDay, ChartMeasure::KeystrokesPerMinute),
            w1252("Anschläge pro Minute der letzten 2 Tage: von 60 auf 110 gestiegen"));
  // Exercises without an error figure are left out of the error chart.
  ChartData unmarked = chartOf({{0, 60}});
  unmarked.series[0][0].hasErrorPercent = false;
  EXPECT_EQ(chartInWords(unmarked, ChartScale::PerExercise, ChartMeasure::ErrorPercent),
            w1252("Fehlerprozent: noch keine Übung"));
}

}  // namespace
}  // namespace kv
