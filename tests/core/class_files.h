// Saved exercises of a made-up class, written by the program's own writer:
// the tests of the class scan, kvtool and the teacher window share them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "platform/encoding.h"
#include "platform/file_io.h"

namespace kv::test {

struct HandedIn {
  std::string name;   // learner line 1, UTF-8
  std::string klass;  // learner line 2, UTF-8
  std::uint32_t keystrokes = 1500;
  std::uint32_t errors = 3;
  std::int64_t seconds = 600;
  int form = 4;
  int day = 1;
  bool impossible = false;
};

// Writes one ".kvw" file as the result window saves it; false on failure.
inline bool writeHandedIn(const std::filesystem::path& file, const HandedIn& h) {
  TypedExercise ex;
  ex.typedText = "Die Idee zum Bau eines Hauses\r\nkam im Winter.\r\n";
  ex.keystrokes = h.keystrokes;
  ex.errorCount = h.impossible ? 255 : h.errors;
  SummaryInputs in;
  in.form = h.form;
  in.exerciseTitle = w1252("Abschrift Klassenarbeit");
  in.learnerLine1 = *utf8ToCp1252(h.name);
  in.learnerLine2 = *utf8ToCp1252(h.klass);
  in.endTick = static_cast<std::uint32_t>(h.seconds * 1000);
  in.today = {2026, 12, h.day};
  const auto lines = buildSummary(ex, in);
  std::filesystem::create_directories(file.parent_path());
  return static_cast<bool>(saveResultFile(cp1252OfPath(file), lines, ex, 40, 2));
}

}  // namespace kv::test
