// Building windows in code: controls placed in units of the dialog font, so
// every window grows with the font the program computed for this screen.
#pragma once

#include <windows.h>

#include <string>

namespace kv::win {

// Dialog units of a font: 4 horizontal units per average character width,
// 8 vertical units per character height, as dialog templates count them.
class DialogUnits {
 public:
  explicit DialogUnits(HFONT font);
  int x(int units) const { return ::MulDiv(units, baseX_, 4); }
  int y(int units) const { return ::MulDiv(units, baseY_, 8); }
  int charHeight() const { return baseY_; }

 private:
  int baseX_ = 6;
  int baseY_ = 13;
};

HWND createControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id, DWORD exStyle = 0);

// Screen readers name a list or field by the static text just before it in
// the z-order. For one without a visible label this puts an invisible one
// there, with `name`.
void labelForScreenReaders(HWND control, const wchar_t* name);

// A report list's columns, widths in dialog units.
struct ListColumn {
  const wchar_t* title;
  int width;
  bool right;
};
void addListColumns(HWND list, const DialogUnits& units, const ListColumn* columns, int count);

// Pixel size of a text in a font on the screen.
SIZE textExtent(HFONT font, const std::wstring& text);

// Removes a command from the window's system menu, so neither the menu nor
// its keyboard shortcut can close the window.
void disableSystemCommand(HWND window, UINT command);

void centreOnScreen(HWND window);
void centreOver(HWND window, HWND owner);

// Grows or shrinks the window so its client area has the given size.
void setClientSize(HWND window, int width, int height);

}  // namespace kv::win
