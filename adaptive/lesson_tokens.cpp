#include "adaptive/lesson_tokens.h"

#include <algorithm>
#include <array>

namespace kv {
namespace {

// About this share of ordinary words carries a sign once signs are open, as
// commas and full stops come every few words in prose.
constexpr double kSignChance = 0.2;
// Numbers have one to this many digits.
constexpr std::size_t kLongestNumber = 4;
// A letter group for a key no word can hold: the key among two others.
constexpr std::size_t kGroupLength = 3;
constexpr unsigned char kEuro = 0x80;

bool isDigit(unsigned char ch) { return ch >= '0' && ch <= '9'; }

// The partner of an opening or closing bracket.
unsigned char partnerOf(unsigned char sign) {
  switch (sign) {
    case '(': return ')';
    case ')': return '(';
    case '[': return ']';
    case ']': return '[';
    case '{': return '}';
    case '}': return '{';
    default: return 0;
  }
}

bool opens(unsigned char sign) { return sign == '(' || sign == '[' || sign == '{'; }

}  // namespace

void TokenSource::Pool::add(std::size_t rank) {
  ranks.push_back(rank);
  cumulative.push_back((cumulative.empty() ? 0.0 : cumulative.back()) + WordBank::frequency(rank));
}

std::size_t TokenSource::Pool::draw(LessonRandom& random) const {
  const double point = random.unit() * cumulative.back();
  const auto at = std::upper_bound(cumulative.begin(), cumulative.end(), point) - cumulative.begin();
  return ranks[std::min(static_cast<std::size_t>(at), ranks.size() - 1)];
}

TokenSource::TokenSource(const KeySet& open, const WordBank& words, std::size_t longest)
    : open_(open), words_(words), madeUp_(open), byKey_(256), byKeyMade_(256, false) {
  const std::uint64_t closed = ~open.courseMask();
  const std::vector<std::uint64_t>& masks = words.courseMasks();
  for (std::size_t rank = 0; rank < words.size(); ++rank) {
    if ((masks[rank] & closed) == 0 && words.words()[rank].size() <= longest) pool_.add(rank);
  }
  for (const unsigned char key : open.inCourseOrder()) {
    if (key == kShiftKey) continue;
    typable_.push_back(key);
    if (isDigit(key)) digits_.push_back(key);
    if (!isLetterKey(key) && key != ' ') signs_.push_back(key);
  }
  if (pool_.ranks.size() < kEnoughRealWords) {
    madeUpShare_ = 1.0 - static_cast<double>(pool_.ranks.size()) / kEnoughRealWords;
  }
}

const TokenSource::Pool& TokenSource::holders(unsigned char key) const {
  if (!byKeyMade_[key]) {
    byKeyMade_[key] = true;
    const std::size_t position = coursePosition(key);
    if (position < courseOrder().size()) {
      const std::uint64_t bit = std::uint64_t{1} << position;
      for (const std::size_t rank : pool_.ranks) {
        if ((words_.courseMasks()[rank] & bit) != 0) byKey_[key].add(rank);
      }
    }
  }
  return byKey_[key];
}

std::string TokenSource::plainWord(LessonRandom& random) const {
  const bool makeUp = pool_.empty() || random.chance(madeUpShare_);
  if (makeUp && madeUp_.possible()) {
    if (std::string word = madeUp_.make(random); !word.empty()) return word;
  }
  if (!pool_.empty()) return words_.words()[pool_.draw(random)];
  return group(random, 0);
}

std::string TokenSource::wordWith(unsigned char key, LessonRandom& random) const {
  const Pool& holding = holders(key);
  if (!holding.empty() && !random.chance(madeUpShare_)) return words_.words()[holding.draw(random)];
  if (key == kShiftKey) {
    // Capitals without a noun to carry them: a made-up name.
    std::string word = madeUp_.make(random);
    const unsigned char capital = word.empty() ? 0 : capitalLetter(static_cast<unsigned char>(word[0]));
    if (isCapitalLetter(capital) && open_.allows(capital)) {
      word[0] = static_cast<char>(capital);
      return word;
    }
    return holding.empty() ? std::string() : words_.words()[holding.draw(random)];
  }
  std::string word = madeUp_.make(random, key);
  if (word.find(static_cast<char>(key)) != std::string::npos) return word;
  if (!holding.empty()) return words_.words()[holding.draw(random)];
  return group(random, key);
}

std::string TokenSource::number(LessonRandom& random, unsigned char wanted) const {
  if (digits_.empty()) return {};
  std::string text;
  const std::size_t length = 1 + random.below(kLongestNumber);
  for (std::size_t at = 0; at < length; ++at) text += static_cast<char>(digits_[random.below(digits_.size())]);
  if (wanted != 0) text[random.below(text.size())] = static_cast<char>(wanted);
  // No leading zero: "07" is no way to write a number.
  if (text.size() > 1 && text[0] == '0') text.erase(0, 1);
  return text;
}

std::string TokenSource::withSign(unsigned char sign, LessonRandom& random) const {
  if (isDigit(sign)) return number(random, sign);
  if (sign == kEuro) {
    const std::string amount = number(random, 0);
    const std::string gap = open_.has(' ') ? " " : "";
    return amount.empty() ? std::string(1, static_cast<char>(kEuro)) : amount + gap + static_cast<char>(kEuro);
  }
  const std::string word = plainWord(random);
  const std::string mark(1, static_cast<char>(sign));
  if (const unsigned char partner = partnerOf(sign); partner != 0) {
    const unsigned char first = opens(sign) ? sign : partner;
    const unsigned char last = opens(sign) ? partner : sign;
    std::string text = open_.has(first) ? std::string(1, static_cast<char>(first)) + word : word;
    return open_.has(last) ? text + static_cast<char>(last) : text;
  }
  switch (sign) {
    case '"': return mark + word + mark;
    case '~': return mark + word;
    case '-': case '@': case '\\': case '|': return word + mark + plainWord(random);
    default: return word + mark;
  }
}

std::string TokenSource::group(LessonRandom& random, unsigned char wanted) const {
  std::vector<unsigned char> letters;
  std::copy_if(typable_.begin(), typable_.end(), std::back_inserter(letters),
               [](unsigned char key) { return key != ' '; });
  if (letters.empty()) return {};
  std::string text;
  for (std::size_t at = 0; at < kGroupLength; ++at) text += static_cast<char>(letters[random.below(letters.size())]);
  if (wanted != 0 && wanted != ' ' && wanted != kShiftKey) text[random.below(text.size())] = static_cast<char>(wanted);
  return text;
}

std::string TokenSource::general(LessonRandom& random) const {
  if (!signs_.empty() && random.chance(kSignChance)) return withSign(signs_[random.below(signs_.size())], random);
  return plainWord(random);
}

std::string TokenSource::holding(unsigned char key, LessonRandom& random) const {
  if (key == ' ') return plainWord(random);
  if (key == kShiftKey || isLetterKey(key)) return wordWith(key, random);
  return withSign(key, random);
}

}  // namespace kv
