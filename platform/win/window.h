// The one-class-per-window pattern: a static window procedure finds the object
// stored at WM_NCCREATE and forwards to its member handler.
#pragma once

#include <windows.h>

namespace kv::win {

// Registers a window class of this program once; later calls find it.
inline bool registerWindowClass(const wchar_t* className, WNDPROC procedure, HICON icon) {
  WNDCLASSEXW wc{};
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), className, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = icon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  return ::RegisterClassExW(&wc) != 0;
}

// The program's windows are not dialogs, but the message loop lets the dialog
// manager handle their Tab and Alt keys. For a label's Alt letter it asks the
// window to move the focus (WM_NEXTDLGCTL), which only a dialog does by itself:
// here the focus goes where a dialog would send it. True when handled.
inline bool moveFocusAsDialog(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_NEXTDLGCTL) return false;
  const HWND target = LOWORD(lParam) != 0
                          ? reinterpret_cast<HWND>(wParam)
                          : ::GetNextDlgTabItem(window, ::GetFocus(), wParam != 0 ? TRUE : FALSE);
  if (target == nullptr || !::IsChild(window, target)) return true;
  ::SetFocus(target);
  // A field reached by keyboard has its text selected, ready to be typed over.
  if ((::SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
    ::SendMessageW(target, EM_SETSEL, 0, -1);
  }
  return true;
}

template <typename Derived>
class BaseWindow {
 public:
  BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;
  virtual ~BaseWindow() {
    if (hwnd_ != nullptr) {
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      ::DestroyWindow(hwnd_);
    }
  }

  HWND hwnd() const noexcept { return hwnd_; }

 protected:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      self = static_cast<Derived*>(create->lpCreateParams);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->hwnd_ = hwnd;
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (moveFocusAsDialog(hwnd, msg, wParam, lParam)) return 0;
    const LRESULT result = self->handleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  static bool registerClass(const wchar_t* className, HICON icon = nullptr) {
    return registerWindowClass(className, &BaseWindow::windowProc, icon);
  }

  LRESULT defaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
};

}  // namespace kv::win
