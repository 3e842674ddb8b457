// The on-screen keyboard's measurements: how large the keys are for a size
// value, which size value goes with which text size, and where every key sits
// in the keyboard image. Pure arithmetic; the drawing and the key table take
// their rectangles from here.
#pragma once

#include <array>
#include <cstdint>

namespace kv {

// The exercise window's text sizes, in points.
inline constexpr int kMinTextSize = 8;
inline constexpr int kMaxTextSize = 250;
inline constexpr int kTextSizeCount = kMaxTextSize - kMinTextSize + 1;

// Below this width (in pixels, frame included) an exercise window counts as
// too narrow to be the smallest one offered.
inline constexpr int kCompactWindowWidth = 595;

// The keys keep this distance from the image's edges.
inline constexpr int kKeyboardMargin = 10;

// Key size Y = S + 32, gap G = S div 5 + 5, pitch P = Y + G. Rows are offset
// by halves of Y - G: `halfRounded` rounds ties to even, `halfTruncated`
// drops the fraction; the two differ when Y - G leaves 3 modulo 4.
struct KeyboardGeometry {
  int sizeValue = 0;
  int key = 0;            // Y
  int gap = 0;            // G
  int pitch = 0;          // P
  int halfRounded = 0;    // Hr
  int halfTruncated = 0;  // Ht
  int right = 0;          // R, where Backspace, Enter, right shift and right "Strg" end
  int imageWidth = 0;     // R + the margin
  int imageHeight = 0;    // one pixel below row 4, plus the margin
  bool operator==(const KeyboardGeometry&) const = default;
};

KeyboardGeometry keyboardGeometry(std::uint16_t sizeValue);
int keyboardImageWidth(std::uint16_t sizeValue);
int keyboardImageHeight(std::uint16_t sizeValue);

// Left, Top, Right, Bottom in pixels of the keyboard image (right and bottom
// exclusive), the form the key table stores.
struct ImageRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const ImageRect&) const = default;
};

inline constexpr int kKeyboardRows = 5;
// 14 keys in rows 0-2 (Backspace, Enter's upper and lower part last), 13 in
// row 3, 5 in row 4; 0 outside the keyboard.
int keyboardRowLength(int row);
// The rectangle of key `key` (0-based, left to right) of `row`; all zero
// outside the keyboard.
ImageRect keyboardKeyRect(const KeyboardGeometry& geometry, int row, int key);

// ---------------------------------------------------------------------------
// Size value per text size.

// Sizes whose size value would pass 65535 cannot be drawn.
inline constexpr int kUnusableSizeValue = -1;
inline constexpr int kUnusableImageSize = 0x4000;

struct KeyboardSize {
  int sizeValue = kUnusableSizeValue;
  int width = kUnusableImageSize;
  int height = kUnusableImageSize;
  bool usable() const { return sizeValue != kUnusableSizeValue; }
  bool operator==(const KeyboardSize&) const = default;
};

struct KeyboardSizeInput {
  // Width of the widest exercise line at text size kMinTextSize + index.
  std::array<int, kTextSizeCount> textWidths{};
  int textMargin = 0;  // the typing field's margin on one side
  int imageLeft = 0;   // the keyboard image's offset in the window
  int density16 = 0;   // 16 pixels scaled to the screen's density
};

struct KeyboardSizeTable {
  std::array<KeyboardSize, kTextSizeCount> sizes{};
  // The largest text size at which the image and its offset on both sides fit
  // into kCompactWindowWidth; 0 when it fits at none.
  int largestFittingTextSize = 0;

  // Sizes outside 8-250 answer for the nearest size inside.
  const KeyboardSize& at(int textSize) const;
};

// The keyboard grows by at least one size value per text size, and further
// until it is as wide as the text with its margins; it never shrinks.
KeyboardSizeTable buildKeyboardSizeTable(const KeyboardSizeInput& input);

}  // namespace kv
