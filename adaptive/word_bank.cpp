#include "adaptive/word_bank.h"

#include <algorithm>

#include "adaptive/course_keys.h"

namespace kv {
namespace {

// Zipf-Mandelbrot's offset: keeps the first few ranks from dwarfing the rest.
constexpr double kZipfOffset = 2.7;

}  // namespace

std::string smallLetters(std::string_view text) {
  std::string small(text);
  for (char& c : small) c = static_cast<char>(smallLetter(static_cast<unsigned char>(c)));
  return small;
}

WordBank::WordBank(std::string_view listText) {
  std::unordered_set<std::string> seen;
  std::size_t start = 0;
  while (start < listText.size()) {
    std::size_t end = listText.find('\n', start);
    if (end == std::string_view::npos) end = listText.size();
    std::string_view line = listText.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (seen.insert(std::string(line)).second) words_.emplace_back(line);
  }
  std::array<double, 256> strokes{};
  double total = 0.0;
  smallWords_.reserve(words_.size());
  for (std::size_t rank = 0; rank < words_.size(); ++rank) {
    index_.insert(words_[rank]);
    smallWords_.push_back(smallLetters(words_[rank]));
    smallIndex_.insert(smallWords_.back());
    bool complete = true;
    const std::uint64_t mask = courseMaskOf(words_[rank], complete);
    masks_.push_back(complete ? mask : mask | kOutsideCourse);
    const double weight = frequency(rank);
    total += addKeystrokes(words_[rank] + ' ', strokes, weight) * weight;
  }
  if (total > 0.0) {
    for (std::size_t key = 0; key < strokes.size(); ++key) shares_[key] = strokes[key] / total;
  }
}

bool WordBank::containsIgnoringCase(std::string_view word) const {
  if (std::none_of(word.begin(), word.end(), [](char c) { return isCapitalLetter(static_cast<unsigned char>(c)); })) {
    return smallIndex_.contains(word);
  }
  return smallIndex_.contains(smallLetters(word));
}

double WordBank::frequency(std::size_t rank) { return 1.0 / (static_cast<double>(rank) + kZipfOffset); }

const WordBank& builtinWords() {
  static const WordBank bank(builtinWordListText());
  return bank;
}

const WordBank& excludedWords() {
  static const WordBank bank(builtinExcludedText());
  return bank;
}

}  // namespace kv
