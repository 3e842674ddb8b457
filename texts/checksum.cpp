#include "texts/checksum.h"

#include <array>

namespace kv {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
    table[i] = c;
  }
  return table;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint32_t stringChecksum(std::uint32_t seed, std::string_view text) {
  std::uint32_t value = seed == 0 ? 0xFFFFFFFFu : seed;
  for (char ch : text) {
    value = kTable[(value ^ static_cast<unsigned char>(ch)) & 0xFFu] ^ (value >> 8);
  }
  return value;
}

}  // namespace kv
