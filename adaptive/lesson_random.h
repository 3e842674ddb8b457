// The random source of the adaptive lessons: SplitMix64, small and the same
// on every compiler and standard library, so that a seed makes the same
// lesson on Linux and on Windows (std:: distributions differ between
// libraries).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

class LessonRandom {
 public:
  explicit LessonRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t mixed = state_;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ULL;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBULL;
    return mixed ^ (mixed >> 31);
  }
  // Uniform in [0, 1), from the top 53 bits.
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [0, bound); 0 for a bound of 0.
  std::size_t below(std::size_t bound) {
    return bound == 0 ? 0 : static_cast<std::size_t>(unit() * static_cast<double>(bound));
  }
  bool chance(double probability) { return unit() < probability; }

 private:
  std::uint64_t state_;
};

}  // namespace kv
