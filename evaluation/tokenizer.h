// Tokens of an exercise text as the evaluation sees them: words, single
// separators, and line ends that count as one space.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kv {

enum class TokenKind : std::uint8_t {
  NoToken = 0,      // the index lies before the first or beyond the last token
  Punctuation = 1,  // one of ! ( ) , . : ; ?
  OtherToken = 2,   // a word, the space token, or any other single character
};

struct Token {
  // Points into the cursor's text, or at a static " " for a run of line ends.
  std::string_view text;
  TokenKind kind = TokenKind::NoToken;
  std::int32_t start = 0;  // 1-based byte position in its text; 0 for NoToken

  bool present() const { return kind != TokenKind::NoToken; }
  bool isSpace() const { return text == " "; }
  // The token's length as a token: a run of line ends counts as one character.
  std::int32_t length() const { return static_cast<std::int32_t>(text.size()); }
};

namespace token_classes {

enum CharClass : std::uint8_t { kWordChar = 0, kLineEnd = 1, kBlank = 2, kPunctuation = 3 };

// One look per character: the scan runs over every byte of both texts, and
// the comparison asks for tokens far more often than there are tokens.
inline constexpr std::array<std::uint8_t, 256> kClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  classes['\r'] = kLineEnd;
  classes['\n'] = kLineEnd;
  classes[' '] = kBlank;
  for (unsigned char c : {'!', '(', ')', ',', '.', ':', ';', '?'}) classes[c] = kPunctuation;
  return classes;
}();

inline CharClass classOf(char c) {
  return static_cast<CharClass>(kClasses[static_cast<unsigned char>(c)]);
}

}  // namespace token_classes

// Line feed, carriage return, space and ! ( ) , . : ; ?
bool isTokenSeparator(char c);

// Walks one text token by token in either direction. Every step it takes is
// counted in a counter shared with the other cursor of the comparison, which
// decides when the user interface gets a chance to run. The tokens are found
// once, on the first walk over them, and remembered: the comparison goes
// back and forth over the same stretch all the time, and a step then costs
// no scanning, while the count of steps stays that of a token-by-token walk.
class TokenCursor {
 public:
  // `text` must outlive the cursor and every token it hands out.
  TokenCursor(std::string_view text, std::uint32_t& stepCounter);

  // Token `index` (1-based). Indices below 1 and beyond the last token give a
  // NoToken with empty text and leave the cursor where it was.
  Token fetch(std::int32_t index) {
    // Within the stretch walked before, the cursor just counts the steps a
    // walk would take: back to the first token it starts over, one step.
    if (index >= 1 && index <= highest_) {
      if (index != index_) {
        *steps_ += index == 1 ? 1u
                              : static_cast<std::uint32_t>(index > index_ ? index - index_
                                                                          : index_ - index);
        index_ = index;
      }
      return tokenAt(index);
    }
    return move(index);
  }

  // The highest index produced so far, and how many of the tokens up to it are
  // longer than one character (the typed words that set the error limit).
  std::int32_t highestIndex() const { return highest_; }
  std::uint32_t wordCount() const { return words_; }

 private:
  // Token `index` as it lies in the text; `index` is within the tokens found.
  Token tokenAt(std::int32_t index) const {
    using namespace token_classes;
    const auto i = static_cast<std::size_t>(index - 1);
    const std::uint32_t begin = starts_[i];
    const std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] : scanned_;
    const CharClass cls = classOf(text_[begin]);
    Token token;
    token.text = cls == kLineEnd ? std::string_view(" ") : text_.substr(begin, end - begin);
    token.kind = cls == kPunctuation ? TokenKind::Punctuation : TokenKind::OtherToken;
    token.start = static_cast<std::int32_t>(begin + 1);
    return token;
  }
  // Counts token `i` (0-based) among the words when it is one: longer than
  // one character, where a run of line ends counts as one however long.
  void countWord(std::int32_t i) {
    const auto k = static_cast<std::size_t>(i);
    const std::size_t end = k + 1 < starts_.size() ? starts_[k + 1] : scanned_;
    if (end - starts_[k] > 1 && token_classes::classOf(text_[starts_[k]]) != token_classes::kLineEnd) {
      ++words_;
    }
  }
  Token move(std::int32_t index);
  // Finds tokens until there are `count` of them or the text ends.
  void scanUpTo(std::size_t count);

  std::string_view text_;
  std::uint32_t* steps_;
  // Where each token found so far begins (0-based), in order; a token ends
  // where the next begins, the last where the scan stopped. Four bytes a
  // token: a long text has tens of thousands, and for a whole-process
  // evaluation touching fresh memory is the largest cost there is.
  std::vector<std::uint32_t> starts_;
  std::size_t scanned_ = 0;  // text before this position is in starts_
  std::int32_t index_ = 0;       // 0: before the first token
  std::int32_t highest_ = 0;
  std::uint32_t words_ = 0;
};

}  // namespace kv
