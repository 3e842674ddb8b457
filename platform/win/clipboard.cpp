#include "platform/win/clipboard.h"

namespace kv::win {
namespace {

using ListenerFunction = BOOL(WINAPI*)(HWND);

// Loaded at run time: XP's user32 has neither function.
ListenerFunction listenerFunction(const char* name) {
  const HMODULE user = ::GetModuleHandleW(L"user32.dll");
  if (user == nullptr) return nullptr;
  return reinterpret_cast<ListenerFunction>(
      reinterpret_cast<void*>(::GetProcAddress(user, name)));
}

}  // namespace

bool emptyClipboard(HWND owner) {
  if (::CountClipboardFormats() == 0) return true;
  // Another program may hold the clipboard open for a moment.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (::OpenClipboard(owner)) {
      ::EmptyClipboard();
      ::CloseClipboard();
      return ::CountClipboardFormats() == 0;
    }
    ::Sleep(10);
  }
  return false;
}

bool ClipboardWatcher::start(HWND window, Mechanism mechanism) {
  stop();
  window_ = window;
  mechanism_ = mechanism;
  if (mechanism == Mechanism::FormatListener) {
    const ListenerFunction add = listenerFunction("AddClipboardFormatListener");
    started_ = add != nullptr && add(window) != FALSE;
  } else {
    // SetClipboardViewer answers with the next viewer, which may be none.
    ::SetLastError(ERROR_SUCCESS);
    next_ = ::SetClipboardViewer(window);
    started_ = next_ != nullptr || ::GetLastError() == ERROR_SUCCESS;
  }
  return started_;
}

void ClipboardWatcher::stop() {
  if (!started_) return;
  started_ = false;
  if (mechanism_ == Mechanism::FormatListener) {
    if (const ListenerFunction remove = listenerFunction("RemoveClipboardFormatListener")) {
      remove(window_);
    }
  } else {
    ::ChangeClipboardChain(window_, next_);
    next_ = nullptr;
  }
}

bool ClipboardWatcher::handle(UINT msg, WPARAM wParam, LPARAM lParam, bool& changed,
                              LRESULT& result) {
  changed = false;
  result = 0;
  if (!started_) return false;
  switch (msg) {
    case WM_CHANGECBCHAIN:
      if (mechanism_ != Mechanism::ViewerChain) return false;
      if (reinterpret_cast<HWND>(wParam) == next_) {
        next_ = reinterpret_cast<HWND>(lParam);
      } else if (next_ != nullptr) {
        ::SendMessageW(next_, msg, wParam, lParam);
      }
      return true;
    case WM_DRAWCLIPBOARD:
      if (mechanism_ != Mechanism::ViewerChain) return false;
      break;
    case WM_CLIPBOARDUPDATE:
      if (mechanism_ != Mechanism::FormatListener) return false;
      break;
    default:
      return false;
  }
  // Emptying the clipboard notifies again; that echo is not a new change.
  changed = !emptying_;
  if (!changed) passOn(wParam, lParam);
  return true;
}

void ClipboardWatcher::passOn(WPARAM wParam, LPARAM lParam) const {
  if (mechanism_ == Mechanism::ViewerChain && next_ != nullptr) {
    ::SendMessageW(next_, WM_DRAWCLIPBOARD, wParam, lParam);
  }
}

void ClipboardWatcher::empty() {
  if (emptying_) return;
  emptying_ = true;
  emptyClipboard(window_);
  emptying_ = false;
}

}  // namespace kv::win
