// kvtool lesson --stats: a learner's key figures as JSON, read as untrusted
// input. Apart from the command so that the fuzz target reaches it alone.
//
//   {"target": 150, "keys": {"e": {"count": 120, "missed": 3, "meanMs": 420}, " ": {...}}}
//
// Exactly the keys named are open; " " names the space bar, a capital letter
// opens Shift (its figures are Shift's).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "adaptive/course_keys.h"
#include "adaptive/key_speed.h"

namespace kv::tool {

// A file of key figures is small; anything larger is no such file.
inline constexpr std::size_t kMostStatsBytes = 1024 * 1024;
// No learner has typed a key more often than this.
inline constexpr std::uint64_t kMostKeyCount = 100000000;
// A mean interval beyond a minute is no typing.
inline constexpr double kSlowestMeanMs = 60000.0;

struct LessonStats {
  std::optional<int> target;
  KeyFigures figures{};
  KeySet open;
};

// False with a German sentence (UTF-8) in `error` when the text is no valid
// JSON, has a field that is unknown or of the wrong type, a number out of
// range, or names a character that is no key of the course.
bool readLessonStats(std::string_view json, LessonStats& stats, std::string& error);

}  // namespace kv::tool
