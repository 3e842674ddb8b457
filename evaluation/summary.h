// The result list of an evaluated exercise: header, marked typed text and
// summary block, plus the seal values a saved exercise carries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/common.h"
#include "evaluation/typed_exercise.h"
#include "core/line_selection.h"

namespace kv {

// The result list is never shorter than this.
inline constexpr std::size_t kMinResultLines = 30;
// The typed text starts after this many header lines.
inline constexpr std::size_t kResultHeaderLines = 10;

struct SummaryInputs {
  int form = 1;
  std::int32_t pace = 0;
  bool correctionAllowed = false;
  std::string exerciseTitle;
  LineSelection selection;
  std::uint32_t startTick = 0;
  std::uint32_t endTick = 0;
  bool timeLimitReached = false;
  std::string learnerLine1;
  std::string learnerLine2;
  bool showExerciseTime = true;
  bool showKeystrokesPerMinute = true;
  std::uint32_t injectedKeys = 0;
  std::uint32_t physicalKeys = 0;
  std::int32_t longestLine = 0;  // longest typed line + 1
  CalendarDate today;
};

// Label n of the summary block, padded with blanks to 14 characters; empty
// for numbers without a label.
std::string label(int n);
std::string formatDuration(std::int64_t seconds);

// The seals that tie a saved result to its date, keystrokes and length.
std::uint32_t computeDateSeal(const CalendarDate& date);
std::uint32_t computeKeySeal(std::uint32_t dateSeal, std::uint32_t keystrokes,
                             std::size_t textLength);
std::uint32_t computeSummarySeal(std::uint32_t dateSeal, std::uint32_t keySeal);
// stringChecksum(stringChecksum(0, identification), "(mit Korrekturmöglichkeit)").
std::uint32_t productSealBase(std::string_view identification);

// The figures of the summary block as numbers, computed as the block shows
// them: the exercise time in whole seconds (capped at a time limit, at least
// one second once anything was typed), keystrokes per minute, and the error
// percentage where there is one.
struct SummaryFigures {
  std::int64_t seconds = 0;
  std::int64_t keystrokesPerMinute = 0;
  bool hasErrorPercent = false;  // not for an impossible, stopped or empty evaluation
  double errorPercent = 0.0;
};
SummaryFigures summaryFigures(const TypedExercise& exercise, const SummaryInputs& in);

// Builds the result list from the evaluated record and fills its seal values
// (dateSeal, keySeal, summarySeal, and in the header block the sealed date at
// offset 12 and the product seal at offset 28). Frees the typed text.
std::vector<std::string> buildSummary(TypedExercise& exercise, const SummaryInputs& in);

// The hint that only part of the text was compared, before wrapping.
std::string lineSelectionNote(const LineSelection& selection);
// Breaks a text at blanks into lines of at most `width` characters.
std::vector<std::string> wrapNote(std::string note, std::int32_t width);

}  // namespace kv
