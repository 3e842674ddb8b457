// "Systemfarben": the one place every painter asks whether to draw in the
// program's colours or in the system's, and the system's colour roles.
#pragma once

#include <windows.h>

namespace kv {

// Windows runs with high contrast switched on (the accessibility setting).
bool highContrastOn();

// The learner's or the administrator's choice of "Systemfarben", or Windows'
// high contrast: then every window draws with the roles below alone.
bool systemColoursOn();

// Read from the system on every call, so a changed scheme shows on the next
// paint after WM_SYSCOLORCHANGE.
struct SystemColourRoles {
  COLORREF window;         // the ground of text and pictures
  COLORREF windowText;     // template, running text, typed text, outlines, chart lines
  COLORREF highlight;      // the lit key, marked errors
  COLORREF highlightText;  // text on the highlight
  COLORREF buttonFace;     // the keyboard's surface, panels
  COLORREF buttonText;
  COLORREF grayText;       // secondary words: scales, notes
};
SystemColourRoles systemColourRoles();

// The answer to WM_CTLCOLORSTATIC and WM_CTLCOLORBTN of a window drawn on
// the button face: ground and text in the face's colours, so that a dark
// face keeps its text readable.
inline LRESULT controlOnFace(WPARAM dc) {
  ::SetBkColor(reinterpret_cast<HDC>(dc), ::GetSysColor(COLOR_3DFACE));
  ::SetTextColor(reinterpret_cast<HDC>(dc), ::GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
}

}  // namespace kv
