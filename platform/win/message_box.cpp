#include "platform/win/message_box.h"

#include "platform/win/strings.h"

namespace kv::win {
namespace {

int show(HWND owner, const std::wstring& text, UINT type) {
  // The box takes the focus with it; without this, a learner who answers it
  // during an exercise types on into nothing while the clock runs.
  const HWND focus = ::GetFocus();
  const int answer = ::MessageBoxW(owner, text.c_str(), kMessageCaption, type);
  if (focus != nullptr && ::IsWindow(focus) && ::IsWindowVisible(focus) && ::IsWindowEnabled(focus)) {
    ::SetFocus(focus);
  }
  return answer;
}

void errorBeep() { ::MessageBeep(0xFFFFFFFF); }

}  // namespace

void showError(HWND owner, std::string_view text) {
  errorBeep();
  show(owner, widen(text), MB_ICONERROR | MB_OK);
}

bool askErrorYesNo(HWND owner, std::string_view text) {
  errorBeep();
  return show(owner, widen(text), MB_ICONERROR | MB_YESNO) == IDYES;
}

bool askYesNo(HWND owner, std::string_view text) {
  return show(owner, widen(text), MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void showInformation(HWND owner, std::string_view text) {
  show(owner, widen(text), MB_ICONINFORMATION | MB_OK);
}

void showWarning(HWND owner, std::string_view text) {
  ::MessageBeep(MB_ICONWARNING);
  show(owner, widen(text), MB_ICONWARNING | MB_OK);
}

void showError(HWND owner, std::wstring_view text) {
  errorBeep();
  show(owner, std::wstring(text), MB_ICONERROR | MB_OK);
}

bool askYesNo(HWND owner, std::wstring_view text) {
  return show(owner, std::wstring(text), MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void showInformation(HWND owner, std::wstring_view text) {
  show(owner, std::wstring(text), MB_ICONINFORMATION | MB_OK);
}

}  // namespace kv::win
