// The system's open and save dialogs, set up one way for the whole program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kv::win {

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  const wchar_t* filter = nullptr;  // pairs of name and pattern, each ended by a NUL
  const wchar_t* title = nullptr;
  const wchar_t* defaultExtension = nullptr;
  std::wstring folder;  // where it opens; empty for the system's choice
  std::wstring name;     // save only: the name offered
  bool several = false;  // open only: more than one file at once
};

struct FileDialogAnswer {
  enum class Outcome { Chosen, Cancelled, Failed };
  Outcome outcome = Outcome::Cancelled;
  std::wstring path;    // when chosen: the first of them
  std::vector<std::wstring> paths;  // when chosen: all, full paths
  DWORD error = 0;      // when failed: the dialog's own error code
};

// Asks for a file. A dialog that could not be shown (a path longer than the
// system allows, a damaged folder setting) is a failure, not a cancel: the
// caller tells the user.
FileDialogAnswer askForFile(HWND owner, const FileDialogRequest& request);

}  // namespace kv::win
