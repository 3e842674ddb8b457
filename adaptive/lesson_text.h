// The text of one adaptive lesson: lines of words that only the open keys
// type, in which the weak keys come up several times as often as in ordinary
// German text, and every open key at least once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "adaptive/course_keys.h"
#include "adaptive/word_bank.h"

namespace kv {

inline constexpr std::size_t kLessonLines = 8;
// As long as the lines of "Schwächen üben": they fit the exercise window.
inline constexpr std::size_t kLessonLineLength = 56;
// The most lines a lesson may be asked for.
inline constexpr std::size_t kMostLessonLines = 100;
// The weak keys are aimed at this many times their share of ordinary text,
// a little above the three times that are promised, since a lesson is short.
inline constexpr double kWeakKeyBoost = 3.5;
// ... yet at least this share (of characters), so that even a rare key has
// enough strokes in a lesson or two to be judged (some 13 of the 450) ...
inline constexpr double kLeastWeakShare = 0.03;
// The focus key at least this share: it is the one key the lesson is for,
// and a key far below target needs hundreds of strokes.
inline constexpr double kLeastFocusShare = 0.2;
// ... but at no more than this share of the keystrokes each: beyond it the
// words left are few and odd (and for the space bar or e, no words at all).
inline constexpr double kMostWeakShare = 0.4;
// Keys the word list never has (punctuation, digits, AltGr) are taken to make
// this share of ordinary text, about that of a comma in German prose.
inline constexpr double kSignShare = 0.01;

struct LessonRequest {
  KeySet open;
  // The keys to weight, the focus first.
  std::vector<unsigned char> weakKeys;
  std::size_t lines = kLessonLines;
  std::size_t lineLength = kLessonLineLength;
  // The last line of the lesson before, which the first line must not repeat.
  std::string previousLine;
  std::uint64_t seed = 0;
};

// Windows-1252 lines without line breaks, each at most request.lineLength
// characters; no line equals the one before it. Empty when the open keys
// type nothing (Shift alone).
std::vector<std::string> composeLesson(const LessonRequest& request, const WordBank& words = builtinWords());

// The share of keystrokes a weak key (or the focus key) is aimed at in a lesson.
double weakKeyGoal(unsigned char key, bool focus, const WordBank& words = builtinWords());

// Per course key, its share of the keystrokes of the lines (a space between
// lines, as the line break is typed too).
std::array<double, 256> keystrokeShares(const std::vector<std::string>& lines);

}  // namespace kv
