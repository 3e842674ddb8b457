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
// disk. With `typedMissing`, a full path typed into the field that is no
// folder that can be reached comes back there (with nothing as the result)
// instead of the folder the tree happens to show, so the caller can say that
// the folder cannot be reached.
std::optional<std::wstring> pickFolder(HWND owner, const wchar_t* prompt, const std::wstring& start,
                                       std::wstring* typedMissing = nullptr);

}  // namespace kv
