#include "keyboard/key_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv {

int roundHalfEven(long long numerator, long long denominator) {
  long long quotient = numerator / denominator;
  long long remainder = numerator % denominator;
  if (remainder < 0) {  // floor division for negative numerators
    remainder += denominator;
    --quotient;
  }
  if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0)) {
    ++quotient;
  }
  return static_cast<int>(quotient);
}

// ---------------------------------------------------------------------------

int TextHeights::at(int pointSize) const {
  if (pointSize < kSmallestCaptionSize || pointSize > kLargestCaptionSize) return 0;
  return heights_[static_cast<std::size_t>(pointSize)];
}

void TextHeights::set(int pointSize, int height) {
  if (pointSize < kSmallestCaptionSize || pointSize > kLargestCaptionSize) return;
  heights_[static_cast<std::size_t>(pointSize)] =
      static_cast<std::uint16_t>(std::clamp(height, 0, 0xFFFF));
}

bool isMeasuredTextSize(int pointSize) {
  if (pointSize < kSmallestCaptionSize || pointSize > kLargestCaptionSize) return false;
  return pointSize <= 45 || pointSize % 2 == 0;
}

void interpolateOddTextHeights(TextHeights& heights) {
  // 45 is measured too, but replaced, so the odd sizes all follow one rule.
  for (int size = 45; size < kLargestCaptionSize; size += 2) {
    heights.set(size, roundHalfEven(heights.at(size - 1) + heights.at(size + 1), 2));
  }
}

TextHeights measureTextHeights(const std::function<int(int pointSize)>& heightOfSpace) {
  TextHeights heights;
  for (int size = kSmallestCaptionSize; size <= kLargestCaptionSize; ++size) {
    if (isMeasuredTextSize(size)) heights.set(size, heightOfSpace(size));
  }
  interpolateOddTextHeights(heights);
  return heights;
}

// ---------------------------------------------------------------------------

namespace {

constexpr unsigned char kAcuteAccent = 0xB4;

// h / height > ratio / 10, without floating point. A height of 0 is a size
// that could not be measured; growing stops there rather than running on to
// the largest font.
bool tallerThan(int h, int height, int ratioTenths) {
  return height > 0 && 10LL * h > static_cast<long long>(ratioTenths) * height;
}

// The common search: grow while the key is more than `ratio` text heights
// high, then shrink while the text would not fit under `bound`. The result
// stays within 6 and 250 points; the font size is k + 1.
int searchFontSize(const TextHeights& heights, int growHeight, int ratioTenths, int bound) {
  int k = kSmallestCaptionSize;
  while (k + 1 < kLargestCaptionSize && tallerThan(growHeight, heights.at(k + 1), ratioTenths)) ++k;
  while (bound < heights.at(k + 1) && k - 1 >= kSmallestCaptionSize - 1) --k;
  return k + 1;
}

}  // namespace

CaptionKind captionKind(std::string_view caption) {
  if (caption == "Strg" || caption == "Alt" || caption == "AltGr") return CaptionKind::Modifier;
  switch (caption.size()) {
    case 0: return CaptionKind::None;
    case 1: return CaptionKind::Letter;
    case 2: return CaptionKind::Pair;
    case 3: return CaptionKind::Triple;
    default: return CaptionKind::Modifier;  // a longer caption is a word too
  }
}

int captionLift(std::string_view caption) {
  for (const char ch : caption) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte == kAcuteAccent || byte == ',' || byte == '.') return 1;
  }
  return 0;
}

int captionFontSize(const TextHeights& heights, std::string_view caption, int keyHeight) {
  const int h = keyHeight;
  switch (captionKind(caption)) {
    case CaptionKind::Letter: return searchFontSize(heights, h, 18, h - 8);
    case CaptionKind::Modifier: return searchFontSize(heights, h, 28, h - 8);
    case CaptionKind::Pair:
    case CaptionKind::Triple: {
      const int lift = captionLift(caption);
      // (h / 2) / height > ratio is h / height > 2 · ratio.
      return searchFontSize(heights, h, lift != 0 ? 22 : 26, h / 2 + lift);
    }
    case CaptionKind::None: break;
  }
  return kSmallestCaptionSize;
}

