// The evaluation of a finished exercise: the typed text is compared token by
// token with the template, every deviation counts as one error, the wrong
// stretches are marked, and an evaluation that cannot be trusted is declared
// impossible (error count 255).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "evaluation/typed_exercise.h"

namespace kv {

// What the comparison needs to know about how the exercise ended.
struct ComparisonInputs {
  std::uint8_t form = 1;  // 1 Laufschrift, 2 Leuchttastei, 3 Textvorgabe, 4 Text von Vorlage
  std::int32_t pace = 0;  // forms 3 and 4: the time limit in minutes, below 1 = none
  bool timeLimitReached = false;
};

// The progress window's side of a comparison. The comparison runs on the
// user-interface thread, so it hands control to the window at fixed points.
// The defaults do nothing, which is all a run without a window needs.
class ComparisonProgress {
 public:
  virtual ~ComparisonProgress() = default;
  virtual void setPosition(std::int32_t position);
  // The position the bar shows when the comparison is over (the exercise
  // window sets it from the typed text; at least 1).
  virtual std::int32_t maximum() const;
  // Let pending window messages run, so the window stays painted.
  virtual void runPendingEvents();
};

// Compares exercise.typedText with exercise.templateText (both in the form the
// exercise window hands over: every line followed by CR LF) and fills
// errorCount, markCount, marks, wordCount, stoppedEarly, stopLine and
// stopColumn; inserts the marks into typedText when the evaluation is
// possible, decreases keystrokes by 1 (not below 0) and frees templateText.
void compareTexts(TypedExercise& exercise, const ComparisonInputs& inputs,
                  ComparisonProgress& progress);
void compareTexts(TypedExercise& exercise, const ComparisonInputs& inputs);

// Writes a mark byte before and after every marked stretch; a stretch that
// ends in a line end gets both bytes in front of it, so the line break stays
// where it was. Positions refer to the text without marks and must ascend;
// a mark outside the text or overlapping the previous one is left out.
void insertErrorMarks(std::string& typedText, std::span<const ErrorMark> marks);

}  // namespace kv
