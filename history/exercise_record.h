// What the learning history keeps of one evaluated exercise: its figures,
// and per key how often it was needed and missed and what was typed instead,
// the time taken to reach it, and the words that were marked.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "evaluation/summary.h"
#include "evaluation/typed_exercise.h"
#include "session/key_rhythm.h"

namespace kv {

struct KeyTally {
  std::uint32_t needed = 0;  // times the template asked for the character
  std::uint32_t missed = 0;  // of those, typed wrong or left out
};

// One kind of slip within a marked word: `typed` 0 means the character was
// left out, `expected` 0 that a character was typed in addition.
struct Confusion {
  unsigned char expected = 0;
  unsigned char typed = 0;
  std::uint32_t count = 0;
  bool operator==(const Confusion&) const = default;
};

// A marked word (or a few words that ran together or apart) as the template
// has it and as it was typed; either may be empty.
struct WordSlip {
  std::string expected;  // Windows-1252
  std::string typed;
  bool operator==(const WordSlip&) const = default;
};

struct ExerciseRecord {
  // Names this exercise wherever it waits, so that one that was kept while
  // the history could not be written is added once, never twice.
  std::string token;
  std::string startedAt;  // local time, "JJJJ-MM-TT hh:mm:ss"
  int form = 1;
  std::int32_t pace = 0;  // keystrokes per minute or minutes, by form; 0 none
  bool correction = false;
  std::string title;    // Windows-1252
  std::string archive;  // Windows-1252
  std::int32_t firstLine = 0;  // the line range practised; 0 and 0: the whole text
  std::int32_t lastLine = 0;
  std::int64_t seconds = 0;
  std::uint32_t keystrokes = 0;
  std::int32_t errors = 0;
  std::int64_t keystrokesPerMinute = 0;
  bool hasErrorPercent = false;
  double errorPercent = 0.0;
  bool voided = false;      // nothing handed over to the evaluation
  bool impossible = false;  // "Auswertung nicht möglich"

  std::array<KeyTally, 256> keys{};
  KeyRhythm rhythm;
  std::vector<Confusion> confusions;  // ordered by expected, then typed
  std::vector<WordSlip> words;        // in the order of the text
};

// A new token: random, and unique however many programs record at once.
std::string newRecordToken();

// At most this many word slips are kept of one exercise.
inline constexpr std::size_t kMaxWordSlips = 200;

// Compares the template with the evaluated typed text word by word, and the
// characters of each word pair that the evaluation marked. `typedText` is
// the evaluated text with its mark bytes; `templateText` the template as it
// was handed to the evaluation. Fills keys, confusions and words.
void analyseSlips(std::string_view templateText, std::string_view typedText,
                  ExerciseRecord& record);

struct RecordInputs {
  std::string startedAt;
  int form = 1;
  std::int32_t pace = 0;
  bool correction = false;
  std::string title;
  std::string archive;
  std::int32_t firstLine = 0;
  std::int32_t lastLine = 0;
};

// The whole record of an exercise the comparison has just evaluated, before
// the summary frees its typed text.
ExerciseRecord buildExerciseRecord(const RecordInputs& in, const TypedExercise& evaluated,
                                   const SummaryFigures& figures, std::string_view templateText,
                                   const KeyRhythm& rhythm);

}  // namespace kv
