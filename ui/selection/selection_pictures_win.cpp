#include "ui/selection/selection_pictures_win.h"

#include <algorithm>
#include <array>

#include "ui/shared/system_colours_win.h"

namespace kv {
namespace {

COLORREF rgbOf(Colour c) {
  if (isSystemColour(c)) return ::GetSysColor(systemColourIndex(c));
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

void fill(HDC dc, int x, int y, int w, int h, COLORREF colour) {
  if (w <= 0 || h <= 0) return;
  win::Brush brush(::CreateSolidBrush(colour));
  const RECT r{x, y, x + w, y + h};
  ::FillRect(dc, &r, brush.get());
}

void frame(HDC dc, int x, int y, int w, int h, COLORREF colour) {
  win::Brush brush(::CreateSolidBrush(colour));
  const RECT r{x, y, x + w, y + h};
  ::FrameRect(dc, &r, brush.get());
}

// Icons are designed on a 16-unit grid and scaled to the square they get.
class Grid {
 public:
  Grid(HDC dc, int x, int y, int size) : dc_(dc), x_(x), y_(y), size_(size) {}
  int px(int u) const { return x_ + ::MulDiv(u, size_, 16); }
  int py(int u) const { return y_ + ::MulDiv(u, size_, 16); }
  void box(int l, int t, int r, int b, COLORREF c) const { fill(dc_, px(l), py(t), px(r) - px(l), py(b) - py(t), c); }
  void outline(int l, int t, int r, int b, COLORREF c) const {
    frame(dc_, px(l), py(t), px(r) - px(l), py(b) - py(t), c);
  }

 private:
  HDC dc_;
  int x_, y_, size_;
};

// The pictures' colours: their own, or in the system's colours the window
// text on the window, grey text for lines and the highlight for what stands
// out.
struct Inks {
  COLORREF ink = RGB(40, 48, 56);
  COLORREF paper = RGB(255, 255, 255);
  COLORREF line = RGB(150, 160, 170);
  COLORREF cover = RGB(11, 79, 108);
  COLORREF coverLight = RGB(29, 140, 147);
  COLORREF pages = RGB(236, 230, 210);
  COLORREF spine = RGB(170, 60, 40);
  COLORREF glass = RGB(200, 230, 240);
};

Inks currentInks() {
  Inks k;
  if (!systemColoursOn()) return k;
  const SystemColourRoles roles = systemColourRoles();
  k.ink = roles.windowText;
  k.paper = roles.window;
  k.line = roles.grayText;
  k.cover = roles.windowText;
  k.coverLight = roles.highlight;
  k.pages = roles.window;
  k.spine = roles.highlight;
  k.glass = roles.window;
  return k;
}

}  // namespace

void drawSelectionIcon(HDC dc, SelectionIcon icon, int x, int y, int size) {
  const Grid g(dc, x, y, size);
  const Inks inks = currentInks();
  const COLORREF kInk = inks.ink, kPaper = inks.paper, kLine = inks.line, kCover = inks.cover,
                 kCoverLight = inks.coverLight, kPages = inks.pages;
  switch (icon) {
    case SelectionIcon::Text:
      g.box(3, 1, 13, 15, kPaper);
      g.outline(3, 1, 13, 15, kInk);
      for (int line = 4; line <= 12; line += 2) g.box(5, line, line == 12 ? 9 : 11, line + 1, kLine);
      break;
    case SelectionIcon::Archive:  // a closed book
      g.box(3, 2, 13, 14, kCover);
      g.box(11, 3, 13, 14, kPages);
      g.box(5, 5, 10, 6, kPages);
      g.outline(3, 2, 13, 14, kInk);
      break;
    case SelectionIcon::CurrentArchive:  // the open book in use
      g.box(1, 3, 8, 13, kPages);
      g.box(8, 3, 15, 13, kPages);
      g.outline(1, 3, 8, 13, kInk);
      g.outline(8, 3, 15, 13, kInk);
      for (int line = 5; line <= 10; line += 2) {
        g.box(2, line, 7, line + 1, kLine);
        g.box(9, line, 14, line + 1, kLine);
      }
      g.box(7, 13, 9, 15, kCoverLight);
      break;
    case SelectionIcon::Heading:  // books on a shelf
      g.box(2, 3, 5, 13, kCover);
      g.box(5, 5, 8, 13, kCoverLight);
      g.box(8, 2, 11, 13, inks.spine);
      g.box(11, 6, 14, 13, kCover);
      g.box(1, 13, 15, 15, kInk);
      break;
    case SelectionIcon::Preview:  // a page under a magnifying glass
      g.box(1, 1, 10, 14, kPaper);
      g.outline(1, 1, 10, 14, kInk);
      for (int line = 3; line <= 11; line += 2) g.box(3, line, 8, line + 1, kLine);
      g.box(8, 7, 14, 13, inks.glass);
      g.outline(8, 7, 14, 13, kInk);
      g.box(13, 12, 16, 15, kInk);
      break;
  }
}

win::Bitmap drawFormStrip(int width, int rowHeight, const FingerColours& colours) {
  win::WindowDc screen(nullptr);
  win::Bitmap strip(::CreateCompatibleBitmap(screen.get(), width, rowHeight * 4));
  win::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!strip || !dc) return strip;
  win::ScopedSelect keep(dc.get(), strip.get());
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  fill(dc.get(), 0, 0, width, rowHeight * 4, face);
  const Inks inks = currentInks();
  const COLORREF kInk = inks.ink, kPaper = inks.paper, kLine = inks.line;
  // In the system's colours the keyboard is the window and the home row
  // shines in the highlight, as the lit key does.
  const bool system = systemColoursOn();
  const COLORREF back = system ? inks.paper : rgbOf(colours.background);
  const COLORREF lit = ::GetSysColor(COLOR_HIGHLIGHT);
  // What shows on the little screens: white words on the keyboard's colour,
  // or window text on the window.
  const COLORREF words = system ? kInk : kPaper;
  const std::array<COLORREF, 5> finger = system ? std::array<COLORREF, 5>{lit, lit, lit, lit, lit}
                                                : std::array<COLORREF, 5>{rgbOf(colours.little), rgbOf(colours.ring),
                                                                          rgbOf(colours.middle), rgbOf(colours.index),
                                                                          rgbOf(colours.thumb)};
  const int u = std::max(1, rowHeight / 16);  // one unit of the row's design
  auto screenRect = [&](int top, int left, int w, int h) {
    fill(dc.get(), left, top, w, h, back);
    frame(dc.get(), left, top, w, h, kInk);
  };
  // Form 1: the template runs from right to left across a band.
  {
    const int top = 0;
    screenRect(top + 4 * u, u, width - 2 * u, 8 * u);
    int x = width - 3 * u;
    for (int word : {5, 3, 6, 4, 5, 2, 6}) {
      const int w = word * u;
      fill(dc.get(), x - w, top + 7 * u, w, 2 * u, words);
      x -= w + 2 * u;
      if (x < 2 * u) break;
    }
    fill(dc.get(), 3 * u, top + 13 * u, 6 * u, u, kInk);  // the arrow
    fill(dc.get(), 3 * u, top + 12 * u, u, 3 * u, kInk);
  }
  // Form 2: a keyboard whose home-row keys shine in the finger colours.
  {
    const int top = rowHeight;
    screenRect(top + u, u, width - 2 * u, rowHeight - 2 * u);
    const int keys = 10;
    const int pitch = (width - 4 * u) / keys;
    const int key = pitch - u;
    const int order[keys] = {0, 1, 2, 3, 3, 3, 3, 2, 1, 0};
    for (int row = 0; row < 2; ++row) {
      for (int k = 0; k < keys; ++k) {
        const int kx = 2 * u + k * pitch + row * u;
        const int ky = top + 3 * u + row * (key + u);
        const bool home = row == 1;
        fill(dc.get(), kx, ky, key, key, home ? finger[static_cast<std::size_t>(order[k])] : kPaper);
        frame(dc.get(), kx, ky, key, key, kInk);
      }
    }
    const int sy = top + 3 * u + 2 * (key + u);
    if (sy + 2 * u < top + rowHeight - u) {
      fill(dc.get(), width / 4, sy, width / 2, std::min(key, top + rowHeight - 2 * u - sy), finger[4]);
      frame(dc.get(), width / 4, sy, width / 2, std::min(key, top + rowHeight - 2 * u - sy), kInk);
    }
  }
  // Form 3: the template above, the typing field below.
  {
    const int top = 2 * rowHeight;
    screenRect(top + u, u, width - 2 * u, rowHeight - 2 * u);
    fill(dc.get(), 3 * u, top + 3 * u, width - 6 * u, 5 * u, kPaper);
    if (system) frame(dc.get(), 3 * u, top + 3 * u, width - 6 * u, 5 * u, kInk);
    for (int line = 0; line < 2; ++line) fill(dc.get(), 5 * u, top + (4 + 2 * line) * u, width / 2, u, kLine);
    fill(dc.get(), 3 * u, top + 10 * u, width - 6 * u, 4 * u, kPaper);
    if (system) frame(dc.get(), 3 * u, top + 10 * u, width - 6 * u, 4 * u, kInk);
    fill(dc.get(), 5 * u, top + 11 * u, width / 3, u, kInk);
  }
  // Form 4: a sheet of paper beside the screen.
  {
    const int top = 3 * rowHeight;
    const int sheet = width / 3;
    fill(dc.get(), 2 * u, top + u, sheet, rowHeight - 2 * u, kPaper);
    frame(dc.get(), 2 * u, top + u, sheet, rowHeight - 2 * u, kInk);
    for (int line = 3; line < 14; line += 2) fill(dc.get(), 4 * u, top + line * u, sheet - 4 * u, u, kLine);
    screenRect(top + 3 * u, sheet + 5 * u, width - sheet - 6 * u, 10 * u);
    fill(dc.get(), sheet + 7 * u, top + 6 * u, width - sheet - 14 * u, u, words);
  }
  return strip;
}

GlyphTemplate drawGlyphTemplate(int percent) {
  // The colours the chooser maps; nothing else may appear in the picture.
  static constexpr std::array<COLORREF, 16> kPalette = {
      0xC0C0C0, 0x808080, 0xFFFFFF, 0x000000, 0x800080, 0xFF00FF, 0xFF0000, 0x00FF00,
      0x0000FF, 0x00FFFF, 0xFFFF00, 0x008080, 0x800000, 0x008000, 0x808000, 0x000080};
  GlyphTemplate t;
  t.width = ::MulDiv(kGlyphWidth, percent, 100);
  t.stripHeight = ::MulDiv(kGlyphStripHeight, percent, 100);
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = t.width;
  info.header.biHeight = t.stripHeight * 3;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = kPalette.size();
  for (std::size_t i = 0; i < kPalette.size(); ++i) {
    info.colours[i] = RGBQUAD{GetBValue(kPalette[i]), GetGValue(kPalette[i]), GetRValue(kPalette[i]), 0};
  }
  void* bits = nullptr;
  win::WindowDc screen(nullptr);
  t.bitmap.reset(::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                    DIB_RGB_COLORS, &bits, nullptr, 0));
  win::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!t.bitmap || !dc) return t;
  win::ScopedSelect keep(dc.get(), t.bitmap.get());
  const int w = t.width;
  const int h = t.stripHeight;
  auto s = [percent](int v) { return ::MulDiv(v, percent, 100); };
  fill(dc.get(), 0, 0, w, 3 * h, 0xC0C0C0);
  // The sunken screen every strip shows: shadow above and left, highlight
  // below and right, the dark edge inside.
  auto sunken = [&](int top, COLORREF inside) {
    fill(dc.get(), s(2), top + s(2), w - s(4), h - s(4), 0x808080);
    fill(dc.get(), s(3), top + s(3), w - s(5), h - s(5), 0xFFFFFF);
    fill(dc.get(), s(3), top + s(3), w - s(6), h - s(6), 0x000000);
    fill(dc.get(), s(4), top + s(4), w - s(8), h - s(8), inside);
  };
  // Strip 0: running text on the keyboard's background.
  sunken(0, 0x808000);
  for (int x = s(8), i = 0; x < w - s(10); ++i) {
    const int word = s(4 + (i * 3) % 7);
    fill(dc.get(), x, s(12), std::min(word, w - s(8) - x), s(3), 0x800080);
    x += word + s(3);
  }
  fill(dc.get(), s(8), s(19), s(12), s(1) + 1, 0x800080);
  // Strip 1: the home row in the five finger colours, thumb below. Every
  // edge is placed in whole units of the 100 % picture and then scaled, so
  // the row ends where it does at 100 % at every size; each key is outlined
  // so that neighbouring colours stay apart even where they are alike.
  {
    const int top = h;
    sunken(top, 0xC0C0C0);
    const COLORREF fingers[8] = {0x00FF00, 0x0000FF, 0x00FFFF, 0xFFFF00,
                                 0xFFFF00, 0x00FFFF, 0x0000FF, 0x00FF00};
    for (int k = 0; k < 8; ++k) {
      const int left = kGlyphKeysLeft + k * kGlyphKeyStep + (k >= 4 ? kGlyphHandGap : 0);
      const int x0 = s(left);
      const int x1 = s(left + kGlyphKeyStep);
      const int y0 = top + s(kGlyphKeysTop);
      const int y1 = top + s(kGlyphKeysTop + kGlyphKeyStep);
      fill(dc.get(), x0, y0, x1 - x0 + 1, y1 - y0 + 1, 0x000000);
      fill(dc.get(), x0 + 1, y0 + 1, x1 - x0 - 1, y1 - y0 - 1, fingers[k]);
    }
    const int thumbLeft = s(kGlyphKeysLeft + 2 * kGlyphKeyStep);
    const int thumbRight = s(kGlyphKeysLeft + 6 * kGlyphKeyStep + kGlyphHandGap);
    const int thumbTop = top + s(kGlyphKeysTop + kGlyphKeyStep + 3);
    const int thumbBottom = top + s(kGlyphKeysTop + 2 * kGlyphKeyStep + 2);
    fill(dc.get(), thumbLeft, thumbTop, thumbRight - thumbLeft + 1, thumbBottom - thumbTop + 1, 0x000000);
    fill(dc.get(), thumbLeft + 1, thumbTop + 1, thumbRight - thumbLeft - 1, thumbBottom - thumbTop - 1,
         0x008080);
  }
  // Strip 2: the template in the window's colours above the typed text on
  // the background.
  {
    const int top = 2 * h;
    sunken(top, 0x808000);
    fill(dc.get(), s(6), top + s(6), w - s(12), s(7), 0xFF0000);
    for (int x = s(8), i = 0; x < w - s(14); ++i) {
      const int word = s(3 + (i * 5) % 6);
      fill(dc.get(), x, top + s(8), std::min(word, w - s(8) - x), s(2), 0xFF00FF);
      x += word + s(2);
    }
    fill(dc.get(), s(8), top + s(17), s(22), s(2), 0x800080);
  }
  ::GdiFlush();
  return t;
}

}  // namespace kv
