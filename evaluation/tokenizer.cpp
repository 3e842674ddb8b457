#include "evaluation/tokenizer.h"

#include <algorithm>
#include <array>

namespace kv {
namespace {

enum CharClass : std::uint8_t { kWordChar = 0, kLineEnd = 1, kBlank = 2, kPunctuation = 3 };

// One look per character: the scan runs over every byte of both texts.
constexpr std::array<std::uint8_t, 256> kClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  classes['\r'] = kLineEnd;
  classes['\n'] = kLineEnd;
  classes[' '] = kBlank;
  for (unsigned char c : {'!', '(', ')', ',', '.', ':', ';', '?'}) classes[c] = kPunctuation;
  return classes;
}();

CharClass classOf(char c) { return static_cast<CharClass>(kClasses[static_cast<unsigned char>(c)]); }

}  // namespace

bool isTokenSeparator(char c) { return classOf(c) != kWordChar; }

TokenCursor::TokenCursor(std::string_view text, std::uint32_t& stepCounter)
    : text_(text), steps_(&stepCounter) {}

void TokenCursor::scanUpTo(std::size_t count) {
  const std::size_t size = text_.size();
  if (extents_.empty() && size > 0) extents_.reserve(size / 3 + 1);
  while (extents_.size() < count && scanned_ < size) {
    const std::size_t from = scanned_;
    std::size_t to = from + 1;
    Extent e{static_cast<std::uint32_t>(from), 1, TokenKind::OtherToken, false};
    const CharClass first = classOf(text_[from]);
    if (first == kLineEnd) {
      while (to < size && classOf(text_[to]) == kLineEnd) ++to;
      e.lineEnds = true;
    } else if (first == kWordChar) {
      while (to < size && classOf(text_[to]) == kWordChar) ++to;
    } else if (first == kPunctuation) {
      e.kind = TokenKind::Punctuation;
    }
    e.length = static_cast<std::uint32_t>(to - from);
    extents_.push_back(e);
    scanned_ = to;
  }
}

Token TokenCursor::move(std::int32_t index) {
  if (index < 1) return {};
  if (index == 1) index_ = 0;
  if (index < index_) {
    *steps_ += static_cast<std::uint32_t>(index_ - index);
    index_ = index;
    return tokenAt(index_);
  }
  scanUpTo(static_cast<std::size_t>(index));
  const auto reached = std::min(index, static_cast<std::int32_t>(extents_.size()));
  if (reached <= index_) return {};  // already on the last token
  *steps_ += static_cast<std::uint32_t>(reached - index_);
  index_ = reached;
  for (; highest_ < reached; ++highest_) {
    // A run of line ends counts as one character however long it is.
    const Extent& e = extents_[static_cast<std::size_t>(highest_)];
    if (!e.lineEnds && e.length > 1) ++words_;
  }
  return reached == index ? tokenAt(index_) : Token{};
}

}  // namespace kv
