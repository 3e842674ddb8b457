// What the teacher sees while a test runs: one row per learner of the list,
// with the state of their hand-in, the figures and the grade, and the files
// that belong to nobody or to another test. Every hand-in is evaluated again
// against the test's text; figures the file merely states are not believed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "classroom/class_scan.h"
#include "classroom/grade_key.h"
#include "classroom/result_check.h"
#include "exam/class_test.h"

namespace kv {

// Empty: handed in without a single keystroke (an exercise voided at once):
// in, so no further attempt, but nothing to grade.
enum class HandInState { Missing, HandedIn, Several, NotInList, OtherTest, FiguresWrong, Refused, Empty };

struct TestRow {
  std::string learner;     // Windows-1252
  std::int32_t seconds = 0;  // the learner's time
  bool ownTime = false;      // a Nachteilsausgleich
  HandInState state = HandInState::Missing;
  // "abgegeben 10:14", "fehlt", "2 Abgaben", "nicht in der Liste",
  // "leer abgegeben 10:14 (keine Anschläge)", …
  std::string statusText;
  std::optional<ClassResult> result;  // the hand-in shown (the first), if any
  int handIns = 0;
  std::optional<int> grade;  // by the key; none for no key or no valid hand-in
  std::string note;          // why the hand-in shown does not count (Windows-1252)
};

struct TestStatus {
  std::vector<TestRow> rows;  // the list's learners first, in its order, then the rest
  int listed = 0;
  int handedIn = 0;
  std::string countText() const;  // "24 von 27 abgegeben"
};

// The learners of the list who handed nothing in, in its order (for the
// class overview's OverviewInput::missingLearners), and the test's title,
// date and rules in one line (OverviewInput::testLine), Windows-1252.
std::vector<std::string> missingLearners(const TestStatus& status);
std::string testLine(const ClassTest& test);

// `scanned`: the hand-in folder as scanClass reads it; `key`: null for no grades.
TestStatus testStatus(const ClassTest& test, const std::vector<ClassResult>& scanned, const GradeKey* key);

// Evaluates the typed text of a hand-in again against the test's text by the
// program's rules, and compares title, form, correction, time, Anschläge
// and errors with what the file states. nullopt when it fits.
std::optional<std::string> testProblem(const ClassResult& result, const ClassTest& test,
                                       std::int32_t learnerSeconds);

// The status as text lines (Windows-1252, for kvtool) and as CSV (UTF-8,
// semicolons).
std::string testStatusText(const ClassTest& test, const TestStatus& status);
std::string testStatusCsv(const ClassTest& test, const TestStatus& status);

}  // namespace kv
