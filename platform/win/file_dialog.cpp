#include "platform/win/file_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/encoding.h"
#include "platform/win/later_library.h"

namespace kv::win {

FileDialogAnswer askForFile(HWND owner, const FileDialogRequest& request) {
  // Without the common dialogs the user has been told; nothing is chosen.
  if (!laterLibraryReady(owner, LaterLibrary::CommonDialogs, w1252("Das Öffnen und Speichern von Dateien"))) return {};
  // Room for the longest path Windows knows, not only MAX_PATH.
  std::vector<wchar_t> file(32768, L'\0');
  if (request.kind == FileDialogKind::Save && request.name.size() < file.size()) {
    std::copy(request.name.begin(), request.name.end(), file.begin());
  }
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
  if (request.several && request.kind == FileDialogKind::Open) {
    // Many long names at once need more room than one path.
    file.assign(1u << 20, L'\0');
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;
  }
  const BOOL chosen =
      request.kind == FileDialogKind::Open ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  FileDialogAnswer answer;
  if (chosen) {
    answer.outcome = FileDialogAnswer::Outcome::Chosen;
    answer.path = file.data();
    // Several files come as the folder, then each name, each ended by a NUL;
    // one file comes as its full path.
    const wchar_t* next = file.data() + answer.path.size() + 1;
    if (request.several && *next != L'\0') {
      std::wstring folder = answer.path;
      if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
      answer.paths.clear();
      while (*next != L'\0') {
        const std::wstring name(next);
        answer.paths.push_back(folder + name);
        next += name.size() + 1;
      }
      answer.path = answer.paths.front();
    } else {
      answer.paths.push_back(answer.path);
    }
    return answer;
  }
  answer.error = ::CommDlgExtendedError();
  answer.outcome = answer.error == 0 ? FileDialogAnswer::Outcome::Cancelled : FileDialogAnswer::Outcome::Failed;
  return answer;
}

}  // namespace kv::win
