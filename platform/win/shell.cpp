#include "platform/win/shell.h"

#include <shellapi.h>

#include "platform/win/strings.h"

namespace kv::win {

bool openWithShell(HWND owner, const std::wstring& target) {
  const HINSTANCE result =
      ::ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // ShellExecute reports success as a value above 32.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool openWebPage(HWND owner, std::string_view address) { return openWithShell(owner, widen(address)); }

}  // namespace kv::win
