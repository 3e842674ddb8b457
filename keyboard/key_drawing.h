// The arithmetic behind the drawn keyboard: which font size a caption takes
// and where its characters go, the pixels of the drawn symbols, and the frame
// picture around the keys. Portable; the Win32 renderer only fills and
// copies what is computed here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "keyboard/key_table.h"

namespace kv {

// Rounds numerator / denominator to the nearest integer, halves to the even
// neighbour. The denominator must be positive.
int roundHalfEven(long long numerator, long long denominator);

// ---------------------------------------------------------------------------
// Text heights: the height of a space in the keyboard font per point size.

inline constexpr int kSmallestCaptionSize = 6;
inline constexpr int kLargestCaptionSize = 250;

class TextHeights {
 public:
  // 0 for sizes outside 6-250 and for sizes not filled yet.
  int at(int pointSize) const;
  void set(int pointSize, int height);

 private:
  std::array<std::uint16_t, kLargestCaptionSize + 1> heights_{};
};

// Measuring every size up to 250 points is slow on old machines: sizes 6 to
// 45 and the even sizes above are measured, and every odd size from 45 on is
// the rounded mean of its even neighbours.
bool isMeasuredTextSize(int pointSize);
void interpolateOddTextHeights(TextHeights& heights);
// Calls `heightOfSpace` for the measured sizes only.
TextHeights measureTextHeights(const std::function<int(int pointSize)>& heightOfSpace);

// ---------------------------------------------------------------------------
// Captions.

enum class CaptionKind : std::uint8_t {
  None,
  Letter,    // one character, centred
  Pair,      // shifted character over unshifted one
  Triple,    // a pair in the left half, the third-level character bottom right
  Modifier,  // "Strg", "Alt", "AltGr": a word in the top-left corner
};

CaptionKind captionKind(std::string_view caption);

// Accents, commas and full stops sit low in their cell: such captions take a
// larger font and lift their lower character by a pixel.
int captionLift(std::string_view caption);

// The point size for the caption on a key `keyHeight` pixels high.
int captionFontSize(const TextHeights& heights, std::string_view caption, int keyHeight);

struct CaptionPoint {
  int x = 0;
  int y = 0;
  bool operator==(const CaptionPoint&) const = default;
};

// Top-left corner of character `index` of the caption (the whole word for
// modifier captions), given the character's width and the text height of
// the chosen size.
CaptionPoint captionPosition(std::string_view caption, int index, const KeyRect& key, int textWidth,
                             int textHeight);

// ---------------------------------------------------------------------------
// Symbols: Backspace, Tab, Enter, shift and Caps lock, built from filled
// rectangles (mostly one-pixel columns) in the caption colour.

struct SymbolSizes {
  int s = 0;  // symbol size
  int n = 0;  // shaft thickness
  int i = 0;  // arrow head height, same parity as n so the head is symmetric
  int q = 0;  // indent from the key's corner
  bool operator==(const SymbolSizes&) const = default;
};
SymbolSizes symbolSizes(int keyHeight);

// Height of arrow column `column`, counted from the tip (0): a head that
// widens by a pixel on each side every second column, then the shaft.
int arrowColumnHeight(const SymbolSizes& sizes, int column);

struct ShiftArrowSizes {
  int c = 0;           // outline thickness minus one
  int u = 0;           // half the box: where the head ends
  int o = 0;           // how far the stem is set in from the box's sides
  int extraLines = 0;  // lines that thicken the slanted head sides
  bool operator==(const ShiftArrowSizes&) const = default;
};
ShiftArrowSizes shiftArrowSizes(int s);

// The rectangles to fill for `symbol` on the key `key`. Enter's symbol goes
// into its upper part: pass EnterUpperRect. Empty for KeySymbol::None.
std::vector<KeyRect> symbolRects(KeySymbol symbol, const KeyRect& key);

// ---------------------------------------------------------------------------
// The frame picture: a square whose quadrants become the keyboard's corners
// and whose edges are stretched along its sides.

enum class FramePixel : std::uint8_t {
  Background,  // outside the frame and inside it (filled with button face later)
  Outline,
  Light,
  Face,
  Shadow,
};

inline constexpr int kFramePictureSize = 32;
// Where the keyboard surface is flood-filled from; must lie inside the frame.
inline constexpr int kFrameFillX = 16;
inline constexpr int kFrameFillY = 16;

FramePixel framePicturePixel(int x, int y);

}  // namespace kv
