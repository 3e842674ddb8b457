#include "ui/main_window.h"

#include <commctrl.h>

#include "app/state.h"
#include "platform/win/dialog_font.h"

namespace kv {

bool MainWindow::create(int showCommand) {
  if (!registerClass(kMainWindowClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
    return false;
  }
  const HWND hwnd = ::CreateWindowExW(0, kMainWindowClass, kAppTitle, WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr, nullptr,
                                      ::GetModuleHandleW(nullptr), this);
  if (hwnd == nullptr) return false;
  ::ShowWindow(hwnd, showCommand);
  ::UpdateWindow(hwnd);
  return true;
}

void MainWindow::onCreate() {
  statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                                 0, 0, 0, 0, hwnd_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  applyFont();
}

void MainWindow::applyFont() {
  FontChoice& fonts = appState().settings.fonts;
  win::updateDialogFont(fonts);
  dialogFont_ = win::createDialogFont(fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
}

void MainWindow::onSize(int, int) {
  if (statusBar_ != nullptr) ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
}

LRESULT MainWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_SIZE:
      onSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      applyFont();
      break;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return defaultHandling(msg, wParam, lParam);
}

}  // namespace kv
