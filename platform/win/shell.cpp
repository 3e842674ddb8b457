#include "platform/win/shell.h"

#include <shellapi.h>

#include "platform/encoding.h"
#include "platform/win/later_library.h"
#include "platform/win/strings.h"

namespace kv::win {

bool openWithShell(HWND owner, const std::wstring& target) {
  if (!laterLibraryReady(owner, LaterLibrary::Shell, w1252("Das Öffnen mit einem anderen Programm"))) return false;
  const HINSTANCE result =
      ::ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // ShellExecute reports success as a value above 32.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool openWebPage(HWND owner, std::string_view address) { return openWithShell(owner, widen(address)); }

}  // namespace kv::win
