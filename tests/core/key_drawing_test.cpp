#include "keyboard/key_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <queue>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "keyboard/keyboard_geometry.h"

namespace kv {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const struct {
    long long num, den;
    int expected;
  } rows[] = {
      {1, 2, 0},  {3, 2, 2},   {5, 2, 2},  {7, 2, 4},   {7, 4, 2},
      {6, 4, 2},  {10, 4, 2},  {-1, 2, 0}, {-3, 2, -2}, {-6, 4, -2},
      {-2, 4, 0}, {-7, 4, -2}, {5, 3, 2},  {-5, 3, -2}, {0, 7, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.num << "/" << row.den);
    EXPECT_EQ(roundHalfEven(row.num, row.den), row.expected);
  }
}

// --- Text heights -----------------------------------------------------------

TEST(TextHeights, MeasuresSmallSizesAndEvenLargeOnesOnly) {
  std::vector<int> asked;
  measureTextHeights([&](int size) {
    asked.push_back(size);
    return size;
  });
  std::vector<int> expected;
  for (int size = 6; size <= 45; ++size) expected.push_back(size);
  for (int size = 46; size <= 250; size += 2) expected.push_back(size);
  EXPECT_EQ(asked, expected);
}

TEST(TextHeights, OddSizesFrom45AreTheRoundedMeanOfTheirNeighbours) {
  // 45 is measured but replaced; ties go to the even neighbour.
  const TextHeights heights = measureTextHeights([](int size) {
    switch (size) {
      case 44: return 10;
      case 45: return 999;
      case 46: return 11;
      case 48: return 12;
      case 248: return 300;
      case 250: return 303;
      default: return size;
    }
  });
  const struct {
    int size, height;
  } rows[] = {
      {43, 43},   {44, 10},   {45, 10}, {46, 11}, {47, 12}, {48, 12}, {49, 31},  // (12 + 50) / 2
      {249, 302}, {250, 303},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size);
    EXPECT_EQ(heights.at(row.size), row.height);
  }
}

// --- Caption font sizes --------------------------------------------------------

// About what a bold sans serif gives at 96 pixels per inch: 1.5 pixels per point.
TextHeights linearHeights() {
  TextHeights heights;
  for (int size = 6; size <= 250; ++size) heights.set(size, size + size / 2);
  return heights;
}

TEST(CaptionFontSize, GrowsWhileTheKeyHoldsTheRatioOfTextHeights) {
  const TextHeights heights = linearHeights();
  const struct {
    const char* caption;
    int h;
    int size;
  } rows[] = {
      // Letters: text height below h / 1.8 (18.3 and 23.3).
      {"A", 33, 13},
      {"A", 42, 16},
      // Pairs and triples: half the key over 1.3 (12.7, 16.2) ...
      {"!1", 33, 9},
      {"!1", 42, 12},
      {"*+~", 33, 9},
      // ... or 1.1 with an accent, comma or full stop (15.0, 19.1).
      {";,", 33, 10},
      {":.", 42, 14},
      {"`\xB4", 42, 14},
      // Modifier words: the key over 2.8 (11.8, 15.0).
      {"Strg", 33, 8},
      {"AltGr", 42, 10},
      {"Alt", 42, 10},
      // Never beyond the table.
      {"A", 100000, 250},
      {"Strg", 0, 6},
      {"A", 12, 6},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.caption << " h=" << row.h);
    EXPECT_EQ(captionFontSize(heights, row.caption, row.h), row.size);
  }
}

TEST(CaptionFontSize, ShrinksBelowASizeWhoseTextWouldNotFit) {
  // A size that measures far too tall stops the growth, and the shrinking
  // then steps back to the size below it.
  TextHeights heights;
  for (int size = 6; size <= 250; ++size) heights.set(size, 10);
  heights.set(13, 40);
  EXPECT_EQ(captionFontSize(heights, "A", 33), 12);
  // Half of 35 is 17, one more with the lift: 18 fits only the lifted caption.
  heights.set(13, 18);
  EXPECT_EQ(captionFontSize(heights, ";,", 35), 13);
  EXPECT_EQ(captionFontSize(heights, "!1", 35), 12);
  heights.set(13, 19);
  EXPECT_EQ(captionFontSize(heights, ";,", 35), 12);
}

TEST(CaptionFontSize, UnmeasuredHeightsKeepTheStartingSize) {
  // A table that could not be measured must not pick the 250-point font.
  EXPECT_EQ(captionFontSize(TextHeights{}, "A", 42), 7);
  EXPECT_EQ(captionFontSize(TextHeights{}, "*+~", 42), 7);
}

// --- Caption positions ---------------------------------------------------------

