#include "adaptive/course_keys.h"

#include <algorithm>

#include "texts/text_model.h"

namespace kv {
namespace {

constexpr unsigned char kSmallAUmlaut = 0xE4;
constexpr unsigned char kSmallOUmlaut = 0xF6;
constexpr unsigned char kSmallUUmlaut = 0xFC;
constexpr unsigned char kSharpS = 0xDF;
constexpr unsigned char kEuro = 0x80;
// Windows-1252 puts each capital umlaut 0x20 below its small letter.
constexpr unsigned char kCapitalOffset = 0x20;

constexpr unsigned char kCourseOrder[] = {
    'a', 's', 'd', 'f', 'j', 'k', 'l', kSmallOUmlaut, ' ',
    'g', 'h', 'e', 'i', 'r', 'u', 't', 'z', 'b', 'n', 'w', 'o', 'c', 'x', 'v', 'm', 'q', 'p', 'y',
    kShiftKey,
    kSmallAUmlaut, kSmallUUmlaut, kSharpS,
    ',', '.', '-', '?', '!', ':', ';', '"', '(', ')',
    '3', '4', '7', '8', '1', '2', '9', '0', '5', '6',
    '@', kEuro, '{', '}', '[', ']', '\\', '~', '|',
};

// Each character's place in the course order; kNoPosition for the others.
constexpr std::uint8_t kNoPosition = 0xFF;
const std::array<std::uint8_t, 256>& positionTable() {
  static_assert(std::size(kCourseOrder) < kNoPosition, "a course position fits a byte");
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> positions{};
    positions.fill(kNoPosition);
    for (std::size_t at = 0; at < std::size(kCourseOrder); ++at) {
      positions[kCourseOrder[at]] = static_cast<std::uint8_t>(at);
    }
    return positions;
  }();
  return table;
}

}  // namespace

std::span<const unsigned char> courseOrder() { return kCourseOrder; }

std::size_t coursePosition(unsigned char key) {
  const std::uint8_t position = positionTable()[key];
  return position == kNoPosition ? std::size(kCourseOrder) : position;
}

bool isCapitalLetter(unsigned char ch) {
  return (ch >= 'A' && ch <= 'Z') || ch == kSmallAUmlaut - kCapitalOffset ||
         ch == kSmallOUmlaut - kCapitalOffset || ch == kSmallUUmlaut - kCapitalOffset;
}

unsigned char smallLetter(unsigned char ch) {
  if (ch >= 'A' && ch <= 'Z') return static_cast<unsigned char>(ch - 'A' + 'a');
  if (isCapitalLetter(ch)) return static_cast<unsigned char>(ch + kCapitalOffset);
  return ch;
}

bool isLetterKey(unsigned char key) {
  return (key >= 'a' && key <= 'z') || key == kSmallAUmlaut || key == kSmallOUmlaut || key == kSmallUUmlaut ||
         key == kSharpS;
}

unsigned char capitalLetter(unsigned char ch) {
  const auto capital = static_cast<unsigned char>(ch - kCapitalOffset);
  return ch >= kCapitalOffset && isCapitalLetter(capital) && smallLetter(capital) == ch ? capital : ch;
}

std::string courseKeyName(unsigned char key) {
  if (key == ' ') return "Leertaste";
  if (key == kShiftKey) return "Umschalttaste";
  return std::string(1, static_cast<char>(key));
}

std::string courseKeyShortName(unsigned char key) {
  if (key == kShiftKey) return "Umschalt";
  return courseKeyName(key);
}

KeySet KeySet::firstOfCourse(std::size_t count) {
  KeySet set;
  for (std::size_t at = 0; at < std::min(count, std::size(kCourseOrder)); ++at) set.add(kCourseOrder[at]);
  return set;
}

bool KeySet::allows(unsigned char ch) const {
  if (isCapitalLetter(ch)) return has(kShiftKey) && has(smallLetter(ch));
  return ch != kShiftKey && has(ch);
}

bool KeySet::allowsAll(std::string_view text) const {
  return std::all_of(text.begin(), text.end(), [this](char ch) { return allows(static_cast<unsigned char>(ch)); });
}

std::vector<unsigned char> KeySet::inCourseOrder() const {
  std::vector<unsigned char> keys;
  for (const unsigned char key : kCourseOrder) {
    if (has(key)) keys.push_back(key);
  }
  return keys;
}

std::uint64_t KeySet::courseMask() const {
  std::uint64_t mask = 0;
  for (std::size_t at = 0; at < std::size(kCourseOrder); ++at) {
    if (has(kCourseOrder[at])) mask |= std::uint64_t{1} << at;
  }
  return mask;
}

std::uint64_t courseMaskOf(std::string_view text, bool& complete) {
  static_assert(std::size(kCourseOrder) <= 64, "a course mask has 64 bits");
  std::uint64_t mask = 0;
  for (const char c : text) {
    const auto ch = static_cast<unsigned char>(c);
    const bool capital = isCapitalLetter(ch);
    const std::size_t position = coursePosition(capital ? smallLetter(ch) : ch);
    if (position == std::size(kCourseOrder) || ch == kShiftKey) {
      complete = false;
      continue;
    }
    mask |= std::uint64_t{1} << position;
    if (capital) mask |= std::uint64_t{1} << coursePosition(kShiftKey);
  }
  return mask;
}

bool KeySet::firstMissing(unsigned char& key) const {
  for (const unsigned char candidate : kCourseOrder) {
    if (!has(candidate)) {
      key = candidate;
      return true;
    }
  }
  return false;
}

double addKeystrokes(std::string_view text, std::array<double, 256>& perKey, double weight) {
  double sum = 0.0;
  for (const char c : text) {
    const auto ch = static_cast<unsigned char>(c);
    if (isCapitalLetter(ch)) {
      perKey[smallLetter(ch)] += weight;
      perKey[kShiftKey] += weight;
      sum += 2.0;
    } else {
      const double strokes = countKeystrokes(ch);
      perKey[ch] += strokes * weight;
      sum += strokes;
    }
  }
  return sum;
}

}  // namespace kv
