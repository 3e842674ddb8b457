// The history as people read it: one line per day, the figures in German
// number format, the spreadsheet rows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace kv {

struct DayPoint {
  std::string date;  // "JJJJ-MM-TT"
  int exercises = 0;         // all of the day, voided ones included
  int counted = 0;           // those with figures
  double keystrokesPerMinute = 0.0;  // mean over the counted ones
  bool hasErrorPercent = false;
  double errorPercent = 0.0;  // mean over those that have one
  unsigned forms = 0;         // bit (form - 1) set for each form practised
};

// The points grouped by calendar day, oldest first.
std::vector<DayPoint> byDay(const std::vector<HistoryPoint>& points);

// What the chart draws: per form one series of keystrokes per minute and
// error percentages, over the exercises or over the days.
enum class ChartScale { PerExercise, PerDay };
struct ChartPoint {
  double x = 0;  // exercise or day number, from 0
  double keystrokesPerMinute = 0;
  bool hasErrorPercent = false;
  double errorPercent = 0;
};
struct ChartData {
  int xCount = 0;                           // exercises or days on the axis
  std::vector<std::string> xDates;          // the date of each x, "JJJJ-MM-TT"
  std::array<std::vector<ChartPoint>, 4> series;  // index form - 1
  double kpmTop = 100;                      // a round upper end for each axis
  double percentTop = 5;
};
// At most `maxPoints` points per series: neighbours are averaged when there
// are more, so ten thousand exercises draw as fast as a hundred.
ChartData chartData(const std::vector<HistoryPoint>& points, ChartScale scale, std::size_t maxPoints);

// The grid of an axis from 0: a round step (1, 2, 2,5 or 5 times a power of
// ten), as few lines as reach `top` but never more than `maxSteps`; the axis
// ends at the last line, which may lie above `top`.
struct AxisTicks {
  double step = 1;
  int count = 1;
  int decimals = 0;  // what the labels need to show every step exactly
  double top() const { return step * count; }
};
AxisTicks roundTicks(double top, int maxSteps);

// What stands in place of an empty list of weak keys or mistyped words, in
// kvtool, in the window and in the class overview. UTF-8.
inline constexpr const char* kNoWeakKeys = "keine \u2013 noch keine Taste mehrmals verfehlt";
inline constexpr const char* kNoMistypedWords = "keine";

// "1.234", "12,5" and the like: German digit grouping and decimal comma.
std::string germanNumber(double value, int decimals);

// "ö", "Leertaste", "ausgelassen" for 0: how a key is named to the learner.
// Windows-1252.
std::string keyName(unsigned char ch);

// The spreadsheet export: a header line and one line per exercise, fields
// separated by semicolons, decimals with a comma, as German spreadsheets
// read them. UTF-8.
// A spreadsheet cell from text someone else wrote: quoted where needed, and
// never a formula (a leading =, +, -, @, tab or carriage return gets an
// apostrophe, as OWASP advises against CSV injection). UTF-8 in and out.
std::string csvCell(std::string_view utf8);

std::string historyCsv(const std::vector<HistoryRow>& rows);

// The figures of a history as German text for the console. UTF-8.
std::string historyReport(const HistoryOverview& overview, const std::string& fileName);

}  // namespace kv
