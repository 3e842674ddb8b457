// Feeds arbitrary template and typed texts, in the form the exercise window
// hands them over, through the comparison and checks that the result is
// always one the result window can show.
//
// Input: byte 0 chooses form, time limit and its flag; byte 1 the keystroke
// count; the rest is the template, a zero byte, and the typed text (without a
// zero byte both are the same text). With the top bit of byte 0 set, the part
// after the zero byte is instead a list of slips applied to the template, so
// that most inputs stay close enough to be evaluated. Seeds: compare_seeds/.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "evaluation/comparison.h"

namespace {

#define FUZZ_CHECK(condition)                                        \
  do {                                                               \
    if (!(condition)) {                                              \
      std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__); \
      std::abort();                                                  \
    }                                                                \
  } while (false)

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// What the exercise window makes of the typing field's lines.
std::string typedForm(std::string_view raw) {
  std::vector<std::string> lines = splitLines(raw);
  std::string text;
  bool keptEmpty = false;
  bool first = true;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    std::string line = *it;
    std::size_t b = 0;
    std::size_t e = line.size();
    while (b < e && static_cast<unsigned char>(line[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(line[e - 1]) <= 32) --e;
    line = line.substr(b, e - b);
    for (char& c : line) {
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    }
    if (!first && line.empty() && keptEmpty) continue;
    first = false;
    keptEmpty = line.empty();
    text = line + "\r\n" + text;
  }
  return text;
}

std::string templateForm(std::string_view raw) {
  std::string text;
  for (const std::string& line : splitLines(raw)) text += line + "\r\n";
  return text;
}

// Three bytes a slip: what, and where (16 bit).
std::string withSlips(std::string_view templ, std::string_view script) {
  std::string text(templ);
  static constexpr std::string_view kInserted = " .,;:!?()-xe\n";
  for (std::size_t i = 0; i + 2 < script.size(); i += 3) {
    const auto what = static_cast<unsigned char>(script[i]);
    const std::size_t where =
        (static_cast<unsigned char>(script[i + 1]) << 8 | static_cast<unsigned char>(script[i + 2])) %
        (text.size() + 1);
    switch (what % 5) {
      case 0:  // a surplus character
        text.insert(where, 1, kInserted[(what / 5) % kInserted.size()]);
        break;
      case 1:  // a missing stretch of up to 8 characters
        text.erase(where, (what / 5) % 8 + 1);
        break;
      case 2:  // a wrong character
        if (where < text.size()) text[where] = kInserted[(what / 5) % kInserted.size()];
        break;
      case 3:  // two characters swapped
        if (where + 1 < text.size()) std::swap(text[where], text[where + 1]);
        break;
      default:  // a word typed twice or an upper-case slip
        if (where < text.size()) {
          const std::size_t end = text.find(' ', where);
          const std::string wordCopy(text.substr(where, end == std::string::npos ? 8 : end - where));
          if ((what / 5) % 2 == 0) {
            text.insert(where, wordCopy + " ");
          } else if (text[where] >= 'a' && text[where] <= 'z') {
            text[where] = static_cast<char>(text[where] - 'a' + 'A');
          }
        }
        break;
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t zero = rest.find('\0');
  const std::string_view rawTemplate = zero == std::string_view::npos ? rest : rest.substr(0, zero);
  const std::string_view afterZero =
      zero == std::string_view::npos ? rest : rest.substr(zero + 1);
  const std::string rawTyped =
      (data[0] & 0x80) != 0 ? withSlips(rawTemplate, afterZero) : std::string(afterZero);

  kv::ComparisonInputs inputs;
  inputs.form = static_cast<std::uint8_t>(1 + (data[0] & 3));
  inputs.timeLimitReached = (data[0] & 4) != 0;
  inputs.pace = (data[0] >> 3) & 3;

  kv::TypedExercise ex;
  ex.templateText = templateForm(rawTemplate);
  ex.typedText = typedForm(rawTyped);
  ex.keystrokes = data[1] == 0 ? 0u : static_cast<std::uint32_t>(data[1]) * 7u + 1u;
  const std::string original = ex.typedText;
  const std::uint32_t keystrokes = ex.keystrokes;

  kv::compareTexts(ex, inputs);

  FUZZ_CHECK((ex.errorCount >= 0 && ex.errorCount <= 225) || ex.errorCount == 255);
  FUZZ_CHECK(ex.templateText.empty());
  FUZZ_CHECK(ex.keystrokes == (keystrokes == 0 ? 0 : keystrokes - 1));
  FUZZ_CHECK(ex.wordCount <= original.size());
  if (ex.stoppedEarly) {
    FUZZ_CHECK(ex.stopLine >= 1 && ex.stopColumn >= 1);
    FUZZ_CHECK(ex.stopColumn <= original.size());
  }
  if (ex.errorCount == 255) {
    FUZZ_CHECK(ex.typedText == original);
    return 0;
  }
  FUZZ_CHECK(ex.markCount >= 0 && ex.markCount <= 225);
  std::int32_t previousEnd = 0;
  for (std::int32_t k = 1; k <= ex.markCount; ++k) {
    const kv::ErrorMark& m = ex.marks[static_cast<std::size_t>(k)];
    FUZZ_CHECK(m.start >= 1 && m.start <= m.end);
    FUZZ_CHECK(static_cast<std::size_t>(m.end) <= original.size());
    FUZZ_CHECK(m.start > previousEnd);
    previousEnd = m.end;
  }
  FUZZ_CHECK(ex.typedText.size() == original.size() + 2 * static_cast<std::size_t>(ex.markCount));
  std::string unmarked;
  for (const char c : ex.typedText) {
    if (c != kv::kMarkByte) unmarked += c;
  }
  FUZZ_CHECK(unmarked == original);
  return 0;
}
