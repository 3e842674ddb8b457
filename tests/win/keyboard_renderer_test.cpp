// The on-screen keyboard drawn with real GDI: both pictures, their frame and
// keys, and lighting by rectangle copies onto a target picture.
#include "keyboard/keyboard_renderer_win.h"

#include <gtest/gtest.h>

#include "tests/win/program_driver.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kv::win {
namespace {

constexpr unsigned char kCarriageReturn = 0x0D;

DWORD gdiObjects() { return test::gdiObjectCount(::GetCurrentProcess()); }

bool nearBlack(COLORREF c) {
  return GetRValue(c) < 0x30 && GetGValue(c) < 0x30 && GetBValue(c) < 0x30;
}
bool nearWhite(COLORREF c) {
  return GetRValue(c) > 0xD0 && GetGValue(c) > 0xD0 && GetBValue(c) > 0xD0;
}

std::string hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(c));
  return text;
}

KeyRect rectOf(const KeyboardGeometry& g, int row, int key) {
  const ImageRect r = keyboardKeyRect(g, row, key);
  return {r.left, r.top, r.right, r.bottom};
}

bool inside(const KeyRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// A point on a key's face that no caption, symbol or outline reaches.
POINT facePoint(const KeyRect& r) { return {r.right - 4, r.top + 3}; }

// Counts pixels strictly inside the key's outline that pass `test`.
template <typename Test>
int countInside(const Canvas& image, const KeyRect& r, Test test) {
  int count = 0;
  for (int y = r.top + 2; y < r.bottom - 2; ++y) {
    for (int x = r.left + 2; x < r.right - 2; ++x) count += test(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

class KeyboardRendering : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    renderer = std::make_unique<KeyboardRenderer>(KeyboardLook{colours, "Arial"}, table);
    S = static_cast<std::uint16_t>(GetParam());
    geometry = keyboardGeometry(S);
    ASSERT_TRUE(renderer->layout(S, true));
    ASSERT_TRUE(normal.resize(renderer->width(), renderer->height()));
    ASSERT_TRUE(lit.resize(renderer->width(), renderer->height()));
    renderer->paint(normal.dc(), 0, 0);
    renderer->paint(lit.dc(), 0, 0, KeyboardRenderer::Image::Lit);
  }

  // The window's view of the keyboard: the normal picture, then lighting.
  void freshTarget() {
    ASSERT_TRUE(target.resize(renderer->width(), renderer->height()));
    renderer->paint(target.dc(), 0, 0);
  }

  int key(unsigned char ch) { return FindKey(table, ch, nullptr); }

  FingerColours colours;
  KeyTable table;
  std::unique_ptr<KeyboardRenderer> renderer;
  std::uint16_t S = 0;
  KeyboardGeometry geometry;
  Canvas normal, lit, target;
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF darkShadow = ::GetSysColor(COLOR_3DDKSHADOW);
};

INSTANTIATE_TEST_SUITE_P(SizeValues, KeyboardRendering, testing::Values(1, 10),
                         [](const testing::TestParamInfo<int>& param) {
                           return "S" + std::to_string(param.param);
                         });

TEST_P(KeyboardRendering, PicturesAndKeyTableFollowTheSizeValue) {
  EXPECT_EQ(renderer->width(), S == 1 ? 585 : 748);
  EXPECT_EQ(renderer->height(), S == 1 ? 206 : 259);
  EXPECT_EQ(renderer->drawnSize(), S);
  EXPECT_EQ(table.count, kGermanKeyEntries);
  EXPECT_FALSE(table.rebuilding.load());
  const KeyEntry& z = table.entries[static_cast<std::size_t>(key('z'))];
  EXPECT_EQ(z.rect, rectOf(geometry, 1, 6));
  EXPECT_EQ(table.LeftShiftRect, rectOf(geometry, 3, 0));
  EXPECT_EQ(table.EnterLowerRect, rectOf(geometry, 2, 13));
  EXPECT_EQ(table.AltGrRect, rectOf(geometry, 4, 3));
}

TEST_P(KeyboardRendering, EveryKeyShowsItsFingerColourNormalAndNavyLit) {
  for (int row = 0; row < kKeyRows; ++row) {
    for (int k = 0; k < keysInRow(row); ++k) {
      SCOPED_TRACE(testing::Message() << "row " << row << " key " << k);
      const POINT p = facePoint(rectOf(geometry, row, k));
      const COLORREF finger = colourRef(fingerColour(colours, keyDefinition(row, k)->finger));
      EXPECT_EQ(hex(normal.pixel(p.x, p.y)), hex(finger));
      EXPECT_EQ(hex(lit.pixel(p.x, p.y)), hex(kLitKeyColour));
    }
  }
}

TEST_P(KeyboardRendering, BackgroundOutsideTheFrameButtonFaceBetweenTheKeys) {
  const int W = renderer->width(), H = renderer->height();
  const COLORREF background = colourRef(colours.background);
  const POINT outside[] = {{0, 0},     {W - 1, 0},     {0, H - 1}, {W - 1, H - 1},
                           {W / 2, 0}, {W / 2, H - 1}, {0, H / 2}, {W - 1, H / 2},
                           {1, 1},     {W - 2, H - 2}};
  for (const POINT p : outside) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(hex(normal.pixel(p.x, p.y)), hex(background));
    EXPECT_EQ(hex(lit.pixel(p.x, p.y)), hex(background));
  }
  // The frame's outline runs along all four sides.
  const POINT outline[] = {{W / 2, 2}, {2, H / 2}, {W / 2, H - 3}, {W - 3, H / 2}};
  for (const POINT p : outline) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(hex(normal.pixel(p.x, p.y)), hex(darkShadow));
  }

  // Everything inside the frame that belongs to no key is keyboard surface:
  // no caption or symbol spills over, no fill leaks. Enter's connector
  // legitimately fills the row gap next to its lower part.
  const KeyRect upper = table.EnterUpperRect, lower = table.EnterLowerRect;
  std::vector<KeyRect> keys;
  for (int row = 0; row < kKeyRows; ++row) {
    for (int k = 0; k < keysInRow(row); ++k) keys.push_back(rectOf(geometry, row, k));
  }
  int checked = 0;
  for (int y = kKeyboardMargin - 2; y < H - kKeyboardMargin; ++y) {
    for (int x = kKeyboardMargin - 2; x < W - kKeyboardMargin + 2; ++x) {
      bool onKey = false;
      for (const KeyRect& r : keys) onKey = onKey || inside(r, x, y);
      if (onKey || (y >= upper.bottom && y < lower.top && x >= lower.left - 4)) continue;
      ++checked;
      ASSERT_EQ(hex(normal.pixel(x, y)), hex(face)) << "normal at " << x << "," << y;
      ASSERT_EQ(hex(lit.pixel(x, y)), hex(face)) << "lit at " << x << "," << y;
    }
  }
  EXPECT_GT(checked, 5000);
}

