// The decisions of the small windows around the main work: which picture to
// show at which screen density, what the result-options dialog allows and
// stores, how long the progress window stays, and the about window's lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace kv {

// Pictures come in four designs, for 100, 125, 150 and 175 % screens, and
// are magnified by whole multiples beyond that.
struct PictureChoice {
  int variant = 100;  // 100, 125, 150 or 175
  int magnification = 1;
  bool operator==(const PictureChoice&) const = default;
};
PictureChoice choosePicture(int ppi);

// Result-options dialog. The "no" choice of a pair is disabled when the
// exercise has already decided that flag.
bool exerciseTimeChoiceLocked(int form, std::int32_t pace, bool timeLimitReached);
bool keystrokesChoiceLocked(int form, std::int32_t pace);

// A learner line as stored: blanks and one pair of enclosing quotes off, then
// cut to 45 characters.
std::string cleanLearnerLine(std::string_view typed);

// What OK stores from the dialog's state.
ResultOptions resultOptionsFrom(std::string_view line1, std::string_view line2,
                                bool showExerciseTime, bool showKeystrokesPerMinute, int form,
                                std::int32_t pace);

// Progress window. The window stays at least this long so it is seen.
inline constexpr std::uint32_t kScanMinimumMs = 750;
inline constexpr std::uint32_t kEvaluationMinimumMs = 1000;
std::uint32_t progressMinimumMs(bool evaluating);
bool progressMinimumOver(std::uint32_t startTick, std::uint32_t now, bool evaluating);

// About window. The label texts of the design are formats: the version line
// takes a text and a number, the memory line a text. Only "%s", "%d" and "%%"
// are understood; anything else is copied as it stands.
std::string formatLabel(std::string_view format, std::string_view text, std::int64_t number = 0);

// The build number is what follows the last "." of the file version; 0 when
// that is no number.
std::int64_t buildNumber(std::string_view fileVersion);

// Whole number with a separator every three digits ("0," pattern).
std::string withThousands(std::uint64_t value, std::string_view separator);

// Kilobytes of physical memory from bytes.
std::uint64_t memoryKilobytes(std::uint64_t bytes);

}  // namespace kv
