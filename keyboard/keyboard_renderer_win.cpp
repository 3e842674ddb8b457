#include "keyboard/keyboard_renderer_win.h"

#include <map>
#include <string_view>
#include <utility>

#include "platform/win/dialog_font.h"
#include "platform/win/strings.h"

namespace kv::win {

COLORREF colourRef(Colour colour) {
  if (isSystemColour(colour)) return ::GetSysColor(systemColourIndex(colour));
  return colour & 0xFFFFFF;
}

// ---------------------------------------------------------------------------

Canvas::~Canvas() { clear(); }

void Canvas::clear() {
  if (dc_ && original_ != nullptr) ::SelectObject(dc_.get(), original_);
  original_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool Canvas::resize(int width, int height) {
  clear();
  // Far beyond any screen; such a size would only fail slowly or overflow.
  constexpr long long kMostPixels = 1LL << 27;
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMostPixels) {
    return false;
  }
  MemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: row y starts at y · width
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return false;
  original_ = ::SelectObject(dc.get(), bitmap.get());
  dc_ = std::move(dc);
  bitmap_ = std::move(bitmap);
  bits_ = static_cast<const std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

COLORREF Canvas::pixel(int x, int y) const {
  if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  ::GdiFlush();
  const std::uint32_t v = bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                static_cast<std::size_t>(x)];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

// ---------------------------------------------------------------------------

namespace {

void fill(HDC dc, const RECT& r, COLORREF colour) {
  Brush brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &r, brush.get());
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
}

void copy(HDC target, int x, int y, HDC source, const KeyRect& r) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  ::BitBlt(target, x + r.left, y + r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top,
           SRCCOPY);
}

Font keyboardFont(HDC dc, const std::string& name, int pointSize) {
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(pointSize, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  setFaceName(lf, name);
  return Font(::CreateFontIndirectW(&lf));
}

int textWidth(HDC dc, std::wstring_view text) {
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

struct SystemColours {
  COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  COLORREF darkShadow = ::GetSysColor(COLOR_3DDKSHADOW);
  COLORREF light = ::GetSysColor(COLOR_3DHILIGHT);
  COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
};

// What the keys are drawn in: the program's own colours, or in the system's
// the window colour outlined in window text, lit in the highlight colours.
struct KeyColours {
  bool system = false;
  COLORREF caption = kCaptionColour;
  COLORREF litKey = kLitKeyColour;
  COLORREF litCaption = kLitCaptionColour;
  COLORREF outline = ::GetSysColor(COLOR_3DDKSHADOW);
  COLORREF corner = ::GetSysColor(COLOR_BTNFACE);
  COLORREF key = ::GetSysColor(COLOR_WINDOW);
};

KeyColours keyColours(bool system) {
  KeyColours c;
  if (!system) return c;
  c.system = true;
  c.caption = ::GetSysColor(COLOR_WINDOWTEXT);
  c.litKey = ::GetSysColor(COLOR_HIGHLIGHT);
  c.litCaption = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  c.outline = ::GetSysColor(COLOR_WINDOWTEXT);
  return c;
}

// The frame picture in the current colours. Its outside and inside are the
// background colour, which the frame's own colours must never equal: the
// stretching skips background pixels and the flood fill must not leak out.
bool drawFramePicture(Canvas& picture, COLORREF background, const SystemColours& system) {
  if (!picture.resize(kFramePictureSize, kFramePictureSize)) return false;
  const auto distinct = [background](COLORREF c) { return c == background ? c ^ 0x010101 : c; };
  const COLORREF colours[] = {background, distinct(system.darkShadow), distinct(system.light),
                              distinct(system.face), distinct(system.shadow)};
  for (int y = 0; y < kFramePictureSize; ++y) {
    for (int x = 0; x < kFramePictureSize; ++x) {
      ::SetPixelV(picture.dc(), x, y, colours[static_cast<std::size_t>(framePicturePixel(x, y))]);
    }
  }
  return true;
}

// Corners from the picture's quadrants, sides from their edge pixels
// stretched along the image, then the surface inside filled with button face.
void drawFrame(const Canvas& image, const Canvas& picture, COLORREF background, COLORREF face) {
  const HDC dc = image.dc();
  const int W = image.width(), H = image.height();
  const int qw = picture.width() / 2, qh = picture.height() / 2;
  const int pr = picture.width() - qw, pb = picture.height() - qh;  // right/bottom quadrants
  const auto stretch = [&](int px, int py, const RECT& r) {
    const COLORREF c = picture.pixel(px, py);
    if (c != background) fill(dc, r, c);
  };

  ::BitBlt(dc, 0, 0, qw, qh, picture.dc(), 0, 0, SRCCOPY);
  for (int x = 0; x < qw; ++x) stretch(x, qh - 1, RECT{x, qh, x + 1, H - qh});
  for (int y = 0; y < qh; ++y) stretch(qw - 1, y, RECT{qw, y, W - qw, y + 1});

  ::BitBlt(dc, W - qw, H - qh, qw, qh, picture.dc(), pr, pb, SRCCOPY);
  for (int x = 0; x < qw; ++x) stretch(pr + x, pb, RECT{W - qw + x, qh, W - qw + x + 1, H - qh});
  for (int y = 0; y < qh; ++y) stretch(pr, pb + y, RECT{qw, H - qh + y, W - qw, H - qh + y + 1});

  ::BitBlt(dc, W - qw, 0, qw, qh, picture.dc(), pr, 0, SRCCOPY);
  ::BitBlt(dc, 0, H - qh, qw, qh, picture.dc(), 0, pb, SRCCOPY);

  Brush brush(::CreateSolidBrush(face));
  ScopedSelect select(dc, brush.get());
  ::ExtFloodFill(dc, kFrameFillX, kFrameFillY, background, FLOODFILLSURFACE);
}

// One layout pass's drawing: both pictures, the fonts of the pass (released
// with it) and the painter that RegisterKey calls for captions and symbols.
class LayoutPass final : public KeyPainter {
 public:
  LayoutPass(const Canvas& normal, const Canvas& lit, const TextHeights& heights,
             const std::string& fontName, const KeyColours& colours)
      : normal_(normal.dc()),
        lit_(lit.dc()),
        heights_(heights),
        fontName_(fontName),
        colours_(colours),
        facePen_(::CreatePen(PS_SOLID, 1, colours.system ? colours.key : system_.face)),
        darkPen_(::CreatePen(PS_SOLID, 1, colours.outline)) {
    for (const HDC dc : {normal_, lit_}) ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(normal_, colours_.caption);
    ::SetTextColor(lit_, colours_.litCaption);
  }

  void drawKey(KeyTable& table, bool enterLower, const KeyRect& rect, int keyIndex, COLORREF fingerColour,
               int row) {
    const COLORREF finger = colours_.system ? colours_.key : fingerColour;
    const COLORREF litKey = colours_.litKey;
    if (enterLower) {
      keyFrame(normal_, rect, finger, true);
      keyFrame(lit_, rect, litKey, true);
      enterConnector(normal_, table.EnterUpperRect, rect, finger);
      enterConnector(lit_, table.EnterUpperRect, rect, litKey);
      RegisterKey(table, rect, keyIndex, row, this, litKey, finger);
      return;
    }
    // A painted key has been filled already; the frame must not cover its caption.
    const bool painted = RegisterKey(table, rect, keyIndex, row, this, litKey, finger);
    keyFrame(normal_, rect, finger, !painted);
    keyFrame(lit_, rect, litKey, !painted);
  }

  bool paintKey(const KeyPaint& paint) override {
    if (paint.key.symbol == KeySymbol::Enter) {
      // Drawn over the upper part, which is framed and filled by now.
      symbol(KeySymbol::Enter, paint.enterUpper);
      return true;
    }
    fillKey(normal_, paint.rect, colourRef(paint.fingerColour));
    fillKey(lit_, paint.rect, colourRef(paint.litColour));
    if (paint.key.symbol != KeySymbol::None) {
      symbol(paint.key.symbol, paint.rect);
    } else {
      caption(paint.key.caption, paint.rect);
    }
    return true;
  }

 private:
  void fillKey(HDC dc, const KeyRect& r, COLORREF colour) {
    Brush brush(::CreateSolidBrush(colour));
    ScopedSelect pen(dc, facePen_.get());
    ScopedSelect fillBrush(dc, brush.get());
    ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
  }

  void keyFrame(HDC dc, const KeyRect& r, COLORREF colour, bool filled) {
    if (filled) fillKey(dc, r, colour);
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    for (const POINT p :
         {POINT{R - 2, T + 1}, POINT{R - 2, B - 2}, POINT{L + 1, B - 2}, POINT{L + 1, T + 1}}) {
      ::SetPixelV(dc, p.x, p.y, colours_.corner);
    }
    // A rounded outline: straight sides, two-pixel steps at the corners.
    ScopedSelect pen(dc, darkPen_.get());
    line(dc, L + 4, T, R - 4, T);
    line(dc, R - 4, T + 1, R - 2, T + 1);
    line(dc, R - 2, T + 2, R - 2, T + 4);
    line(dc, R - 1, T + 4, R - 1, B - 4);
    line(dc, R - 2, B - 4, R - 2, B - 2);
    line(dc, R - 3, B - 2, R - 5, B - 2);
    line(dc, R - 5, B - 1, L + 3, B - 1);
    line(dc, L + 3, B - 2, L + 1, B - 2);
    line(dc, L + 1, B - 3, L + 1, B - 5);
    line(dc, L, B - 5, L, T + 3);
    line(dc, L + 1, T + 3, L + 1, T + 1);
    line(dc, L + 2, T + 1, L + 4, T + 1);
  }

  // Joins Enter's upper part U and lower part L into one L-shaped key: fills
  // the row gap and the corners between them, continues the right side, and
  // rounds the inner corner where the upper part's bottom meets the lower
  // part's left side.
  void enterConnector(HDC dc, const KeyRect& U, const KeyRect& L, COLORREF colour) {
    Pen pen(::CreatePen(PS_SOLID, 1, colour));
    {
      Brush brush(::CreateSolidBrush(colour));
      ScopedSelect selectPen(dc, pen.get());
      ScopedSelect selectBrush(dc, brush.get());
      ::Rectangle(dc, L.left + 1, U.bottom - 4, L.right - 1, L.top + 4);
    }
    {
      ScopedSelect selectPen(dc, darkPen_.get());
      line(dc, U.right - 1, U.top + 4, L.right - 1, L.bottom - 4);
      line(dc, L.left, L.bottom - 5, L.left, U.bottom - 1);
      line(dc, L.left - 2, U.bottom, L.left - 4, U.bottom);
      line(dc, L.left - 1, U.bottom + 1, L.left - 1, U.bottom + 3);
    }
    ScopedSelect selectPen(dc, pen.get());
    line(dc, L.left, U.bottom - 1, L.left - 4, U.bottom - 1);
    line(dc, L.left, U.bottom - 1, L.left, U.bottom + 3);
    ::SetPixelV(dc, L.left - 1, U.bottom, colour);
  }

  void symbol(KeySymbol symbol, const KeyRect& rect) {
    Brush black(::CreateSolidBrush(colours_.caption));
    Brush white(::CreateSolidBrush(colours_.litCaption));
    for (const KeyRect& r : symbolRects(symbol, rect)) {
      const RECT area{r.left, r.top, r.right, r.bottom};
      ::FillRect(normal_, &area, black.get());
      ::FillRect(lit_, &area, white.get());
    }
  }

  void caption(std::string_view caption, const KeyRect& rect) {
    const int size = captionFontSize(heights_, caption, rect.bottom - rect.top);
    const int th = heights_.at(size);
    const HFONT font = fontFor(size);
    ScopedSelect normalFont(normal_, font);
    ScopedSelect litFont(lit_, font);
    const auto draw = [&](std::string_view text, int index) {
      const std::wstring wide = widen(text);
      const CaptionPoint p = captionPosition(caption, index, rect, textWidth(normal_, wide), th);
      for (const HDC dc : {normal_, lit_}) {
        ::TextOutW(dc, p.x, p.y, wide.c_str(), static_cast<int>(wide.size()));
      }
    };
    if (captionKind(caption) == CaptionKind::Modifier) {
      draw(caption, 0);
      return;
    }
    for (std::size_t i = 0; i < caption.size(); ++i)
      draw(caption.substr(i, 1), static_cast<int>(i));
  }

  HFONT fontFor(int pointSize) {
    auto it = fonts_.find(pointSize);
    if (it == fonts_.end()) {
      it = fonts_.emplace(pointSize, keyboardFont(normal_, fontName_, pointSize)).first;
    }
    return it->second.get();
  }

  HDC normal_;
  HDC lit_;
  const TextHeights& heights_;
  const std::string& fontName_;
  const KeyColours& colours_;
  SystemColours system_;
  Pen facePen_;
  Pen darkPen_;
  std::map<int, Font> fonts_;
};

}  // namespace

// ---------------------------------------------------------------------------

KeyboardRenderer::KeyboardRenderer(KeyboardLook look, KeyTable& table)
    : look_(std::move(look)), table_(table) {}

bool KeyboardRenderer::layout(std::uint16_t sizeValue, bool force) {
  if (!force && ready_ && sizeValue == drawnSize_) return false;
  const KeyTableBuild build(table_);
  drawnSize_ = sizeValue;
  ready_ = false;

  const KeyboardGeometry geometry = keyboardGeometry(sizeValue);
  Canvas picture;
  const COLORREF background =
      look_.systemColours ? ::GetSysColor(COLOR_WINDOW) : colourRef(look_.colours.background);
  const SystemColours system;
  const KeyColours colours = keyColours(look_.systemColours);
  if (!normal_.resize(geometry.imageWidth, geometry.imageHeight) ||
      !lit_.resize(geometry.imageWidth, geometry.imageHeight) ||
      !drawFramePicture(picture, background, system)) {
    normal_.clear();
    lit_.clear();
    for (int row = 0; row < kKeyRows; ++row) {
      for (int key = 0; key < keysInRow(row); ++key) {
        RegisterKey(table_, KeyRect{}, key, row, nullptr, 0, 0);
      }
    }
    return false;
  }

  const RECT all{0, 0, normal_.width(), normal_.height()};
  fill(normal_.dc(), all, background);

  if (!heightsMeasured_) {
    const HDC dc = normal_.dc();
    heights_ = measureTextHeights([&](int pointSize) {
      Font font = keyboardFont(dc, look_.fontName, pointSize);
      ScopedSelect select(dc, font.get());
      SIZE size{};
      return ::GetTextExtentPoint32W(dc, L" ", 1, &size) ? static_cast<int>(size.cy) : 0;
    });
    heightsMeasured_ = true;
  }

  drawFrame(normal_, picture, background, system.face);
  ::BitBlt(lit_.dc(), 0, 0, lit_.width(), lit_.height(), normal_.dc(), 0, 0, SRCCOPY);

  LayoutPass pass(normal_, lit_, heights_, look_.fontName, colours);
  for (int row = 0; row < kKeyRows; ++row) {
    for (int key = 0; key < keysInRow(row); ++key) {
      const KeyDefinition* definition = keyDefinition(row, key);
      const ImageRect r = keyboardKeyRect(geometry, row, key);
      pass.drawKey(table_, definition->special == SpecialKey::EnterLower,
                   KeyRect{r.left, r.top, r.right, r.bottom}, key,
                   colourRef(fingerColour(look_.colours, definition->finger)), row);
    }
  }
  ::GdiFlush();
  ready_ = true;
  return true;
}

void KeyboardRenderer::paint(HDC target, int x, int y, Image image) const {
  if (!ready_ || target == nullptr) return;
  const Canvas& source = image == Image::Lit ? lit_ : normal_;
  ::BitBlt(target, x, y, source.width(), source.height(), source.dc(), 0, 0, SRCCOPY);
}

void KeyboardRenderer::showLitKey(HDC target, int x, int y, int key, int step, bool on) const {
  if (!ready_ || target == nullptr) return;
  const LitRects rects = LitRectsOf(table_, key);
  const int modifier = static_cast<int>(ModifierOf(table_, key));
  // Off takes everything back; on, the modifier keys come one step before
  // the key itself.
  const bool modifiers = !on || modifier <= step;
  const bool keys = !on || modifier < step;
  const HDC source = on ? lit_.dc() : normal_.dc();
  if (modifiers) {
    for (int i = 0; i < rects.modifierCount; ++i) {
      copy(target, x, y, source, rects.modifiers[static_cast<std::size_t>(i)]);
    }
  }
  if (keys) {
    for (int i = 0; i < rects.keyCount; ++i) {
      copy(target, x, y, source, rects.keys[static_cast<std::size_t>(i)]);
    }
  }
}

}  // namespace kv::win
