// "Schwächen üben": an exercise text made for one learner from the weakest
// keys and the mistyped words of the history, with words and sentences taken
// from the texts the program has.
#pragma once

#include <string>
#include <vector>

#include "history/history_store.h"

namespace kv {

inline constexpr std::size_t kDrillLineLength = 56;
// A drill is a real exercise, never a line or two.
inline constexpr std::size_t kDrillLinesAtLeast = 10;
// Fewer weak keys than this and the history is too short to judge keys.
inline constexpr std::size_t kEnoughWeakKeys = 3;

struct DrillText {
  std::string title;               // Windows-1252, at most 32 characters
  std::vector<std::string> lines;  // Windows-1252; empty when nothing is weak yet
  std::string weakKeys;            // the characters practised, for the caption
  // Too few keys missed more than once to judge: the drill took in the keys
  // missed most often so far, or else those practised most.
  bool tooLittleHistory = false;
};

// `corpus` is every line of the texts at hand (built-in and teacher's
// archives). The text has three parts: each mistyped word three times; words
// from the corpus that are rich in the weak keys; sentences from the corpus
// that contain them. Lines stay below kDrillLineLength characters; there are
// at least kDrillLinesAtLeast of them whenever there is anything to drill.
DrillText buildDrill(const HistoryOverview& overview, const std::vector<std::string>& corpus);

}  // namespace kv
