#include "keyboard/dead_keys.h"
#include "keyboard/typable.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ExpandDeadKeys, AccentedLettersBecomeDeadKeyThenLetter) {
  EXPECT_EQ(ExpandDeadKeys("Caf\xE9", true), "Caf\xB4" "e");
  EXPECT_EQ(ExpandDeadKeys("\xC0\xC1\xC2", true), "`A\xB4" "A^A");
  EXPECT_EQ(ExpandDeadKeys("\xFD\xDD\xFB\xEC", true), "\xB4y\xB4Y^u`i");
  EXPECT_EQ(ExpandDeadKeys("\xDC" "bung \xE4\xF6\xFC\xDF", true), "\xDC" "bung \xE4\xF6\xFC\xDF");
  // Letters without a dead key on this layout stay as they are.
  EXPECT_EQ(ExpandDeadKeys("\xE7\xF1\xC3\xE3\xFF", true), "\xE7\xF1\xC3\xE3\xFF");
  EXPECT_EQ(ExpandDeadKeys("", true), "");
}

TEST(ExpandDeadKeys, EveryOneOfTheThirtyTwoLettersExpandsToTwo) {
  int expanded = 0;
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    const std::string out = ExpandDeadKeys(one, true);
    if (out.size() == 2) {
      ++expanded;
      EXPECT_TRUE(out[0] == '`' || out[0] == '\xB4' || out[0] == '^') << c;
    } else {
      EXPECT_EQ(out, one) << c;
    }
  }
  EXPECT_EQ(expanded, 32);
}

TEST(ExpandDeadKeys, OnlyWhenLitKeysOrTemplateLoading) {
  EXPECT_EQ(ExpandDeadKeys("Caf\xE9", false), "Caf\xE9");
  EXPECT_TRUE(deadKeyExpansionActive(2, false));
  EXPECT_FALSE(deadKeyExpansionActive(1, false));
  EXPECT_FALSE(deadKeyExpansionActive(3, false));
  EXPECT_TRUE(deadKeyExpansionActive(3, true));
}

TEST(WordsSimilar, RulesInOrder) {
  const struct {
    const char* templ;
    const char* typed;
    bool similar;
  } rows[] = {
      {"Haus", "haus", true},             // case folded
      {"\xC9T\xC9", "\xE9t\xE9", true},   // accented capitals folded
      {"Haus.", "Haus", false},           // template ends in punctuation
      {"Haus", "Haus,", false},           // typed ends in punctuation
      {"Haus", "", false},
      {"a", "a", false},                  // template too short
      {"Wort", "Wrot", true},             // transposition: d = 0
      {"ab", "cd", false},                // first and last differ
      {"ab", "ac", true},                 // d = 2 becomes 1
      {"Hand", "Hund", true},             // d = 2, n = 4
      {"Hand", "Hundx", false},           // d = 3 > 2
      {"Tisch", "Tasche", false},         // d = 3 > 2 (n = 5 rounds 2.5 to 2)
      {"Tisch", "Tische", true},          // d = 1
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.templ << " / " << row.typed);
    EXPECT_EQ(wordsSimilar(row.templ, row.typed), row.similar);
  }
}

TEST(WordsSimilar, LimitIsHalfTheLengthRoundedToEven) {
  // Each substituted letter costs two: one missing, one left over.
  EXPECT_TRUE(wordsSimilar("abc", "abx"));       // n=3 limit 2, d=2
  EXPECT_FALSE(wordsSimilar("abc", "axy"));      // d=4
  EXPECT_TRUE(wordsSimilar("abcde", "abxde"));   // n=5 limit 2 (2.5 -> 2), d=2
  EXPECT_FALSE(wordsSimilar("abcde", "abxye"));  // d=4
  EXPECT_TRUE(wordsSimilar("abcdefg", "abcdxyg"));   // n=7 limit 4, d=4
  EXPECT_FALSE(wordsSimilar("abcdefg", "axcdyzg"));  // d=6
  EXPECT_TRUE(wordsSimilar("abcdefghi", "abcdefgxy"));  // n=9 limit 4 (4.5 -> 4), d=4
  EXPECT_FALSE(wordsSimilar("abcdefghi", "abcdefxyz"));  // d=6
  // The typed word may contain a template letter in another place.
  EXPECT_TRUE(wordsSimilar("Nebel", "Neebl"));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// What a word processor puts into a text and no key types: named, and
// replaced by what the keyboard types when the teacher wants it.
TEST(TypableCharacters, WordProcessorCharactersAreFoundAndReplaced) {
  for (const unsigned char ch : {'a', 'Z', '7', ' ', '"', '\'', '-', '@', '\x80' /* € */, '\xE9' /* é */,
                                 '\xE2' /* â */, '\xDF' /* ß */, '\xB5' /* µ */, '\xB0' /* ° */}) {
    EXPECT_TRUE(typableOnGermanKeyboard(ch)) << static_cast<int>(ch);
  }
  for (const unsigned char ch : {'\x84' /* „ */, '\x93' /* “ */, '\x96' /* – */, '\x85' /* … */,
                                 '\xA0' /* nbsp */, '\xBB' /* » */, '\x92' /* ’ */}) {
    EXPECT_FALSE(typableOnGermanKeyboard(ch)) << static_cast<int>(ch);
  }
  const std::string line = w1252("„Hallo“ – sagte er… ’s geht");
  EXPECT_EQ(untypablePositions(line), (std::vector<std::size_t>{0, 6, 8, 18, 20}));
  EXPECT_EQ(withKeyboardCharacters(line), "\"Hallo\" - sagte er... 's geht");
  EXPECT_TRUE(untypablePositions(withKeyboardCharacters(line)).empty());
}

}  // namespace
}  // namespace kv
