// "Über Klavento 7": picture, product name and version from the program's
// version resource, physical memory, and the link to the product web page.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win/handles.h"
#include "ui/shared/pictures_win.h"
#include "ui/shared/popup_window_win.h"

namespace kv {

class AboutWindow final : public PopupWindow<AboutWindow> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoAbout";
  enum ControlId : int {
    kName = 401,
    kVersion = 402,
    kLegal = 403,
    kMemory = 404,
    kLink = 405,
    kOk = 406,
  };

  void showModal(HWND owner) { runModal(owner); }
  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<AboutWindow>;
  std::wstring caption() const { return L"Über Klavento 7"; }

  void onCreate();
  void fillLabels();
  void layout();
  void loadPictureForScreen();
  void onPaint();
  void onLinkClicked();
  void close();

  Picture picture_;
  RECT pictureRect_{};
  win::Font linkFont_;
  bool linkEnabled_ = true;
};

}  // namespace kv
