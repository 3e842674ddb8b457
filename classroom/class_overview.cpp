#include "classroom/class_overview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <system_error>

#include "history/history_views.h"
#include "platform/encoding.h"
#include "platform/file_io.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string u8(const std::string& cp1252) { return cp1252ToUtf8(cp1252); }
std::string esc(const std::string& cp1252) { return htmlText(cp1252ToUtf8(cp1252)); }

std::string number(double v, int decimals) { return germanNumber(v, decimals); }

// A learner is the pair of free lines, compared without case and blanks
// around them, as the same child writes its name the same way each time.
std::string learnerKey(const ClassResult& r) {
  std::string key;
  for (const std::string* part : {&r.line1, &r.line2}) {
    std::string_view s = *part;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    for (const char c : s) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    key += '\n';
  }
  return key;
}

int dateNumber(const CalendarDate& d) { return d.year * 10000 + d.month * 100 + d.day; }
std::string dateShown(const CalendarDate& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
  return text;
}

struct Learner {
  const ClassResult* latest = nullptr;
  const ClassResult* best = nullptr;
  int handedIn = 0;
};

// Better: the better grade; without a key, fewer errors per Anschlag; then
// more Anschläge.
bool better(const ClassResult& a, const ClassResult& b, const GradeKey* key) {
  const auto rank = [&](const ClassResult& r) {
    if (key != nullptr) {
      const std::optional<int> g = gradeOf(*key, r.gradeInput());
      return g ? static_cast<double>(*g) : 99.0;
    }
    const std::optional<double> p = r.errorPercent();
    return p ? *p : 1e9;
  };
  if (rank(a) != rank(b)) return rank(a) < rank(b);
  return a.keystrokes > b.keystrokes;
}

std::string resultCells(const ClassResult* r, const GradeKey* key) {
  if (r == nullptr) return "<td colspan=\"6\"></td>";
  const std::optional<double> p = r->errorPercent();
  std::string out = "<td class=\"d\">" + dateShown(r->date) + "</td><td class=\"n\">" + std::to_string(r->keystrokes) +
                    "</td><td class=\"n\">" + (r->impossible ? std::string("–") : std::to_string(r->errors)) +
                    "</td><td class=\"n\">" + (p ? number(*p, 3) : std::string("–")) + "</td><td class=\"n\">" +
                    (r->keystrokesPerMinute >= 0 ? std::to_string(r->keystrokesPerMinute) : std::string("–")) +
                    "</td>";
  out += "<td class=\"n note\">" + (key ? u8(gradeText(gradeOf(*key, r->gradeInput()))) : std::string("–")) + "</td>";
  return out;
}

std::string svgOpen(int width, int height, const std::string& label) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) + " " +
         std::to_string(height) + "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
         "\" role=\"img\" aria-label=\"" + htmlText(label) + "\">";
}

// Decimals a tick of this step needs: 0,25 needs two, 0,5 one, 5 none.
int stepDecimals(double step) {
  for (int d = 0; d < 4; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::fabs(scaled - std::round(scaled)) < 1e-9) return d;
  }
  return 4;
}

std::string fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

std::string gradeChart(const std::vector<Learner>& learners, const GradeKey* key) {
  std::array<int, 7> counts{};  // 0: no grade
  for (const Learner& l : learners) {
    const std::optional<int> g = key ? gradeOf(*key, l.latest->gradeInput()) : std::nullopt;
    ++counts[static_cast<std::size_t>(g.value_or(0))];
  }
  const int top = std::max(1, *std::max_element(counts.begin(), counts.end()));
  const double step = roundStep(top, 5);
  const double axisTop = std::ceil(top / step) * step;
  const int w = 420, h = 220, left = 40, bottom = 190, height = 160;
  std::string svg = svgOpen(w, h, "Notenverteilung");
  for (double v = 0; v <= axisTop + 1e-9; v += step) {
    const double y = bottom - v / axisTop * height;
    svg += "<line x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(w - 10) + "\" y1=\"" + fixed(y) +
           "\" y2=\"" + fixed(y) + "\" class=\"grid\"/><text x=\"" + std::to_string(left - 6) + "\" y=\"" +
           fixed(y + 4) + "\" class=\"tick\" text-anchor=\"end\">" + number(v, 0) + "</text>";
  }
  const char* names[] = {"–", "1", "2", "3", "4", "5", "6"};
  for (int i = 0; i < 7; ++i) {
    const int g = (i + 1) % 7;  // 1 … 6, then "–"
    const double x = left + 10 + i * 52;
    const double barHeight = counts[static_cast<std::size_t>(g)] / axisTop * height;
    svg += "<rect x=\"" + fixed(x) + "\" y=\"" + fixed(bottom - barHeight) + "\" width=\"36\" height=\"" +
           fixed(barHeight) + "\" class=\"bar g" + std::to_string(g) + "\"><title>Note " + names[g] + ": " +
           std::to_string(counts[static_cast<std::size_t>(g)]) + "</title></rect>";
    svg += "<text x=\"" + fixed(x + 18) + "\" y=\"" + std::to_string(bottom + 18) +
           "\" text-anchor=\"middle\" class=\"tick\">" + names[g] + "</text>";
    if (counts[static_cast<std::size_t>(g)] > 0) {
      svg += "<text x=\"" + fixed(x + 18) + "\" y=\"" + fixed(bottom - barHeight - 4) +
             "\" text-anchor=\"middle\" class=\"count\">" + std::to_string(counts[static_cast<std::size_t>(g)]) +
             "</text>";
    }
  }
  return svg + "</svg>";
}

