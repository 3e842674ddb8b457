#include "history/history_views.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/common.h"
#include "core/settings.h"
#include "platform/encoding.h"

namespace kv {

std::vector<DayPoint> byDay(const std::vector<HistoryPoint>& points) {
  std::vector<DayPoint> days;
  std::vector<int> percentCounts;
  for (const HistoryPoint& p : points) {
    const std::string date = p.startedAt.substr(0, 10);
    if (days.empty() || days.back().date != date) {
      days.push_back({date});
      percentCounts.push_back(0);
    }
    DayPoint& d = days.back();
    ++d.exercises;
    if (p.form >= 1 && p.form <= 4) d.forms |= 1u << (p.form - 1);
    if (!p.counts()) continue;
    ++d.counted;
    d.keystrokesPerMinute += (static_cast<double>(p.keystrokesPerMinute) - d.keystrokesPerMinute) / d.counted;
    if (p.hasErrorPercent) {
      int& n = percentCounts.back();
      ++n;
      d.hasErrorPercent = true;
      d.errorPercent += (p.errorPercent - d.errorPercent) / n;
    }
  }
  return days;
}

namespace {

// 1, 2, 2.5 or 5 times a power of ten, at least `value`.
double roundUp(double value, double least) {
  value = std::max(value, least);
  double step = 1;
  while (step * 10 <= value) step *= 10;
  for (const double f : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0}) {
    if (f * step >= value) return f * step;
  }
  return 10 * step;
}

std::vector<ChartPoint> thinned(const std::vector<ChartPoint>& points, std::size_t maxPoints) {
  if (points.size() <= maxPoints || maxPoints == 0) return points;
  std::vector<ChartPoint> out;
  const double per = static_cast<double>(points.size()) / static_cast<double>(maxPoints);
  for (std::size_t b = 0; b < maxPoints; ++b) {
    const auto from = static_cast<std::size_t>(static_cast<double>(b) * per);
    const auto to = std::min(points.size(), static_cast<std::size_t>(static_cast<double>(b + 1) * per));
    if (from >= to) continue;
    ChartPoint mean;
    int percents = 0;
    for (std::size_t k = from; k < to; ++k) {
      mean.x += points[k].x;
      mean.keystrokesPerMinute += points[k].keystrokesPerMinute;
      if (points[k].hasErrorPercent) {
        ++percents;
        mean.errorPercent += points[k].errorPercent;
      }
    }
    const auto n = static_cast<double>(to - from);
    mean.x /= n;
    mean.keystrokesPerMinute /= n;
    mean.hasErrorPercent = percents > 0;
    if (percents > 0) mean.errorPercent /= percents;
    out.push_back(mean);
  }
  return out;
}

}  // namespace

AxisTicks roundTicks(double top, int maxSteps) {
  maxSteps = std::max(1, maxSteps);
  if (!(top > 0)) top = 1;
  // From a step too small by a factor of ten upwards: the first that fits.
  int exponent = static_cast<int>(std::floor(std::log10(top / maxSteps))) - 1;
  for (;; ++exponent) {
    const double power = std::pow(10.0, exponent);
    for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
      const double step = factor * power;
      // A hair of tolerance, so 400 / 100 is four steps and not five.
      const int count = std::max(1, static_cast<int>(std::ceil(top / step - 1e-9)));
      if (count <= maxSteps) {
        AxisTicks ticks;
        ticks.step = step;
        ticks.count = count;
        ticks.decimals = std::max(0, -exponent + (factor == 2.5 ? 1 : 0));
        return ticks;
      }
    }
  }
}

