// The program's frame window: hosts one child window at a time.
#pragma once

#include <windows.h>

#include "platform/win/handles.h"
#include "platform/win/window.h"

namespace kv {

inline constexpr const wchar_t* kMainWindowClass = L"KlaventoMainWindow";
inline constexpr const wchar_t* kAppTitle = L"Klavento 7";

class MainWindow final : public win::BaseWindow<MainWindow> {
 public:
  bool create(int showCommand);
  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void onCreate();
  void onSize(int width, int height);
  void applyFont();

  HWND statusBar_ = nullptr;
  win::Font dialogFont_;
};

}  // namespace kv
