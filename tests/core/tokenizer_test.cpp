#include "evaluation/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

struct Expected {
  std::string text;
  TokenKind kind;
  std::int32_t start;
};

std::vector<Token> walkForward(std::string_view text) {
  std::uint32_t steps = 0;
  TokenCursor cursor(text, steps);
  std::vector<Token> tokens;
  for (std::int32_t i = 1;; ++i) {
    const Token t = cursor.fetch(i);
    if (!t.present()) break;
    tokens.push_back(t);
  }
  return tokens;
}

constexpr auto P = TokenKind::Punctuation;
constexpr auto O = TokenKind::OtherToken;

TEST(Tokenizer, SplitsWordsSeparatorsAndLineEnds) {
  const struct {
    std::string text;
    std::vector<Expected> tokens;
  } rows[] = {
      {"Er kam, sah.\r\n",
       {{"Er", O, 1}, {" ", O, 3}, {"kam", O, 4}, {",", P, 7}, {" ", O, 8}, {"sah", O, 9},
        {".", P, 12}, {" ", O, 13}}},
      // Any run of CR and LF is one space token; spaces stay one token each.
      {"a\r\n\r\n\nb", {{"a", O, 1}, {" ", O, 2}, {"b", O, 7}}},
      {"a  b", {{"a", O, 1}, {" ", O, 2}, {" ", O, 3}, {"b", O, 4}}},
      {"\n\r", {{" ", O, 1}}},
      // Hyphens, apostrophes, quotes and other bytes belong to the word.
      {"x-y 'z' \"q\" \xE4\xDF\t", {{"x-y", O, 1}, {" ", O, 4}, {"'z'", O, 5}, {" ", O, 8},
                                     {"\"q\"", O, 9}, {" ", O, 12}, {"\xE4\xDF\t", O, 13}}},
      {"(a)?!:;", {{"(", P, 1}, {"a", O, 2}, {")", P, 3}, {"?", P, 4}, {"!", P, 5},
                   {":", P, 6}, {";", P, 7}}},
      // A single character outside the punctuation set is an ordinary token.
      {"- &", {{"-", O, 1}, {" ", O, 2}, {"&", O, 3}}},
      {"", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    const std::vector<Token> tokens = walkForward(row.text);
    ASSERT_EQ(tokens.size(), row.tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      SCOPED_TRACE(i + 1);
      EXPECT_EQ(tokens[i].text, row.tokens[i].text);
      EXPECT_EQ(tokens[i].kind, row.tokens[i].kind);
      EXPECT_EQ(tokens[i].start, row.tokens[i].start);
    }
  }
}

TEST(Tokenizer, NoTokenOutsideTheText) {
  std::uint32_t steps = 0;
  const std::string text = "ab cd\r\n";
  TokenCursor cursor(text, steps);
  for (const std::int32_t index : {0, -1, -1000, 5, 6, 100, 0}) {
    SCOPED_TRACE(index);
    const Token t = cursor.fetch(index);
    EXPECT_FALSE(t.present());
    EXPECT_EQ(t.kind, TokenKind::NoToken);
    EXPECT_TRUE(t.text.empty());
    EXPECT_EQ(t.start, 0);
  }
  // The cursor stays usable after running off either end.
  EXPECT_EQ(cursor.fetch(4).text, " ");
  EXPECT_EQ(cursor.fetch(3).text, "cd");

  TokenCursor empty(std::string_view{}, steps);
  EXPECT_FALSE(empty.fetch(1).present());
  EXPECT_FALSE(empty.fetch(2).present());
}

TEST(Tokenizer, BackwardWalksAndJumpsGiveTheForwardTokens) {
  const std::string texts[] = {
      "Er kam, sah und siegte.\r\nDann (endlich) kam er heim!\r\n",
      "a\r\n\r\n\r\nb  c,,d\r\n",
      "\r\n",
      "x",
      "Wort,Wort.Wort?\r\n\n  \r\n!",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::PrintToString(text));
    const std::vector<Token> forward = walkForward(text);
    const auto count = static_cast<std::int32_t>(forward.size());
    auto check = [&](const Token& t, std::int32_t index) {
      SCOPED_TRACE(index);
      const Token& want = forward[static_cast<std::size_t>(index - 1)];
      EXPECT_EQ(t.text, want.text);
      EXPECT_EQ(t.kind, want.kind);
      EXPECT_EQ(t.start, want.start);
    };

    std::uint32_t steps = 0;
    TokenCursor cursor(text, steps);
    ASSERT_FALSE(cursor.fetch(count + 1).present());  // walks to the last token
    for (std::int32_t i = count; i >= 1; --i) check(cursor.fetch(i), i);

    // Jumps in both directions, landing on every index at least once.
    TokenCursor jumping(text, steps);
    for (std::int32_t i = 1; i <= count; ++i) {
      const std::int32_t far = count + 1 - i;
      check(jumping.fetch(far), far);
      check(jumping.fetch(i), i);
    }
  }
}

