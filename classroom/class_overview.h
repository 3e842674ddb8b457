// The Klassenübersicht: one self-contained HTML page (inline SVG, print
// styles for A4, no outside files) with each learner's latest and best
// result, the distribution of grades, speed against errors, and, where the
// learners' Lernverlauf files lie in the folder, their speed over the days
// and the class's weakest keys. Every text from a learner's file is escaped.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "classroom/class_scan.h"
#include "core/common.h"
#include "classroom/grade_key.h"
#include "history/history_store.h"

namespace kv {

// One learner's Lernverlauf found in the class folder, read as untrusted.
struct LearnerHistory {
  std::string shownName;  // its folder, relative to the class folder (Windows-1252)
  bool readable = false;
  std::string refusal;    // why it was not read
  std::vector<HistoryPoint> points;
  std::array<KeyTally, 256> keys{};
};

// "Lernverlauf.sqlite" in the folder and in its subfolders one level down.
std::vector<LearnerHistory> readLearnerHistories(const std::filesystem::path& folder);

struct OverviewInput {
  std::string folderName;  // Windows-1252
  std::string madeOn;      // "08.12.2026"
  const GradeKey* key = nullptr;
  std::vector<ClassResult> results;
  std::vector<LearnerHistory> histories;
  // For a class test: its title, date and rules in one line, and the
  // learners of its list who handed nothing in (Windows-1252).
  std::string testLine;
  std::vector<std::string> missingLearners;
};

// The page, UTF-8.
std::string classOverviewHtml(const OverviewInput& in);

// The class the results name, when every one that names a class names the
// same (blanks at the ends aside); empty otherwise. Windows-1252.
std::string sharedClassName(const std::vector<ClassResult>& results);
// The name a save dialog offers for what the class's results become:
// "Klassenübersicht 8b 2026-12-09.html", without the class when there is
// none. Windows-1252; characters no file name may hold are stood in for.
std::string offeredFileName(std::string_view what, std::string_view className, const CalendarDate& day,
                            std::string_view extension);

// Text as HTML: the five characters that could start markup become entities.
std::string htmlText(std::string_view utf8);

// Steps of 1, 2, 2,5 or 5 × 10ⁿ that cover 0 to `top` in at most `most` steps.
double roundStep(double top, int most);

}  // namespace kv