CaptionPoint captionPosition(std::string_view caption, int index, const KeyRect& key, int textWidth,
                             int textHeight) {
  const int h = key.bottom - key.top;
  const int w = key.right - key.left;
  const int tw = textWidth;
  const int th = textHeight;
  // Centred in the upper half; (h + 1) / 2 gives an odd key's middle row to it.
  const int upperY = key.top + roundHalfEven(h + 1 - 2LL * th, 4);
  const int lowerY = key.top + h / 2 + roundHalfEven(h - 2LL * th, 4);
  switch (captionKind(caption)) {
    case CaptionKind::Letter:
      return {key.left + roundHalfEven(w - tw, 2), key.top + roundHalfEven(h - th, 2)};
    case CaptionKind::Pair: {
      const int x = key.left + roundHalfEven(w - tw, 2);
      return index == 0 ? CaptionPoint{x, upperY} : CaptionPoint{x, lowerY - captionLift(caption)};
    }
    case CaptionKind::Triple: {
      const int inHalf = roundHalfEven(w - 2LL * tw, 4);
      if (index == 0) return {key.left + inHalf, upperY};
      if (index == 1) return {key.left + inHalf, lowerY};
      return {key.left + w / 2 + inHalf, lowerY};
    }
    case CaptionKind::Modifier:
      // 12.5 % and 6.5 % of the key height, truncated.
      return {key.left + 1 + h / 8, key.top + 1 + h * 65 / 1000};
    case CaptionKind::None: break;
  }
  return {key.left, key.top};
}

// ---------------------------------------------------------------------------

SymbolSizes symbolSizes(int keyHeight) {
  const int H = std::max(keyHeight, 0);
  SymbolSizes z;
  z.s = H * 4 / 10;
  if (z.s % 2 != 0) --z.s;
  z.s = std::max(z.s, 12);
  z.n = std::max(std::max((z.s - 2) / 10, 1) + 1, 2);
  z.i = z.s / 2;
  if (z.i % 2 != z.n % 2) --z.i;
  z.i = std::max(z.i, 6);
  z.q = H / 8;
  return z;
}

int arrowColumnHeight(const SymbolSizes& sizes, int column) {
  const int tip = sizes.n % 2 != 0 ? 1 : 2;
  // The height only grows, so once past the head every column is shaft.
  const int height = tip + 2 * ((std::max(column, 0) + 1) / 2);
  return height > sizes.i ? sizes.n : height;
}

ShiftArrowSizes shiftArrowSizes(int s) {
  ShiftArrowSizes a;
  a.c = std::max((s - 2) / 10, 1);
  a.u = s / 2;
  a.o = (s - 2 * a.c) / 3;  // (s - 2c) / 9 · 3, truncated
  if (s < 4 * a.o) --a.o;   // s / 2 < 2o
  a.o = std::max(a.o, 3);
  // A slanted line of thickness t looks thinner than a straight one; about
  // 1.35 · t lines make up for it, but never so many that the head fills up.
  int steps = 135 * (a.c + 1) / 100 - a.c - 1;
  while (steps + 1 >= a.o / 2) --steps;
  a.extraLines = std::max(steps + 1, 0);
  return a;
}

namespace {

void column(std::vector<KeyRect>& out, int x, int centreY, int height) {
  const int top = centreY - height / 2;
  out.push_back({x, top, x + 1, top + height});
}

// A square grid of pixels for the shift arrow, mirrored for Caps lock.
class PixelBox {
 public:
  explicit PixelBox(int size)
      : size_(size), pixels_(static_cast<std::size_t>(size) * static_cast<std::size_t>(size)) {}

  // From (x1, y1) up to, not including, (x2, y2).
  void line(int x1, int y1, int x2, int y2) {
    const int dx = x2 - x1, dy = y2 - y1;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int t = 0; t < steps; ++t) {
      set(x1 + roundHalfEven(static_cast<long long>(dx) * t, steps),
          y1 + roundHalfEven(static_cast<long long>(dy) * t, steps));
    }
  }

  void appendColumns(std::vector<KeyRect>& out, int left, int top, bool mirrored) const {
    for (int x = 0; x < size_; ++x) {
      int y = 0;
      while (y < size_) {
        if (!at(x, y)) {
          ++y;
          continue;
        }
        const int start = y;
        while (y < size_ && at(x, y)) ++y;
        if (mirrored) {
          out.push_back({left + x, top + size_ - y, left + x + 1, top + size_ - start});
        } else {
          out.push_back({left + x, top + start, left + x + 1, top + y});
        }
      }
    }
  }

 private:
  void set(int x, int y) {
    if (x < 0 || y < 0 || x >= size_ || y >= size_) return;
    pixels_[static_cast<std::size_t>(y * size_ + x)] = true;
  }
  bool at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * size_ + x)]; }

  int size_;
  std::vector<bool> pixels_;
};

