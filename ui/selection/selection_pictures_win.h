// The selection dialog's and the colour chooser's pictures, drawn with GDI
// at run time at the size the screen needs, so nothing is stored as a file.
#pragma once

#include <windows.h>

#include "core/settings.h"
#include "platform/win/handles.h"

namespace kv {

enum class SelectionIcon { Heading, Archive, CurrentArchive, Text, Preview };

// One small picture in a square of `size` pixels at (x, y).
void drawSelectionIcon(HDC dc, SelectionIcon icon, int x, int y, int size);

// The form picture strip: four rows of `width` x `rowHeight`, row n - 1
// showing form n in the keyboard's current colours.
win::Bitmap drawFormStrip(int width, int rowHeight, const FingerColours& colours);

// The chooser's template picture for a scale of `percent` (100, 125, 150,
// 175): an 8-bit palette picture of three equal strips (colour targets 0-2),
// painted only in the template colours the chooser maps.
// The colour chooser's template at 100 %, in pixels: three strips, each a
// sunken screen; the finger strip holds eight home-row keys, four a hand.
inline constexpr int kGlyphWidth = 80;
inline constexpr int kGlyphStripHeight = 32;
inline constexpr int kGlyphKeysLeft = 8;
inline constexpr int kGlyphKeysTop = 7;
inline constexpr int kGlyphKeyStep = 7;  // a key and its outline
inline constexpr int kGlyphHandGap = 4;
inline constexpr int kGlyphFrame = 4;    // the sunken edge around each strip

struct GlyphTemplate {
  win::Bitmap bitmap;  // a DIB section
  int width = 0;
  int stripHeight = 0;
};
GlyphTemplate drawGlyphTemplate(int percent);

}  // namespace kv
