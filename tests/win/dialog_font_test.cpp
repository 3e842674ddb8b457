#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"

#include <gtest/gtest.h>

namespace kv::win {
namespace {

TEST(DialogFontOnScreen, MenuFontIsReadAndTheResultIsLegible) {
  const auto menu = queryMenuFont();
  ASSERT_TRUE(menu.has_value());
  EXPECT_FALSE(menu->faceName.empty());

  FontChoice fonts;
  updateDialogFont(fonts);
  EXPECT_EQ(fonts.dialogFontName, menu->faceName.substr(0, 32));
  EXPECT_TRUE(fonts.dialogFontBold);
  WindowDc screen(nullptr);
  GdiFontMeasurer measurer(screen.get());
  EXPECT_GE(measurer.heightOfX(fonts.dialogFontName, fonts.dialogFontHeight, true),
            kMinDialogXHeight);
  // One point less would be too small, unless the menu font was large enough.
  if (fonts.dialogFontHeight != menu->height) {
    const int smaller = -::MulDiv(fonts.dialogFontSize - 1, measurer.pixelsPerInchY(), 72);
    EXPECT_LT(measurer.heightOfX(fonts.dialogFontName, smaller, true), kMinDialogXHeight);
  }
}

TEST(DialogFontOnScreen, AppliesToTheWindowAndItsChildren) {
  FontChoice fonts;
  updateDialogFont(fonts);
  Font font = createDialogFont(fonts);
  ASSERT_TRUE(font);
  HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
  HWND child = ::CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD, 0, 0, 50, 20, parent, nullptr,
                                 nullptr, nullptr);
  applyDialogFont(parent, font.get());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), font.get());
  ::DestroyWindow(parent);
}

}  // namespace
}  // namespace kv::win
