// Opening web pages with the shell's "open" verb.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kv::win {

bool openWebPage(HWND owner, std::string_view address);
// A file or address, opened by whatever program the system has for it.
bool openWithShell(HWND owner, const std::wstring& target);

}  // namespace kv::win
