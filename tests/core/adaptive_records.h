// Records of typed lessons for the adaptive-lesson tests: every character of
// the lines as needed once (a space for each line break), at a given
// interval and with a given key missed now and then.
#pragma once

#include <string>
#include <vector>

#include "adaptive/adaptive_lesson.h"
#include "history/exercise_record.h"

namespace kv::test {

struct TypingHabits {
  std::uint32_t ms = 300;          // interval for every key (200 Anschläge pro Minute)
  unsigned char slowKey = 0xFF;    // this key is typed at slowMs instead; 0xFF for none
  std::uint32_t slowMs = 2000;
  unsigned char missedKey = 0xFF;  // every missEvery-th stroke of it is missed
  std::uint32_t missEvery = 4;
};

inline ExerciseRecord typedRecord(const std::string& title, const std::vector<std::string>& lines,
                                  const TypingHabits& habits = {}) {
  ExerciseRecord record;
  record.title = title;
  for (std::size_t at = 0; at < lines.size(); ++at) {
    const std::string text = at + 1 < lines.size() ? lines[at] + ' ' : lines[at];
    for (const char c : text) {
      const auto ch = static_cast<unsigned char>(c);
      KeyTally& tally = record.keys[ch];
      ++tally.needed;
      const bool missed = courseKeyOf(ch) == habits.missedKey && tally.needed % habits.missEvery == 0;
      if (missed) {
        ++tally.missed;
        continue;
      }
      record.rhythm.add(ch, courseKeyOf(ch) == habits.slowKey ? habits.slowMs : habits.ms);
    }
  }
  return record;
}

// A lesson typed as the habits say, recorded under its own title.
inline ExerciseRecord typedLesson(const AdaptiveLesson& lesson, const TypingHabits& habits = {}) {
  return typedRecord(lesson.title, lesson.lines, habits);
}

// A record with `strokes` strokes of one character, all at `ms`.
inline ExerciseRecord strokesOf(unsigned char ch, std::uint32_t strokes, std::uint32_t ms, std::uint32_t missed = 0,
                                const std::string& title = "Text") {
  ExerciseRecord record;
  record.title = title;
  record.keys[ch].needed = strokes;
  record.keys[ch].missed = missed;
  for (std::uint32_t n = missed; n < strokes; ++n) record.rhythm.add(ch, ms);
  return record;
}

}  // namespace kv::test
