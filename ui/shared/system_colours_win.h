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

}  // namespace kv
