// How long the learner took to reach each character: the time from the
// previous keystroke, per typed character, kept as a running mean and spread
// so that a long exercise needs no list of every key event.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace kv {

struct RhythmStat {
  std::uint32_t count = 0;
  double meanMs = 0.0;
  double m2 = 0.0;  // sum of squared deviations from the mean (Welford)

  void add(double ms) {
    ++count;
    const double delta = ms - meanMs;
    meanMs += delta / count;
    m2 += delta * (ms - meanMs);
  }
  // The standard deviation; 0 below two samples.
  double spreadMs() const { return count > 1 ? std::sqrt(m2 / (count - 1)) : 0.0; }
  // Two tallies as one, as if every sample had been added to one of them.
  void merge(const RhythmStat& other) {
    if (other.count == 0) return;
    if (count == 0) {
      *this = other;
      return;
    }
    const double total = static_cast<double>(count) + other.count;
    const double delta = other.meanMs - meanMs;
    m2 += other.m2 + delta * delta * count * other.count / total;
    meanMs += delta * other.count / total;
    count += other.count;
  }
};

// A pause longer than this is thinking or reading, not finding the key.
inline constexpr std::uint32_t kLongestKeyInterval = 2000;

struct KeyRhythm {
  std::array<RhythmStat, 256> chars{};
  void add(unsigned char ch, std::uint32_t ms) { chars[ch].add(static_cast<double>(ms)); }
  void clear() { chars = {}; }
};

}  // namespace kv
