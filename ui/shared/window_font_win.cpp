#include "ui/shared/window_font_win.h"

#include "platform/win/dialog_font.h"

namespace kv {

void updateDialogFont(FontChoice& fonts) {
  const auto menu = win::queryMenuFont();
  win::WindowDc screen(nullptr);
  if (screen.get() == nullptr) return;
  win::GdiFontMeasurer measurer(screen.get());
  computeDialogFont(menu, measurer, fonts);
}

win::Font createDialogFont(const FontChoice& fonts) {
  return win::createFont(fonts.dialogFontName, fonts.dialogFontHeight, fonts.dialogFontBold);
}

win::Font createHeadingFont(HFONT dialogFont) {
  LOGFONTW face{};
  if (dialogFont == nullptr || ::GetObjectW(dialogFont, sizeof face, &face) != sizeof face) return win::Font();
  face.lfHeight = face.lfHeight * 3 / 2;
  face.lfWeight = FW_BOLD;
  return win::Font(::CreateFontIndirectW(&face));
}

}  // namespace kv
