#include "classroom/class_scan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

#include "classroom/result_check.h"
#include "core/settings.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "history/history_views.h"
#include "platform/encoding.h"
#include "platform/file_io.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// No saved exercise comes near this; a larger file is not read at all.
constexpr std::uintmax_t kLargestResultFile = 4u * 1024u * 1024u;

bool isResultFile(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec)) return false;
  std::string ext = cp1252OfPath(entry.path().extension());
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // An empty file is a hand-in that is just being written: its name is
  // claimed before the whole file takes its place.
  return ext == ".kvw" && entry.file_size(ec) > 0 && !ec;
}

std::string afterLabel(const std::vector<std::string>& lines, int number) {
  const std::string prefix = label(number);
  for (std::size_t i = kResultHeaderLines; i < lines.size(); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return lines[i].substr(prefix.size());
  }
  return {};
}

std::optional<std::int64_t> leadingNumber(std::string_view text) {
  std::int64_t value = 0;
  std::size_t digits = 0;
  while (digits < text.size() && digits < 12 && text[digits] >= '0' && text[digits] <= '9') {
    value = value * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

// "hh:mm:ss", the hours of any length.
std::int64_t secondsOf(std::string_view text) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos) return -1;
  const auto h = leadingNumber(text.substr(0, first));
  const auto m = leadingNumber(text.substr(first + 1));
  const auto s = leadingNumber(text.substr(second + 1));
  if (!h || !m || !s) return -1;
  return *h * 3600 + *m * 60 + *s;
}

// The typed text stands between the header and the three empty lines before
// the title of the summary block; the marks around wrong stretches go.
std::vector<std::string> typedLinesOf(const std::vector<std::string>& lines) {
  // From the end: a learner may well type a line that looks like the title.
  const std::string titleLabel = label(2);
  const std::string formLabel = label(1);
  std::vector<std::string> typed;
  for (std::size_t i = lines.size(); i-- > kResultHeaderLines + 3;) {
    if (lines[i].rfind(titleLabel, 0) != 0 || i + 1 >= lines.size() || lines[i + 1].rfind(formLabel, 0) != 0) continue;
    for (std::size_t k = kResultHeaderLines; k + 3 < i; ++k) {
      std::string line = lines[k];
      std::erase(line, kMarkByte);
      typed.push_back(std::move(line));
    }
    break;
  }
  return typed;
}

std::string refusal(ResultFileError error) {
  switch (error) {
    case ResultFileError::None:
      return {};
    case ResultFileError::CannotRead:
      return w1252("abgelehnt: nicht lesbar");
    case ResultFileError::TooShort:
    case ResultFileError::UnknownIdentification:
      return w1252("abgelehnt: keine Klavento-Übungsdatei");
    default:
      return w1252("abgelehnt: verändert oder beschädigt");
  }
}

}  // namespace

std::optional<double> ClassResult::errorPercent() const {
  if (!gradable() || impossible || keystrokes <= 0) return std::nullopt;
  return static_cast<double>(errors) * 100.0 / static_cast<double>(keystrokes);
}

GradeInput ClassResult::gradeInput() const {
  GradeInput in;
  in.errors = errors;
  in.keystrokes = gradable() ? keystrokes : 0;
  in.seconds = std::max<std::int64_t>(0, seconds);
  in.keystrokesPerMinute = keystrokesPerMinute;
  in.impossible = impossible || !gradable();
  return in;
}

