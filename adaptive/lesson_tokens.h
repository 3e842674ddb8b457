// Where the words of an adaptive lesson come from: the real words that the
// open keys can type, by their frequency; for one key the words that hold it;
// made-up words while real ones are too few; numbers and words with
// punctuation or AltGr characters for those keys; and letter groups when no
// word is possible at all.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "adaptive/course_keys.h"
#include "adaptive/lesson_random.h"
#include "adaptive/made_up_words.h"
#include "adaptive/word_bank.h"

namespace kv {

// With at least this many real words to choose from, a lesson has no made-up
// words; below it, a share of the words is made up as real ones are missing.
inline constexpr std::size_t kEnoughRealWords = 100;

class TokenSource {
 public:
  TokenSource(const KeySet& open, const WordBank& words, std::size_t longest);

  std::size_t realWordCount() const { return pool_.ranks.size(); }
  // Share of general words that are made up: 0 once there are enough real ones.
  double madeUpShare() const { return madeUpShare_; }

  // A word as ordinary text would bring it, at times with a punctuation mark
  // or other open sign; empty when nothing can be typed.
  std::string general(LessonRandom& random) const;
  // A word (or number, or sign with a word) that holds the key.
  std::string holding(unsigned char key, LessonRandom& random) const;

 private:
  // Ranks of words with cumulative frequencies, to draw from by frequency.
  struct Pool {
    std::vector<std::size_t> ranks;
    std::vector<double> cumulative;
    void add(std::size_t rank);
    bool empty() const { return ranks.empty(); }
    std::size_t draw(LessonRandom& random) const;
  };

  // The words of the pool that hold the key, drawn from by frequency; made
  // when first asked for.
  const Pool& holders(unsigned char key) const;
  std::string plainWord(LessonRandom& random) const;
  std::string wordWith(unsigned char key, LessonRandom& random) const;
  std::string withSign(unsigned char sign, LessonRandom& random) const;
  std::string number(LessonRandom& random, unsigned char wanted) const;
  std::string group(LessonRandom& random, unsigned char wanted) const;

  const KeySet open_;
  const WordBank& words_;
  MadeUpWords madeUp_;
  Pool pool_;
  mutable std::vector<Pool> byKey_;  // by course key, filled by holders()
  mutable std::vector<bool> byKeyMade_;
  std::vector<unsigned char> signs_;   // open keys that are neither letters nor the space bar
  std::vector<unsigned char> digits_;
  std::vector<unsigned char> typable_;  // every open character, for letter groups
  double madeUpShare_ = 0.0;
};

}  // namespace kv
