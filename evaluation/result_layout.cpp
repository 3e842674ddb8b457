#include "evaluation/result_layout.h"

#include <algorithm>

#include "core/common.h"
#include "evaluation/typed_exercise.h"
#include "platform/encoding.h"
#include "texts/text_model.h"

namespace kv {

std::string prepareLineForDrawing(std::string_view line) {
  const std::size_t n = line.size();
  const bool markedEnd = n > 1 && line[n - 1] == kMarkByte && line[n - 2] == kMarkByte;
  std::string_view body = markedEnd ? line.substr(0, n - 1) : line;
  // A mark that opens and closes at once marks nothing; the marked line end
  // was set apart first so it survives as an underlined space.
  std::string out;
  out.reserve(n + 1);
  while (!body.empty()) {
    if (body.size() > 1 && body[0] == kMarkByte && body[1] == kMarkByte) {
      body.remove_prefix(2);
      continue;
    }
    out += body.front();
    body.remove_prefix(1);
  }
  if (markedEnd) {
    out += ' ';
    out += kMarkByte;
  }
  if (out.empty()) out.push_back(' ');
  return out;
}

std::vector<TextRun> splitIntoRuns(std::string_view preparedLine) {
  std::vector<TextRun> runs;
  bool underlined = false;
  std::string pending;
  for (const char c : preparedLine) {
    if (c != kMarkByte) {
      pending += c;
      continue;
    }
    if (!pending.empty()) {
      runs.push_back({std::move(pending), underlined});
      pending.clear();
    } else if (underlined) {
      runs.push_back({" ", true});
    }
    underlined = !underlined;
  }
  if (!pending.empty()) runs.push_back({std::move(pending), underlined});
  return runs;
}

std::string withoutMarks(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (const char c : line) {
    if (c != kMarkByte) out += c;
  }
  return out;
}

SpokenLine spokenLine(std::string_view line) {
  SpokenLine spoken;
  spoken.text = withoutMarks(line);
  while (!spoken.text.empty() && spoken.text.back() == ' ') spoken.text.pop_back();
  std::string marked;
  for (const TextRun& run : splitIntoRuns(prepareLineForDrawing(line))) {
    if (!run.underlined) continue;
    // A marked blank is a missing or extra blank or line end: said as such.
    const bool blank = run.text.find_first_not_of(' ') == std::string::npos;
    marked += (marked.empty() ? "" : ", ") + (blank ? std::string("Leerzeichen") : "\x84" + run.text + "\x93");
  }
  if (!marked.empty()) spoken.errors = "Fehler: " + marked;
  return spoken;
}

int screenReferenceLength(std::int32_t longestLine) {
  const int rounded = (std::max<std::int32_t>(0, std::min<std::int32_t>(longestLine, 1000)) + 4) / 5 * 5;
  const int n = rounded >= 40 ? rounded + 14 : 54;
  return std::min(n, 84);
}

int indentSpaces(std::int32_t longestLine) { return longestLine >= 50 ? 9 : 8; }

FontTable FontTable::measure(const std::function<FontMetric(int size)>& measureSize) {
  std::vector<FontMetric> metrics;
  metrics.reserve(kLargestFontSize - kSmallestFontSize + 1);
  for (int size = kSmallestFontSize; size <= kLargestFontSize; ++size) {
    metrics.push_back(measureSize(size));
  }
  return FontTable(std::move(metrics));
}

const FontMetric& FontTable::at(int size) const {
  static const FontMetric kNone{};
  if (metrics_.empty()) return kNone;
  const int index = std::clamp(size - kSmallestFontSize, 0, static_cast<int>(metrics_.size()) - 1);
  return metrics_[static_cast<std::size_t>(index)];
}

int FontTable::startingSize(int frameWidth) const {
  const int count = static_cast<int>(metrics_.size());
  for (int i = 0; i < count; ++i) {
    if (metrics_[static_cast<std::size_t>(i)].width + frameWidth > kStartingWindowWidth) {
      return kSmallestFontSize + i;
    }
  }
  return count == 0 ? kSmallestFontSize : kSmallestFontSize + count - 1;
}

int FontTable::sizeForWidth(int clientWidth) const {
  int size = kSmallestFontSize;
  const int count = static_cast<int>(metrics_.size());
  for (int i = 0; i < count; ++i) {
    if (metrics_[static_cast<std::size_t>(i)].width <= clientWidth) size = kSmallestFontSize + i;
  }
  return size;
}

int wholeLineListHeight(int wantedHeight, int itemHeight, std::size_t lineCount) {
  if (itemHeight <= 0) return std::max(wantedHeight, 0);
  const auto most = static_cast<std::int64_t>(std::max<std::size_t>(lineCount, 1));
  const std::int64_t lines = std::clamp<std::int64_t>(wantedHeight / itemHeight, 1, most);
  return static_cast<int>(lines * itemHeight);
}

int maximisedResultWidth(int mainClientWidth, std::int32_t longestLine) {
  const std::int32_t share = std::clamp<std::int32_t>(longestLine, 55, 70);
  return static_cast<int>(static_cast<std::int64_t>(mainClientWidth) * share / 70);
}

int centimetresToPixels(double centimetres, int pixelsPerInch) {
  return static_cast<int>(roundHalfEven(pixelsPerInch / 2.54 * centimetres));
}

std::string printDocumentTitle(std::string_view learnerLine1) {
  const std::string learner = trimName(learnerLine1);
  return learner.empty() ? std::string("Klavento 7") : "Klavento 7 - " + learner;
}

int printReferenceSpaces(std::int32_t longestLine) {
  if (longestLine <= 45) return 50;
  if (longestLine <= 55) return 60;
  if (longestLine <= 65) return 65;
  return 70;
}

int printFontSize(const std::function<int(int size)>& referenceWidth, int usableWidth) {
  constexpr int kLargest = 64;
  int size = kSmallestFontSize;
  while (referenceWidth(size) < usableWidth && size < kLargest) ++size;
  while (referenceWidth(size) > usableWidth && size > kSmallestFontSize) --size;
  // A page that even 64 points cannot fill is not a page we can judge.
  if (size == kLargest && referenceWidth(size) < usableWidth) size = 10;
  return size;
}

namespace {

bool blank(const std::string& line) { return line.empty() || line == " "; }

bool startsWith(const std::string& line, std::string_view prefix) {
  return line.compare(0, prefix.size(), prefix) == 0;
}

// First line of the block of non-empty lines that ends at `last`.
std::size_t blockStart(const std::vector<std::string>& list, std::size_t last) {
  std::size_t i = last;
  while (i > 0 && !list[i - 1].empty()) --i;
  return i;
}

// Where the summary block starts, or npos when there is none to find.
std::size_t summaryBlockStart(const std::vector<std::string>& list, std::size_t first,
                              std::size_t last) {
  const std::string& end = list[last];
  if (startsWith(end, w1252("Übungsform")) || startsWith(end, "Fehlerzahl") ||
      startsWith(end, "Gesamtanschl.")) {
    return blockStart(list, last);
  }
  // The last block is the note about the chosen lines; the summary precedes it.
  std::size_t i = blockStart(list, last);
  while (i > first && list[i - 1].empty()) --i;
  if (i <= first) return std::string::npos;
  return blockStart(list, i - 1);
}

}  // namespace

std::vector<std::string> printedLines(const std::vector<std::string>& list,
                                      bool withoutEvaluation) {
  std::size_t first = 0;
  while (first < list.size() && blank(list[first])) ++first;
  if (first == list.size()) return {};
  std::size_t last = list.size() - 1;
  while (blank(list[last])) --last;

  const std::size_t summary =
      withoutEvaluation ? summaryBlockStart(list, first, last) : std::string::npos;
  std::vector<std::string> out;
  for (std::size_t i = first; i <= last; ++i) {
    if (!withoutEvaluation) {
      out.push_back(list[i]);
      continue;
    }
    if (summary != std::string::npos && i >= summary && startsWith(list[i], "Fehler")) continue;
    out.push_back(withoutMarks(list[i]));
  }
  return out;
}

std::vector<PrintedLine> paginate(std::size_t count, int lineHeight, int topMargin,
                                  int pageHeight) {
  std::vector<PrintedLine> out;
  out.reserve(count);
  const std::int64_t bottomLimit = static_cast<std::int64_t>(pageHeight) - topMargin;
  int page = 0;
  std::int64_t onPage = 0;
  for (std::size_t i = 0; i < count; ++i) {
    // A page always takes at least one line, however small the page.
    if (onPage > 0 && bottomLimit < lineHeight * onPage + topMargin + 1) {
      ++page;
      onPage = 0;
    }
    out.push_back({page, static_cast<int>(topMargin + lineHeight * onPage + 1)});
    ++onPage;
  }
  return out;
}

}  // namespace kv
