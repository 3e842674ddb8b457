// The layout check made before an exercise starts: the program knows only the
// German keyboard, and says so when another layout is active.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kv::win {

// The active layout's 8-character identifier, e.g. "00000407"; empty when the
// system does not tell.
std::string activeKeyboardLayoutId();

// True when the active layout is German, or when the user chose to go on
// despite the warning.
bool CheckKeyboardLayout(HWND owner);
// The same decision for a given identifier.
bool CheckKeyboardLayout(HWND owner, std::string_view layoutId);

// The warning on its own, after a beep: Abort or Ignore; true for Ignore.
bool warnUnsupportedLayout(HWND owner);

}  // namespace kv::win
