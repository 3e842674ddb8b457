// What the exercise window hands to the evaluation, what the evaluation
// fills in, and what a saved exercise stores.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kv {

// A stretch of the typed text shown as wrong: 1-based byte positions in the
// typed text as it was before any mark byte was inserted.
struct ErrorMark {
  std::int32_t start = 0;
  std::int32_t end = 0;
  bool operator==(const ErrorMark&) const = default;
};

inline constexpr int kMaxMarks = 256;
// The error count that means "Auswertung nicht möglich"; every reader treats
// any count from kFirstImpossibleErrorCount upwards as impossible.
inline constexpr std::int32_t kEvaluationImpossible = 255;
inline constexpr std::int32_t kFirstImpossibleErrorCount = 250;
// Marks written around each marked stretch of the typed text.
inline constexpr char kMarkByte = '\x08';

struct TypedExercise {
  std::string typedText;     // Windows-1252, each line followed by CR LF
  std::string templateText;  // same form; cleared by the comparison
  std::int32_t typedLineCount = 0;
  std::uint32_t keystrokes = 0;
  std::int32_t errorCount = 0;
  std::int32_t markCount = 0;
  std::array<ErrorMark, kMaxMarks + 1> marks{};  // used from index 1
  std::uint32_t wordCount = 0;
  bool stoppedEarly = false;
  std::uint32_t stopLine = 0;
  std::uint32_t stopColumn = 0;
  std::array<std::uint8_t, 40> headerBlock{};
  std::uint32_t dateSeal = 0;
  std::uint32_t keySeal = 0;
  std::uint32_t summarySeal = 0;
};

constexpr bool evaluationImpossible(std::int32_t errorCount) {
  return errorCount >= kFirstImpossibleErrorCount;
}

}  // namespace kv