ChartData chartData(const std::vector<HistoryPoint>& points, ChartScale scale, std::size_t maxPoints) {
  ChartData data;
  double kpmMax = 0, percentMax = 0;
  if (scale == ChartScale::PerExercise) {
    for (const HistoryPoint& p : points) {
      if (!p.counts() || p.form < 1 || p.form > 4) continue;
      ChartPoint c{static_cast<double>(data.xCount), static_cast<double>(p.keystrokesPerMinute),
                   p.hasErrorPercent, p.errorPercent};
      data.series[static_cast<std::size_t>(p.form - 1)].push_back(c);
      data.xDates.push_back(p.startedAt.substr(0, 10));
      ++data.xCount;
    }
  } else {
    // Per day and form: the mean of that form's exercises of the day.
    struct Sum {
      int n = 0, percents = 0;
      double kpm = 0, percent = 0;
    };
    std::string day;
    std::array<Sum, 4> sums{};
    const auto flush = [&] {
      if (day.empty()) return;
      bool any = false;
      for (std::size_t f = 0; f < 4; ++f) {
        const Sum& s = sums[f];
        if (s.n == 0) continue;
        any = true;
        data.series[f].push_back({static_cast<double>(data.xCount), s.kpm / s.n, s.percents > 0,
                                  s.percents > 0 ? s.percent / s.percents : 0});
      }
      if (any) {
        data.xDates.push_back(day);
        ++data.xCount;
      }
      sums = {};
    };
    for (const HistoryPoint& p : points) {
      if (!p.counts() || p.form < 1 || p.form > 4) continue;
      const std::string date = p.startedAt.substr(0, 10);
      if (date != day) {
        flush();
        day = date;
      }
      Sum& s = sums[static_cast<std::size_t>(p.form - 1)];
      ++s.n;
      s.kpm += static_cast<double>(p.keystrokesPerMinute);
      if (p.hasErrorPercent) {
        ++s.percents;
        s.percent += p.errorPercent;
      }
    }
    flush();
  }
  for (auto& series : data.series) {
    series = thinned(series, maxPoints);
    for (const ChartPoint& c : series) {
      kpmMax = std::max(kpmMax, c.keystrokesPerMinute);
      if (c.hasErrorPercent) percentMax = std::max(percentMax, c.errorPercent);
    }
  }
  data.kpmTop = roundUp(kpmMax, 50);
  data.percentTop = roundUp(percentMax, 2);
  return data;
}

std::string germanNumber(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  const std::string_view text = buffer;
  const std::size_t begin = text.front() == '-' ? 1 : 0;
  const std::size_t point = std::min(text.find('.'), text.size());
  std::string out(text.substr(0, begin));
  // A dot between every three digits of the whole part.
  for (std::size_t k = begin; k < point; ++k) {
    if (k > begin && (point - k) % 3 == 0) out.push_back('.');
    out.push_back(text[k]);
  }
  if (point < text.size()) {
    out.push_back(',');
    out.append(text.substr(point + 1));
  }
  return out;
}

std::string keyName(unsigned char ch) {
  if (ch == 0) return w1252("ausgelassen");
  if (ch == ' ') return w1252("Leertaste");
  return std::string(1, static_cast<char>(ch));
}

namespace {

std::string yesNo(bool v) { return v ? "ja" : "nein"; }

}  // namespace

std::string csvCell(std::string_view utf8) {
  std::string cell(utf8);
  // A spreadsheet takes these for the start of a formula.
  if (!cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@' ||
                        cell[0] == '\t' || cell[0] == '\r')) {
    cell.insert(cell.begin(), '\'');
  }
  if (cell.find_first_of(";\"\n\r") == std::string::npos) return cell;
  std::string out = "\"";
  for (const char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string historyCsv(const std::vector<HistoryRow>& rows) {
  std::string out;
  out = reinterpret_cast<const char*>(
      u8"Datum;Uhrzeit;Übungsform;Tempo oder Zeitlimit;Korrektur;Text;Archiv;Von Zeile;Bis Zeile;"
      u8"Übungszeit (s);Anschläge;Fehler;Anschläge pro Minute;Fehlerprozent;Ungültig;"
      u8"Auswertung nicht möglich\r\n");
  for (const HistoryRow& r : rows) {
    const HistoryPoint& p = r.point;
    const std::vector<std::string> fields = {
        p.startedAt.substr(0, 10),
        p.startedAt.size() > 11 ? p.startedAt.substr(11) : "",
        cp1252ToUtf8(formName(p.form)),
        std::to_string(r.pace),
        yesNo(r.correction),
        csvCell(cp1252ToUtf8(r.title)),
        csvCell(cp1252ToUtf8(r.archive)),
        r.firstLine > 0 ? std::to_string(r.firstLine) : "",
        r.lastLine > 0 ? std::to_string(r.lastLine) : "",
        std::to_string(p.seconds),
        std::to_string(p.keystrokes),
        p.impossible ? "" : std::to_string(r.errors),
        p.counts() ? std::to_string(p.keystrokesPerMinute) : "",
        p.hasErrorPercent ? germanNumber(p.errorPercent, 3) : "",
        yesNo(p.voided),
        yesNo(p.impossible),
    };
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (k > 0) out += ';';
      out += fields[k];
    }
    out += "\r\n";
  }
  return out;
}