std::string scatterChart(const std::vector<Learner>& learners) {
  double maxSpeed = 1, maxPercent = 0.1;
  for (const Learner& l : learners) {
    if (const auto p = l.latest->errorPercent(); p && l.latest->keystrokesPerMinute >= 0) {
      maxSpeed = std::max(maxSpeed, static_cast<double>(l.latest->keystrokesPerMinute));
      maxPercent = std::max(maxPercent, *p);
    }
  }
  const double xStep = roundStep(maxSpeed, 6), yStep = roundStep(maxPercent, 5);
  const double xTop = std::ceil(maxSpeed / xStep) * xStep, yTop = std::ceil(maxPercent / yStep) * yStep;
  const int w = 560, h = 300, left = 56, bottom = 250, width = 480, height = 220;
  std::string svg = svgOpen(w, h, "Anschläge pro Minute und Fehlerprozent");
  for (double v = 0; v <= xTop + 1e-9; v += xStep) {
    const double x = left + v / xTop * width;
    svg += "<line x1=\"" + fixed(x) + "\" x2=\"" + fixed(x) + "\" y1=\"" + std::to_string(bottom - height) +
           "\" y2=\"" + std::to_string(bottom) + "\" class=\"grid\"/><text x=\"" + fixed(x) + "\" y=\"" +
           std::to_string(bottom + 16) + "\" text-anchor=\"middle\" class=\"tick\">" + number(v, 0) + "</text>";
  }
  const int yDecimals = stepDecimals(yStep);
  for (double v = 0; v <= yTop + 1e-9; v += yStep) {
    const double y = bottom - v / yTop * height;
    svg += "<line x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(left + width) + "\" y1=\"" + fixed(y) +
           "\" y2=\"" + fixed(y) + "\" class=\"grid\"/><text x=\"" + std::to_string(left - 6) + "\" y=\"" +
           fixed(y + 4) + "\" text-anchor=\"end\" class=\"tick\">" + number(v, yDecimals) + "</text>";
  }
  svg += "<text x=\"" + std::to_string(left + width / 2) + "\" y=\"" + std::to_string(h - 8) +
         "\" text-anchor=\"middle\" class=\"axis\">Anschläge pro Minute</text>";
  svg += "<text x=\"14\" y=\"" + std::to_string(bottom - height / 2) + "\" transform=\"rotate(-90 14 " +
         std::to_string(bottom - height / 2) + ")\" text-anchor=\"middle\" class=\"axis\">Fehlerprozent</text>";
  for (const Learner& l : learners) {
    const auto p = l.latest->errorPercent();
    if (!p || l.latest->keystrokesPerMinute < 0) continue;
    const double x = left + static_cast<double>(l.latest->keystrokesPerMinute) / xTop * width;
    const double y = bottom - *p / yTop * height;
    svg += "<circle cx=\"" + fixed(x) + "\" cy=\"" + fixed(y) + "\" r=\"5\" class=\"dot\"><title>" +
           esc(l.latest->line1) + ": " + std::to_string(l.latest->keystrokesPerMinute) + " Anschl./Min., " +
           number(*p, 3) + " %</title></circle>";
  }
  return svg + "</svg>";
}

