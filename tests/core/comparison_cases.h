// Generated exercises for checking that the comparison keeps its results:
// texts from the built-in archive and made-up prose, typed with a mix of the
// slips learners make, and one line of results per exercise. The generator is
// deterministic on every platform (its own random numbers, no library
// distributions), so the report can be stored and compared byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "evaluation/comparison.h"
#include "platform/encoding.h"
#include "session/exercise_session.h"
#include "texts/builtin_texts.h"

namespace kv::golden {

class CaseRandom {
 public:
  explicit CaseRandom(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  std::uint32_t next(std::uint32_t bound) {
    state_ = state_ * 1664525u + 1013904223u;
    return bound == 0 ? 0 : (state_ >> 8) % bound;
  }
  bool chance(std::uint32_t oneIn) { return next(oneIn) == 0; }

 private:
  std::uint32_t state_;
};

inline const std::vector<std::string>& proseWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w;
    for (const char* utf8 :
         {"Abend", "Garten", "Kinder", "sangen", "viele", "schöne", "Lieder", "unter", "Bäumen",
          "dem", "alten", "Haus", "wohnte", "eine", "Familie", "mit", "drei", "Hunden", "jeden",
          "Morgen", "liefen", "sie", "über", "Felder", "zum", "Fluss", "dort", "Großvater", "die",
          "der", "das", "und", "in", "Straße", "Käse", "Äpfel", "Hügel", "Öfen", "zogen", "a", "Zu"}) {
      w.push_back(w1252(utf8));
    }
    return w;
  }();
  return words;
}

inline std::vector<std::string> proseLines(CaseRandom& random, int lineCount) {
  const auto& vocab = proseWords();
  std::vector<std::string> lines;
  for (int n = 0; n < lineCount; ++n) {
    std::string line;
    const std::uint32_t length = 20 + random.next(45);
    while (line.size() < length) {
      if (!line.empty()) line += ' ';
      line += vocab[random.next(static_cast<std::uint32_t>(vocab.size()))];
      const std::uint32_t p = random.next(16);
      if (p < 2) line += ',';
      if (p == 2) line += '.';
      if (p == 3) line += '?';
      if (p == 4) line += ':';
    }
    lines.push_back(line);
  }
  return lines;
}

inline std::vector<std::string> templateLines(CaseRandom& random, std::uint32_t caseNumber) {
  if (caseNumber % 3 == 0) return proseLines(random, 1 + static_cast<int>(random.next(40)));
  const auto& texts = builtinTexts();
  const BuiltinText& text = texts[random.next(static_cast<std::uint32_t>(texts.size()))];
  const auto count = static_cast<std::uint32_t>(text.lines.size());
  const std::uint32_t first = random.next(count);
  const std::uint32_t wanted = 1 + random.next(3 * count);
  std::vector<std::string> lines;
  for (std::uint32_t k = 0; k < wanted; ++k) lines.push_back(text.lines[(first + k) % count]);
  return lines;
}

inline bool isLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0;
}

// Position of word `n` (counting blank-separated words from 0) in `line`, or
// npos; `end` receives the position after it.
inline std::size_t wordAt(const std::string& line, std::uint32_t n, std::size_t& end) {
  std::size_t pos = 0;
  for (std::uint32_t k = 0;; ++k) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) return std::string::npos;
    end = line.find(' ', pos);
    if (end == std::string::npos) end = line.size();
    if (k == n) return pos;
    pos = end;
  }
}

