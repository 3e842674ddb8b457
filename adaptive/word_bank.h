// The German words the adaptive lessons are made of: the project's word
// list (adaptive/words/woerter.txt), compiled into the program, and the list
// of words no lesson may contain (adaptive/words/ausgeschlossen.txt).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kv {

class WordBank {
 public:
  // `listText`: Windows-1252 words, one a line, the most frequent first.
  // Empty lines and lines starting with '#' are left out; so is a second
  // spelling of a word already there.
  explicit WordBank(std::string_view listText);
  WordBank(const WordBank&) = delete;
  WordBank& operator=(const WordBank&) = delete;

  std::size_t size() const { return words_.size(); }
  // The words by rank, the most frequent first. Nouns carry their capital.
  const std::vector<std::string>& words() const { return words_; }
  // The course keys each word needs (courseMaskOf), by rank; a word with a
  // character outside the course needs a key no set has.
  const std::vector<std::uint64_t>& courseMasks() const { return masks_; }
  // Exactly this spelling.
  bool contains(std::string_view word) const { return index_.contains(word); }
  // Whether the word, small letters taken for capitals, is in the list.
  bool containsIgnoringCase(std::string_view word) const;

  // How often the word of a rank comes up in ordinary text, relative to the
  // others: Zipf's law, which word frequencies follow closely.
  static double frequency(std::size_t rank);
  // Per course key, its share of the keystrokes of ordinary German text as
  // the list gives it: every word by its frequency, one space after each.
  const std::array<double, 256>& keystrokeShares() const { return shares_; }

 private:
  std::vector<std::string> words_;
  std::unordered_set<std::string_view> index_;  // into words_, which never changes after construction
  std::vector<std::string> smallWords_;             // every word in small letters
  std::unordered_set<std::string_view> smallIndex_;  // into smallWords_
  std::vector<std::uint64_t> masks_;
  std::array<double, 256> shares_{};
};

// The compiled word list and the compiled list of excluded words.
const WordBank& builtinWords();
const WordBank& excludedWords();

// The lists' texts, as the build wrote them from the UTF-8 files.
std::string_view builtinWordListText();
std::string_view builtinExcludedText();

// The text in small letters (Windows-1252 capitals included).
std::string smallLetters(std::string_view text);

// A mask bit no key set has: the word cannot be typed in the course.
inline constexpr std::uint64_t kOutsideCourse = std::uint64_t{1} << 63;

}  // namespace kv
