// The place the learner must look at: the next character to type, and where
// the display shows it. Screen readers say it and magnifiers follow it, so
// it is worked out from what the learner typed, not from the pace.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"

namespace kv {

struct NextCharacter {
  enum class Kind { None, Character, LineEnd };
  Kind kind = Kind::None;
  unsigned char ch = 0;  // Windows-1252; the character when kind is Character
  int line = 0;          // in the text
  int column = 0;        // characters of that line typed before it
  int row = -1;          // row of the display that shows it; -1 when none does
};

// `typedLines` are the typing field's lines (the last one may be empty).
// `firstShownLine` is the template's first shown line, `runningLine` the line
// the running text reveals.
NextCharacter nextCharacter(const std::vector<std::string>& textLines, const std::vector<std::string>& typedLines,
                            ExerciseForm form, int firstShownLine, int runningLine);

// The character as it is read aloud (Windows-1252): "großes F", "Leerzeichen",
// "Komma", "Zeilenschaltung"; empty for None.
std::string spokenCharacter(const NextCharacter& next);

}  // namespace kv
