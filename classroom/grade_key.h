// A teacher's grade key: the program's Fehlerprozent mapped to grades 1 to 6
// by five upper limits, lowered for Anschläge short of a minimum, with an
// optional allowance of free errors for speed. Kept as a small UTF-8 text
// file (documented in docs/Notenschluessel.md) that the teacher window and
// kvtool both read, so a school can share one key on its server.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class MinimumKind { None, Total, PerMinute };

struct GradeKey {
  std::string name;  // Windows-1252
  // Upper limits of the Fehlerquote for grades 1 to 5, each inclusive, in
  // thousandths of a percent (0,125 % is 125), so a limit compares exactly.
  std::array<std::int64_t, 5> limits{};

  MinimumKind minimumKind = MinimumKind::None;
  std::int64_t minimum = 0;       // Anschläge in total, or per minute
  std::int64_t step = 50;         // each step short lowers the grade by one
  std::int64_t maxSteps = 4;      // more steps short than this: 6
  std::int64_t reductionPercent = 0;  // Nachteilsausgleich: the minimum lowered by this share

  bool bonus = false;
  std::int64_t bonusFrom = 0;   // above this many Anschläge ...
  std::int64_t bonusEvery = 0;  // ... one error is free for every further this many

  bool operator==(const GradeKey&) const = default;
};

// Examples of common school practice to start from, not official rules.
std::vector<GradeKey> gradeKeyPresets();

// What the key needs of one result.
struct GradeInput {
  std::int64_t errors = 0;
  std::int64_t keystrokes = 0;
  std::int64_t seconds = 0;             // 0 when the file does not show the time
  std::int64_t keystrokesPerMinute = -1;  // -1 when the file does not show it
  bool impossible = false;              // "Auswertung nicht möglich"
};

// The grade 1 to 6; none for an impossible or voided evaluation or one
// without Anschläge, and none when a per-minute minimum cannot be judged.
std::optional<int> gradeOf(const GradeKey& key, const GradeInput& in);

// The text of a grade for lists and files: "1" … "6", or "–".
std::string gradeText(std::optional<int> grade);

struct GradeKeyError {
  int line = 0;         // 1-based; 0 for the file as a whole
  std::string message;  // German, Windows-1252, naming the line
};

// Reads the file's text (UTF-8, with or without byte-order mark).
std::optional<GradeKey> parseGradeKey(std::string_view utf8, GradeKeyError& error);
// Writes it in the same form, with its explanations; UTF-8.
std::string formatGradeKey(const GradeKey& key);

// Reads and checks a key file; nothing, with the German reason naming the
// file (and the line where the file is wrong), when it cannot be used.
std::optional<GradeKey> loadGradeKey(const std::filesystem::path& file, std::string& why);

// "0,125" for 125 thousandths; and back, with at most three decimals.
std::string limitText(std::int64_t thousandths);
std::optional<std::int64_t> parseLimit(std::string_view text);

}  // namespace kv
