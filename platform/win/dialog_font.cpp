#include "platform/win/dialog_font.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "platform/win/strings.h"

namespace kv::win {
namespace {

Font makeFont(const std::string& face, int height, bool bold) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  setFaceName(lf, face);
  return Font(::CreateFontIndirectW(&lf));
}

}  // namespace

void setFaceName(LOGFONTW& font, const std::string& face) {
  const std::wstring wide = widen(face);
  const std::size_t length = std::min(wide.size(), std::size(font.lfFaceName) - 1);
  std::copy_n(wide.begin(), length, font.lfFaceName);
  font.lfFaceName[length] = L'\0';
}

int GdiFontMeasurer::pixelsPerInchY() const { return ::GetDeviceCaps(dc_, LOGPIXELSY); }

int GdiFontMeasurer::heightOfX(const std::string& face, int height, bool bold) {
  Font font = makeFont(face, height, bold);
  if (!font) return 0;
  ScopedSelect select(dc_, font.get());
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc_, L"X", 1, &size)) return 0;
  return size.cy;
}

std::optional<MenuFont> queryMenuFont() {
  NONCLIENTMETRICSW metrics{};
  // Built for XP, the record lacks Vista's padded-border field: the size every
  // Windows accepts.
  metrics.cbSize = sizeof(metrics);
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    return std::nullopt;
  }
  MenuFont menu;
  menu.faceName = narrowLossy(metrics.lfMenuFont.lfFaceName);
  menu.height = metrics.lfMenuFont.lfHeight;
  return menu;
}

Font createFont(const std::string& face, int height, bool bold) { return makeFont(face, height, bold); }

void applyDialogFont(HWND window, HFONT font) {
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM lParam) CALLBACK -> BOOL {
        ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(lParam), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(font));
}

}  // namespace kv::win
