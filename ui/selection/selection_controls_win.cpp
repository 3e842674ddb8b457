// The selection dialog's subclassed controls: the keys and clicks its lists,
// fields and buttons answer differently from the system's controls.
#include "ui/selection/selection_dialog_win.h"
#include "ui/selection/selection_parts_win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "ui/shared/app_state.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "keyboard/layout_check_win.h"
#include "platform/win/message_box.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/selection/archive_discovery_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/shared/folder_picker_win.h"
#include "ui/selection/selection_pictures_win.h"
#include "ui/shared/themed_button_win.h"

namespace kv {

using selection::BusyCursor;
using selection::fieldText;
using selection::spinOf;
namespace {

// Keys that do not open the closed archive box when typed there.
bool keyLeavesBoxClosed(WPARAM key) {
  if (::GetKeyState(VK_MENU) < 0 || ::GetKeyState(VK_CONTROL) < 0) return true;
  if (key >= VK_F1 && key <= VK_F12) return true;
  switch (key) {
    case VK_ESCAPE: case VK_RETURN: case VK_TAB: case VK_SHIFT: case VK_CONTROL: case VK_MENU:
    case VK_CAPITAL: case VK_PAUSE: case VK_SCROLL: case VK_NUMLOCK: case VK_LWIN: case VK_RWIN:
    case VK_APPS: case VK_SPACE: case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL:
    case VK_RCONTROL: case VK_LMENU: case VK_RMENU:
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT CALLBACK SelectionDialog::controlProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR self) {
  LRESULT result = 0;
  auto* dialog = reinterpret_cast<SelectionDialog*>(self);
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(control, &SelectionDialog::controlProc, ::GetDlgCtrlID(control));
  return win::handleGuarded(control, msg, wParam, lParam, &::DefSubclassProc, [&] {
    if (dialog != nullptr && dialog->controlMessage(control, msg, wParam, lParam, result)) return result;
    return ::DefSubclassProc(control, msg, wParam, lParam);
  });
}

bool SelectionDialog::controlMessage(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                     LRESULT& result) {
  const int id = ::GetDlgCtrlID(control);
  const auto* pending = reinterpret_cast<const MSG*>(lParam);
  const bool escapeKey = msg == WM_KEYDOWN && wParam == VK_ESCAPE;
  switch (id) {
    case kFormOption1:
    case kFormOption1 + 1:
    case kFormOption1 + 2:
      if (msg == WM_RBUTTONUP) {
        ::PostMessageW(hwnd_, kFormRightClick, static_cast<WPARAM>(id - kFormOption1 + 1), 0);
        result = 0;
        return true;
      }
      return false;
    case kPaceValue:
      if (msg == WM_GETDLGCODE) {
        result = ::DefSubclassProc(control, msg, wParam, lParam) | DLGC_WANTARROWS;
        return true;
      }
      if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_LEFT || wParam == VK_RIGHT)) {
        ::SetFocus(item(kPaceNone));
        ::SendMessageW(item(kPaceNone), BM_CLICK, 0, 0);
        result = 0;
        return true;
      }
      return false;
    case kArchiveBox:
      if (msg == WM_KEYDOWN && !::SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0) &&
          !keyLeavesBoxClosed(wParam)) {
        ::SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
        // The key opened the list; its character must not pick an item.
        MSG dropped;
        ::PeekMessageW(&dropped, control, WM_CHAR, WM_CHAR, PM_REMOVE);
        result = 0;
        return true;
      }
      return false;
    case kPreviewList:
      if (msg == WM_GETDLGCODE) {
        result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_ESCAPE) {
          result |= DLGC_WANTMESSAGE;
        }
        return true;
      }
      if (msg == WM_KEYDOWN) {
        RECT r{};
        ::GetClientRect(control, &r);
        const auto row = static_cast<int>(::SendMessageW(control, LB_GETITEMHEIGHT, 0, 0));
        const int page = std::max<int>(1, row > 0 ? r.bottom / row : 1);
        const auto count = static_cast<int>(::SendMessageW(control, LB_GETCOUNT, 0, 0));
        const auto top = static_cast<int>(::SendMessageW(control, LB_GETTOPINDEX, 0, 0));
        int next = top;
        switch (wParam) {
          case VK_PRIOR: next = top - page; break;
          case VK_NEXT: next = top + page; break;
          case VK_HOME: next = 0; break;
          case VK_END: next = count - page; break;
          case VK_UP: next = top - 1; break;
          case VK_DOWN: next = top + 1; break;
          case VK_LEFT: ::SendMessageW(control, WM_HSCROLL, SB_LINELEFT, 0); break;
          case VK_RIGHT: ::SendMessageW(control, WM_HSCROLL, SB_LINERIGHT, 0); break;
          case VK_ESCAPE:
            setPreview(false);
            ::SetFocus(item(kArchiveBox));
            break;
          default: break;
        }
        next = std::clamp(next, 0, std::max(0, count - page));
        if (next != top) ::SendMessageW(control, LB_SETTOPINDEX, static_cast<WPARAM>(next), 0);
        result = 0;
        return true;
      }
      if (msg == WM_CHAR || msg == WM_KEYUP) {
        result = 0;
        return true;
      }
      return false;
    case kPreviewSwitch:
    case kFirstLine:
    case kLastLine:
      if (msg == WM_GETDLGCODE && pending != nullptr && pending->message == WM_KEYDOWN &&
          pending->wParam == VK_ESCAPE && previewOn_) {
        result = ::DefSubclassProc(control, msg, wParam, lParam) | DLGC_WANTMESSAGE;
        return true;
      }
      if (escapeKey && previewOn_) {
        setPreview(false);
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace kv
