// Small helpers the class test preparation's source files share.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exam/class_list.h"
#include "platform/win/strings.h"

namespace kv::test_preparation {

inline constexpr int kDefaultMinutes = 10;

// Lines a message names before it counts the rest.
inline constexpr std::size_t kNamedLines = 12;

// "12,5" or "10": minutes with a decimal comma (or point); nothing otherwise.
inline std::optional<std::int32_t> secondsOfMinutes(const std::wstring& text) {
  std::wstring t = text;
  while (!t.empty() && t.back() == L' ') t.pop_back();
  while (!t.empty() && t.front() == L' ') t.erase(0, 1);
  if (t.empty() || t.size() > 8) return std::nullopt;
  std::int64_t whole = 0, fraction = 0, scale = 1;
  bool afterComma = false;
  for (const wchar_t c : t) {
    if ((c == L',' || c == L'.') && !afterComma) {
      afterComma = true;
    } else if (c >= L'0' && c <= L'9') {
      if (afterComma) {
        fraction = fraction * 10 + (c - L'0');
        scale *= 10;
      } else {
        whole = whole * 10 + (c - L'0');
      }
    } else {
      return std::nullopt;
    }
  }
  return static_cast<std::int32_t>(whole * 60 + (fraction * 60 + scale / 2) / scale);
}

inline std::string utf8Of(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(0, size)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// The list field's names as the class list reader takes them.
inline ClassListReading readField(const std::wstring& text, std::int32_t seconds) {
  return readClassList("\xEF\xBB\xBF" + utf8Of(text), seconds > 0 ? seconds : kDefaultMinutes * 60);
}

inline std::wstring namedLines(const std::vector<std::string>& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size() && i < kNamedLines; ++i) text += L"\n" + win::widen(lines[i]);
  if (lines.size() > kNamedLines) text += L"\nund " + std::to_wstring(lines.size() - kNamedLines) + L" weitere";
  return text;
}

}  // namespace kv::test_preparation
