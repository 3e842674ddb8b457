#include "adaptive/made_up_words.h"

#include <array>

namespace kv {
namespace {

// Windows-1252: ä ö ü ß written as escapes, each literal ending after one.
constexpr std::array<std::string_view, 44> kOnsets = {
    "", "", "", "b", "d", "f", "g", "h", "j", "k", "l", "m", "n", "p", "r", "s", "t", "w", "z", "v",
    "sch", "schl", "schm", "schn", "schr", "schw", "st", "sp", "str", "spr", "bl", "br", "dr", "fl",
    "fr", "gl", "gr", "kl", "kn", "kr", "pf", "pl", "tr", "zw"};
// "y" as in Typ and Zylinder; "qu" is moved over to the onsets.
constexpr std::array<std::string_view, 14> kVowels = {
    "a", "e", "i", "o", "u", "\xE4", "\xF6", "\xFC", "ei", "ie", "au", "eu", "y", "qu"};
constexpr std::array<std::string_view, 46> kCodas = {
    "", "", "", "b", "d", "f", "g", "k", "l", "m", "n", "p", "r", "s", "t", "x", "z", "ch", "sch",
    "ck", "ff", "ll", "mm", "nn", "ss", "tt", "ng", "nk", "nd", "nt", "lt", "ld", "lf", "lk", "ls",
    "rt", "rn", "rm", "rk", "rf", "st", "cht", "ft", "tz", "ns", "\xDF"};
// An excluded word (or stem) this long or longer is not to hide inside a
// made-up one; shorter ones are parts of too many harmless words.
constexpr std::size_t kShortestHiddenWord = 3;
// A made-up word has one or two syllables, two half of the time.
constexpr double kTwoSyllables = 0.5;
constexpr std::string_view kSingleVowels = "aeiouy\xE4\xF6\xFC";
// Tries to make a word with the wanted letter, or one that is fit.
constexpr int kTries = 24;

template <std::size_t N>
std::vector<std::string_view> openParts(const std::array<std::string_view, N>& parts, const KeySet& open) {
  std::vector<std::string_view> kept;
  for (const std::string_view part : parts) {
    if (open.allowsAll(part)) kept.push_back(part);
  }
  return kept;
}

std::string_view pick(const std::vector<std::string_view>& parts, LessonRandom& random) {
  return parts.empty() ? std::string_view() : parts[random.below(parts.size())];
}

std::vector<std::string_view> holding(const std::vector<std::string_view>& parts, unsigned char letter) {
  std::vector<std::string_view> kept;
  for (const std::string_view part : parts) {
    if (part.find(static_cast<char>(letter)) != std::string_view::npos) kept.push_back(part);
  }
  return kept;
}

}  // namespace

bool fitForLesson(std::string_view word, const WordBank& excluded) {
  if (excluded.size() == 0) return true;
  const std::string small = smallLetters(word);
  if (excluded.containsIgnoringCase(small)) return false;
  for (std::size_t from = 0; from + kShortestHiddenWord <= small.size(); ++from) {
    for (std::size_t length = kShortestHiddenWord; from + length <= small.size(); ++length) {
      if (excluded.containsIgnoringCase(std::string_view(small).substr(from, length))) return false;
    }
  }
  return true;
}

MadeUpWords::MadeUpWords(const KeySet& open, const WordBank& excluded)
    : onsets_(openParts(kOnsets, open)),
      vowels_(openParts(kVowels, open)),
      codas_(openParts(kCodas, open)),
      excluded_(excluded) {
  // "qu" is an onset with its vowel to follow, not a vowel of its own.
  std::erase(vowels_, std::string_view("qu"));
  if (open.allowsAll("qu")) onsets_.push_back("qu");
  for (const std::string_view coda : codas_) {
    if (coda.size() <= 1) innerCodas_.push_back(coda);
  }
}

std::string MadeUpWords::syllable(LessonRandom& random, bool last, unsigned char wanted) const {
  const std::vector<std::string_view>& codas = last ? codas_ : innerCodas_;
  // With a wanted letter, one of the parts that can hold it is drawn from
  // those that do.
  std::array<std::vector<std::string_view>, 3> withWanted;
  std::size_t forced = withWanted.size();
  if (wanted != 0) {
    withWanted = {holding(onsets_, wanted), holding(vowels_, wanted), holding(codas, wanted)};
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < withWanted.size(); ++slot) {
      if (!withWanted[slot].empty()) slots.push_back(slot);
    }
    if (!slots.empty()) forced = slots[random.below(slots.size())];
  }
  const std::array<const std::vector<std::string_view>*, 3> parts = {&onsets_, &vowels_, &codas};
  std::string text;
  for (std::size_t slot = 0; slot < parts.size(); ++slot) {
    text += pick(slot == forced ? withWanted[slot] : *parts[slot], random);
  }
  return text;
}

bool MadeUpWords::fit(std::string_view word) const {
  // A word of one vowel letter reads as a letter, not a word.
  return word.size() >= 2 && fitForLesson(word, excluded_);
}

std::string MadeUpWords::make(LessonRandom& random, unsigned char wanted) const {
  if (!possible()) return {};
  std::string word;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const bool twoSyllables = random.chance(kTwoSyllables);
    const bool wantedFirst = twoSyllables && random.chance(kTwoSyllables);
    word = twoSyllables ? syllable(random, false, wantedFirst ? wanted : 0) : std::string();
    std::string last = syllable(random, true, wantedFirst ? 0 : wanted);
    // A second syllable starts with a consonant, so vowels never pile up.
    if (twoSyllables && std::string_view(kSingleVowels).find(last.front()) != std::string_view::npos) continue;
    word += last;
    const bool hasWanted = wanted == 0 || word.find(static_cast<char>(wanted)) != std::string::npos;
    if (hasWanted && fit(word)) return word;
    // No part of open letters holds the wanted one: any fit word will do.
    if (!hasWanted && fit(word) && attempt + 1 == kTries) return word;
  }
  return {};
}

}  // namespace kv
