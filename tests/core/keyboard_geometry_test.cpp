#include "keyboard/keyboard_geometry.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// --- Size value ------------------------------------------------------------

TEST(KeyboardGeometry, KeySizeGapPitchAndImageFollowTheSizeValue) {
  const struct {
    std::uint16_t S;
    int Y, G, P, Hr, Ht, R, width, height;
  } rows[] = {
      // Y - G = 27: 13.5 rounds to the even 14, truncates to 13.
      {0, 32, 5, 37, 14, 13, 560, 570, 201},
      {1, 33, 5, 38, 14, 14, 575, 585, 206},
      // Y - G = 29: 14.5 rounds down to the even 14.
      {2, 34, 5, 39, 14, 14, 590, 600, 211},
      // Y - G = 31: 15.5 rounds up to the even 16.
      {4, 36, 5, 41, 16, 15, 620, 630, 221},
      {5, 37, 6, 43, 16, 15, 649, 659, 230},
      {10, 42, 7, 49, 18, 17, 738, 748, 259},
      {65535, 65567, 13112, 78679, 26228, 26227, 1167083, 1167093, 380304},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.S);
    const KeyboardGeometry g = keyboardGeometry(row.S);
    EXPECT_EQ(g.sizeValue, row.S);
    EXPECT_EQ(g.key, row.Y);
    EXPECT_EQ(g.gap, row.G);
    EXPECT_EQ(g.pitch, row.P);
    EXPECT_EQ(g.halfRounded, row.Hr);
    EXPECT_EQ(g.halfTruncated, row.Ht);
    EXPECT_EQ(g.right, row.R);
    EXPECT_EQ(g.imageWidth, row.width);
    EXPECT_EQ(g.imageHeight, row.height);
  }
}

TEST(KeyboardGeometry, ImageFramesTheKeysWithTheMarginAtEverySize) {
  for (int S = 0; S <= 400; ++S) {
    SCOPED_TRACE(S);
    const KeyboardGeometry g = keyboardGeometry(static_cast<std::uint16_t>(S));
    EXPECT_EQ(g.imageWidth, g.right + kKeyboardMargin);
    // One pixel below the bottom row, then the margin.
    EXPECT_EQ(g.imageHeight, keyboardKeyRect(g, 4, 0).bottom + 1 + kKeyboardMargin);
  }
}

// --- Key rectangles --------------------------------------------------------

TEST(KeyboardKeyRects, RowsHaveTheirKeyCounts) {
  const int lengths[] = {14, 14, 14, 13, 5};
  for (int row = 0; row < kKeyboardRows; ++row) EXPECT_EQ(keyboardRowLength(row), lengths[row]);
  EXPECT_EQ(keyboardRowLength(-1), 0);
  EXPECT_EQ(keyboardRowLength(5), 0);
}

