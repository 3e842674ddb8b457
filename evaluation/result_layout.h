// The result window's arithmetic that needs no screen or printer: how a line
// is cut into underlined and plain pieces, which font size a width allows,
// how tall the list may be, and what goes on which printed page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// ---- Lines ----------------------------------------------------------------

// A line as it is drawn: a marked line end becomes an underlined space,
// pairs of adjacent marks (an empty marked stretch) vanish, and an empty line
// is one space.
std::string prepareLineForDrawing(std::string_view line);

struct TextRun {
  std::string text;
  bool underlined = false;
  bool operator==(const TextRun&) const = default;
};

// Cuts a prepared line at its mark bytes; each mark toggles the underline.
// An empty stretch just before a mark while underlining is one underlined
// space, so a mark that closes at once is still visible.
std::vector<TextRun> splitIntoRuns(std::string_view preparedLine);

std::string withoutMarks(std::string_view line);

// A result line as a screen reader says it: its text without the marks, and
// what is marked as "Fehler: „…“" (several stretches joined by ", "); empty
// when nothing is marked. Windows-1252.
struct SpokenLine {
  std::string text;
  std::string errors;
};
SpokenLine spokenLine(std::string_view line);

// ---- Screen ---------------------------------------------------------------

inline constexpr int kSmallestFontSize = 8;
inline constexpr int kLargestFontSize = 250;
// The window is first made just wider than this many pixels.
inline constexpr int kStartingWindowWidth = 595;

// Number of spaces whose width the list font must fit into the window.
int screenReferenceLength(std::int32_t longestLine);
// Spaces of indent before each line (plus 2 pixels).
int indentSpaces(std::int32_t longestLine);

struct FontMetric {
  int width = 0;   // of the reference line
  int height = 0;  // text height + 1: the list's item height
};

// The metrics of sizes kSmallestFontSize..kLargestFontSize, in that order.
class FontTable {
 public:
  FontTable() = default;
  explicit FontTable(std::vector<FontMetric> metrics) : metrics_(std::move(metrics)) {}
  // size -> metric of the reference line at that size.
  static FontTable measure(const std::function<FontMetric(int size)>& measureSize);

  bool empty() const { return metrics_.empty(); }
  const FontMetric& at(int size) const;
  // The first size whose line plus the window frame is wider than 595 pixels;
  // the largest size when none is.
  int startingSize(int frameWidth) const;
  // The largest size whose line fits into the width; never below the smallest.
  int sizeForWidth(int clientWidth) const;

 private:
  std::vector<FontMetric> metrics_;
};

// The list's height for a wish: a whole number of items, at least one, and
// never more items than the list holds.
int wholeLineListHeight(int wantedHeight, int itemHeight, std::size_t lineCount);

// Width of the window when the main window is maximised.
int maximisedResultWidth(int mainClientWidth, std::int32_t longestLine);

// ---- Printing -------------------------------------------------------------

int centimetresToPixels(double centimetres, int pixelsPerInch);

// "Klavento 7 - <learner>" or just "Klavento 7" (Windows-1252).
std::string printDocumentTitle(std::string_view learnerLine1);

// Spaces of the reference text that must fit the printed line.
int printReferenceSpaces(std::int32_t longestLine);

// The printer font's point size, given the reference text's width at a size.
int printFontSize(const std::function<int(int size)>& referenceWidth, int usableWidth);

// The lines that go on paper, in order: the range from the first to the last
// line that is neither empty nor one space; without evaluation, every mark
// removed and the error lines of the summary block left out.
std::vector<std::string> printedLines(const std::vector<std::string>& list,
                                      bool withoutEvaluation);

struct PrintedLine {
  int page = 0;  // 0-based
  int y = 0;     // top of the text in printer pixels
};

// Where each of `count` lines is drawn.
std::vector<PrintedLine> paginate(std::size_t count, int lineHeight, int topMargin,
                                  int pageHeight);

}  // namespace kv
