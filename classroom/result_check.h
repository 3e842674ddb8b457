// A saved exercise's figures are stated by the file, and its seal is a
// checksum anyone can recompute. What the file itself allows is checked
// here: the Anschläge it states must follow from the typed text it holds,
// and in a class test the errors and form must follow from the test's text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "classroom/class_scan.h"

namespace kv {

struct ClassTest;

// "Kennzahlen passen nicht zum geschriebenen Text" (Windows-1252).
std::string figuresMismatchText();

// The Anschläge the typed lines of a result list are worth by the program's
// own counting (the keyboard model's weights, a line end as one).
std::int64_t keystrokesOfTypedLines(const std::vector<std::string>& typedLines);

// Checks a result read from a class folder; nullopt when it fits, otherwise
// the reason shown in its status.
std::optional<std::string> figuresProblem(const ClassResult& result);

// Evaluates the typed text again against the test's text by the program's
// rules, and compares form, time, Anschläge and errors with what the file
// states. nullopt when it fits.
std::optional<std::string> testProblem(const ClassResult& result, const ClassTest& test,
                                       std::int32_t learnerSeconds);

}  // namespace kv
