// The dialog font of the program's windows: the system's menu font, bold,
// grown until a capital X is legible.
#pragma once

#include "core/settings.h"
#include "platform/win/handles.h"

namespace kv {

// Runs the dialog-font rule on the screen and stores the result in `fonts`.
void updateDialogFont(FontChoice& fonts);
win::Font createDialogFont(const FontChoice& fonts);
// A window's heading: the dialog font's face, half as large again and bold;
// nothing when the dialog font cannot be read.
win::Font createHeadingFont(HFONT dialogFont);

}  // namespace kv