// One slip somewhere in the typed lines.
inline void slip(std::vector<std::string>& lines, CaseRandom& random) {
  if (lines.empty()) lines.emplace_back();
  const std::size_t li = random.next(static_cast<std::uint32_t>(lines.size()));
  std::string& line = lines[li];
  const std::size_t at = random.next(static_cast<std::uint32_t>(line.size() + 1));
  static constexpr std::string_view kCharacters = "aeinrstEDU\xE4\xF6\xFC\xDF .,;:!?()-'\t";
  const char some = kCharacters[random.next(static_cast<std::uint32_t>(kCharacters.size()))];
  std::size_t wordEnd = 0;
  const std::size_t word = wordAt(line, random.next(12), wordEnd);
  const auto& vocab = proseWords();
  switch (random.next(20)) {
    case 0: line.insert(at, 1, some); break;
    case 1: if (at < line.size()) line.erase(at, 1 + random.next(3)); break;
    case 2: if (at < line.size()) line[at] = some; break;
    case 3: if (at + 1 < line.size()) std::swap(line[at], line[at + 1]); break;
    case 4:  // letter case
      if (at < line.size() && isLetter(static_cast<unsigned char>(line[at]))) line[at] ^= 0x20;
      break;
    case 5: {  // two words run together
      const std::size_t blank = line.find(' ', at);
      if (blank != std::string::npos) line.erase(blank, 1);
      break;
    }
    case 6:  // a blank inside a word
      if (word != std::string::npos && wordEnd - word > 2) line.insert(word + 1 + random.next(static_cast<std::uint32_t>(wordEnd - word - 1)), 1, ' ');
      break;
    case 7:  // a word typed twice
      if (word != std::string::npos) line.insert(word, line.substr(word, wordEnd - word) + " ");
      break;
    case 8:  // a word left out
      if (word != std::string::npos) line.erase(word, wordEnd - word + (wordEnd < line.size() ? 1 : 0));
      break;
    case 9:  // a word of its own
      line.insert(word == std::string::npos ? line.size() : word,
                  vocab[random.next(static_cast<std::uint32_t>(vocab.size()))] + " ");
      break;
    case 10:  // punctuation added or left out
      if (word != std::string::npos) {
        const char last = line[wordEnd - 1];
        if (last == ',' || last == '.' || last == '?' || last == ':') {
          line.erase(wordEnd - 1, 1);
        } else {
          line.insert(wordEnd, 1, ",.;!"[random.next(4)]);
        }
      }
      break;
    case 11: {  // blanks doubled, in front or behind
      const std::size_t blank = line.find(' ', at);
      if (blank != std::string::npos) line.insert(blank, std::string(1 + random.next(3), ' '));
      break;
    }
    case 12: {  // a line broken at a blank
      const std::size_t blank = line.find(' ', at);
      if (blank != std::string::npos) {
        std::string rest = line.substr(blank + 1);
        line.erase(blank);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(li) + 1, rest);
      }
      break;
    }
    case 13:  // two lines typed as one
      if (li + 1 < lines.size()) {
        line += (random.chance(2) ? " " : "") + lines[li + 1];
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(li) + 1);
      }
      break;
    case 14: lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(li)); break;
    case 15: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(li), std::string(random.next(3), ' ')); break;
    case 16: line = std::string(random.next(3), ' ') + line + std::string(random.next(3), ' '); break;
    case 17: {  // two neighbouring words swapped
      std::size_t secondEnd = 0;
      const std::size_t second = word == std::string::npos ? word : wordAt(line, 0, secondEnd);
      if (second != std::string::npos && second < word) {
        const std::string a = line.substr(second, secondEnd - second);
        const std::string b = line.substr(word, wordEnd - word);
        line.replace(word, b.size(), a);
        line.replace(second, a.size(), b);
      }
      break;
    }
    case 18:  // a wrong word
      if (word != std::string::npos) line.replace(word, wordEnd - word, "Unsinn");
      break;
    default:  // the word cut short
      if (word != std::string::npos && wordEnd - word > 2) line.erase(wordEnd - 1, 1);
      break;
  }
}

struct Case {
  std::vector<std::string> templateLines;
  std::vector<std::string> typedLines;
  ComparisonInputs inputs;
  bool ownKeystrokes = false;
  std::uint32_t keystrokes = 0;
};

