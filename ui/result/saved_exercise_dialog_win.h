// Choosing a saved exercise to open, shared by the main window's command and
// the result window's "Ö&ffnen" button.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kv {

// The open dialog, starting in the remembered open folder; nothing when the
// user cancels.
std::optional<std::wstring> askForSavedExercise(HWND owner);

// The message for an open or save dialog that could not be shown.
void showFileDialogFailure(HWND owner, unsigned long error);

// The folder part of a Windows path; empty when it has none.
std::string folderOf(const std::string& path);

}  // namespace kv
