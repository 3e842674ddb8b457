// The start picture, shown while the program sets itself up. It stays until
// its timer has run once and the main window has marked it finished.
#pragma once

#include <windows.h>

#include <string>

#include "ui/shared/pictures_win.h"
#include "ui/shared/popup_window_win.h"

namespace kv {

class SplashWindow final : public PopupWindow<SplashWindow> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoSplash";
  static constexpr UINT kDisplayMs = 2000;

  // Computes the program's dialog font, then shows and paints the window.
  bool show();
  bool timerRunning() const { return timerRunning_; }
  // From now on the window may close; closes it.
  void finish();
  // Puts the picture in front of the main window, shown after it.
  void bringToFront(HWND mainWindow);

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<SplashWindow>;
  std::wstring caption() const { return L"Klavento 7"; }
  DWORD style() const { return WS_POPUP | WS_BORDER; }
  // In front of the main window, which appears while it is shown.
  DWORD exStyle() const { return WS_EX_TOOLWINDOW | WS_EX_TOPMOST; }
  void placeWindow();

  Picture picture_;
  bool timerRunning_ = false;
  bool finished_ = false;
  bool painted_ = false;
};

}  // namespace kv
