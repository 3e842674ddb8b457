#include <windows.h>

#include "platform/win/strings.h"

namespace kv::win {

std::wstring widen(std::string_view cp1252) {
  const std::u16string u = cp1252ToUtf16(cp1252);
  return std::wstring(u.begin(), u.end());
}

std::wstring widenUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::optional<std::string> narrow(std::wstring_view wide, ConversionError* error) {
  const std::u16string u(wide.begin(), wide.end());
  return utf16ToCp1252(u, error);
}

std::string narrowLossy(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t cp = static_cast<char16_t>(wide[i]);
    const auto byte = codePointToCp1252(cp);
    out.push_back(byte ? static_cast<char>(*byte) : '?');
    // A surrogate pair is one character.
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) ++i;
  }
  return out;
}

std::wstring windowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

}  // namespace kv::win
