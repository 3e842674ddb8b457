// The active keyboard layout, and the Abort-or-Ignore question the program
// asks when it is not one the program knows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kv::win {

// The active layout's 8-character identifier, e.g. "00000407"; empty when the
// system does not tell.
std::string activeKeyboardLayoutId();

// A warning after a beep, answered with Abort or Ignore; true for Ignore.
bool askAbortOrIgnore(HWND owner, const std::wstring& text, const std::wstring& caption);

}  // namespace kv::win
