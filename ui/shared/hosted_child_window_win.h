// A base for the main window's children, MDI children of its client: the
// host they answer to, and the end of their message switch, which tells the
// host of moves and of the end, keeps the child at its smallest size and
// gives the keyboard to the control that should have it.
#pragma once

#include <windows.h>

#include "platform/win/mdi_child.h"
#include "ui/shared/child_window_win.h"

namespace kv {

template <typename Derived>
class HostedChildWindow : public ChildWindow, public win::MdiChildWindow<Derived> {
 public:
  HWND hwnd() const override { return this->windowHandle(); }
  void destroy() override { this->destroyWindow(); }

 protected:
  explicit HostedChildWindow(ChildHost& host) : host_(host) {}

  // The control that gets the keyboard when the child does: the MDI client
  // gives the focus to the child window itself, where no key is any use.
  virtual HWND focusTarget() const = 0;

  // Called for whatever the child's own switch left to the default; the
  // child's cases come first, so one that must not reach this handles the
  // message completely.
  LRESULT finishMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const SIZE minimum = minimumSize();
        info->ptMinTrackSize.x = minimum.cx;
        info->ptMinTrackSize.y = minimum.cy;
        break;
      }
      case WM_WINDOWPOSCHANGED:
        host_.childMoved();
        break;
      case WM_SETFOCUS:
        // The MDI handling first: it makes this the active child.
        this->defaultHandling(msg, wParam, lParam);
        ::SetFocus(focusTarget());
        return 0;
      case WM_DESTROY:
        host_.childClosed(*this);
        break;
      default:
        break;
    }
    if (closeRefusedOrRefreshed(host_, *this, msg)) return 0;
    return this->defaultHandling(msg, wParam, lParam);
  }

  ChildHost& host_;
};

}  // namespace kv
