// Saved exercises of a made-up class, written by the program's own writer:
// the tests of the class scan, kvtool and the teacher window share them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

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

// A typed text (lines ending in CR LF) that the program counts as exactly
// `keystrokes` Anschläge: small letters and blanks are one each, a line end
// one, and the comparison takes one away. The figures check reads them back.
inline std::string typedTextWorth(std::uint32_t keystrokes) {
  static constexpr std::string_view kWords = "die idee zum bau eines hauses kam im winter und alle waren froh ";
  std::string text;
  std::size_t left = std::size_t{keystrokes} + 1;
  std::size_t at = 0;
  while (left > 0) {
    const std::size_t length = std::min<std::size_t>(left, 60) - 1;
    std::string line;
    for (std::size_t i = 0; i < length; ++i) line += kWords[at++ % kWords.size()];
    if (!line.empty() && line.front() == ' ') line.front() = 'a';
    if (!line.empty() && line.back() == ' ') line.back() = 'e';
    text += line + "\r\n";
    left -= length + 1;
  }
  return text;
}

// Writes one ".kvw" file as the result window saves it; false on failure.
inline bool writeHandedIn(const std::filesystem::path& file, const HandedIn& h) {
  TypedExercise ex;
  ex.typedText = typedTextWorth(h.keystrokes);
  const auto typedLines = static_cast<std::int32_t>(std::count(ex.typedText.begin(), ex.typedText.end(), '\n'));
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
  return static_cast<bool>(saveResultFile(cp1252OfPath(file), lines, ex, 60, typedLines));
}

}  // namespace kv::test
