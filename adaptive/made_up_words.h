// Made-up words for the first lessons, while too few real words can be typed
// with the open keys. They follow German spelling, syllable by syllable
// (onset, vowel, coda, each as German words have them), so that a learner can
// read them aloud, and they are never one of the excluded words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "adaptive/course_keys.h"
#include "adaptive/lesson_random.h"
#include "adaptive/word_bank.h"

namespace kv {

class MadeUpWords {
 public:
  // Only onsets, vowels and codas whose letters are all open are used.
  explicit MadeUpWords(const KeySet& open, const WordBank& excluded = excludedWords());

  // False when no vowel is open: then there is no syllable to make.
  bool possible() const { return !vowels_.empty(); }
  // One or two syllables, in small letters. With `wanted` (a small letter,
  // or 0 for none) the word contains it when any syllable of open letters
  // can. Empty when nothing is possible.
  std::string make(LessonRandom& random, unsigned char wanted = 0) const;

 private:
  std::string syllable(LessonRandom& random, bool last, unsigned char wanted) const;
  bool fit(std::string_view word) const;

  std::vector<std::string_view> onsets_;
  std::vector<std::string_view> vowels_;
  std::vector<std::string_view> codas_;
  std::vector<std::string_view> innerCodas_;  // at most one consonant, before a second syllable
  const WordBank& excluded_;
};

// Neither an excluded word nor one with an excluded word or stem of three
// letters or more in it, small letters taken for capitals.
bool fitForLesson(std::string_view word, const WordBank& excluded = excludedWords());

}  // namespace kv
