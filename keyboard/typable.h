// Characters that no key of the German keyboard types. A word processor puts
// them into texts unasked („ “ – …); the evaluation takes them like any other,
// but a learner cannot type them, so a teacher is warned and offered what the
// keyboard types in their place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Whether a key, or a dead key and a key, of the German keyboard makes it.
bool typableOnGermanKeyboard(unsigned char ch);

// Positions of the characters in a Windows-1252 line that cannot be typed.
std::vector<std::size_t> untypablePositions(std::string_view line);

// The line with the usual stand-ins: „ “ ” » « as ", ‚ ‘ ’ › ‹ as ', – — as -,
// … as ..., the non-breaking space as a space. Other characters stay.
std::string withKeyboardCharacters(std::string_view line);

}  // namespace kv