std::string speedChart(const LearnerHistory& h) {
  // The best counting exercise of each day, oldest first.
  std::map<std::string, std::int64_t> perDay;
  for (const HistoryPoint& p : h.points) {
    if (!p.counts() || p.startedAt.size() < 10) continue;
    std::int64_t& best = perDay[p.startedAt.substr(0, 10)];
    best = std::max(best, p.keystrokesPerMinute);
  }
  if (perDay.empty()) return "<p class=\"leer\">Noch keine gewertete Übung.</p>";
  std::int64_t top = 1;
  for (const auto& [day, kpm] : perDay) top = std::max(top, kpm);
  const double step = roundStep(static_cast<double>(top), 4);
  const double axisTop = std::ceil(static_cast<double>(top) / step) * step;
  const int w = 360, h2 = 120, left = 40, bottom = 100, width = 300, height = 84;
  std::string svg = svgOpen(w, h2, "Tempo je Tag");
  for (double v = 0; v <= axisTop + 1e-9; v += step) {
    const double y = bottom - v / axisTop * height;
    svg += "<line x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(left + width) + "\" y1=\"" + fixed(y) +
           "\" y2=\"" + fixed(y) + "\" class=\"grid\"/><text x=\"" + std::to_string(left - 4) + "\" y=\"" +
           fixed(y + 4) + "\" text-anchor=\"end\" class=\"tick\">" + number(v, 0) + "</text>";
  }
  std::string points;
  std::size_t i = 0;
  const std::size_t n = perDay.size();
  for (const auto& [day, kpm] : perDay) {
    const double x = left + (n == 1 ? width / 2.0 : static_cast<double>(i) * width / static_cast<double>(n - 1));
    const double y = bottom - static_cast<double>(kpm) / axisTop * height;
    points += fixed(x) + "," + fixed(y) + " ";
    svg += "<circle cx=\"" + fixed(x) + "\" cy=\"" + fixed(y) + "\" r=\"3\" class=\"dot\"><title>" + htmlText(day) +
           ": " + std::to_string(kpm) + " Anschl./Min.</title></circle>";
    ++i;
  }
  svg += "<polyline points=\"" + points + "\" class=\"line\"/>";
  svg += "<text x=\"" + std::to_string(left) + "\" y=\"" + std::to_string(bottom + 16) + "\" class=\"tick\">" +
         htmlText(perDay.begin()->first) + "</text><text x=\"" + std::to_string(left + width) + "\" y=\"" +
         std::to_string(bottom + 16) + "\" text-anchor=\"end\" class=\"tick\">" + htmlText(perDay.rbegin()->first) +
         "</text>";
  return svg + "</svg>";
}

