#include "keyboard/layout_check_win.h"

#include "keyboard/key_table.h"
#include "platform/win/keyboard_layout.h"
#include "platform/win/strings.h"

namespace kv::win {

bool CheckKeyboardLayout(HWND owner) { return CheckKeyboardLayout(owner, activeKeyboardLayoutId()); }

bool CheckKeyboardLayout(HWND owner, std::string_view layoutId) {
  if (kv::CheckKeyboardLayout(layoutId)) return true;
  return warnUnsupportedLayout(owner);
}

bool warnUnsupportedLayout(HWND owner) {
  return askAbortOrIgnore(owner, widen(kLayoutWarning), widen(kLayoutWarningCaption));
}

}  // namespace kv::win
