#include "history/exercise_record.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <utility>

namespace kv {
namespace {

struct Word {
  std::string_view text;
  std::size_t begin = 0;  // in the text the word came from (typed: without mark bytes)
  bool marked = false;    // any of its characters, or the blank before it, marked
};

bool isBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

std::vector<Word> splitWords(std::string_view text, const std::vector<bool>* marks) {
  std::vector<Word> words;
  words.reserve(text.size() / 5 + 1);
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && isBlank(text[at])) ++at;
    if (at == text.size()) break;
    const std::size_t begin = at;
    while (at < text.size() && !isBlank(text[at])) ++at;
    Word w{text.substr(begin, at - begin), begin, false};
    if (marks != nullptr) {
      // The evaluation marks a missing blank on the blank's place.
      const std::size_t from = begin > 0 ? begin - 1 : 0;
      for (std::size_t k = from; k < at && !w.marked; ++k) w.marked = (*marks)[k];
    }
    words.push_back(w);
  }
  return words;
}

std::string joined(const std::vector<Word>& words, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t k = from; k < to; ++k) {
    if (!out.empty()) out += ' ';
    out.append(words[k].text);
  }
  return out;
}

class SlipCounter {
 public:
  explicit SlipCounter(ExerciseRecord& record) : record_(record) {}

  void correct(std::string_view word) {
    for (const char c : word) ++record_.keys[static_cast<unsigned char>(c)].needed;
    ++record_.keys[' '].needed;  // the blank after it
  }

  // Aligns the characters of a marked pair with the fewest edits and counts
  // what each expected character became.
  void pair(std::string_view expected, std::string_view typed) {
    const std::size_t n = expected.size(), m = typed.size();
    // Long phrases are rare; their alignment would cost more than it tells.
    if (n > 120 || m > 120) {
      for (const char c : expected) {
        ++record_.keys[static_cast<unsigned char>(c)].needed;
        ++record_.keys[static_cast<unsigned char>(c)].missed;
      }
      return;
    }
    std::vector<std::uint16_t> d((n + 1) * (m + 1));
    const auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = 0; i <= n; ++i) d[at(i, 0)] = static_cast<std::uint16_t>(i);
    for (std::size_t j = 0; j <= m; ++j) d[at(0, j)] = static_cast<std::uint16_t>(j);
    for (std::size_t i = 1; i <= n; ++i) {
      for (std::size_t j = 1; j <= m; ++j) {
        const int same = expected[i - 1] == typed[j - 1] ? 0 : 1;
        d[at(i, j)] = static_cast<std::uint16_t>(std::min({d[at(i - 1, j - 1)] + same,
                                                           d[at(i - 1, j)] + 1, d[at(i, j - 1)] + 1}));
      }
    }
    std::size_t i = n, j = m;
    while (i > 0 || j > 0) {
      if (i > 0 && j > 0 &&
          d[at(i, j)] == d[at(i - 1, j - 1)] + (expected[i - 1] == typed[j - 1] ? 0 : 1)) {
        const auto e = static_cast<unsigned char>(expected[i - 1]);
        const auto t = static_cast<unsigned char>(typed[j - 1]);
        ++record_.keys[e].needed;
        if (e != t) {
          ++record_.keys[e].missed;
          ++confusions_[{e, t}];
        }
        --i;
        --j;
      } else if (i > 0 && d[at(i, j)] == d[at(i - 1, j)] + 1) {
        const auto e = static_cast<unsigned char>(expected[i - 1]);
        ++record_.keys[e].needed;
        ++record_.keys[e].missed;
        ++confusions_[{e, 0}];
        --i;
      } else {
        ++confusions_[{0, static_cast<unsigned char>(typed[j - 1])}];
        --j;
      }
    }
  }

  void slip(std::string expected, std::string typed) {
    if (record_.words.size() >= kMaxWordSlips) return;
    constexpr std::size_t kLongest = 60;
    if (expected.size() > kLongest) expected.resize(kLongest);
    if (typed.size() > kLongest) typed.resize(kLongest);
    record_.words.push_back({std::move(expected), std::move(typed)});
  }

  void finish() {
    record_.confusions.clear();
    for (const auto& [key, count] : confusions_) {
      record_.confusions.push_back({key.first, key.second, count});
    }
  }

 private:
  ExerciseRecord& record_;
  std::map<std::pair<unsigned char, unsigned char>, std::uint32_t> confusions_;
};

