// Class lists as teachers have them: typed or pasted one name per line, or
// exported by the school's administration software as CSV or text, UTF-8 or
// Windows-1252, with or without a header line. A learner with more time has
// it in a column of its own or after the name ("Müller, Jonas; 12,5").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exam/class_test.h"

namespace kv {

inline constexpr std::size_t kLargestClassList = 10u * 1024u * 1024u;
inline constexpr std::size_t kMostClassListLines = 5000;

struct ClassListReading {
  std::vector<TestLearner> learners;  // in the list's order, doubles left out
  // One German line per line that was not understood: "Zeile 7: „…“ – reason".
  std::vector<std::string> notUnderstood;
  // Non-empty: the whole input was refused (too large, binary, too many lines).
  std::string refusal;
};

// `defaultSeconds`: the test's time, which a bare number after a name does
// not replace unless it differs.
ClassListReading readClassList(std::string_view bytes, std::int32_t defaultSeconds = 600);

// The list as the preparation dialog's field shows it again: one learner a
// line, "Müller, Jonas; 12,5" for a time of their own.
std::string classListText(const std::vector<TestLearner>& learners, std::int32_t defaultSeconds);

}  // namespace kv
