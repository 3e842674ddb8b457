#include "ui/shared/pictures_win.h"

#include "resources/picture_ids.h"

namespace kv {
namespace {

int resourceFor(PictureSet set, int variant) {
  const int base = set == PictureSet::Splash ? KV_PICTURE_SPLASH_100 : KV_PICTURE_ABOUT_100;
  switch (variant) {
    case 125:
      return base + 1;
    case 150:
      return base + 2;
    case 175:
      return base + 3;
    default:
      return base;
  }
}

// The pictures have a colour table: the transparent colour is an entry of
// it, repainted once for every pixel that uses it.
void replaceColour(HBITMAP bitmap, COLORREF from, COLORREF to) {
  DIBSECTION dib{};
  if (::GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBits == nullptr ||
      dib.dsBm.bmBitsPixel > 8) {
    return;
  }
  win::MemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return;
  win::ScopedSelect select(dc.get(), bitmap);
  RGBQUAD table[256] = {};
  const UINT count = ::GetDIBColorTable(dc.get(), 0, 256, table);
  for (UINT i = 0; i < count; ++i) {
    if (table[i].rgbRed == GetRValue(from) && table[i].rgbGreen == GetGValue(from) && table[i].rgbBlue == GetBValue(from)) {
      table[i].rgbRed = GetRValue(to);
      table[i].rgbGreen = GetGValue(to);
      table[i].rgbBlue = GetBValue(to);
    }
  }
  ::SetDIBColorTable(dc.get(), 0, count, table);
}

}  // namespace

Picture loadPicture(PictureSet set, int ppi, std::optional<COLORREF> background) {
  Picture picture;
  picture.choice = choosePicture(ppi);
  const int id = resourceFor(set, picture.choice.variant);
  picture.bitmap.reset(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                         MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0,
                                                         0, LR_CREATEDIBSECTION)));
  if (!picture.bitmap) return picture;
  BITMAP info{};
  ::GetObjectW(picture.bitmap.get(), sizeof info, &info);
  picture.size = SIZE{info.bmWidth, info.bmHeight};
  if (background) replaceColour(picture.bitmap.get(), kTransparentPictureColour, *background);
  return picture;
}

void drawPicture(HDC dc, const Picture& picture, int x, int y) {
  if (!picture.bitmap) return;
  win::MemoryDc source(::CreateCompatibleDC(dc));
  if (!source) return;
  win::ScopedSelect select(source.get(), picture.bitmap.get());
  const SIZE shown = picture.shownSize();
  // Whole-number magnification: repeat pixels, never blur them.
  const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchBlt(dc, x, y, shown.cx, shown.cy, source.get(), 0, 0, picture.size.cx,
               picture.size.cy, SRCCOPY);
  ::SetStretchBltMode(dc, oldMode);
}

}  // namespace kv
