// "Schwächen üben": an exercise text made for one learner from the weakest
// keys and the mistyped words of the history, with words and sentences taken
// from the texts the program has.
#pragma once

#include <string>
#include <vector>

#include "history/history_store.h"

namespace kv {

inline constexpr std::size_t kDrillLineLength = 56;

struct DrillText {
  std::string title;               // Windows-1252, at most 32 characters
  std::vector<std::string> lines;  // Windows-1252; empty when nothing is weak yet
  std::string weakKeys;            // the characters practised, for the caption
};

// `corpus` is every line of the texts at hand (built-in and teacher's
// archives). The text has three parts: each mistyped word three times; words
// from the corpus that are rich in the weak keys; sentences from the corpus
// that contain them. Lines stay below kDrillLineLength characters.
DrillText buildDrill(const HistoryOverview& overview, const std::vector<std::string>& corpus);

}  // namespace kv