std::vector<fs::path> classFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (isResultFile(entry)) {
      files.push_back(entry.path());
    } else if (std::error_code sub; entry.is_directory(sub) && !entry.is_symlink(sub)) {
      for (const fs::directory_entry& inner : fs::directory_iterator(entry.path(), sub)) {
        if (isResultFile(inner)) files.push_back(inner.path());
      }
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

ClassResult readClassResult(const fs::path& file, const fs::path& folder) {
  ClassResult r;
  r.file = file;
  std::error_code ec;
  const fs::path relative = file.lexically_relative(folder);
  r.shownName = cp1252OfPath(relative.empty() ? file.filename() : relative);
  std::vector<std::uint8_t> bytes;
  ResultFileError error = ResultFileError::CannotRead;
  OpenedResult opened;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (!ec && size > kLargestResultFile) {
    r.status = w1252("abgelehnt: zu groß für eine Übungsdatei");
    r.refusedMessage = resultFileErrorMessage(ResultFileError::UnknownIdentification, r.shownName);
    return r;
  }
  if (readWholeFile(file, bytes, kLargestResultFile)) error = decodeResultFile(bytes, opened);
  if (error != ResultFileError::None) {
    r.status = refusal(error);
    r.refusedMessage = resultFileErrorMessage(error, r.shownName);
    return r;
  }
  r.valid = true;
  r.compatibility = opened.compatibility;
  r.status = opened.compatibility ? w1252("gültig (Klavento 5.0)") : w1252("gültig");
  const std::vector<std::string>& lines = opened.lines;
  r.line1 = lines.size() > 4 ? lines[4] : std::string();
  r.line2 = lines.size() > 5 ? lines[5] : std::string();
  r.date = opened.date;
  r.form = afterLabel(lines, 1);
  r.text = afterLabel(lines, 2);
  const std::string time = afterLabel(lines, 6);
  r.seconds = time.empty() ? -1 : secondsOf(time);
  r.keystrokes = leadingNumber(afterLabel(lines, 4)).value_or(0);
  if (const std::string perMinute = afterLabel(lines, 10); !perMinute.empty()) {
    r.keystrokesPerMinute = leadingNumber(perMinute).value_or(-1);
  }
  r.correctionAllowed = afterLabel(lines, 4).find(uiWord(23)) != std::string::npos;
  const std::string errors = afterLabel(lines, 17);
  r.errorText = errors;
  if (const auto n = leadingNumber(errors)) {
    r.errors = *n;
  } else {
    r.impossible = true;
  }
  r.typedLines = typedLinesOf(lines);
  if (const std::optional<std::string> problem = figuresProblem(r)) {
    r.figuresFit = false;
    r.status = *problem;
  }
  return r;
}

std::vector<ClassResult> scanClass(const fs::path& folder,
                                   const std::function<bool(std::size_t, std::size_t)>& progress) {
  const std::vector<fs::path> files = classFiles(folder);
  std::vector<ClassResult> results;
  results.reserve(files.size());
  for (const fs::path& file : files) {
    results.push_back(readClassResult(file, folder));
    if (progress && !progress(results.size(), files.size())) break;
  }
  return results;
}

std::string decimalComma(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string out = text;
  std::replace(out.begin(), out.end(), '.', ',');
  return out;
}

std::string classCsv(const std::vector<ClassResult>& results, const GradeKey* key) {
  std::string out =
      "Datei;Datum;Zeile 1;Zeile 2;Fehler;Anschläge;Anschl./Min.;Prüfung;"
      "Anschläge (Zahl);Fehler (Zahl);Fehlerprozent;Anschläge pro Minute;Minuten;Note\n";
  for (const ClassResult& r : results) {
    const auto u8 = [](const std::string& cp1252) { return cp1252ToUtf8(cp1252); };
    std::vector<std::string> row = {csvCell(u8(r.shownName))};
    if (r.valid) {
      char date[16];
      std::snprintf(date, sizeof date, "%02d.%02d.%04d", r.date.day, r.date.month, r.date.year);
      const std::optional<double> percent = r.errorPercent();
      row.insert(row.end(),
                 {date, csvCell(u8(r.line1)), csvCell(u8(r.line2)), csvCell(u8(r.errorText)),
                  std::to_string(r.keystrokes),
                  r.keystrokesPerMinute >= 0 ? std::to_string(r.keystrokesPerMinute) : std::string(),
                  csvCell(u8(r.status)), std::to_string(r.keystrokes),
                  r.impossible ? std::string() : std::to_string(r.errors),
                  percent ? decimalComma(*percent, 3) : std::string(),
                  r.keystrokesPerMinute >= 0 ? std::to_string(r.keystrokesPerMinute) : std::string(),
                  r.seconds >= 0 ? decimalComma(static_cast<double>(r.seconds) / 60.0, 2) : std::string(),
                  key && r.gradable() ? csvCell(u8(gradeText(gradeOf(*key, r.gradeInput())))) : std::string()});
    } else {
      row.insert(row.end(), {"", "", "", "", "", "", csvCell("abgelehnt: " + u8(r.refusedMessage)), "", "", "", "",
                             "", ""});
    }
    for (std::size_t i = 0; i < row.size(); ++i) out += (i ? ";" : "") + row[i];
    out += "\n";
  }
  return out;
}

}  // namespace kv
