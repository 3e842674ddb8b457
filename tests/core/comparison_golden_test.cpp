// The comparison's results over a few hundred generated exercises, held
// against the results stored in data/comparison_golden.inc. Any change to
// how the comparison counts, marks, stops or reports progress shows up here
// with the exercise it concerns. When a change is meant, run the tests with
// KV_GOLDEN_OUT=<file> to write the new results and wrap them in the .inc.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/core/comparison_cases.h"

namespace kv {
namespace {

constexpr std::string_view kExpected =
#include "tests/core/data/comparison_golden.inc"
    ;

constexpr std::uint32_t kCases = 400;

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(ComparisonGolden, GeneratedExercisesKeepTheirResults) {
  std::string actual;
  for (std::uint32_t n = 0; n < kCases; ++n) actual += golden::report(n) + "\n";
  if (const char* out = std::getenv("KV_GOLDEN_OUT")) std::ofstream(out, std::ios::binary) << actual;

  const std::vector<std::string> expected = linesOf(kExpected);
  const std::vector<std::string> got = linesOf(actual);
  ASSERT_EQ(got.size(), expected.size());
  int differences = 0;
  for (std::size_t i = 0; i < expected.size() && differences < 5; ++i) {
    if (got[i] != expected[i]) {
      ++differences;
      ADD_FAILURE() << "expected " << expected[i] << "\n     got " << got[i];
    }
  }
}

// The generated exercises must reach what they are there to check: clean
// runs, countable slips, impossible evaluations, texts typed on past the end
// and runs long enough to hand control to the window.
TEST(ComparisonGolden, TheCasesCoverTheInterestingResults) {
  int clean = 0, counted = 0, impossible = 0, stopped = 0, withEvents = 0;
  for (const std::string& line : linesOf(kExpected)) {
    clean += line.find(" e=0 ") != std::string::npos;
    impossible += line.find(" e=255 ") != std::string::npos;
    stopped += line.find(" stop=") != std::string::npos;
    withEvents += line.find(" ev=0 ") == std::string::npos;
  }
  counted = static_cast<int>(kCases) - clean - impossible;
  EXPECT_GE(clean, 40);
  EXPECT_GE(counted, 150);
  EXPECT_GE(impossible, 20);
  EXPECT_GE(stopped, 20);
  EXPECT_GE(withEvents, 5);
}

}  // namespace
}  // namespace kv
