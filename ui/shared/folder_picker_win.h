// The shell's folder picker, as the program asks for the folder of own
// archives.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kv {

// Shows the picker at `start` (when it names a folder). The result is the
// folder picked in the tree or a folder typed into the picker's field as a
// full path; nothing when the user cancelled or the choice is no folder on
// disk.
std::optional<std::wstring> pickFolder(HWND owner, const wchar_t* prompt, const std::wstring& start);

}  // namespace kv
