// The boundary between the program's Windows-1252 texts and the wide API.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace kv::win {

std::wstring widen(std::string_view cp1252);
// Nothing when the text holds a character outside Windows-1252.
std::optional<std::string> narrow(std::wstring_view wide, ConversionError* error = nullptr);
// For texts from the system that may hold anything (paths, window texts):
// characters outside Windows-1252 become '?'.
std::string narrowLossy(std::wstring_view wide);

// UTF-8, for the few texts that may hold any character.
std::wstring widenUtf8(std::string_view utf8);

// Window text in and out, converted at the boundary.
std::wstring windowText(HWND window);

}  // namespace kv::win
