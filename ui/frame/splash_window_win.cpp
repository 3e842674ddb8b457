#include "ui/frame/splash_window_win.h"

#include "platform/win/system_info.h"
#include "ui/shared/measure_log_win.h"
#include "ui/shared/window_font_win.h"

namespace kv {
namespace {
constexpr UINT_PTR kTimerId = 1;
}  // namespace

bool SplashWindow::show() {
  // The first window computes the font every other window uses.
  updateDialogFont(appState().settings.fonts);
  return createPopup(nullptr);
}

void SplashWindow::placeWindow() {
  const SIZE shown = picture_.shownSize();
  win::setClientSize(hwnd_, shown.cx, shown.cy);
  win::centreOnScreen(hwnd_);
}

void SplashWindow::bringToFront(HWND mainWindow) {
  // Being topmost is not enough: the main window, shown and activated after
  // the picture, is raised above it. Owned by the main window, the picture
  // stays in front of it whatever activates it.
  if (hwnd_ == nullptr || finished_) return;
  if (mainWindow != nullptr &&
      reinterpret_cast<HWND>(::GetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT)) != mainWindow) {
    ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(mainWindow));
  }
  // A move to the top where the window already is changes nothing, not even
  // on the screen; from the bottom the move is real and the display follows.
  constexpr UINT kOnlyOrder = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  ::SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, kOnlyOrder);
  ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, kOnlyOrder);
}

void SplashWindow::finish() {
  finished_ = true;
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

LRESULT SplashWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      applyFont();
      picture_ = loadPicture(PictureSet::Splash, win::screenPixelsPerInch());
      timerRunning_ = ::SetTimer(hwnd_, kTimerId, kDisplayMs, nullptr) != 0;
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) {
        ::KillTimer(hwnd_, kTimerId);
        timerRunning_ = false;
        return 0;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd_, &ps);
      drawPicture(dc, picture_, 0, 0);
      ::EndPaint(hwnd_, &ps);
      // The first thing a learner sees of the program (bench/startup_memory.sh).
      if (!painted_) {
        painted_ = true;
        MeasureLog(L"KV_MEASURE_START").addSinceProcessStart(1);
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return picture_.bitmap ? TRUE : defaultHandling(msg, wParam, lParam);
    case WM_CLOSE:
      if (finished_) ::DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      ::KillTimer(hwnd_, kTimerId);
      timerRunning_ = false;
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      applyFont();
      break;
    default:
      break;
  }
  return defaultHandling(msg, wParam, lParam);
}

}  // namespace kv
