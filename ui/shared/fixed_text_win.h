// Text in the fixed-pitch face with its errors underlined: the result list
// on the screen and every printed sheet draw it the same way.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win/handles.h"

namespace kv {

// The fixed-pitch face at `points` for the device `dc` (screen or printer).
win::Font createFixedFont(HDC dc, const std::string& face, int points, bool bold, bool underline);

// The extent of `text` in the font selected into `dc`.
SIZE extentOf(HDC dc, const std::wstring& text);

// Draws the runs of one prepared line from x onwards; the plain and the
// underlined font share every metric but the underline. With `highlightMarks`
// the underlined runs stand on the system's highlight as well ("Systemfarben"
// on the screen; never on paper).
void drawRuns(HDC dc, int x, int y, const std::string& line, HFONT plain, HFONT underlined,
              bool highlightMarks = false);

}  // namespace kv
