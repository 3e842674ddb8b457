#include "ui/exam/class_test_places_win.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win/later_library.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

fs::path shellFolder(int which) {
  wchar_t path[MAX_PATH] = {};
  if (win::laterLibraryLoaded(win::LaterLibrary::Shell) &&
      SUCCEEDED(::SHGetFolderPathW(nullptr, which | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return fs::path(path);
  }
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  if (length > 0 && length <= MAX_PATH) return fs::path(temp);
  return fs::path(L".");
}

}  // namespace

fs::path teachersCopyFolder() { return shellFolder(CSIDL_APPDATA) / L"Klavento" / L"Klassenarbeiten"; }

fs::path teachersCopyOf(const std::string& testId) {
  return teachersCopyFolder() / fs::path(testId + ".kvk");
}

fs::path waitingHandInFolder() {
  return shellFolder(CSIDL_LOCAL_APPDATA) / L"Klavento" / L"Abgaben-ausstehend";
}

}  // namespace kv
