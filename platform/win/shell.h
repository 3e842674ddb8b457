// Opening web pages with the shell's "open" verb.
#pragma once

#include <windows.h>

#include <string_view>

namespace kv::win {

bool openWebPage(HWND owner, std::string_view address);

}  // namespace kv::win
