// A saved exercise's figures are stated by the file, and its seal is a
// checksum anyone can recompute. What the file itself allows is checked
// here: the Anschläge it states must follow from the typed text it holds,
// and where a test asked for a text, the errors and form must follow from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "classroom/class_scan.h"

namespace kv {

// "Kennzahlen passen nicht zum geschriebenen Text" (Windows-1252).
std::string figuresMismatchText();

// The Anschläge the typed lines of a result list are worth by the program's
// own counting (the keyboard model's weights, a line end as one).
std::int64_t keystrokesOfTypedLines(const std::vector<std::string>& typedLines);

// Checks a result read from a class folder; nullopt when it fits, otherwise
// the reason shown in its status.
std::optional<std::string> figuresProblem(const ClassResult& result);

// What a class test asked for, as far as a result file can show it.
struct ExpectedExercise {
  std::string title;               // Windows-1252
  std::vector<std::string> lines;  // the text, Windows-1252
  int form = 4;
  std::int32_t seconds = 600;  // the learner's time limit
  bool correctionAllowed = true;
};

// Evaluates the typed text again against the expected text by the program's
// rules, and compares title, form, correction, time, Anschläge and errors
// with what the file states. nullopt when it fits. (exam/test_status.h has
// the same for a ClassTest.)
std::optional<std::string> exerciseProblem(const ClassResult& result, const ExpectedExercise& expected);

}  // namespace kv
