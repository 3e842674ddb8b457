// A learner's figures per course key, taken from the learning history: how
// often the key was needed and missed lately and how long it took to reach,
// and from that its speed and whether it has reached the learner's target.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "adaptive/course_keys.h"
#include "history/exercise_record.h"

namespace kv {

// A key is judged over about this many of its latest strokes: enough that a
// single slip weighs 2 %, recent enough that progress shows within a lesson
// or two.
inline constexpr std::uint32_t kJudgedStrokes = 50;
// Below this many strokes a key is not judged at all: one miss in fewer
// strokes would be more than the allowed miss rate.
inline constexpr std::uint32_t kLeastStrokes = 20;
// At most this share of a key's strokes may be missed: "a few percent", the
// usual bar in German typing lessons, and one miss in kLeastStrokes.
inline constexpr double kMostMissRate = 0.05;
// Anschläge pro Minute a key must reach unless the learner sets another.
inline constexpr int kDefaultTarget = 100;
// The range a learner may set, so that no absurd target stops the course.
inline constexpr int kLeastTarget = 10;
inline constexpr int kMostTarget = 1000;
// Mean intervals outside this range are no measurement but a damaged
// record: faster than 20 ms is no human, and the exercise leaves out pauses
// longer than kLongestKeyInterval anyway.
inline constexpr double kFastestKeyMs = 20.0;

// At most this many of the latest records are read: a key not typed 50
// times in them is judged on what they hold. Keeps a lesson quick with a
// history of ten thousand exercises.
inline constexpr std::size_t kMostReadRecords = 500;

struct KeyFigure {
  std::uint32_t strokes = 0;  // times the key was needed
  std::uint32_t missed = 0;   // of those, missed
  std::uint32_t timed = 0;    // strokes with a measured interval
  double meanMs = 0.0;        // mean time to reach the key; 0 while untimed
};

// Indexed by course key (kShiftKey for the capitals).
using KeyFigures = std::array<KeyFigure, 256>;

// Each key over its latest strokes: the records are walked back from the
// newest (they come oldest first) until the key has kJudgedStrokes. Capitals
// count for Shift alone. Records with absurd values are taken for what is sane in
// them: intervals out of range are left out, misses beyond the strokes cut.
KeyFigures figuresFromRecords(std::span<const ExerciseRecord> records);
// The figures of one record alone, for the trend from lesson to lesson.
KeyFigures figuresOfRecord(const ExerciseRecord& record);

// Anschläge pro Minute on the key; 0 while untimed. A capital is two strokes.
double keySpeed(unsigned char key, const KeyFigure& figure);
double missRate(const KeyFigure& figure);
// Fast enough, seldom missed, over enough strokes to say so.
bool keyReached(unsigned char key, const KeyFigure& figure, int target);
// How near the key is to the target: the lower of speed / target and
// kMostMissRate / miss rate, so 1 or more is reached on both counts and an
// untimed key is 0.
double keyStrength(unsigned char key, const KeyFigure& figure, int target);

}  // namespace kv
