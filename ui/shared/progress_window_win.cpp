#include "ui/shared/progress_window_win.h"

#include <commctrl.h>

#include "ui/shared/minor_window_rules.h"

namespace kv {
namespace {
// Posted once the window is on screen: the task starts outside creation.
constexpr UINT kStartMessage = WM_APP + 10;
constexpr UINT_PTR kTimerId = 1;
}  // namespace

std::wstring ProgressWindow::caption() const {
  return appState().evaluationRunning ? L"Text wird ausgewertet" : L"Verzeichnis wird geladen";
}

void ProgressWindow::placeWindow() {
  if (appState().centreProgressWindow) {
    win::centreOnScreen(hwnd_);
  } else {
    win::centreOver(hwnd_, owner_);
  }
}

void ProgressWindow::onCreate() {
  evaluating_ = appState().evaluationRunning;
  win::disableSystemCommand(hwnd_, SC_CLOSE);
  win::disableSystemCommand(hwnd_, SC_NEXTWINDOW);
  win::createControl(hwnd_, PROGRESS_CLASSW, L"", 0, 0, 0, 10, 10, kBarId);
  applyFont();
  const win::DialogUnits du(font_.get());
  const int margin = du.x(7);
  const int width = du.x(180);
  ::MoveWindow(control(kBarId), margin, margin, width, du.y(10), FALSE);
  if (cancelled_ != nullptr) {
    const HWND cancel = win::createControl(hwnd_, L"BUTTON", L"Abbrechen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10,
                                           10, kCancelId);
    ::SendMessageW(cancel, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    const int buttonW = du.x(50), buttonH = du.y(14), top = margin + du.y(10) + du.y(7);
    ::MoveWindow(cancel, margin + (width - buttonW) / 2, top, buttonW, buttonH, FALSE);
    win::setClientSize(hwnd_, width + 2 * margin, top + buttonH + margin);
    ::SetFocus(cancel);
  } else {
    win::setClientSize(hwnd_, width + 2 * margin, du.y(10) + 2 * margin);
  }
  ::SendMessageW(control(kBarId), PBM_SETRANGE32, 0, 100);
  ::SendMessageW(control(kBarId), PBM_SETPOS, 0, 0);
  firstActivation_ = true;
  done_ = false;
  ::PostMessageW(hwnd_, kStartMessage, 0, 0);
}

void ProgressWindow::refreshBar() {
  const AppState& state = appState();
  if (state.progressMax == 0 || hwnd_ == nullptr) return;
  const HWND bar = control(kBarId);
  const auto maximum = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  if (maximum != state.progressMax) ::SendMessageW(bar, PBM_SETRANGE32, 0, state.progressMax);
  const auto position = static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
  if (position != state.progressPosition) {
    ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(state.progressPosition), 0);
  }
}

void ProgressWindow::runTask() {
  if (!firstActivation_) return;
  firstActivation_ = false;
  const DWORD start = ::GetTickCount();
  // Without its timer the bar stands still until the task is done, when it is
  // brought up to date below; the task itself does not depend on it.
  const bool timed = ::SetTimer(hwnd_, kTimerId, kRefreshMs, nullptr) != 0;
  if (!timed) refreshBar();
  win::processPendingMessages();
  if (task_) task_();
  if (hwnd_ == nullptr) return;
  if (timed) ::KillTimer(hwnd_, kTimerId);
  refreshBar();
  // Seen long enough to be read, however fast the task was.
  while (hwnd_ != nullptr && !progressMinimumOver(start, ::GetTickCount(), evaluating_)) {
    ::Sleep(50);
    if (!win::processPendingMessages()) break;
  }
  done_ = true;
  if (hwnd_ != nullptr) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

LRESULT ProgressWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case kStartMessage:
      runTask();
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId && !refreshing_) {
        refreshing_ = true;
        refreshBar();
        win::processPendingMessages();
        refreshing_ = false;
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE || (wParam & 0xFFF0) == SC_NEXTWINDOW) return 0;
      break;
    case WM_COMMAND:
      // Escape through the dialog navigation is no way out, unless the task
      // can stop early.
      if (cancelled_ != nullptr && (LOWORD(wParam) == kCancelId || LOWORD(wParam) == IDCANCEL)) {
        *cancelled_ = true;
        ::EnableWindow(control(kCancelId), FALSE);
      }
      return 0;
    case WM_CLOSE:
      if (!done_) return 0;
      ::DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY: {
      AppState& state = appState();
      state.progressMax = 0;
      state.progressPosition = 0;
      break;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      applyFont();
      break;
    default:
      break;
  }
  return defaultHandling(msg, wParam, lParam);
}

void runWithProgress(HWND owner, ProgressTask task) {
  ProgressWindow window(std::move(task));
  window.run(owner);
}

void runWithProgress(HWND owner, ProgressTask task, bool& cancelled) {
  cancelled = false;
  ProgressWindow window(std::move(task), &cancelled);
  window.run(owner);
}

}  // namespace kv
