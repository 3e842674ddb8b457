// The one-class-per-window pattern for the children of the main window's
// multiple-document client: created through the client, destroyed through it,
// and left to the system's child-window handling for everything else.
#pragma once

#include <windows.h>

#include "platform/win/window.h"

namespace kv::win {

template <typename Derived>
class MdiChildWindow {
 public:
  MdiChildWindow() = default;
  MdiChildWindow(const MdiChildWindow&) = delete;
  MdiChildWindow& operator=(const MdiChildWindow&) = delete;
  virtual ~MdiChildWindow() {
    // The object is half gone by now: its window must not call back into it.
    if (hwnd_ != nullptr) {
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      destroyWindow();
      hwnd_ = nullptr;
    }
  }

  HWND windowHandle() const noexcept { return hwnd_; }

  // The client's own destruction request keeps its bookkeeping (active child,
  // maximised state) right; the object stays and just loses its window.
  void destroyWindow() {
    if (hwnd_ != nullptr) {
      const HWND client = ::GetParent(hwnd_);
      const HWND window = hwnd_;
      ::SendMessageW(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
      if (::IsWindow(window)) ::DestroyWindow(window);
    }
  }

 protected:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Children created through the client carry their parameter inside the
    // client's creation record.
    Derived* created = nullptr;
    if (msg == WM_NCCREATE && lParam != 0) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      const auto* mdi = static_cast<const MDICREATESTRUCTW*>(create->lpCreateParams);
      created = mdi != nullptr ? reinterpret_cast<Derived*>(mdi->lParam) : nullptr;
    }
    return routeMessage<Derived>(hwnd, msg, wParam, lParam, created, &MdiChildWindow::handleOf,
                                 &::DefMDIChildProcW);
  }
  static HWND& handleOf(Derived& window) { return static_cast<MdiChildWindow&>(window).hwnd_; }

  static bool registerClass(const wchar_t* className, HICON icon = nullptr) {
    return registerWindowClass(className, &MdiChildWindow::windowProc, icon);
  }

  bool createIn(HWND client, const wchar_t* className, const wchar_t* caption, DWORD style,
                int x, int y, int width, int height) {
    MDICREATESTRUCTW mdi{};
    mdi.szClass = className;
    mdi.szTitle = caption;
    mdi.hOwner = ::GetModuleHandleW(nullptr);
    mdi.x = x;
    mdi.y = y;
    mdi.cx = width;
    mdi.cy = height;
    mdi.style = style;
    mdi.lParam = reinterpret_cast<LPARAM>(static_cast<Derived*>(this));
    ::SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mdi));
    return hwnd_ != nullptr;
  }

  LRESULT defaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefMDIChildProcW(hwnd_, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
};

}  // namespace kv::win
