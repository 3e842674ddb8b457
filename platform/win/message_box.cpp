#include "platform/win/message_box.h"

#include "platform/win/strings.h"

namespace kv::win {
namespace {

int show(HWND owner, std::string_view text, UINT type) {
  return ::MessageBoxW(owner, widen(text).c_str(), kMessageCaption, type);
}

void errorBeep() { ::MessageBeep(0xFFFFFFFF); }

}  // namespace

void showError(HWND owner, std::string_view text) {
  errorBeep();
  show(owner, text, MB_ICONERROR | MB_OK);
}

bool askErrorYesNo(HWND owner, std::string_view text) {
  errorBeep();
  return show(owner, text, MB_ICONERROR | MB_YESNO) == IDYES;
}

bool askYesNo(HWND owner, std::string_view text) {
  return show(owner, text, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void showInformation(HWND owner, std::string_view text) {
  show(owner, text, MB_ICONINFORMATION | MB_OK);
}

}  // namespace kv::win