TEST(CaptionPosition, CentresAndPlacesEachCharacter) {
  const KeyRect key{10, 10, 43, 43};        // 33 × 33
  const KeyRect even{100, 50, 134, 84};     // 34 × 34
  const KeyRect altGr{418, 162, 470, 195};  // 52 × 33
  const struct {
    const char* caption;
    KeyRect rect;
    int index, tw, th;
    CaptionPoint expected;
    const char* why;
  } rows[] = {
      {"A", key, 0, 11, 19, {21, 17}, "centred"},
      {"W", key, 0, 12, 20, {20, 16}, "10.5 and 6.5 round down to even"},
      {"W", key, 0, 10, 18, {22, 18}, "11.5 and 7.5 round up to even"},
      {"!1", key, 0, 8, 13, {22, 12}, "shifted character in the upper half"},
      {"!1", key, 1, 8, 13, {22, 28}, "unshifted character in the lower half"},
      {";,", key, 1, 8, 13, {22, 27}, "comma lifted by one"},
      {";,", key, 0, 8, 13, {22, 12}, "the upper character is not lifted"},
      {"!1", even, 0, 8, 13, {113, 52}, "upper half of an even key"},
      {"!1", even, 1, 8, 13, {113, 69}, "lower half of an even key"},
      {"*+~", key, 0, 8, 13, {14, 12}, "top left"},
      {"*+~", key, 1, 8, 13, {14, 28}, "bottom left"},
      {"*+~", key, 2, 8, 13, {30, 28}, "bottom right"},
      {"AltGr", altGr, 0, 30, 12, {423, 165}, "12.5 % and 6.5 % of 33, truncated"},
      {"Strg", KeyRect{0, 0, 66, 42}, 0, 30, 12, {6, 3}, "of 42"},
      {"Strg", KeyRect{0, 0, 120, 100}, 0, 30, 12, {13, 7}, "of 100"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.caption << "[" << row.index << "]: " << row.why);
    const CaptionPoint p = captionPosition(row.caption, row.index, row.rect, row.tw, row.th);
    EXPECT_EQ(p.x, row.expected.x);
    EXPECT_EQ(p.y, row.expected.y);
  }
}

// --- Symbols ---------------------------------------------------------------

TEST(SymbolSizes, FollowTheKeyHeight) {
  const struct {
    int H;
    SymbolSizes expected;
  } rows[] = {
      {0, {12, 2, 6, 0}},                          // never smaller than 12
      {33, {12, 2, 6, 4}},                         // 13.2 → 13 → even 12
      {35, {14, 2, 6, 4}},                         // head 7 lowered to the shaft's parity
      {42, {16, 2, 8, 5}},  {57, {22, 3, 11, 7}},  // thicker shaft, odd head
      {60, {24, 3, 11, 7}}, {80, {32, 4, 16, 10}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.H);
    EXPECT_EQ(symbolSizes(row.H), row.expected);
  }
}

TEST(ArrowColumns, HeadWidensEverySecondColumnThenTheShaftFollows) {
  const struct {
    SymbolSizes sizes;
    std::vector<int> heights;
  } rows[] = {
      {{12, 2, 6, 4}, {2, 4, 4, 6, 6, 2, 2, 2}},
      {{22, 3, 11, 7}, {1, 3, 3, 5, 5, 7, 7, 9, 9, 11, 11, 3, 3}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.sizes.n);
    std::vector<int> heights;
    for (int c = 0; c < static_cast<int>(row.heights.size()); ++c) {
      heights.push_back(arrowColumnHeight(row.sizes, c));
    }
    EXPECT_EQ(heights, row.heights);
  }
}

TEST(ShiftArrowSizes, StemInsetAndThickening) {
  const struct {
    int s;
    ShiftArrowSizes expected;
  } rows[] = {
      {12, {1, 6, 3, 0}},                        // no room for a thicker head
      {16, {1, 8, 4, 1}},  {20, {1, 10, 5, 1}},  // 6 would leave the stem too narrow
      {22, {2, 11, 5, 1}}, {24, {2, 12, 6, 2}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.s);
    EXPECT_EQ(shiftArrowSizes(row.s), row.expected);
  }
}

using Pixels = std::set<std::pair<int, int>>;

Pixels pixelsOf(const std::vector<KeyRect>& rects) {
  Pixels pixels;
  for (const KeyRect& r : rects) {
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) pixels.insert({x, y});
    }
  }
  return pixels;
}

KeyRect keyRect(const KeyboardGeometry& g, int row, int key) {
  const ImageRect r = keyboardKeyRect(g, row, key);
  return {r.left, r.top, r.right, r.bottom};
}

