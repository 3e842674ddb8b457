#include "evaluation/tokenizer.h"

namespace kv {
namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

bool isPunctuation(char c) {
  switch (c) {
    case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool isTokenSeparator(char c) { return isLineEnd(c) || c == ' ' || isPunctuation(c); }

TokenCursor::TokenCursor(std::string_view text, std::uint32_t& stepCounter)
    : text_(text), steps_(&stepCounter) {}

Token TokenCursor::fetch(std::int32_t index) {
  if (index < 1) return {};
  if (index == index_) return current();
  if (index == 1) {
    index_ = 0;
    begin_ = end_ = 0;
  }
  while (index_ < index) {
    if (!stepForward()) return {};
  }
  while (index_ > index) {
    stepBackward();  // cannot fail: index_ > index >= 1
  }
  return current();
}

bool TokenCursor::stepForward() {
  const std::size_t from = index_ == 0 ? 0 : end_;
  if (from >= text_.size()) return false;
  std::size_t to = from + 1;
  const char first = text_[from];
  if (isLineEnd(first)) {
    while (to < text_.size() && isLineEnd(text_[to])) ++to;
  } else if (!isTokenSeparator(first)) {
    while (to < text_.size() && !isTokenSeparator(text_[to])) ++to;
  }
  begin_ = from;
  end_ = to;
  ++index_;
  arrived();
  return true;
}

// The mirror image of stepForward: the runs a token is made of are maximal,
// so reading them from their right end finds the same boundaries.
bool TokenCursor::stepBackward() {
  if (index_ <= 1) return false;
  const std::size_t to = begin_;
  std::size_t from = to - 1;
  const char last = text_[from];
  if (isLineEnd(last)) {
    while (from > 0 && isLineEnd(text_[from - 1])) --from;
  } else if (!isTokenSeparator(last)) {
    while (from > 0 && !isTokenSeparator(text_[from - 1])) --from;
  }
  begin_ = from;
  end_ = to;
  --index_;
  arrived();
  return true;
}

void TokenCursor::arrived() {
  ++*steps_;
  if (index_ > highest_) {
    highest_ = index_;
    if (current().length() > 1) ++words_;
  }
}

Token TokenCursor::current() const {
  if (index_ < 1) return {};
  Token token;
  token.start = static_cast<std::int32_t>(begin_ + 1);
  const char first = text_[begin_];
  if (isLineEnd(first)) {
    token.text = " ";
    token.kind = TokenKind::OtherToken;
  } else {
    token.text = text_.substr(begin_, end_ - begin_);
    token.kind = end_ - begin_ == 1 && isPunctuation(first) ? TokenKind::Punctuation
                                                             : TokenKind::OtherToken;
  }
  return token;
}

}  // namespace kv
