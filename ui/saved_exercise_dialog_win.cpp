#include "ui/saved_exercise_dialog_win.h"

#include <commdlg.h>

#include "core/state.h"
#include "platform/win/strings.h"

namespace kv {

std::optional<std::wstring> askForSavedExercise(HWND owner) {
  wchar_t file[MAX_PATH] = {};
  const std::wstring folder = win::widen(appState().openDialogFolder);
  static constexpr wchar_t kFilter[] = L"Text mit Auswertung (*.kvw)\0*.kvw\0";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = L"Gespeicherte Übung öffnen";
  ofn.lpstrDefExt = L"kvw";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameW(&ofn)) return std::nullopt;
  return std::wstring(file);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace kv
