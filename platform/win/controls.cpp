#include "platform/win/controls.h"

#include <commctrl.h>

#include "platform/win/handles.h"

namespace kv::win {

DialogUnits::DialogUnits(HFONT font) {
  WindowDc screen(nullptr);
  if (screen.get() == nullptr) return;
  ScopedSelect select(screen.get(), font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  if (!::GetTextMetricsW(screen.get(), &metrics)) return;
  // The average width as the dialog manager measures it: the alphabet.
  static constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  if (::GetTextExtentPoint32W(screen.get(), kAlphabet, 52, &size) && size.cx > 0) {
    baseX_ = (size.cx / 26 + 1) / 2;
  }
  baseY_ = metrics.tmHeight;
}

HWND createControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id, DWORD exStyle) {
  return ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                           height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

SIZE textExtent(HFONT font, const std::wstring& text) {
  SIZE size{};
  WindowDc screen(nullptr);
  if (screen.get() == nullptr) return size;
  ScopedSelect select(screen.get(), font);
  ::GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void disableSystemCommand(HWND window, UINT command) {
  const HMENU menu = ::GetSystemMenu(window, FALSE);
  if (menu != nullptr) ::EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
}

namespace {

void centreIn(HWND window, const RECT& area) {
  RECT r{};
  ::GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  int left = area.left + (area.right - area.left - width) / 2;
  int top = area.top + (area.bottom - area.top - height) / 2;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void centreOnScreen(HWND window) {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  centreIn(window, work);
}

void centreOver(HWND window, HWND owner) {
  RECT area{};
  if (owner == nullptr || !::IsWindowVisible(owner) || ::IsIconic(owner) ||
      !::GetWindowRect(owner, &area)) {
    centreOnScreen(window);
    return;
  }
  centreIn(window, area);
}

void setClientSize(HWND window, int width, int height) {
  RECT r{0, 0, width, height};
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&r, style, ::GetMenu(window) != nullptr, exStyle);
  ::SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void addListColumns(HWND list, const DialogUnits& units, const ListColumn* columns, int count) {
  for (int c = 0; c < count; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = columns[c].right ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = units.x(columns[c].width);
    column.pszText = const_cast<wchar_t*>(columns[c].title);
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
}

void labelForScreenReaders(HWND control, const wchar_t* name) {
  const HWND parent = ::GetParent(control);
  if (parent == nullptr) return;
  // Never WS_VISIBLE: it takes no room and draws nothing.
  const HWND label = ::CreateWindowExW(0, L"STATIC", name, WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, parent,
                                       nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (label == nullptr) return;
  const HWND before = ::GetWindow(control, GW_HWNDPREV);
  ::SetWindowPos(label, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

}  // namespace kv::win