constexpr const char* kStyle = R"(
body { font-family: "Liberation Sans", Arial, sans-serif; font-size: 10.5pt; color: #1a1a1a; margin: 24px; max-width: 1100px; }
h1 { font-size: 18pt; margin: 0 0 4px; }
h2 { font-size: 13pt; margin: 22px 0 8px; border-bottom: 1px solid #999; }
p.meta { color: #444; margin: 0 0 12px; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #bbb; padding: 3px 6px; text-align: left; vertical-align: top; }
td { overflow-wrap: break-word; }
th { background: #eef2f7; font-size: 9.5pt; white-space: nowrap; }
td.n, td.d { text-align: right; white-space: nowrap; }
td.note { font-weight: bold; }
.charts { display: flex; flex-wrap: wrap; gap: 24px; }
svg { max-width: 100%; height: auto; }
svg .grid { stroke: #ddd; stroke-width: 1; }
svg .tick, svg .count { font-size: 11px; fill: #333; }
svg .axis { font-size: 12px; fill: #111; }
svg .bar { fill: #4a7ab5; } svg .bar.g0 { fill: #999; } svg .bar.g5, svg .bar.g6 { fill: #c0504d; }
svg .dot { fill: #2f6db3; } svg .line { fill: none; stroke: #2f6db3; stroke-width: 2; }
.verlauf { display: grid; grid-template-columns: repeat(auto-fill, minmax(360px, 1fr)); gap: 12px; }
.verlauf div { break-inside: avoid; }
p.leer { color: #666; }
@page { size: A4; margin: 15mm; }
@media print {
  body { margin: 0; font-size: 9.5pt; max-width: none; }
  table { font-size: 8pt; }
  th { font-size: 7.5pt; }
  th, td { padding: 2px 3px; }
  h2 { break-after: avoid; }
  tr, .charts, svg { break-inside: avoid; }
}
)";

}  // namespace

double roundStep(double top, int most) {
  if (!(top > 0)) return 1;
  const double raw = top / std::max(1, most);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (m * power >= raw - 1e-12) return m * power;
  }
  return 10 * power;
}

std::string htmlText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<LearnerHistory> readLearnerHistories(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  const fs::path name = "Lernverlauf.sqlite";
  if (fs::is_regular_file(folder / name, ec)) files.push_back(folder / name);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    std::error_code sub;
    if (entry.is_directory(sub) && !entry.is_symlink(sub) && fs::is_regular_file(entry.path() / name, sub)) {
      files.push_back(entry.path() / name);
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<LearnerHistory> out;
  for (const fs::path& file : files) {
    LearnerHistory h;
    const fs::path relative = file.parent_path().lexically_relative(folder);
    h.shownName = relative.empty() || relative == "." ? cp1252OfPath(folder.filename()) : cp1252OfPath(relative);
    std::string notice;
    if (auto store = HistoryStore::openUntrusted(file, notice)) {
      const HistoryOverview overview = store->overview(notice);
      if (notice.empty()) {
        h.readable = true;
        h.points = overview.points;
        h.keys = overview.keys;
      } else {
        h.refusal = w1252("nicht lesbar");
      }
    } else {
      h.refusal = notice;
    }
    out.push_back(std::move(h));
  }
  return out;
}

namespace {

// The grade key as the page names it, or that there is none.
std::string gradeKeyParagraph(const GradeKey* key) {
  std::string html;
  if (key != nullptr) {
    html += "<p class=\"meta\">Notenschlüssel „" + esc(key->name) + "“: höchste Fehlerquote für Note 1 bis 5: ";
    for (std::size_t g = 0; g < 5; ++g) html += (g ? " / " : "") + limitText(key->limits[g]);
    html += " %";
    if (key->minimumKind != MinimumKind::None) {
      html += "; mindestens " + std::to_string(key->minimum) +
              (key->minimumKind == MinimumKind::Total ? " Anschläge" : " Anschläge pro Minute") + ", je " +
              std::to_string(key->step) + " weniger eine Note schlechter";
      if (key->reductionPercent > 0) {
        html += ", Nachteilsausgleich " + std::to_string(key->reductionPercent) + " %";
      }
    }
    if (key->bonus) {
      html += "; über " + std::to_string(key->bonusFrom) + " Anschlägen je " +
              std::to_string(key->bonusEvery) + " weitere ein Fehler frei";
    }
    html += ".</p>\n";
  } else {
    html += "<p class=\"meta\">Ohne Notenschlüssel: keine Noten.</p>\n";
  }
  return html;
}

// Each learner's speed over time and the keys the whole class misses most;
// nothing when no history was read.
std::string historySection(const std::vector<LearnerHistory>& histories) {
  std::string html;
  if (!histories.empty()) {
    html += "<h2>Lernverlauf</h2>\n<div class=\"verlauf\">\n";
    std::array<KeyTally, 256> classKeys{};
    for (const LearnerHistory& h : histories) {
      html += "<div><h3>" + esc(h.shownName) + "</h3>";
      if (h.readable) {
        html += speedChart(h);
        for (std::size_t c = 0; c < 256; ++c) {
          classKeys[c].needed += h.keys[c].needed;
          classKeys[c].missed += h.keys[c].missed;
        }
      } else {
        html += "<p class=\"leer\">Nicht gelesen: " + esc(h.refusal) + "</p>";
      }
      html += "</div>\n";
    }
    html += "</div>\n<h2>Schwächste Tasten der Klasse</h2>\n";
    const std::vector<WeakKey> weak = weakestKeys(classKeys, 10);
    if (weak.empty()) {
      html += std::string("<p class=\"leer\">") + kNoWeakKeys + "</p>\n";
    } else {
      html += "<table>\n<thead><tr><th>Taste</th><th>Gebraucht</th><th>Verfehlt</th><th>Anteil</th></tr></thead>\n<tbody>\n";
      for (const WeakKey& k : weak) {
        html += "<tr><td>" + esc(keyName(k.ch)) + "</td><td class=\"n\">" + std::to_string(k.needed) +
                "</td><td class=\"n\">" + std::to_string(k.missed) + "</td><td class=\"n\">" +
                number(k.rate * 100, 1) + " %</td></tr>\n";
      }
      html += "</tbody>\n</table>\n";
    }
  }
  return html;
}

}  // namespace

std::string classOverviewHtml(const OverviewInput& in) {
  std::map<std::string, Learner> byLearner;
  std::vector<const ClassResult*> refused;
  for (const ClassResult& r : in.results) {
    // Refused files and files whose figures do not follow from their text.
    if (!r.gradable()) {
      refused.push_back(&r);
      continue;
    }
    Learner& l = byLearner[learnerKey(r)];
    ++l.handedIn;
    if (l.latest == nullptr || dateNumber(r.date) >= dateNumber(l.latest->date)) l.latest = &r;
    if (l.best == nullptr || better(r, *l.best, in.key)) l.best = &r;
  }
  std::vector<Learner> learners;
  for (const auto& [key, l] : byLearner) learners.push_back(l);
  // By class, then by name as a German list would have it (Ö with O).
  const auto folded = [](const std::string& cp1252) {
    std::string out;
    for (const char c : cp1252) {
      switch (static_cast<unsigned char>(c)) {
        case 0xC4: case 0xE4: out += "a"; break;
        case 0xD6: case 0xF6: out += "o"; break;
        case 0xDC: case 0xFC: out += "u"; break;
        case 0xDF: out += "ss"; break;
        default: out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
    }
    return out;
  };
  std::stable_sort(learners.begin(), learners.end(), [&](const Learner& a, const Learner& b) {
    const std::string ka = folded(a.latest->line2) + '\n' + folded(a.latest->line1);
    const std::string kb = folded(b.latest->line2) + '\n' + folded(b.latest->line1);
    return ka < kb;
  });

  std::string html =
      "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Klassenübersicht – " +
      esc(in.folderName) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  html += "<h1>Klassenübersicht</h1>\n<p class=\"meta\">Ordner „" + esc(in.folderName) + "“ · erstellt am " +
          htmlText(in.madeOn) + " mit Klavento 7 · " + std::to_string(in.results.size()) + " Dateien, " +
          std::to_string(learners.size()) + " Lernende</p>\n";
  if (!in.testLine.empty()) html += "<p class=\"meta\">Klassenarbeit: " + esc(in.testLine) + "</p>\n";
  html += gradeKeyParagraph(in.key);
  if (!in.missingLearners.empty()) {
    html += "<h2>Es fehlen</h2>\n<ul class=\"fehlt\">\n";
    for (const std::string& name : in.missingLearners) html += "<li>" + esc(name) + "</li>\n";
    html += "</ul>\n";
  }

  html += "<h2>Ergebnisse je Lernende</h2>\n<table>\n<thead><tr><th rowspan=\"2\">Name</th><th rowspan=\"2\">Klasse"
          "</th><th rowspan=\"2\">Abg.</th><th colspan=\"6\">Letztes Ergebnis</th><th colspan=\"6\">Bestes "
          "Ergebnis</th></tr>\n<tr>";
  for (int twice = 0; twice < 2; ++twice) {
    html += "<th>Datum</th><th>Anschl.</th><th>Fehler</th><th>Fehler-%</th><th>Anschl./Min.</th><th>Note</th>";
  }
  html += "</tr></thead>\n<tbody>\n";
  for (const Learner& l : learners) {
    html += "<tr><td>" + esc(l.latest->line1) + "</td><td>" + esc(l.latest->line2) + "</td><td class=\"n\">" +
            std::to_string(l.handedIn) + "</td>" + resultCells(l.latest, in.key) + resultCells(l.best, in.key) +
            "</tr>\n";
  }
  html += "</tbody>\n</table>\n";

  html += "<h2>Noten und Tempo</h2>\n<div class=\"charts\">\n<figure>" + gradeChart(learners, in.key) +
          "<figcaption>Noten des letzten Ergebnisses je Lernende</figcaption></figure>\n<figure>" +
          scatterChart(learners) +
          "<figcaption>Anschläge pro Minute und Fehlerprozent, ein Punkt je Lernende</figcaption></figure>\n</div>\n";

  html += historySection(in.histories);

  if (!refused.empty()) {
    html += "<h2>Nicht gewertete Dateien</h2>\n<table>\n<thead><tr><th>Datei</th><th>Grund</th></tr></thead>\n<tbody>\n";
    for (const ClassResult* r : refused) {
      html += "<tr><td>" + esc(r->shownName) + "</td><td>" + esc(r->status) + "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
  }
  html += "</body>\n</html>\n";
  return html;
}

std::string sharedClassName(const std::vector<ClassResult>& results) {
  std::string shared;
  for (const ClassResult& r : results) {
    const auto first = r.line2.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    const std::string named = r.line2.substr(first, r.line2.find_last_not_of(' ') - first + 1);
    if (shared.empty()) shared = named;
    else if (named != shared) return {};
  }
  return shared;
}

std::string offeredFileName(std::string_view what, std::string_view className, const CalendarDate& day,
                            std::string_view extension) {
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.year, day.month, day.day);
  const std::string part = fileNamePart(className);
  return std::string(what) + (part.empty() ? "" : " " + part) + " " + date + "." + std::string(extension);
}

}  // namespace kv
