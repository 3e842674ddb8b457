// "Adaptiv üben": a lesson made for one learner at the moment it is asked
// for, from the learner's own key figures. The keyboard opens key by key in
// the Grundkurs order: the next key once every open key has reached the
// learner's target. The lesson practises the focus key (the newest key while
// it is below target, else the weakest) and the other weak keys, in real
// German words of the open keys.
//
// Nothing is stored apart from the learning history: which keys are open is
// read from the records of the adaptive lessons themselves. After each lesson
// the caller records it like any exercise, with the lesson's title (it starts
// with kAdaptiveTitlePrefix), and passes all records it has, oldest first,
// to the next call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "adaptive/course_keys.h"
#include "adaptive/key_speed.h"
#include "adaptive/lesson_text.h"
#include "adaptive/word_bank.h"
#include "history/exercise_record.h"
#include "texts/text_model.h"

namespace kv {

// Every adaptive lesson's title starts with this; by it the records of
// adaptive lessons are told from the others.
inline constexpr std::string_view kAdaptiveTitlePrefix = "Adaptiv:";
// The forecast looks at the trend over at most this many recent adaptive
// lessons: the learner's progress of the last days, not of the first week.
inline constexpr std::size_t kTrendLessons = 8;
// A trend needs at least this many lessons with the key in them: two make a
// line, and a key new in the lesson before last has no more.
inline constexpr std::size_t kLeastTrendLessons = 2;
// The focus key and at most this many other weak keys are weighted; more
// keys weighted at once could not each come up three times as often.
inline constexpr std::size_t kMostOtherWeakKeys = 3;

struct AdaptiveSettings {
  int target = kDefaultTarget;  // Anschläge pro Minute, kLeastTarget..kMostTarget
  std::size_t lines = kLessonLines;
  // Same seed, same records, same lesson.
  std::uint64_t seed = 0;
  // The last line of the learner's previous adaptive lesson (Windows-1252),
  // so that the new one does not start with it; empty when there is none.
  std::string previousLine;
};

// One open key as the learner sees it after a lesson.
struct KeyProgress {
  unsigned char key = 0;  // course key; kShiftKey for the Shift key
  std::string name;       // Windows-1252: "a", "Leertaste", "Umschalttaste"
  double speed = 0.0;     // Anschläge pro Minute over the latest strokes; 0 untimed
  std::uint32_t strokes = 0;
  std::uint32_t missed = 0;
  double missRate = 0.0;  // 0..1
  bool reached = false;   // fast enough and seldom enough missed, over enough strokes
  bool weak = false;      // weighted in the lesson
};

struct AdaptiveProgress {
  int target = kDefaultTarget;
  std::vector<KeyProgress> keys;  // the open keys in course order
  unsigned char focus = 'a';
  bool hasNext = false;  // false once every key of the course is open
  unsigned char nextKey = 0;
  // Lessons until the next key opens, from the per-lesson trend of the keys
  // not yet reached over the recent adaptive lessons: of their speed, and of
  // their misses where those hold them back. Empty when it cannot be told:
  // fewer than two lessons with a key, or a trend the wrong way.
  std::optional<int> lessonsToNext;
};

struct AdaptiveLesson {
  std::string title;  // Windows-1252, at most 32 characters: "Adaptiv: Schwerpunkt e"
  std::vector<std::string> lines;  // Windows-1252, without line breaks
  KeySet open;
  AdaptiveProgress progress;  // as the lesson was made: what it practises
};

// The keys open for the next lesson: those of the latest adaptive lesson
// (the furthest key in course order its records needed; capitals needed open
// Shift), one more when all of them have reached the target now. Never fewer
// than the starting keys, never fewer than an earlier adaptive lesson had.
KeySet openKeys(std::span<const ExerciseRecord> records, const KeyFigures& figures, int target);

// The learner's state for the next lesson, without making it: for the window
// after a lesson and for the history window.
AdaptiveProgress adaptiveProgress(std::span<const ExerciseRecord> records, int target = kDefaultTarget);

// The next lesson for the learner whose records these are (oldest first; any
// exercises, adaptive or not, as many as the caller has).
AdaptiveLesson makeAdaptiveLesson(std::span<const ExerciseRecord> records, const AdaptiveSettings& settings,
                                  const WordBank& words = builtinWords());

// The same from key figures given directly, with exactly `open` open (as
// kvtool lesson --stats has them). No forecast: there is no trend to read.
AdaptiveLesson makeLessonFromFigures(const KeyFigures& figures, const KeySet& open,
                                     const AdaptiveSettings& settings, const WordBank& words = builtinWords());
AdaptiveProgress progressFromFigures(const KeyFigures& figures, const KeySet& open, int target);

// "Adaptiv: Schwerpunkt e" (Windows-1252, at most kTitleMax characters).
std::string adaptiveTitle(unsigned char focus);
bool isAdaptiveRecord(const ExerciseRecord& record);

}  // namespace kv
