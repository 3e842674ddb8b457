// The layout check made before an exercise starts: the program knows only the
// German keyboard, and says so when another layout is active.
#pragma once

#include <windows.h>

#include <string_view>

namespace kv::win {

// True when the active layout is German, or when the user chose to go on
// despite the warning.
bool CheckKeyboardLayout(HWND owner);
// The same decision for a given identifier.
bool CheckKeyboardLayout(HWND owner, std::string_view layoutId);

// The warning on its own: Abort or Ignore; true for Ignore.
bool warnUnsupportedLayout(HWND owner);

}  // namespace kv::win
