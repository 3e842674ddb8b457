// Accented letters: typed with a dead key on the German keyboard, and folded
// when the evaluation asks whether two words are the same word.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Whether accented letters are shown as their two keystrokes: during a
// "Leuchttastei" exercise, or once the exercise window has reached loading
// its template lines.
bool deadKeyExpansionActive(int form, bool templateLoadingReached);

// Every letter the German layout types with a dead key becomes dead key then
// base letter (é -> ´ e); when `active` is false the text comes back as it is.
std::string ExpandDeadKeys(std::string_view text, bool active);

// Close enough to count as the same word: equal but for letter case (accented
// capitals folded), or differing by few characters for the word's length.
bool wordsSimilar(std::string_view templateWord, std::string_view typedWord);

}  // namespace kv
