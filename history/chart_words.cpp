#include "history/chart_words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/encoding.h"

namespace kv {
namespace {

// As the chart's axis shows it: whole keystrokes, percent to one decimal
// with a comma.
std::string shown(double value, ChartMeasure measure) {
  char text[32];
  if (measure == ChartMeasure::KeystrokesPerMinute) {
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
  }
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string out = text;
  std::replace(out.begin(), out.end(), '.', ',');
  return out + " %";
}

}  // namespace

std::string chartInWords(const ChartData& data, ChartScale scale, ChartMeasure measure, int span) {
  const bool kpm = measure == ChartMeasure::KeystrokesPerMinute;
  const std::string what = kpm ? w1252("Anschläge pro Minute") : "Fehlerprozent";
  struct Value {
    double x;
    double value;
  };
  std::vector<Value> values;
  for (const std::vector<ChartPoint>& series : data.series) {
    for (const ChartPoint& p : series) {
      if (kpm) values.push_back({p.x, p.keystrokesPerMinute});
      else if (p.hasErrorPercent) values.push_back({p.x, p.errorPercent});
    }
  }
  if (values.empty()) return what + w1252(": noch keine Übung");
  std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.x < b.x; });
  std::vector<double> xs;
  for (const Value& v : values) {
    if (xs.empty() || xs.back() != v.x) xs.push_back(v.x);
  }
  const std::size_t count = std::min<std::size_t>(xs.size(), static_cast<std::size_t>(std::max(span, 1)));
  const double firstX = xs[xs.size() - count];
  const double lastX = xs.back();
  // Where several forms share an exercise or day, their mean.
  const auto meanAt = [&](double x) {
    double sum = 0;
    int n = 0;
    for (const Value& v : values) {
      if (v.x == x) sum += v.value, ++n;
    }
    return sum / n;
  };
  const bool days = scale == ChartScale::PerDay;
  std::string over;
  if (count == 1) {
    over = days ? " des letzten Tages" : w1252(" der letzten Übung");
  } else {
    over = " der letzten " + std::to_string(count) + (days ? " Tage" : w1252(" Übungen"));
  }
  const std::string last = shown(meanAt(lastX), measure);
  if (count == 1) return what + over + ": " + last;
  const std::string first = shown(meanAt(firstX), measure);
  if (first == last) return what + over + ": gleich geblieben bei " + last;
  const bool rose = meanAt(lastX) > meanAt(firstX);
  return what + over + ": von " + first + " auf " + last + (rose ? " gestiegen" : " gesunken");
}

}  // namespace kv
