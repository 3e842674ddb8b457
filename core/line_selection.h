#pragma once

#include <cstdint>

namespace kv {

enum class TextRepeatMode : std::int32_t { EachLine = 0, WholeText = 1 };

// Which lines of a text are exercised and how often. 1-based; a first line
// below 2 keeps from the start, a last line below 1 keeps to the end.
struct LineSelection {
  std::int32_t firstLine = -1;
  std::int32_t lastLine = -1;
  std::int32_t repeatMode = 0;  // a TextRepeatMode value; stored as written
  std::int32_t repetitions = 1;
};

}  // namespace kv