TEST(Tokenizer, NeighbouringFetchesCostOneSharedStep) {
  std::uint32_t steps = 0;
  const std::string a = "eins zwei drei\r\n";
  const std::string b = "vier\r\n";
  TokenCursor first(a, steps);
  TokenCursor second(b, steps);

  first.fetch(1);
  EXPECT_EQ(steps, 1u);
  first.fetch(1);  // the cached token costs nothing
  EXPECT_EQ(steps, 1u);
  first.fetch(2);
  first.fetch(3);
  EXPECT_EQ(steps, 3u);
  first.fetch(6);  // three moves forward
  EXPECT_EQ(steps, 6u);
  first.fetch(4);  // two back
  EXPECT_EQ(steps, 8u);
  first.fetch(1);  // back to the start in one move
  EXPECT_EQ(steps, 9u);
  second.fetch(2);  // the other cursor counts into the same counter
  EXPECT_EQ(steps, 11u);
  second.fetch(3);  // nothing there: the failed move is not counted
  second.fetch(50);
  EXPECT_EQ(steps, 11u);
}

TEST(Tokenizer, WordCountCountsEachLongTokenOnce) {
  std::uint32_t steps = 0;
  // Words of two or more characters: Er, kam, sah, Hans. Single letters,
  // punctuation, spaces and line ends do not count.
  const std::string text = "Er kam, sah a b c.\r\n\r\nHans\r\n";
  TokenCursor cursor(text, steps);
  cursor.fetch(3);
  EXPECT_EQ(cursor.wordCount(), 2u);
  EXPECT_EQ(cursor.highestIndex(), 3);
  cursor.fetch(1);
  cursor.fetch(3);  // walked again: not counted again
  EXPECT_EQ(cursor.wordCount(), 2u);
  cursor.fetch(100);
  EXPECT_EQ(cursor.wordCount(), 4u);
  EXPECT_EQ(cursor.highestIndex(), 16);
}

// A long text is scanned a stretch ahead of the walk. Whatever order the
// tokens are asked for in, they, the steps and the word count must be those
// of a walk token by token, across every stretch boundary and at the end.
TEST(Tokenizer, LongTextGivesTheSameTokensInAnyOrder) {
  std::string text;
  for (int k = 0; k < 900; ++k) text += (k % 7 == 0) ? "Wort, x\r\n" : "ab ";
  text += "Ende";
  const std::vector<Token> forward = walkForward(text);
  ASSERT_GT(forward.size(), 2000u);
  EXPECT_EQ(forward.back().text, "Ende");

  std::uint32_t walkSteps = 0;
  TokenCursor walk(text, walkSteps);
  for (std::size_t i = 1; i <= forward.size(); ++i) walk.fetch(static_cast<std::int32_t>(i));

  std::uint32_t steps = 0;
  TokenCursor jumping(text, steps);
  const auto last = static_cast<std::int32_t>(forward.size());
  // Straight to the end, then backwards over every token.
  EXPECT_EQ(jumping.fetch(last).text, "Ende");
  EXPECT_FALSE(jumping.fetch(last + 1).present());
  EXPECT_EQ(steps, walkSteps);
  EXPECT_EQ(jumping.wordCount(), walk.wordCount());
  for (std::int32_t i = last; i >= 1; --i) {
    const Token t = jumping.fetch(i);
    ASSERT_EQ(t.text, forward[static_cast<std::size_t>(i - 1)].text) << i;
    ASSERT_EQ(t.kind, forward[static_cast<std::size_t>(i - 1)].kind) << i;
    ASSERT_EQ(t.start, forward[static_cast<std::size_t>(i - 1)].start) << i;
  }
}

}  // namespace
}  // namespace kv
