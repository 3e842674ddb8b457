// The keys of the adaptive course and the order in which they are opened:
// the Grundkurs order, which follows the frequency of German letters. A key
// of the course is named by the character it types without modifiers; the
// Shift key, which has no character of its own, by kShiftKey.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// NUL is never typed in an exercise, so it can stand for the Shift key.
inline constexpr unsigned char kShiftKey = 0;

// Every key of the course in the order it is opened (Windows-1252).
std::span<const unsigned char> courseOrder();
// A new learner starts with the first this many keys: the home row and the
// space bar.
inline constexpr std::size_t kStartingKeys = 9;

// Where `key` stands in courseOrder(); courseOrder().size() when it is not a
// key of the course.
std::size_t coursePosition(unsigned char key);

// A capital letter of the German keyboard (A-Z, Ä, Ö, Ü): typed with Shift.
bool isCapitalLetter(unsigned char ch);
// The small letter of a capital; other characters as they are.
unsigned char smallLetter(unsigned char ch);
// A key whose character is a small letter, umlauts and ß included.
bool isLetterKey(unsigned char key);
// The capital of a small letter; other characters as they are.
unsigned char capitalLetter(unsigned char ch);
// The course key that a character of a lesson counts for: the small letter
// for a letter, the character itself otherwise. Capitals count for Shift too.
inline unsigned char courseKeyOf(unsigned char ch) { return smallLetter(ch); }

// The name of a key as the learner reads it (Windows-1252): "Leertaste",
// "Umschalttaste", or the character.
std::string courseKeyName(unsigned char key);
// The same, short enough for a lesson title ("Umschalt" for Shift).
std::string courseKeyShortName(unsigned char key);

// A set of course keys: what a learner may type in a lesson.
class KeySet {
 public:
  KeySet() = default;
  // The first `count` keys of the course order.
  static KeySet firstOfCourse(std::size_t count);

  bool has(unsigned char key) const { return keys_.test(key); }
  void add(unsigned char key) { keys_.set(key); }
  std::size_t size() const { return keys_.count(); }
  bool empty() const { return keys_.none(); }

  // Whether a lesson for this set may contain the character: its key is
  // open, and for a capital the Shift key too.
  bool allows(unsigned char ch) const;
  bool allowsAll(std::string_view text) const;

  // The keys in course order.
  std::vector<unsigned char> inCourseOrder() const;
  // The set as a mask over course positions (bit n: courseOrder()[n]).
  std::uint64_t courseMask() const;
  // The first key of the course that is not in the set; false when there is none.
  bool firstMissing(unsigned char& key) const;

  bool operator==(const KeySet&) const = default;

 private:
  std::bitset<256> keys_;
};

// The course keys a text needs, as a mask over course positions: its
// characters' keys, and Shift for a capital. `complete` turns false when a
// character is no key of the course at all.
std::uint64_t courseMaskOf(std::string_view text, bool& complete);

// Keystrokes per course key, as the evaluation counts them: a capital is one
// stroke on its letter and one on Shift, every other character its
// countKeystrokes() on its own key. Adds the strokes of `text` to `perKey`
// times `weight` and returns their unweighted sum.
double addKeystrokes(std::string_view text, std::array<double, 256>& perKey, double weight = 1.0);

}  // namespace kv
