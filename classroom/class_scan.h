// The saved exercises a class handed in: every ".kvw" file of a folder and of
// its subfolders one level down (one folder per learner is common), read as
// the program reads a saved exercise, with the figures taken back from its
// summary lines. A file that is refused stays in the list with its reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "classroom/grade_key.h"
#include "core/common.h"
#include "history/history_views.h"

namespace kv {

struct ClassResult {
  std::filesystem::path file;
  std::string shownName;  // relative to the class folder, Windows-1252
  bool valid = false;
  bool compatibility = false;  // written by Klavento 5.0
  std::string status;          // "gültig", or the reason it was refused
  std::string refusedMessage;  // the program's own sentence for a refused file
  std::string errorText;       // the error line as the file shows it
  std::string line1, line2;    // the learner's two free lines: name and class
  CalendarDate date;
  std::string form;  // as the file shows it, with its pace
  std::string text;
  std::int64_t seconds = -1;  // -1: the file does not show the time
  std::int64_t keystrokes = 0;
  std::int64_t errors = 0;
  bool impossible = false;  // "Auswertung nicht möglich"
  std::int64_t keystrokesPerMinute = -1;  // -1: not shown
  // The typed text as the file holds it, one entry a line, mark bytes
  // removed: what the figures must follow from.
  std::vector<std::string> typedLines;
  bool correctionAllowed = false;  // the Anschläge line says "mit Korrekturmöglichkeit"
  // False when the stated figures do not follow from the typed text; such a
  // file stays in the list but is never graded.
  bool figuresFit = true;

  bool voided() const { return valid && keystrokes == 0; }
  // Read, sealed and with figures that follow from its text: worth a grade.
  bool gradable() const { return valid && figuresFit; }
  // The program's Fehlerprozent; none where it shows none.
  std::optional<double> errorPercent() const;
  GradeInput gradeInput() const;
};

// The files, sorted by their name within the folder.
std::vector<std::filesystem::path> classFiles(const std::filesystem::path& folder);

ClassResult readClassResult(const std::filesystem::path& file, const std::filesystem::path& folder);

// Reads them all; `progress(done, total)` is asked after each file and ends
// the scan early when it answers false (the list then holds what was read).
std::vector<ClassResult> scanClass(const std::filesystem::path& folder,
                                   const std::function<bool(std::size_t, std::size_t)>& progress = {});

// The CSV of "kvtool result check --csv" and the teacher window: UTF-8,
// semicolons; the columns of earlier versions first, then the figures as
// plain numbers (decimal comma) and the grade.
std::string classCsv(const std::vector<ClassResult>& results, const GradeKey* key);

// "1,250" for 1.25: the German decimal comma, `decimals` places.
std::string decimalComma(double value, int decimals);

}  // namespace kv
