// A key's figures on the map of missed keys, in words: what its tooltip
// shows and what its accessible description says, so that no learner has to
// read them from the key's colour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/exercise_record.h"

namespace kv {

// Below this many strokes a key is left untinted: its rate would mean little.
inline constexpr std::uint32_t kKeyMapLeast = 5;

// The name a key goes by: the capital letter when the key has one (the
// learner sees "F" on the key, not "f"), else its first character.
// `chars` are the Windows-1252 characters typed on the key.
std::string keyMapName(const std::vector<unsigned char>& chars);

// "Taste F: 7-mal verfehlt bei 120 Anschlägen (5,8 %)", or that the key was
// practised too seldom or not at all. Windows-1252.
std::string keyMissFigure(const std::vector<unsigned char>& chars, const KeyTally& tally);

}  // namespace kv
