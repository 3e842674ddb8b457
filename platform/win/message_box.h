// The program's message boxes, all captioned "Klavento 7". Errors beep first.
#pragma once

#include <windows.h>

#include <string_view>

namespace kv::win {

inline constexpr const wchar_t* kMessageCaption = L"Klavento 7";

// Texts are Windows-1252.
void showError(HWND owner, std::string_view text);
bool askErrorYesNo(HWND owner, std::string_view text);
bool askYesNo(HWND owner, std::string_view text);
void showInformation(HWND owner, std::string_view text);
// Something went wrong but nothing is lost: no error beep, a warning icon.
void showWarning(HWND owner, std::string_view text);
// The same for texts that may quote a character Windows-1252 lacks.
void showError(HWND owner, std::wstring_view text);
bool askYesNo(HWND owner, std::wstring_view text);
void showInformation(HWND owner, std::wstring_view text);

}  // namespace kv::win
