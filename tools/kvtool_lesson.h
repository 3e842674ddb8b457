// kvtool lesson: an adaptive lesson ("Adaptiv üben") for a learner, from the
// learner's history or from key figures given as JSON, as the program would
// make it.
#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace kv::tool {

struct LessonOptions {
  std::string history;  // a Lernverlauf file, or empty
  std::string stats;    // a JSON file of key figures, or empty
  std::optional<int> target;
  std::size_t lines = 8;
  std::optional<std::uint64_t> seed;  // none: a new lesson each call
};

// Prints the lines (UTF-8), then "Tasten: …", "Schwerpunkt: …" and
// "Gesperrt: …". 1 with a German reason on `err` when an input is refused.
int runLesson(const LessonOptions& options, std::ostream& out, std::ostream& err);

void addLessonCommand(CLI::App& app);

}  // namespace kv::tool
