// The dialog font every window applies to itself: the system's menu font,
// bold, grown until a capital X is legible.
#pragma once

#include <windows.h>

#include <optional>

#include "app/settings.h"
#include "platform/win/handles.h"

namespace kv::win {

// Measures on a real device context with GDI.
class GdiFontMeasurer final : public FontMeasurer {
 public:
  explicit GdiFontMeasurer(HDC dc) : dc_(dc) {}
  int pixelsPerInchY() const override;
  int heightOfX(const std::string& face, int height, bool bold) override;

 private:
  HDC dc_;
};

// The menu font from the non-client metrics; nothing when the query fails.
std::optional<MenuFont> queryMenuFont();

// Runs the dialog-font rule on the screen and stores the result in `fonts`.
void updateDialogFont(FontChoice& fonts);

Font createDialogFont(const FontChoice& fonts);

// Sets `font` on the window and every child it has.
void applyDialogFont(HWND window, HFONT font);

}  // namespace kv::win
