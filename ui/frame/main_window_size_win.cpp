// The main window's size and place: where it first appears, how the
// multiple-document client fills it above the status line, and how the frame
// and its child make room for each other.
#include "ui/frame/main_window_win.h"

#include <algorithm>

#include "platform/win/system_info.h"
#include "ui/shared/app_state.h"

namespace kv {

void MainWindow::placeInitially(int showCommand) {
  const bool minimised = showCommand == SW_MINIMIZE || showCommand == SW_SHOWMINIMIZED ||
                         showCommand == SW_SHOWMINNOACTIVE;
  if (appState().settings.policies.maximiseMainWindow && !minimised) {
    ::ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    return;
  }
  // The designed size, grown with the screen's density and never beyond it.
  const int ppi = win::screenPixelsPerInch();
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = std::min<int>(::MulDiv(800, ppi, 96), work.right - work.left);
  const int height = std::min<int>(::MulDiv(600, ppi, 96), work.bottom - work.top);
  const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 3;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 3;
  ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(hwnd_, minimised ? showCommand : SW_SHOWNORMAL);
}

RECT MainWindow::clientArea() const {
  RECT r{};
  ::GetClientRect(mdiClient_, &r);
  return r;
}

void MainWindow::onSize() {
  if (statusBar_ == nullptr || mdiClient_ == nullptr) return;
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  RECT client{};
  RECT status{};
  ::GetClientRect(hwnd_, &client);
  ::GetWindowRect(statusBar_, &status);
  const int statusHeight = ::IsWindowVisible(statusBar_) ? status.bottom - status.top : 0;
  ::MoveWindow(mdiClient_, 0, 0, client.right, std::max(0L, client.bottom - statusHeight), TRUE);
  // A child that no longer fits moves towards the top left.
  if (childAlive() && !::IsZoomed(child_->hwnd()) && !::IsIconic(child_->hwnd()) &&
      !::IsIconic(hwnd_)) {
    RECT childRect{};
    ::GetWindowRect(child_->hwnd(), &childRect);
    ::MapWindowPoints(nullptr, mdiClient_, reinterpret_cast<POINT*>(&childRect), 2);
    const RECT area = clientArea();
    const Rect moved = keepChildInside({childRect.left, childRect.top, childRect.right,
                                        childRect.bottom},
                                       {area.right, area.bottom});
    if (moved.left != childRect.left || moved.top != childRect.top) {
      ::SetWindowPos(child_->hwnd(), nullptr, moved.left, moved.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void MainWindow::onGetMinMaxInfo(MINMAXINFO& info) {
  if (!childAlive() || mdiClient_ == nullptr) return;
  RECT childRect{};
  ::GetWindowRect(child_->hwnd(), &childRect);
  const SIZE childMinimum = child_->minimumSize();
  const Size minimum = minimumClientForChild(
      {childRect.right - childRect.left, childRect.bottom - childRect.top},
      ::IsZoomed(child_->hwnd()) != FALSE, {childMinimum.cx, childMinimum.cy});
  // From the client area of the multiple-document client to the whole frame.
  RECT frameRect{};
  const RECT client = clientArea();
  ::GetWindowRect(hwnd_, &frameRect);
  const int extraX = (frameRect.right - frameRect.left) - client.right;
  const int extraY = (frameRect.bottom - frameRect.top) - client.bottom;
  info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, minimum.width + extraX);
  info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, minimum.height + extraY);
}

void MainWindow::childMoved() {
  if (resizingForChild_ || !childAlive() || switchingNow_) return;
  if (::IsZoomed(hwnd_) || ::IsIconic(hwnd_)) return;
  const HWND child = child_->hwnd();
  if (::IsZoomed(child) || ::IsIconic(child)) return;
  RECT childRect{};
  ::GetWindowRect(child, &childRect);
  const RECT area = clientArea();
  const Size childSize{childRect.right - childRect.left, childRect.bottom - childRect.top};
  if (childSize.width <= area.right && childSize.height <= area.bottom) return;
  RECT frameRect{};
  ::GetWindowRect(hwnd_, &frameRect);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int extraX = (frameRect.right - frameRect.left) - area.right;
  const int extraY = (frameRect.bottom - frameRect.top) - area.bottom;
  const GrowResult grown =
      growForChild(childSize, {area.right, area.bottom},
                   {(work.right - work.left) - extraX, (work.bottom - work.top) - extraY});
  resizingForChild_ = true;
  ::SetWindowPos(hwnd_, nullptr, 0, 0, grown.client.width + extraX, grown.client.height + extraY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (grown.child.width != childSize.width || grown.child.height != childSize.height) {
    ::SetWindowPos(child, nullptr, 0, 0, grown.child.width, grown.child.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  resizingForChild_ = false;
  onSize();
}

}  // namespace kv
