// Little-endian fields of the program's file formats, written and read byte
// by byte so no layout or alignment of the machine can leak into a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kv {

// `bytes` is any contiguous byte container (std::string, std::array, vector).
template <typename Bytes>
void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  using Byte = typename Bytes::value_type;
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<Byte>((value >> (8 * i)) & 0xFF);
}

inline std::uint32_t getLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = (value << 8) | bytes[at + i];
  return value;
}

}  // namespace kv