std::string historyReport(const HistoryOverview& o, const std::string& fileName) {
  const auto u = [](const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); };
  std::string out = u(u8"Lernverlauf: ") + fileName + "\n\n";
  const HistoryTotals& t = o.totals;
  if (t.exercises == 0) {
    return out + u(u8"Noch keine Übung eingetragen.\n");
  }
  out += u(u8"Übungen:              ") + germanNumber(static_cast<double>(t.exercises), 0) + "\n";
  out += u(u8"Übungszeit insgesamt: ") + formatTimeText(t.seconds) + "\n";
  out += u(u8"Bestes Tempo:         ") + germanNumber(static_cast<double>(t.bestKeystrokesPerMinute), 0) +
         u(u8" Anschläge pro Minute\n");
  out += u(u8"Zuletzt (Mittel der letzten fünf Übungen): ") +
         germanNumber(t.recentKeystrokesPerMinute, 0) + u(u8" Anschläge pro Minute\n\n");

  out += u(u8"Je Tag\nDatum       Übungen  Anschläge/Min.  Fehlerprozent\n");
  for (const DayPoint& d : byDay(o.points)) {
    char line[160];
    std::snprintf(line, sizeof line, "%-10s  %7d  %14s  %13s\n", d.date.c_str(), d.exercises,
                  d.counted > 0 ? germanNumber(d.keystrokesPerMinute, 0).c_str() : "-",
                  d.hasErrorPercent ? germanNumber(d.errorPercent, 2).c_str() : "-");
    out += line;
  }

  out += u(u8"\nSchwächste Tasten (letzte ") + std::to_string(kRecentExercises) + u(u8" Übungen)\n");
  if (o.weakKeys.empty()) out += std::string("  ") + kNoWeakKeys + "\n";
  for (const WeakKey& w : o.weakKeys) {
    std::string instead;
    for (std::size_t k = 0; k < w.typedInstead.size() && k < 3; ++k) {
      if (k) instead += ", ";
      instead += cp1252ToUtf8(keyName(w.typedInstead[k].first)) + " (" +
                 std::to_string(w.typedInstead[k].second) + u(u8"×)");
    }
    out += "  " + cp1252ToUtf8(keyName(w.ch)) + ": " + std::to_string(w.missed) + " von " +
           std::to_string(w.needed) + " verfehlt (" + germanNumber(100.0 * w.rate, 1) + " %)";
    if (!instead.empty()) out += u(u8"; stattdessen ") + instead;
    out += "\n";
  }

  out += u(u8"\nHäufig falsch geschriebene Wörter\n");
  if (o.words.empty()) out += std::string("  ") + kNoMistypedWords + "\n";
  for (const MistypedWord& w : o.words) {
    out += "  " + cp1252ToUtf8(w.expected) + ": " + std::to_string(w.count) + u(u8"×");
    if (!w.typedMostOften.empty()) out += u(u8" (meist „") + cp1252ToUtf8(w.typedMostOften) + u(u8"“)");
    out += "\n";
  }
  return out;
}

}  // namespace kv
