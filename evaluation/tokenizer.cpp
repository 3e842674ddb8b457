#include "evaluation/tokenizer.h"

#include <algorithm>

namespace kv {
using namespace token_classes;

bool isTokenSeparator(char c) { return classOf(c) != kWordChar; }

TokenCursor::TokenCursor(std::string_view text, std::uint32_t& stepCounter)
    : text_(text), steps_(&stepCounter) {}

void TokenCursor::scanUpTo(std::size_t count) {
  const std::size_t size = text_.size();
  // A text has at most one token per byte. Reserving that much costs address
  // space only; growing instead would copy the list and touch twice the pages.
  if (starts_.empty() && size > 0) starts_.reserve(size);
  // The comparison walks forward one token at a time; scanning a stretch
  // ahead keeps the cost of a step off the scan's entry and exit.
  constexpr std::size_t kScanAhead = 512;
  count = std::max(count, starts_.size() + kScanAhead);
  while (starts_.size() < count && scanned_ < size) {
    const std::size_t from = scanned_;
    std::size_t to = from + 1;
    const CharClass first = classOf(text_[from]);
    if (first == kLineEnd || first == kWordChar) {
      while (to < size && classOf(text_[to]) == first) ++to;
    }
    starts_.push_back(static_cast<std::uint32_t>(from));
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
  if (static_cast<std::size_t>(index) > starts_.size()) scanUpTo(static_cast<std::size_t>(index));
  const auto reached = std::min(index, static_cast<std::int32_t>(starts_.size()));
  if (reached <= index_) return {};  // already on the last token
  *steps_ += static_cast<std::uint32_t>(reached - index_);
  index_ = reached;
  for (; highest_ < reached; ++highest_) countWord(highest_);
  return reached == index ? tokenAt(index_) : Token{};
}

}  // namespace kv