TEST(SymbolRects, StayInsideTheKeyFrameAtEverySize) {
  const struct {
    KeySymbol symbol;
    int row, key;
  } keys[] = {
      {KeySymbol::Backspace, 0, 13}, {KeySymbol::Tab, 1, 0},   {KeySymbol::Enter, 1, 13},
      {KeySymbol::CapsLock, 2, 0},   {KeySymbol::Shift, 3, 0}, {KeySymbol::Shift, 3, 12},
  };
  for (int S = 0; S <= 120; ++S) {
    const KeyboardGeometry g = keyboardGeometry(static_cast<std::uint16_t>(S));
    for (const auto& k : keys) {
      SCOPED_TRACE(testing::Message() << "S=" << S << " row " << k.row << " key " << k.key);
      const KeyRect r = keyRect(g, k.row, k.key);
      const std::vector<KeyRect> rects = symbolRects(k.symbol, r);
      ASSERT_FALSE(rects.empty());
      for (const KeyRect& p : rects) {
        ASSERT_LT(p.left, p.right);
        ASSERT_LT(p.top, p.bottom);
        // The outline takes the outermost pixels; the symbol must not touch it.
        ASSERT_GE(p.left, r.left + 2);
        ASSERT_LE(p.right, r.right - 2);
        ASSERT_GE(p.top, r.top + 2);
        ASSERT_LE(p.bottom, r.bottom - 2);
      }
    }
  }
}

TEST(SymbolRects, TabHasALeftArrowAboveARightArrow) {
  const KeyRect key{10, 59, 76, 101};  // S = 10: H 42, W 66
  const SymbolSizes z = symbolSizes(42);
  const Pixels pixels = pixelsOf(symbolRects(KeySymbol::Tab, key));
  const int x0 = key.left + 1, y0 = key.top + 1;
  const int upper = y0 + z.q + z.i / 2, lower = y0 + 42 / 2;
  // The bars: full head height, at the far left above and mid-key below.
  for (int dy = -z.i / 2; dy < z.i - z.i / 2; ++dy) {
    EXPECT_TRUE(pixels.count({x0 + z.q, upper + dy})) << dy;
    EXPECT_TRUE(pixels.count({x0 + 66 / 2, lower + dy})) << dy;
  }
  // The tips lie next to the bars and point at them.
  EXPECT_TRUE(pixels.count({x0 + z.q + z.n, upper}));
  EXPECT_FALSE(pixels.count({x0 + z.q + z.n, upper - 2}));
  EXPECT_TRUE(pixels.count({x0 + 66 / 2 - z.n, lower}));
  EXPECT_FALSE(pixels.count({x0 + 66 / 2 - z.n, lower - 2}));
  // Nothing to the right of the middle.
  for (const auto& [x, y] : pixels) EXPECT_LE(x, x0 + 66 / 2);
}

TEST(SymbolRects, EnterRisesAtTheRightEndOfItsShaft) {
  const KeyRect upper{672, 59, 738, 101};  // S = 10: H 42, W 66
  const SymbolSizes z = symbolSizes(42);
  const Pixels pixels = pixelsOf(symbolRects(KeySymbol::Enter, upper));
  const int x0 = upper.left + 1, middle = upper.top + 1 + 21;
  const int last = x0 + 2 * 66 / 3;
  const int strokeTop = middle - (z.n + 2 * z.i - 4) / 2;
  for (int x = last - z.n + 1; x <= last; ++x) {
    EXPECT_TRUE(pixels.count({x, strokeTop})) << x;
    EXPECT_FALSE(pixels.count({x, strokeTop - 1})) << x;
  }
  EXPECT_FALSE(pixels.count({last + 1, middle}));
  EXPECT_FALSE(pixels.count({last - z.n, strokeTop}));
  // The stroke rises above the arrow head.
  EXPECT_LT(strokeTop, middle - z.i / 2);
}

TEST(SymbolRects, ShiftIsAHollowSymmetricArrowAndCapsLockItsMirrorImage) {
  for (const int H : {33, 42, 57, 80, 120}) {
    SCOPED_TRACE(H);
    const KeyRect key{0, 0, 3 * H, H};
    const SymbolSizes z = symbolSizes(H);
    const ShiftArrowSizes a = shiftArrowSizes(z.s);
    const int bx = 1 + z.q, by = 1 + z.q, s = z.s;
    const Pixels shift = pixelsOf(symbolRects(KeySymbol::Shift, key));
    const Pixels caps = pixelsOf(symbolRects(KeySymbol::CapsLock, key));
    ASSERT_FALSE(shift.empty());
    for (const auto& [x, y] : shift) {
      ASSERT_TRUE(x >= bx && x < bx + s && y >= by && y < by + s) << x << "," << y;
      EXPECT_TRUE(shift.count({2 * bx + s - 1 - x, y})) << "not symmetric at " << x << "," << y;
      EXPECT_TRUE(caps.count({x, 2 * by + s - 1 - y})) << "caps lock not mirrored";
    }
    EXPECT_EQ(shift.size(), caps.size());
    // The tip is two pixels wide; the foot spans the stem.
    std::set<int> top, foot;
    for (const auto& [x, y] : shift) {
      if (y == by) top.insert(x - bx);
      if (y == by + s - 1) foot.insert(x - bx);
    }
    EXPECT_EQ(top, (std::set<int>{a.u - 1, a.u}));
    EXPECT_EQ(*foot.begin(), a.o - 1);
    EXPECT_EQ(*foot.rbegin(), s - a.o);
    // Hollow: the middle of the stem and of the head are empty.
    EXPECT_FALSE(shift.count({bx + a.u, by + (a.u + s) / 2}));
    EXPECT_FALSE(shift.count({bx + a.u, by + a.u - 1}));
    // The head is wider than the stem.
    EXPECT_TRUE(shift.count({bx, by + a.u}));
    EXPECT_FALSE(shift.count({bx, by + a.u + a.c + 1}));
  }
}

