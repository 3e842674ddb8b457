// The face of an owner-drawn push button: the visual theme's when themes are
// active, the classic raised or pushed frame otherwise. The program's picture
// buttons (colour chooser, preview switch) draw their picture over it.
#pragma once

#include <windows.h>

namespace kv {

// Draws the face for the item's state; `latched` shows a toggle button that
// is switched on as pressed. Returns the area left for the content.
RECT drawButtonFace(const DRAWITEMSTRUCT& item, bool latched);

// Draws `bitmap` centred in `area`, greyed when `disabled`.
void drawCentredBitmap(HDC dc, HBITMAP bitmap, const RECT& area, bool disabled);

}  // namespace kv
