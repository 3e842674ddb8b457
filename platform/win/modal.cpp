#include "platform/win/modal.h"

namespace kv::win {
namespace {

HWND mainFrame = nullptr;
MessageFilter mainFilter = nullptr;

}  // namespace

void setMainFrame(HWND frame, MessageFilter filter) {
  mainFrame = frame;
  mainFilter = filter;
}

void dispatchMessage(MSG& msg) {
  if (mainFilter != nullptr && mainFilter(msg)) return;
  // Tab and the arrow keys move between the controls of the small windows,
  // as in a dialog.
  const HWND top = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (top != nullptr && top != mainFrame && ::IsDialogMessageW(top, &msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

bool processPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    dispatchMessage(msg);
  }
  return true;
}

bool waitAndProcessMessages(DWORD ms) {
  ::MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  return processPendingMessages();
}

void runModal(HWND window, HWND owner, const bool& done) {
  const bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  MSG msg;
  while (!done && ::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    dispatchMessage(msg);
  }
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
}

}  // namespace kv::win
