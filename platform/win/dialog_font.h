// The dialog font every window applies to itself: the system's menu font,
// bold, grown until a capital X is legible.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/system_records.h"
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

// A font of this face, height (logical units, negative for the character
// height) and weight.
Font createFont(const std::string& face, int height, bool bold);

// Writes a Windows-1252 face name into a LOGFONT, cut to the field's size.
// (XP's runtime has no wcsncpy_s.)
void setFaceName(LOGFONTW& font, const std::string& face);

// Sets `font` on the window and every child it has.
void applyDialogFont(HWND window, HFONT font);

}  // namespace kv::win
