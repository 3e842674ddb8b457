#include "platform/win/file_dialog.h"

#include <commdlg.h>

#include <vector>

namespace kv::win {

FileDialogAnswer askForFile(HWND owner, const FileDialogRequest& request) {
  // Room for the longest path Windows knows, not only MAX_PATH.
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = request.filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
  ofn.lpstrTitle = request.title;
  ofn.lpstrDefExt = request.defaultExtension;
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              (request.kind == FileDialogKind::Open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
  const BOOL chosen =
      request.kind == FileDialogKind::Open ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  FileDialogAnswer answer;
  if (chosen) {
    answer.outcome = FileDialogAnswer::Outcome::Chosen;
    answer.path = file.data();
    return answer;
  }
  answer.error = ::CommDlgExtendedError();
  answer.outcome = answer.error == 0 ? FileDialogAnswer::Outcome::Cancelled : FileDialogAnswer::Outcome::Failed;
  return answer;
}

}  // namespace kv::win
