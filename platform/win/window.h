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
