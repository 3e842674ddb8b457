#include "platform/win/keyboard_layout.h"

#include <cstdlib>
#include <cwchar>

#include "platform/win/handles.h"
#include "platform/win/strings.h"

namespace kv::win {
namespace {

// Set while the warning box is being opened on this thread.
thread_local bool tDropRetryPending = false;

RECT rectInParent(HWND child, HWND parent) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Retry goes; the other two close up the way the system placed all three:
// around the middle when the row was centred, at the right otherwise.
void dropRetryButton(HWND box) {
  HWND abort = ::GetDlgItem(box, IDABORT);
  HWND retry = ::GetDlgItem(box, IDRETRY);
  HWND ignore = ::GetDlgItem(box, IDIGNORE);
  if (abort == nullptr || retry == nullptr || ignore == nullptr) return;
  RECT client{};
  ::GetClientRect(box, &client);
  const RECT a = rectInParent(abort, box);
  const RECT r = rectInParent(retry, box);
  const RECT i = rectInParent(ignore, box);
  ::ShowWindow(retry, SW_HIDE);
  ::EnableWindow(retry, FALSE);  // and no mnemonic reaches it

  constexpr UINT kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  const int pitch = r.left - a.left;
  const int leftMargin = a.left - client.left;
  const int rightMargin = client.right - i.right;
  // Systems centre only roughly; a right-aligned row leaves a wide left margin.
  if (std::abs(leftMargin - rightMargin) < pitch / 2) {
    ::SetWindowPos(abort, nullptr, a.left + pitch / 2, a.top, 0, 0, kMoveOnly);
    ::SetWindowPos(ignore, nullptr, i.left - (i.left - r.left) / 2, i.top, 0, 0, kMoveOnly);
  } else {
    ::SetWindowPos(abort, nullptr, r.left, r.top, 0, 0, kMoveOnly);
  }
}

// The box has laid out its buttons once its WM_INITDIALOG has returned, and
// is not painted yet.
LRESULT CALLBACK dropRetryHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && tDropRetryPending) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    wchar_t className[16] = {};
    if (call->message == WM_INITDIALOG && ::GetClassNameW(call->hwnd, className, 16) > 0 &&
        std::wcscmp(className, L"#32770") == 0) {
      tDropRetryPending = false;
      dropRetryButton(call->hwnd);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

std::string activeKeyboardLayoutId() {
  wchar_t name[KL_NAMELENGTH] = {};
  if (!::GetKeyboardLayoutNameW(name)) return {};
  return narrowLossy(name);
}

// The answer is Abort or Ignore, and Win32 has no box with just those two.
// The Abort/Retry/Ignore box comes closest: the system's look, icon and
// button captions, no Cancel, so Escape and the close box do nothing. Retry
// is taken out before the box is first shown.
bool askAbortOrIgnore(HWND owner, const std::wstring& text, const std::wstring& caption) {
  ::MessageBeep(0xFFFFFFFF);
  tDropRetryPending = true;
  // Without the hook the box still works, with Retry counting as Abort.
  Hook hook(::SetWindowsHookExW(WH_CALLWNDPROCRET, dropRetryHook, nullptr, ::GetCurrentThreadId()));
  const int answer = ::MessageBoxW(owner, text.c_str(), caption.c_str(),
                                   MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON1);
  hook.reset();
  tDropRetryPending = false;
  return answer == IDIGNORE;
}

}  // namespace kv::win
