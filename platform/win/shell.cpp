#include "platform/win/shell.h"

#include <shellapi.h>

#include "platform/win/strings.h"

namespace kv::win {

bool openWebPage(HWND owner, std::string_view address) {
  const std::wstring wide = widen(address);
  const HINSTANCE result =
      ::ShellExecuteW(owner, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // ShellExecute reports success as a value above 32.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace kv::win
