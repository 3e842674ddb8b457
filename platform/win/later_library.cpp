#include "platform/win/later_library.h"

#include <string>

#include "platform/encoding.h"
#include "platform/win/message_box.h"

namespace kv::win {
namespace {

struct Library {
  const wchar_t* file;
  const char* shown;
  HMODULE module = nullptr;
  DWORD error = 0;
  bool tried = false;
};

Library& libraryOf(LaterLibrary which) {
  static Library libraries[] = {
      {L"comdlg32.dll", "comdlg32.dll"},
      {L"gdiplus.dll", "gdiplus.dll"},
      {L"ole32.dll", "ole32.dll"},
      {L"shell32.dll", "shell32.dll"},
  };
  return libraries[static_cast<int>(which)];
}

}  // namespace

bool laterLibraryLoaded(LaterLibrary which) {
  Library& library = libraryOf(which);
  if (!library.tried) {
    library.tried = true;
    // Kept loaded: the delay-load helper finds it and never loads it again.
    library.module = ::LoadLibraryW(library.file);
    library.error = library.module == nullptr ? ::GetLastError() : 0;
  }
  return library.module != nullptr;
}

bool laterLibraryReady(HWND owner, LaterLibrary which, std::string_view feature) {
  if (laterLibraryLoaded(which)) return true;
  const Library& library = libraryOf(which);
  showError(owner, std::string(feature) + w1252(" ist auf diesem Rechner nicht möglich: Die Systemdatei \u201E") +
                       library.shown + w1252("\u201C lässt sich nicht laden (Fehler ") +
                       std::to_string(library.error) + ").");
  return false;
}

}  // namespace kv::win