void appendShiftArrow(std::vector<KeyRect>& out, const SymbolSizes& z, int left, int top,
                      bool pointingDown) {
  const int s = z.s;
  const ShiftArrowSizes a = shiftArrowSizes(s);
  const int c = a.c, u = a.u, o = a.o;
  PixelBox box(s);
  const auto headSides = [&](int k) {
    if (k >= u) return;
    box.line(u - 1, k, k - 1, u);
    box.line(u, k, s - k, u);
  };
  for (int k = 0; k <= c; ++k) {
    headSides(k);
    box.line(0, u + k, o + c, u + k);
    box.line(s - 1, u + k, s - o - c - 1, u + k);
    box.line(o - 1 + k, u, o - 1 + k, s - 1);
    box.line(s - o - k, u, s - o - k, s - 1);
    box.line(o - 1 + k, s - 1 - k, s - o - k + 1, s - 1 - k);
  }
  for (int j = 0; j < a.extraLines; ++j) headSides(c + 1 + j);
  box.appendColumns(out, left, top, pointingDown);
}

}  // namespace

std::vector<KeyRect> symbolRects(KeySymbol symbol, const KeyRect& key) {
  std::vector<KeyRect> out;
  const int H = key.bottom - key.top;
  const int W = key.right - key.left;
  if (H <= 0 || W <= 0) return out;
  const SymbolSizes z = symbolSizes(H);
  const int x0 = key.left + 1;
  const int y0 = key.top + 1;
  const int middleY = y0 + H / 2;

  switch (symbol) {
    case KeySymbol::Backspace:
      for (int x = x0 + z.q, c = 0; x - x0 <= W / 2; ++x, ++c) {
        column(out, x, middleY, arrowColumnHeight(z, c));
      }
      break;

    case KeySymbol::Tab: {
      // Upper half: bar, then an arrow pointing at it from the right.
      const int upperY = y0 + z.q + z.i / 2;
      for (int b = 0; b < z.n; ++b) column(out, x0 + z.q + b, upperY, z.i);
      for (int x = x0 + z.q + z.n, c = 0; x - x0 <= W / 2; ++x, ++c) {
        column(out, x, upperY, arrowColumnHeight(z, c));
      }
      // Lower half: an arrow pointing right at a bar that ends mid-key.
      const int barRight = x0 + W / 2;
      for (int b = 0; b < z.n; ++b) column(out, barRight - b, middleY, z.i);
      for (int x = barRight - z.n, c = 0; x >= x0 + z.q; --x, ++c) {
        column(out, x, middleY, arrowColumnHeight(z, c));
      }
      break;
    }

    case KeySymbol::Enter: {
      const int last = x0 + 2 * W / 3;
      // The shaft's last columns rise into a stroke: the return symbol.
      const int strokeTop = middleY - ((z.n & ~1) + 2 * z.i - 4) / 2;
      const int shaftBottom = middleY - z.n / 2 + z.n;
      for (int x = x0 + z.q, c = 0; x <= last; ++x, ++c) {
        if (x > last - z.n) {
          out.push_back({x, strokeTop, x + 1, shaftBottom});
        } else {
          column(out, x, middleY, arrowColumnHeight(z, c));
        }
      }
      break;
    }

    case KeySymbol::Shift:
    case KeySymbol::CapsLock:
      appendShiftArrow(out, z, x0 + z.q, y0 + z.q, symbol == KeySymbol::CapsLock);
      break;

    case KeySymbol::None: break;
  }
  return out;
}

// ---------------------------------------------------------------------------

FramePixel framePicturePixel(int x, int y) {
  if (x < 0 || y < 0 || x >= kFramePictureSize || y >= kFramePictureSize) {
    return FramePixel::Background;
  }
  // A rounded rectangle two pixels in from the picture's edge; how deep a
  // pixel lies inside it picks its ring.
  constexpr double kOuter = 2.0;
  constexpr double kInner = kFramePictureSize - 2.0;
  constexpr double kRadius = 7.0;
  const double px = x + 0.5, py = y + 0.5;
  const double cx = std::clamp(px, kOuter + kRadius, kInner - kRadius);
  const double cy = std::clamp(py, kOuter + kRadius, kInner - kRadius);
  const double depth = (px != cx && py != cy)
                           ? kRadius - std::hypot(px - cx, py - cy)
                           : std::min({px - kOuter, kInner - px, py - kOuter, kInner - py});
  if (depth < 0) return FramePixel::Background;
  // Light falls from the top left: the raised outer edge is light there, the
  // sunken inner edge dark, and the other way round at the bottom right.
  const bool topLeft = x + y < kFramePictureSize - 1;
  switch (static_cast<int>(depth)) {
    case 0: return FramePixel::Outline;
    case 1: return topLeft ? FramePixel::Light : FramePixel::Shadow;
    case 2:
    case 3: return FramePixel::Face;
    case 4: return topLeft ? FramePixel::Shadow : FramePixel::Light;
    default: return FramePixel::Background;
  }
}

}  // namespace kv