TEST(SymbolRects, NothingForKeysWithoutSymbolOrSize) {
  EXPECT_TRUE(symbolRects(KeySymbol::None, KeyRect{0, 0, 40, 40}).empty());
  EXPECT_TRUE(symbolRects(KeySymbol::Shift, KeyRect{}).empty());
}

// --- Frame picture -----------------------------------------------------------

TEST(FramePicture, OutsideAndInsideAreBackgroundWithAClosedFrameBetween) {
  constexpr int N = kFramePictureSize;
  using F = FramePixel;
  const std::pair<int, int> outside[] = {{0, 0}, {N - 1, 0}, {0, N - 1}, {N - 1, N - 1}, {1, 16}};
  for (const auto& [x, y] : outside) {
    EXPECT_EQ(framePicturePixel(x, y), F::Background) << x << "," << y;
  }
  EXPECT_EQ(framePicturePixel(kFrameFillX, kFrameFillY), F::Background);

  // The flood fill from the fill point must not reach the picture's edge.
  std::vector<bool> seen(N * N);
  std::queue<std::pair<int, int>> open;
  open.push({kFrameFillX, kFrameFillY});
  seen[kFrameFillY * N + kFrameFillX] = true;
  while (!open.empty()) {
    const auto [x, y] = open.front();
    open.pop();
    ASSERT_TRUE(x > 0 && y > 0 && x < N - 1 && y < N - 1) << "fill leaks at " << x << "," << y;
    const std::pair<int, int> steps[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& [dx, dy] : steps) {
      const int nx = x + dx, ny = y + dy;
      if (seen[ny * N + nx] || framePicturePixel(nx, ny) != F::Background) continue;
      seen[ny * N + nx] = true;
      open.push({nx, ny});
    }
  }
}

TEST(FramePicture, RaisedOuterEdgeAndSunkenInnerEdgeLitFromTopLeft) {
  using F = FramePixel;
  const std::vector<F> topDown = {F::Background, F::Background, F::Outline, F::Light,
                                  F::Face,       F::Face,       F::Shadow,  F::Background};
  const std::vector<F> bottomUp = {F::Background, F::Background, F::Outline, F::Shadow,
                                   F::Face,       F::Face,       F::Light,   F::Background};
  for (int d = 0; d < static_cast<int>(topDown.size()); ++d) {
    SCOPED_TRACE(d);
    const auto i = static_cast<std::size_t>(d);
    EXPECT_EQ(framePicturePixel(16, d), topDown[i]);
    EXPECT_EQ(framePicturePixel(d, 16), topDown[i]);
    EXPECT_EQ(framePicturePixel(16, kFramePictureSize - 1 - d), bottomUp[i]);
    EXPECT_EQ(framePicturePixel(kFramePictureSize - 1 - d, 16), bottomUp[i]);
  }
}

TEST(FramePicture, QuadrantEdgesRepeatTheStraightSides) {
  // The layout stretches the quadrants' inner row and column along the
  // keyboard's sides; they must look like the straight middle of the picture.
  constexpr int half = kFramePictureSize / 2;
  for (int along = 9; along < kFramePictureSize - 9; ++along) {
    for (int across = 0; across < half; ++across) {
      SCOPED_TRACE(testing::Message() << along << "/" << across);
      EXPECT_EQ(framePicturePixel(across, along), framePicturePixel(across, half - 1));
      EXPECT_EQ(framePicturePixel(along, across), framePicturePixel(half - 1, across));
      const int far = kFramePictureSize - 1 - across;
      EXPECT_EQ(framePicturePixel(far, along), framePicturePixel(far, half));
      EXPECT_EQ(framePicturePixel(along, far), framePicturePixel(half, far));
    }
  }
}

}  // namespace
}  // namespace kv
