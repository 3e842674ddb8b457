// The small top-level windows (progress, result options, about, splash, the
// teachers' dialogs): created over the main window, laid out in units of the
// dialog font, and shown modally where they ask something.
#pragma once

#include <windows.h>

#include <string>

#include "ui/shared/app_state.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "platform/win/modal.h"
#include "platform/win/window.h"

namespace kv {

template <typename Derived>
class PopupWindow : public win::BaseWindow<Derived> {
 public:
  // Shows the window over `owner` and returns when it has closed.
  void runModal(HWND owner) {
    owner_ = owner;
    if (!createPopup()) return;
    modal_ = true;
    win::runModal(this->hwnd_, owner, done_);
    modal_ = false;
    // Only now, with the owner enabled again: a window destroyed while its
    // owner is disabled leaves the keyboard focus nowhere, and a learner who
    // works by keys alone could not go on.
    if (this->hwnd_ != nullptr) ::DestroyWindow(this->hwnd_);
  }

  // The window without the modal loop, for callers (and tests) that run
  // their own messages.
  bool createPopup(HWND owner) {
    owner_ = owner;
    return createPopup();
  }

 protected:
  static constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;

  bool createPopup() {
    Derived& self = static_cast<Derived&>(*this);
    if (!win::BaseWindow<Derived>::registerClass(Derived::kClassName)) return false;
    done_ = false;
    const std::wstring caption = self.caption();
    const HWND hwnd = ::CreateWindowExW(self.exStyle(), Derived::kClassName, caption.c_str(),
                                        self.style(), 0, 0, 100, 100, owner_, nullptr,
                                        ::GetModuleHandleW(nullptr), &self);
    if (hwnd == nullptr) return false;
    self.placeWindow();
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    return true;
  }

  DWORD style() const { return kDialogStyle; }
  DWORD exStyle() const { return WS_EX_DLGMODALFRAME; }
  void placeWindow() { win::centreOver(this->hwnd_, owner_); }

  // The dialog font, applied to the window and all its controls.
  void applyFont() {
    win::Font font = createDialogFont(appState().settings.fonts);
    if (font) {
      win::applyDialogFont(this->hwnd_, font.get());
      font_ = std::move(font);
    }
  }

  HWND control(int id) const { return ::GetDlgItem(this->hwnd_, id); }

  // Ends the modal loop, which enables the owner and then destroys the
  // window; without the loop the window goes at once.
  void endDialog() {
    done_ = true;
    if (!modal_) ::DestroyWindow(this->hwnd_);
  }

  // A close asked of a dialog (Alt+F4, the caption's button): whether it ends
  // the dialog. A dialog that must be answered, or holds work not yet saved,
  // hides this with its own, which may beep or ask.
  bool mayClose() { return true; }

  // The end of a dialog's message switch, for what the dialog left to the
  // default: a close asked, and changed system colours or settings, which
  // bring the dialog font and with it the layout anew.
  LRESULT finishMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    Derived& self = static_cast<Derived&>(*this);
    switch (msg) {
      case WM_CLOSE:
        if (self.mayClose()) endDialog();
        return 0;
      case WM_SYSCOLORCHANGE:
      case WM_SETTINGCHANGE:
        applyFont();
        self.layout();
        break;
      default:
        break;
    }
    return this->defaultHandling(msg, wParam, lParam);
  }

  HWND owner_ = nullptr;
  win::Font font_;
  bool done_ = false;
  bool modal_ = false;  // inside runModal's loop
};

}  // namespace kv
