#include "keyboard/keyboard_geometry.h"

#include <algorithm>
#include <cstdint>

namespace kv {

KeyboardGeometry keyboardGeometry(std::uint16_t sizeValue) {
  KeyboardGeometry g;
  g.sizeValue = sizeValue;
  g.key = sizeValue + 32;
  g.gap = sizeValue / 5 + 5;
  g.pitch = g.key + g.gap;
  const int inner = g.key - g.gap;  // always positive: Y - G = S + 27 - S div 5
  g.halfTruncated = inner / 2;
  // An odd Y - G makes a tie, which goes to the even neighbour.
  g.halfRounded =
      (inner % 2 == 0 || g.halfTruncated % 2 == 0) ? g.halfTruncated : g.halfTruncated + 1;
  g.right = 14 * g.gap + 15 * g.key + kKeyboardMargin;
  g.imageWidth = keyboardImageWidth(sizeValue);
  g.imageHeight = keyboardImageHeight(sizeValue);
  return g;
}

int keyboardImageWidth(std::uint16_t sizeValue) {
  return 15 * sizeValue + 14 * (sizeValue / 5) + 570;
}

int keyboardImageHeight(std::uint16_t sizeValue) {
  return 5 * sizeValue + 4 * (sizeValue / 5) + 201;
}

int keyboardRowLength(int row) {
  switch (row) {
    case 0:
    case 1:
    case 2:
      return 14;
    case 3:
      return 13;
    case 4:
      return 5;
    default:
      return 0;
  }
}

ImageRect keyboardKeyRect(const KeyboardGeometry& g, int row, int key) {
  if (key < 0 || key >= keyboardRowLength(row)) return {};
  const int Y = g.key, G = g.gap, P = g.pitch, Hr = g.halfRounded, Ht = g.halfTruncated;
  const int R = g.right;
  const int m = kKeyboardMargin;
  const int last = keyboardRowLength(row) - 1;

  ImageRect r;
  r.top = row * P + m;
  r.bottom = r.top + Y;
  // Each row's keys sit on the pitch grid, shifted right by the row's offset;
  // the row's first key stretches to meet that offset and its last key
  // stretches to the right edge R.
  int offset = 0;
  int firstRight = 0;
  switch (row) {
    case 0:
      offset = 0;
      firstRight = Y + m;
      break;
    case 1:
      offset = G + Hr;
      firstRight = P + Ht + m;
      break;
    case 2:
      offset = Y - G / 2;
      firstRight = 2 * Y - G / 2 + m;
      break;
    case 3:
      offset = Y / 2 - G;
      firstRight = (Y - G) + Y / 2 + m;
      break;
    default:
      break;
  }
  if (row <= 3) {
    if (key == 0 && row != 0) {
      r.left = m;
      r.right = firstRight;
    } else {
      r.left = key * P + offset + m;
      r.right = key == last ? R : r.left + Y;
    }
    return r;
  }

  // Row 4: "Strg", gap, "Alt", space bar, "AltGr", gap, "Strg".
  switch (key) {
    case 0:
      r.left = m;
      r.right = P + Ht + m;
      break;
    case 1:
      r.left = 2 * P + G + Hr + m;
      r.right = r.left + Y + G + Ht;
      break;
    case 2:
      r.left = 3 * P + 2 * G + Hr + Ht + m;
      r.right = R - r.left;
      break;
    case 3:
      r.left = R - Hr - 3 * Y - 4 * G - Ht - m;
      r.right = r.left + Y + G + Ht;
      break;
    default:
      r.left = R - P - Ht;
      r.right = R;
      break;
  }
  return r;
}

// ---------------------------------------------------------------------------

const KeyboardSize& KeyboardSizeTable::at(int textSize) const {
  const int clamped = std::clamp(textSize, kMinTextSize, kMaxTextSize);
  return sizes[static_cast<std::size_t>(clamped - kMinTextSize)];
}

KeyboardSizeTable buildKeyboardSizeTable(const KeyboardSizeInput& input) {
  constexpr int kMaxSizeValue = 65535;
  KeyboardSizeTable table;
  // 64-bit so that no measured width, however absurd, overflows the sums.
  const auto imageSpan = [&](int sizeValue) {
    return std::int64_t{keyboardImageWidth(static_cast<std::uint16_t>(sizeValue))} +
           2 * std::int64_t{input.imageLeft};
  };
  int S = 0;
  for (int j = kMinTextSize; j <= kMaxTextSize; ++j) {
    const std::size_t index = static_cast<std::size_t>(j - kMinTextSize);
    const std::int64_t wanted = std::int64_t{input.textWidths[index]} +
                                2 * std::int64_t{input.textMargin} +
                                4 * std::int64_t{input.density16};
    bool usable = true;
    do {
      if (S == kMaxSizeValue) {
        usable = false;
        break;
      }
      ++S;
    } while (imageSpan(S) < wanted);
    // S only grows, so once it has run out every larger size is out too; the
    // table's entries are unusable by default.
    if (!usable) break;

    const auto value = static_cast<std::uint16_t>(S);
    table.sizes[index] = {S, keyboardImageWidth(value), keyboardImageHeight(value)};
    if (imageSpan(S) <= kCompactWindowWidth) table.largestFittingTextSize = j;
  }
  return table;
}

}  // namespace kv
