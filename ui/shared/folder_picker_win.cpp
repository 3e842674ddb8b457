#include "ui/shared/folder_picker_win.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/encoding.h"
#include "platform/win/later_library.h"

namespace kv {
namespace {

struct PickerState {
  const std::wstring* start = nullptr;
  std::wstring typed;
};

constexpr UINT_PTR kSubclassId = 1;

// Reads the picker's field when OK is pressed. Windows itself accepts a typed
// path there, some versions and Wine do not: the program takes it either way,
// so a teacher can type a server folder that the tree does not show.
LRESULT CALLBACK pickerDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    auto* state = reinterpret_cast<PickerState*>(data);
    if (const HWND field = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr)) {
      const int length = ::GetWindowTextLengthW(field);
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      text.resize(static_cast<std::size_t>(::GetWindowTextW(field, text.data(), length + 1)));
      state->typed = text;
    }
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(dialog, &pickerDialogProc, kSubclassId);
  return ::DefSubclassProc(dialog, msg, wParam, lParam);
}

int CALLBACK pickerCallback(HWND dialog, UINT msg, LPARAM, LPARAM data) {
  auto* state = reinterpret_cast<PickerState*>(data);
  if (msg == BFFM_INITIALIZED) {
    ::SetWindowSubclass(dialog, &pickerDialogProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state));
    if (!state->start->empty()) {
      ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(state->start->c_str()));
    }
  }
  return 0;
}

bool isFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::optional<std::wstring> pickFolder(HWND owner, const wchar_t* prompt, const std::wstring& start,
                                       std::wstring* typedMissing) {
  PickerState state;
  state.start = &start;
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = prompt;
  // The resizable picker with a field for the folder's path; it needs COM.
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_USENEWUI;
  info.lpfn = &pickerCallback;
  info.lParam = reinterpret_cast<LPARAM>(&state);
  const std::string feature = w1252("Die Auswahl eines Ordners");
  if (!win::laterLibraryReady(owner, win::LaterLibrary::Shell, feature) ||
      !win::laterLibraryReady(owner, win::LaterLibrary::Com, feature)) {
    return std::nullopt;
  }
  const HRESULT com = ::OleInitialize(nullptr);
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
  if (SUCCEEDED(com)) ::OleUninitialize();
  // A server folder typed while the server is gone: the tree has no such
  // folder and would answer with whatever it shows.
  const bool typedFullPath = !state.typed.empty() && !::PathIsRelativeW(state.typed.c_str());
  if (typedMissing != nullptr && typedFullPath && !isFolder(state.typed)) {
    if (chosen != nullptr) ::ILFree(chosen);
    *typedMissing = state.typed;
    return std::nullopt;
  }
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool gotPath = ::SHGetPathFromIDListW(chosen, path) != FALSE;
  ::ILFree(chosen);
  // The field shows the tree's folder by its name; a full path there was typed.
  if (!state.typed.empty() && !::PathIsRelativeW(state.typed.c_str()) && isFolder(state.typed)) {
    return state.typed;
  }
  if (!gotPath || !isFolder(path)) return std::nullopt;
  return std::wstring(path);
}

}  // namespace kv

