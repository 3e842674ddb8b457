// The CRC-32 register update used for archive identifiers and for the seals of
// saved exercises. Deliberately without the final inversion of the usual CRC-32:
// stored identifiers and seals depend on exactly this value.
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

// A seed of 0 starts the register at 0xFFFFFFFF.
std::uint32_t stringChecksum(std::uint32_t seed, std::string_view text);

}  // namespace kv