TEST_P(KeyboardRendering, KeysHaveRoundedDarkOutlines) {
  const KeyRect f = rectOf(geometry, 2, 4);
  const int midX = (f.left + f.right) / 2, midY = (f.top + f.bottom) / 2;
  for (const Canvas* image : {&normal, &lit}) {
    for (const POINT p : {POINT{f.left, midY}, POINT{f.right - 1, midY}, POINT{midX, f.top},
                          POINT{midX, f.bottom - 1}}) {
      EXPECT_EQ(hex(image->pixel(p.x, p.y)), hex(darkShadow)) << p.x << "," << p.y;
    }
    for (const POINT p : {POINT{f.left, f.top}, POINT{f.right - 1, f.top},
                          POINT{f.left, f.bottom - 1}, POINT{f.right - 1, f.bottom - 1},
                          POINT{f.left + 1, f.top + 1}, POINT{f.right - 2, f.bottom - 2}}) {
      EXPECT_EQ(hex(image->pixel(p.x, p.y)), hex(face)) << p.x << "," << p.y;
    }
  }
}

TEST_P(KeyboardRendering, CaptionsBlackOnNormalWhiteOnLitInTheirPlaces) {
  enum Part { TopLeft, TopRight, BottomLeft, BottomRight, Top, Bottom };
  const struct {
    int row, key;
    const char* name;
    std::vector<std::pair<Part, bool>> ink;  // whether the part holds caption pixels
  } rows[] = {
      {1, 12, "*+~", {{TopLeft, true}, {BottomLeft, true}, {BottomRight, true}, {TopRight, false}}},
      {3, 9, ";,", {{Top, true}, {Bottom, true}}},
      {2, 6, "H", {{TopLeft, true}, {TopRight, true}, {BottomLeft, true}, {BottomRight, true}}},
      {4, 0, "Strg", {{TopLeft, true}, {Bottom, false}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const KeyRect r = rectOf(geometry, row.row, row.key);
    const COLORREF finger =
        colourRef(fingerColour(colours, keyDefinition(row.row, row.key)->finger));
    // Antialiased edges blend with the face; the cores are black and white.
    EXPECT_GT(countInside(normal, r, nearBlack), 3);
    EXPECT_GT(countInside(lit, r, nearWhite), 3);
    const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    for (const auto& [part, ink] : row.ink) {
      SCOPED_TRACE(static_cast<int>(part));
      const KeyRect area = part == TopLeft       ? KeyRect{r.left, r.top, midX, midY}
                           : part == TopRight    ? KeyRect{midX, r.top, r.right, midY}
                           : part == BottomLeft  ? KeyRect{r.left, midY, midX, r.bottom}
                           : part == BottomRight ? KeyRect{midX, midY, r.right, r.bottom}
                           : part == Top         ? KeyRect{r.left, r.top, r.right, midY}
                                                 : KeyRect{r.left, midY, r.right, r.bottom};
      const int onNormal = countInside(normal, area, [&](COLORREF c) { return c != finger; });
      const int onLit = countInside(lit, area, [](COLORREF c) { return c != kLitKeyColour; });
      if (ink) {
        EXPECT_GT(onNormal, 3);
        EXPECT_GT(onLit, 3);
      } else {
        EXPECT_EQ(onNormal, 0);
        EXPECT_EQ(onLit, 0);
      }
    }
  }
}

TEST_P(KeyboardRendering, EnterIsOneKeyWithItsSymbolInTheUpperPart) {
  const KeyRect upper = table.EnterUpperRect;
  const KeyRect lower = table.EnterLowerRect;
  EXPECT_GT(countInside(normal, upper, nearBlack), 10);
  EXPECT_GT(countInside(lit, upper, nearWhite), 10);
  EXPECT_EQ(countInside(normal, lower, nearBlack), 0);
  // The connector closes the row gap in the key's colour and hides the
  // outlines where the two parts meet, on both pictures.
  const POINT joined[] = {{lower.left + 2, upper.bottom + 1},  // row gap
                          {lower.left + 5, upper.bottom - 1},  // upper part's bottom edge
                          {lower.left + 1, lower.top + 2},     // lower part's top corners
                          {lower.right - 2, lower.top + 2},
                          {lower.left + 5, lower.top}};
  for (const POINT p : joined) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(hex(normal.pixel(p.x, p.y)), hex(colourRef(colours.little)));
    EXPECT_EQ(hex(lit.pixel(p.x, p.y)), hex(kLitKeyColour));
  }
  // The right side runs on unbroken; left of the lower part the gap stays.
  for (int y = upper.top + 4; y < lower.bottom - 4; ++y) {
    ASSERT_EQ(hex(normal.pixel(lower.right - 1, y)), hex(darkShadow)) << y;
  }
  EXPECT_EQ(hex(normal.pixel(upper.left + 5, upper.bottom + 1)), hex(face));
}

TEST_P(KeyboardRendering, ShiftedZLightsTheLeftShiftKeyFirstThenBoth) {
  const int z = key('Z');
  ASSERT_NE(z, 0);
  const POINT zFace = facePoint(rectOf(geometry, 1, 6));
  const POINT leftShift = facePoint(table.LeftShiftRect);
  const POINT rightShift = facePoint(table.RightShiftRect);
  const COLORREF index = colourRef(colours.index), little = colourRef(colours.little);
  freshTarget();

  renderer->showLitKey(target.dc(), 0, 0, z, 1, true);
  EXPECT_EQ(hex(target.pixel(leftShift.x, leftShift.y)), hex(kLitKeyColour));
  EXPECT_EQ(hex(target.pixel(zFace.x, zFace.y)), hex(index));
  EXPECT_EQ(hex(target.pixel(rightShift.x, rightShift.y)), hex(little));

  renderer->showLitKey(target.dc(), 0, 0, z, 2, true);
  EXPECT_EQ(hex(target.pixel(leftShift.x, leftShift.y)), hex(kLitKeyColour));
  EXPECT_EQ(hex(target.pixel(zFace.x, zFace.y)), hex(kLitKeyColour));
  // Nothing but the two rectangles changed.
  const KeyRect changed[] = {rectOf(geometry, 1, 6), table.LeftShiftRect};
  for (int y = 0; y < target.height(); ++y) {
    for (int x = 0; x < target.width(); ++x) {
      const bool lightable = inside(changed[0], x, y) || inside(changed[1], x, y);
      ASSERT_EQ(hex(target.pixel(x, y)), hex(lightable ? lit.pixel(x, y) : normal.pixel(x, y)))
          << x << "," << y;
    }
  }

  // Off at any step takes both back.
  renderer->showLitKey(target.dc(), 0, 0, z, 0, false);
  for (int y = 0; y < target.height(); ++y) {
    for (int x = 0; x < target.width(); ++x) {
      ASSERT_EQ(target.pixel(x, y), normal.pixel(x, y)) << x << "," << y;
    }
  }
}

TEST_P(KeyboardRendering, ModifierKeysLightOneStepBeforeTheirKey) {
  const struct {
    unsigned char ch;
    int row, key;
    std::vector<KeyRect> modifiers;
  } rows[] = {
      {'a', 2, 1, {}},
      {'Z', 1, 6, {table.LeftShiftRect}},
      {'T', 1, 5, {table.RightShiftRect}},
      {'{', 0, 7, {table.LeftCtrlRect, table.AltRect}},
      {'@', 1, 1, {table.AltGrRect}},
  };
  for (const auto& row : rows) {
    const int index = key(row.ch);
    ASSERT_NE(index, 0) << row.ch;
    const int m = static_cast<int>(ModifierOf(table, index));
    for (int step = 0; step <= m + 1; ++step) {
      SCOPED_TRACE(testing::Message() << row.ch << " step " << step);
      freshTarget();
      renderer->showLitKey(target.dc(), 0, 0, index, step, true);
      const POINT k = facePoint(rectOf(geometry, row.row, row.key));
      EXPECT_EQ(target.pixel(k.x, k.y) == kLitKeyColour, m < step);
      for (const KeyRect& modifier : row.modifiers) {
        const POINT p = facePoint(modifier);
        EXPECT_EQ(target.pixel(p.x, p.y) == kLitKeyColour, m <= step);
      }
    }
  }
}

TEST_P(KeyboardRendering, CarriageReturnLightsBothEnterPartsAsOneKey) {
  const int enter = key(kCarriageReturn);
  ASSERT_EQ(enter, table.count);
  freshTarget();
  renderer->showLitKey(target.dc(), 0, 0, enter, 1, true);
  const KeyRect upper = table.EnterUpperRect, lower = table.EnterLowerRect;
  const POINT enterPoints[] = {
      facePoint(upper), {lower.right - 4, lower.bottom - 4}, {lower.left + 2, upper.bottom + 1}};
  for (const POINT p : enterPoints) {
    EXPECT_EQ(hex(target.pixel(p.x, p.y)), hex(kLitKeyColour)) << p.x << "," << p.y;
  }
  // The row gap beside the lower part stays surface: only the key is copied.
  EXPECT_EQ(hex(target.pixel(upper.left + 5, upper.bottom + 1)), hex(face));
  renderer->showLitKey(target.dc(), 0, 0, enter, 1, false);
  for (const POINT p : enterPoints) {
    EXPECT_EQ(hex(target.pixel(p.x, p.y)), hex(normal.pixel(p.x, p.y))) << p.x << "," << p.y;
  }
}

TEST_P(KeyboardRendering, NoKeyAndUnknownIndicesLightNothing) {
  freshTarget();
  for (const int index : {0, -1, 111, 255}) renderer->showLitKey(target.dc(), 0, 0, index, 5, true);
  for (int y = 0; y < target.height(); y += 3) {
    for (int x = 0; x < target.width(); x += 3) {
      ASSERT_EQ(target.pixel(x, y), normal.pixel(x, y)) << x << "," << y;
    }
  }
}

TEST_P(KeyboardRendering, LightingLandsAtTheKeyboardsPlaceInTheWindow) {
  ASSERT_TRUE(target.resize(renderer->width() + 40, renderer->height() + 30));
  renderer->paint(target.dc(), 16, 12);
  renderer->showLitKey(target.dc(), 16, 12, key('a'), 1, true);
  const POINT a = facePoint(rectOf(geometry, 2, 1));
  EXPECT_EQ(hex(target.pixel(a.x + 16, a.y + 12)), hex(kLitKeyColour));
  EXPECT_EQ(hex(target.pixel(a.x, a.y)), hex(normal.pixel(a.x - 16, a.y - 12)));
}

// ---------------------------------------------------------------------------

TEST(KeyboardRenderer, TextHeightsGrowWithTheSizeAndOddLargeSizesAreMeans) {
  KeyTable table;
  KeyboardRenderer renderer(KeyboardLook{}, table);
  ASSERT_TRUE(renderer.layout(1, true));
  const TextHeights& h = renderer.textHeights();
  EXPECT_GT(h.at(6), 5);
  for (int size = 7; size <= 250; ++size) {
    SCOPED_TRACE(size);
    EXPECT_GE(h.at(size), h.at(size - 1));
    if (size >= 45 && size % 2 == 1) {
      EXPECT_EQ(h.at(size), roundHalfEven(h.at(size - 1) + h.at(size + 1), 2));
    }
  }
  EXPECT_GT(h.at(250), 250);
}

TEST(KeyboardRenderer, UnforcedPassRunsOnlyForANewSize) {
  KeyTable table;
  KeyboardRenderer renderer(KeyboardLook{}, table);
  EXPECT_FALSE(renderer.ready());
  EXPECT_TRUE(renderer.layout(3, false)) << "the first pass always draws";
  EXPECT_FALSE(renderer.layout(3, false));
  EXPECT_TRUE(renderer.layout(3, true));
  EXPECT_TRUE(renderer.layout(4, false));
  EXPECT_EQ(renderer.width(), keyboardImageWidth(4));
}

TEST(KeyboardRenderer, SizeTooLargeToDrawStillLeavesAWorkingKeyTable) {
  KeyTable table;
  KeyboardRenderer renderer(KeyboardLook{}, table);
  ASSERT_TRUE(renderer.layout(1, true));
  EXPECT_FALSE(renderer.layout(65535, false));
  EXPECT_FALSE(renderer.ready());
  EXPECT_FALSE(table.rebuilding.load());
  EXPECT_EQ(table.count, kGermanKeyEntries);
  EXPECT_NE(FindKey(table, 'q', nullptr), 0);
  EXPECT_EQ(table.entries[static_cast<std::size_t>(FindKey(table, 'q', nullptr))].rect, KeyRect{});
  Canvas target;
  ASSERT_TRUE(target.resize(20, 20));
  renderer.paint(target.dc(), 0, 0);  // nothing to paint, nothing to crash
  renderer.showLitKey(target.dc(), 0, 0, 1, 1, true);
  // A drawable size afterwards recovers.
  EXPECT_TRUE(renderer.layout(2, false));
  EXPECT_TRUE(renderer.ready());
}

TEST(KeyboardRenderer, RepeatedLayoutPassesLeakNoGdiObjects) {
  const DWORD before = gdiObjects();
  ASSERT_GT(before, 0u) << "the count must see this process's objects";
  {
    KeyTable table;
    KeyboardRenderer renderer(KeyboardLook{}, table);
    ASSERT_TRUE(renderer.layout(1, true));
    const DWORD afterFirst = gdiObjects();
    for (int pass = 0; pass < 8; ++pass) {
      renderer.remeasureTextHeights();
      ASSERT_TRUE(renderer.layout(static_cast<std::uint16_t>(pass % 2 == 0 ? 10 : 1), true));
    }
    EXPECT_EQ(gdiObjects(), afterFirst);
  }
  EXPECT_EQ(gdiObjects(), before);
}

TEST(KeyboardRenderer, SystemColoursAsBackgroundAreResolved) {
  KeyTable table;
  KeyboardLook look;
  look.colours.background = SystemColour::Highlight;
  KeyboardRenderer renderer(look, table);
  ASSERT_TRUE(renderer.layout(1, true));
  Canvas target;
  ASSERT_TRUE(target.resize(renderer.width(), renderer.height()));
  renderer.paint(target.dc(), 0, 0);
  EXPECT_EQ(hex(target.pixel(0, 0)), hex(::GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(hex(target.pixel(9, renderer.height() / 2)), hex(::GetSysColor(COLOR_BTNFACE)));
}

TEST(KeyboardRenderer, FrameKeepsItsSunkenEdgeOnABackgroundOfTheSameColour) {
  // The sunken edge is drawn in the shadow colour: as the background colour
  // it would be stretched as nothing and then flooded with button face.
  KeyTable table;
  KeyboardLook look;
  look.colours.background = ::GetSysColor(COLOR_3DSHADOW);
  KeyboardRenderer renderer(look, table);
  ASSERT_TRUE(renderer.layout(1, true));
  Canvas target;
  ASSERT_TRUE(target.resize(renderer.width(), renderer.height()));
  renderer.paint(target.dc(), 0, 0);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(hex(target.pixel(0, 0)), hex(look.colours.background));
  for (const POINT p : {POINT{renderer.width() / 2, 6}, POINT{6, renderer.height() / 2}}) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_NE(hex(target.pixel(p.x, p.y)), hex(face));
    EXPECT_NE(hex(target.pixel(p.x, p.y)), hex(look.colours.background));
  }
  EXPECT_EQ(hex(target.pixel(9, renderer.height() / 2)), hex(face));
}

// Writes both pictures, normal above lit, for the user guide (S = 10 unless
// KV_KEYBOARD_SIZE says otherwise):
//   KV_KEYBOARD_PICTURE=<Windows path>.bmp kv_win_tests.exe
//     --gtest_also_run_disabled_tests --gtest_filter=KeyboardPicture.*
TEST(KeyboardPicture, DISABLED_BothPictures) {
  const char* path = std::getenv("KV_KEYBOARD_PICTURE");
  ASSERT_NE(path, nullptr);
  const char* size = std::getenv("KV_KEYBOARD_SIZE");
  KeyTable table;
  KeyboardRenderer renderer(KeyboardLook{}, table);
  ASSERT_TRUE(renderer.layout(static_cast<std::uint16_t>(size ? std::atoi(size) : 10), true));
  const int W = renderer.width(), H = renderer.height(), gap = 12;
  Canvas sheet;
  ASSERT_TRUE(sheet.resize(W, 2 * H + gap));
  const RECT all{0, 0, W, 2 * H + gap};
  ::FillRect(sheet.dc(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  renderer.paint(sheet.dc(), 0, 0);
  renderer.paint(sheet.dc(), 0, H + gap, KeyboardRenderer::Image::Lit);

  std::vector<std::uint8_t> pixels;
  for (int y = sheet.height() - 1; y >= 0; --y) {  // bottom-up rows, 24 bits, padded to 4
    for (int x = 0; x < W; ++x) {
      const COLORREF c = sheet.pixel(x, y);
      pixels.insert(pixels.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
    }
    while (pixels.size() % 4 != 0) pixels.push_back(0);
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = W;
  info.biHeight = sheet.height();
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  std::FILE* out = std::fopen(path, "wb");
  ASSERT_NE(out, nullptr) << path;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::fwrite(pixels.data(), 1, pixels.size(), out);
  EXPECT_EQ(std::fclose(out), 0);
}

}  // namespace
}  // namespace kv::win
