// Small helpers every part of the program shares: time texts, rounding and
// tick arithmetic. Portable; no window system here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// Seconds as hh:mm:ss; each field has at least two digits, hours are not capped.
std::string formatTimeText(std::int64_t seconds);

// Nearest integer, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4).
std::int64_t roundHalfEven(double value);

// The system's millisecond tick count wraps after 2^32 ms (49.7 days); a
// difference taken in unsigned 32-bit arithmetic stays right across the wrap.
constexpr std::uint32_t tickDiff(std::uint32_t later, std::uint32_t earlier) {
  return static_cast<std::uint32_t>(later - earlier);
}

// True when `tick` has reached `deadline`, judged modulo 2^32 (deadlines are
// never more than half the range ahead).
constexpr bool tickReached(std::uint32_t tick, std::uint32_t deadline) {
  return static_cast<std::int32_t>(tick - deadline) >= 0;
}

struct CalendarDate {
  int year = 1899;
  int month = 12;
  int day = 30;
  bool operator==(const CalendarDate&) const = default;
};

// Dates in stored files count whole days since 30 December 1899.
std::int32_t daysSince1899(const CalendarDate& date);
CalendarDate dateFromDays(std::int32_t days);

// The local calendar date; the one place that asks the system for today.
CalendarDate todayLocal();

// A text as part of a file name (Windows-1252): characters no Windows or
// Samba name may hold become readable stand-ins ("/" → "-", "?" → "_"),
// blanks and dots at the ends go.
std::string fileNamePart(std::string_view text);

}  // namespace kv