TEST(KeyboardKeyRects, SelectedKeysAtSizeValuesOneAndTen) {
  const struct {
    std::uint16_t S;
    int row, key;
    ImageRect rect;
    const char* name;
  } rows[] = {
      {1, 0, 0, {10, 10, 43, 43}, "^"},
      {1, 0, 12, {466, 10, 499, 43}, "accent key"},
      {1, 0, 13, {504, 10, 575, 43}, "Backspace"},
      {1, 1, 0, {10, 48, 62, 81}, "Tab"},
      {1, 1, 1, {67, 48, 100, 81}, "Q"},
      {1, 1, 13, {523, 48, 575, 81}, "Enter, upper part"},
      {1, 2, 0, {10, 86, 74, 119}, "Caps lock"},
      {1, 2, 1, {79, 86, 112, 119}, "A"},
      {1, 2, 13, {535, 86, 575, 119}, "Enter, lower part"},
      {1, 3, 0, {10, 124, 54, 157}, "left shift"},
      {1, 3, 1, {59, 124, 92, 157}, "<"},
      {1, 3, 12, {477, 124, 575, 157}, "right shift"},
      {1, 4, 0, {10, 162, 62, 195}, "Strg"},
      {1, 4, 1, {105, 162, 157, 195}, "Alt"},
      {1, 4, 2, {162, 162, 413, 195}, "space bar"},
      {1, 4, 3, {418, 162, 470, 195}, "AltGr"},
      {1, 4, 4, {523, 162, 575, 195}, "Strg, right"},
      // Hr 18 and Ht 17 differ here.
      {10, 0, 13, {647, 10, 738, 52}, "Backspace"},
      {10, 1, 0, {10, 59, 76, 101}, "Tab"},
      {10, 1, 1, {84, 59, 126, 101}, "Q"},
      {10, 1, 13, {672, 59, 738, 101}, "Enter, upper part"},
      {10, 2, 0, {10, 108, 91, 150}, "Caps lock"},
      {10, 2, 13, {686, 108, 738, 150}, "Enter, lower part"},
      {10, 3, 0, {10, 157, 66, 199}, "left shift"},
      {10, 3, 11, {563, 157, 605, 199}, "-"},
      {10, 3, 12, {612, 157, 738, 199}, "right shift"},
      {10, 4, 0, {10, 206, 76, 248}, "Strg"},
      {10, 4, 1, {133, 206, 199, 248}, "Alt"},
      {10, 4, 2, {206, 206, 532, 248}, "space bar"},
      {10, 4, 3, {539, 206, 605, 248}, "AltGr"},
      {10, 4, 4, {672, 206, 738, 248}, "Strg, right"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "S=" << row.S << " " << row.name);
    EXPECT_EQ(keyboardKeyRect(keyboardGeometry(row.S), row.row, row.key), row.rect);
  }
}

TEST(KeyboardKeyRects, KeysOutsideTheKeyboardHaveNoRectangle) {
  const KeyboardGeometry g = keyboardGeometry(3);
  const int rows[][2] = {{-1, 0}, {5, 0}, {0, -1}, {0, 14}, {3, 13}, {4, 5}};
  for (const auto& rc : rows) {
    SCOPED_TRACE(testing::Message() << rc[0] << "/" << rc[1]);
    EXPECT_EQ(keyboardKeyRect(g, rc[0], rc[1]), ImageRect{});
  }
}

TEST(KeyboardKeyRects, LongKeysReachTheRightEdgeAndGapsStayOneGapWide) {
  for (int S = 0; S <= 300; ++S) {
    SCOPED_TRACE(S);
    const KeyboardGeometry g = keyboardGeometry(static_cast<std::uint16_t>(S));
    for (int row = 0; row < kKeyboardRows; ++row) {
      SCOPED_TRACE(row);
      const int last = keyboardRowLength(row) - 1;
      EXPECT_EQ(keyboardKeyRect(g, row, 0).left, kKeyboardMargin);
      EXPECT_EQ(keyboardKeyRect(g, row, last).right, g.right);
      for (int key = 0; key <= last; ++key) {
        const ImageRect r = keyboardKeyRect(g, row, key);
        EXPECT_EQ(r.top, row * g.pitch + kKeyboardMargin);
        EXPECT_EQ(r.bottom - r.top, g.key);
        if (key == 0 || row == 4) continue;
        // Tab is half a pitch and a truncated half wide, its neighbour starts
        // a rounded half in: one pixel apart when the halves differ.
        const int expectedGap =
            (row == 1 && key == 1) ? g.gap + g.halfRounded - g.halfTruncated : g.gap;
        EXPECT_EQ(r.left - keyboardKeyRect(g, row, key - 1).right, expectedGap) << key;
      }
    }
    // Row 4: a key-wide hole on either side of the thumb keys, the space bar
    // one gap short of AltGr, and both "Strg" keys equally wide.
    const ImageRect ctrl = keyboardKeyRect(g, 4, 0), alt = keyboardKeyRect(g, 4, 1),
                    space = keyboardKeyRect(g, 4, 2), altGr = keyboardKeyRect(g, 4, 3),
                    ctrlRight = keyboardKeyRect(g, 4, 4);
    EXPECT_EQ(altGr.left - space.right, g.gap);
    EXPECT_GT(alt.left - ctrl.right, g.key);
    EXPECT_GT(ctrlRight.left - altGr.right, g.key);
    EXPECT_EQ(ctrl.right - ctrl.left, ctrlRight.right - ctrlRight.left);
    EXPECT_EQ(alt.right - alt.left, altGr.right - altGr.left);
    EXPECT_GT(space.right - space.left, 4 * g.key);
  }
}

