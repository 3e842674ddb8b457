#include "core/common.h"

#include <cmath>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace kv {

std::string formatTimeText(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t h = seconds / 3600;
  const std::int64_t m = (seconds / 60) % 60;
  const std::int64_t s = seconds % 60;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(h),
                static_cast<long long>(m), static_cast<long long>(s));
  return buf;
}

std::int64_t roundHalfEven(double value) {
  // nearbyint honours the current rounding mode, which is round-to-nearest-even
  // unless someone changed it; do it by hand so the result never depends on that.
  const double floorValue = std::floor(value);
  const double frac = value - floorValue;
  auto result = static_cast<std::int64_t>(floorValue);
  if (frac > 0.5) {
    ++result;
  } else if (frac == 0.5) {
    if (result % 2 != 0) ++result;
  }
  return result;
}

namespace {
constexpr std::chrono::sys_days kEpoch =
    std::chrono::year{1899} / std::chrono::December / std::chrono::day{30};
}

std::int32_t daysSince1899(const CalendarDate& date) {
  const std::chrono::sys_days d = std::chrono::year{date.year} /
                                  std::chrono::month{static_cast<unsigned>(date.month)} /
                                  std::chrono::day{static_cast<unsigned>(date.day)};
  return static_cast<std::int32_t>((d - kEpoch).count());
}

CalendarDate dateFromDays(std::int32_t days) {
  const std::chrono::year_month_day ymd{kEpoch + std::chrono::days{days}};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

CalendarDate todayLocal() {
  const std::time_t now = std::time(nullptr);
  // The program has one thread, so the shared buffer of localtime is safe here.
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {};
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
}

std::string fileNamePart(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    switch (c) {
      case '/': case '\\': case ':': case '|': out += '-'; break;
      case '*': case '?': out += '_'; break;
      case '"': out += '\''; break;
      case '<': out += '('; break;
      case '>': out += ')'; break;
      default: out += (b < 32 || b == 127) ? '_' : c;
    }
  }
  const auto edge = [](char c) { return c == ' ' || c == '.' || static_cast<unsigned char>(c) == 0xA0; };
  while (!out.empty() && edge(out.back())) out.pop_back();
  std::size_t front = 0;
  while (front < out.size() && edge(out[front])) ++front;
  return out.substr(front);
}

}  // namespace kv