// The next place where both texts agree again: two words in a row (or the
// last word of either text) after skipping the fewest words on both sides.
bool resync(const std::vector<Word>& t, std::size_t i, const std::vector<Word>& y, std::size_t j,
            std::size_t& skipT, std::size_t& skipY) {
  constexpr std::size_t kReach = 6;
  for (std::size_t cost = 1; cost <= 2 * kReach; ++cost) {
    for (std::size_t a = 0; a <= std::min(cost, kReach); ++a) {
      const std::size_t b = cost - a;
      if (b > kReach || i + a >= t.size() || j + b >= y.size()) continue;
      if (t[i + a].text != y[j + b].text) continue;
      const bool lastOfEither = i + a + 1 == t.size() || j + b + 1 == y.size();
      if (lastOfEither || t[i + a + 1].text == y[j + b + 1].text) {
        skipT = a;
        skipY = b;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

void analyseSlips(std::string_view templateText, std::string_view typedText,
                  ExerciseRecord& record) {
  // The typed text without its mark bytes, and which of its bytes were marked.
  std::string typed;
  typed.reserve(typedText.size());
  std::vector<bool> marked;
  marked.reserve(typedText.size());
  bool inMark = false;
  for (const char c : typedText) {
    if (c == kMarkByte) {
      inMark = !inMark;
      continue;
    }
    typed.push_back(c);
    marked.push_back(inMark);
  }
  const std::vector<Word> t = splitWords(templateText, nullptr);
  const std::vector<Word> y = splitWords(typed, &marked);

  SlipCounter count(record);
  std::size_t i = 0, j = 0;
  while (i < t.size() && j < y.size()) {
    if (t[i].text == y[j].text && !y[j].marked) {
      count.correct(t[i].text);
      ++i;
      ++j;
      continue;
    }
    std::size_t a = 1, b = 1;
    // A word typed wrong between two right ones is one pair, even where a
    // repeated word would let the texts agree again sooner.
    const bool nextAgrees = i + 1 < t.size() && j + 1 < y.size() && t[i + 1].text == y[j + 1].text;
    if (t[i].text != y[j].text && !nextAgrees && !resync(t, i, y, j, a, b)) a = b = 1;
    bool anyMarked = false;
    for (std::size_t k = j; k < j + b; ++k) anyMarked = anyMarked || y[k].marked;
    // A word left out is marked on the typed word after it.
    if (b == 0) anyMarked = j < y.size() && y[j].marked;
    if (!anyMarked) {
      // The evaluation's rules let it pass; what was typed counts as right.
      for (std::size_t k = i; k < i + a; ++k) count.correct(t[k].text);
    } else if (a == 0) {
      for (std::size_t k = j; k < j + b; ++k) count.slip(std::string(), std::string(y[k].text));
    } else if (b == 0) {
      // A word left out says nothing about the keys.
      for (std::size_t k = i; k < i + a; ++k) count.slip(std::string(t[k].text), std::string());
    } else if (a == b) {
      for (std::size_t k = 0; k < a; ++k) {
        // The same word, marked for a blank around it: the keys were right.
        if (t[i + k].text == y[j + k].text) {
          count.correct(t[i + k].text);
          continue;
        }
        count.pair(t[i + k].text, y[j + k].text);
        count.slip(std::string(t[i + k].text), std::string(y[j + k].text));
      }
    } else {
      // Words run together or apart: one pair, blanks included.
      const std::string expected = joined(t, i, i + a);
      const std::string got = joined(y, j, j + b);
      count.pair(expected, got);
      count.slip(expected, got);
    }
    i += a;
    j += b;
  }
  // Words typed beyond the template's end.
  for (; j < y.size(); ++j) {
    if (y[j].marked) count.slip(std::string(), std::string(y[j].text));
  }
  count.finish();
}

ExerciseRecord buildExerciseRecord(const RecordInputs& in, const TypedExercise& evaluated,
                                   const SummaryFigures& figures, std::string_view templateText,
                                   const KeyRhythm& rhythm) {
  ExerciseRecord r;
  r.startedAt = in.startedAt;
  r.form = in.form;
  r.pace = in.pace;
  r.correction = in.correction;
  r.title = in.title;
  r.archive = in.archive;
  r.firstLine = in.firstLine;
  r.lastLine = in.lastLine;
  r.seconds = figures.seconds;
  r.keystrokes = evaluated.keystrokes;
  r.errors = evaluated.errorCount;
  r.keystrokesPerMinute = figures.keystrokesPerMinute;
  r.hasErrorPercent = figures.hasErrorPercent;
  r.errorPercent = figures.errorPercent;
  r.voided = evaluated.keystrokes == 0;
  r.impossible = evaluationImpossible(evaluated.errorCount);
  r.rhythm = rhythm;
  // An impossible evaluation has no trustworthy marks to learn from.
  if (!r.voided && !r.impossible) analyseSlips(templateText, evaluated.typedText, r);
  return r;
}

std::string newRecordToken() {
  // random_device alone may be a fixed sequence on some runtimes; the clock
  // and the address of a local keep two programs started together apart.
  std::random_device device;
  const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  const auto wall = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  int local = 0;
  std::seed_seq seeds{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32),
                      static_cast<unsigned>(wall), static_cast<unsigned>(wall >> 32),
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&local))};
  std::mt19937_64 random(seeds);
  char text[40];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(random()),
                static_cast<unsigned long long>(random()));
  return text;
}

}  // namespace kv