// --- Size value per text size ---------------------------------------------

KeyboardSizeInput flatInput(int width, int margin, int left, int d) {
  KeyboardSizeInput input;
  input.textWidths.fill(width);
  input.textMargin = margin;
  input.imageLeft = left;
  input.density16 = d;
  return input;
}

TEST(KeyboardSizeTable, GrowsAtLeastOneStepPerTextSize) {
  const KeyboardSizeTable table = buildKeyboardSizeTable(flatInput(0, 2, 16, 16));
  for (int j = kMinTextSize; j <= kMaxTextSize; ++j) {
    SCOPED_TRACE(j);
    const auto S = static_cast<std::uint16_t>(j - kMinTextSize + 1);
    EXPECT_EQ(table.at(j), (KeyboardSize{S, keyboardImageWidth(S), keyboardImageHeight(S)}));
  }
  // Sizes outside the range answer for the nearest one.
  EXPECT_EQ(table.at(3), table.at(kMinTextSize));
  EXPECT_EQ(table.at(400), table.at(kMaxTextSize));
}

TEST(KeyboardSizeTable, GrowsUntilAsWideAsTheTextWithItsMargins) {
  // Wanted: W(S) + 2·16 ≥ 700 + 2·2 + 4·16, so W(S) ≥ 736: W(9) = 719, W(10) = 748.
  KeyboardSizeInput input = flatInput(700, 2, 16, 16);
  input.textWidths[2] = 800;  // text size 10: W(S) ≥ 836 → W(15) = 837
  const KeyboardSizeTable table = buildKeyboardSizeTable(input);
  EXPECT_EQ(table.at(8).sizeValue, 10);
  EXPECT_EQ(table.at(9).sizeValue, 11);
  EXPECT_EQ(table.at(10).sizeValue, 15);
  EXPECT_EQ(table.at(10).width, 837);
  // A narrower text afterwards never shrinks the keyboard.
  EXPECT_EQ(table.at(11).sizeValue, 16);
}

TEST(KeyboardSizeTable, ExactlyAsWideAsTheTextIsWideEnough) {
  // W(10) + 2·16 = 780 = 712 + 2·2 + 4·16.
  EXPECT_EQ(buildKeyboardSizeTable(flatInput(712, 2, 16, 16)).at(8).sizeValue, 10);
  EXPECT_EQ(buildKeyboardSizeTable(flatInput(713, 2, 16, 16)).at(8).sizeValue, 11);
}

TEST(KeyboardSizeTable, LargestFittingTextSizeCountsTheOffsetOnBothSides) {
  const struct {
    int left;
    int width;
    int largest;
  } rows[] = {
      {5, 0, 8},    // S 1: 585 + 10 = 595 just fits
      {6, 0, 0},    // 597: fits nowhere
      {16, 0, 0},   // the usual offset at 96 pixels per inch
      {0, 0, 8},    // S 2 at size 9 is 600 wide
      {0, 400, 8},  // a narrow text makes no difference
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.left);
    EXPECT_EQ(buildKeyboardSizeTable(flatInput(row.width, 0, row.left, 0)).largestFittingTextSize,
              row.largest);
  }
}

TEST(KeyboardSizeTable, SizesBeyondTheLargestSizeValueAreUnusable) {
  // W(65535) = 1167093: a text this wide cannot be matched.
  KeyboardSizeInput input = flatInput(0, 0, 0, 0);
  input.textWidths[100 - kMinTextSize] = 1200000;
  const KeyboardSizeTable table = buildKeyboardSizeTable(input);
  EXPECT_EQ(table.at(99).sizeValue, 92);
  EXPECT_TRUE(table.at(99).usable());
  for (int j : {100, 101, 180, 250}) {
    SCOPED_TRACE(j);
    EXPECT_FALSE(table.at(j).usable());
    EXPECT_EQ(table.at(j), (KeyboardSize{-1, 0x4000, 0x4000}));
  }
}

}  // namespace
}  // namespace kv