inline Case makeCase(std::uint32_t caseNumber) {
  CaseRandom random(caseNumber);
  Case c;
  c.templateLines = templateLines(random, caseNumber);
  c.typedLines = c.templateLines;
  const std::uint32_t shape = random.next(10);
  std::uint32_t slips = random.next(8);
  if (shape == 0) slips = 20 + random.next(60);  // a careless learner
  if (shape == 1) slips = 0;
  for (std::uint32_t k = 0; k < slips; ++k) slip(c.typedLines, random);
  if (shape == 2 && !c.typedLines.empty()) {  // stopped before the end
    c.typedLines.resize(random.next(static_cast<std::uint32_t>(c.typedLines.size())) + 1);
    std::string& last = c.typedLines.back();
    last.resize(random.next(static_cast<std::uint32_t>(last.size() + 1)));
  }
  if (shape == 3) {  // typed on past the end
    const auto more = proseLines(random, 1 + static_cast<int>(random.next(3)));
    c.typedLines.insert(c.typedLines.end(), more.begin(), more.end());
  }
  c.inputs.form = static_cast<std::uint8_t>(1 + random.next(4));
  c.inputs.pace = static_cast<std::int32_t>(random.next(3));
  c.inputs.timeLimitReached = random.chance(3);
  if (random.chance(8)) {
    c.ownKeystrokes = true;
    c.keystrokes = random.next(60);
  }
  return c;
}

inline std::uint32_t fnv1a(std::string_view bytes, std::uint32_t h = 2166136261u) {
  for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

class RecordingProgress final : public ComparisonProgress {
 public:
  void setPosition(std::int32_t position) override {
    ++positions;
    positionHash = fnv1a(std::to_string(position) + ",", positionHash);
  }
  void runPendingEvents() override { ++events; }
  std::uint32_t positions = 0;
  std::uint32_t positionHash = 2166136261u;
  std::uint32_t events = 0;
};

inline std::string hex(std::uint32_t v) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s(8, '0');
  for (int i = 7; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = kDigits[v & 15];
  return s;
}

// The comparison's results for one exercise, in one line.
inline std::string report(std::uint32_t caseNumber) {
  const Case c = makeCase(caseNumber);
  std::int32_t longest = 0;
  for (const auto& line : c.templateLines) longest = std::max(longest, static_cast<std::int32_t>(line.size()));
  KeyTableLookup keys;
  keys.rebuild();
  const HandedOverText handed = prepareTypedText(c.typedLines, longest, keys);
  TypedExercise ex;
  ex.typedText = handed.typedText;
  ex.templateText = joinTemplateLines(c.templateLines);
  ex.keystrokes = c.ownKeystrokes ? c.keystrokes : handed.keystrokes;
  RecordingProgress progress;
  compareTexts(ex, c.inputs, progress);

  std::string line = std::to_string(caseNumber) + ": e=" + std::to_string(ex.errorCount) +
                     " m=" + std::to_string(ex.markCount) + " w=" + std::to_string(ex.wordCount) +
                     " k=" + std::to_string(handed.keystrokes) + "/" + std::to_string(ex.keystrokes);
  if (ex.stoppedEarly) line += " stop=" + std::to_string(ex.stopLine) + ":" + std::to_string(ex.stopColumn);
  line += " ev=" + std::to_string(progress.events) + " pos=" + std::to_string(progress.positions) + "/" +
          hex(progress.positionHash) + " text=" + hex(fnv1a(ex.typedText)) + " marks=";
  // Entries past the count stay in the table, and a saved file keeps them.
  std::string table;
  for (const ErrorMark& m : ex.marks) table += std::to_string(m.start) + "-" + std::to_string(m.end) + ",";
  line += hex(fnv1a(table)) + ":";
  for (std::int32_t k = 1; k <= std::min(ex.markCount, kMaxMarks); ++k) {
    const ErrorMark& m = ex.marks[static_cast<std::size_t>(k)];
    if (k > 1) line += ',';
    line += std::to_string(m.start) + "-" + std::to_string(m.end);
  }
  return line;
}

}  // namespace kv::golden
