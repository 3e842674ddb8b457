// Contrast as the Web Content Accessibility Guidelines 2 measure it: the
// relative luminance of two sRGB colours, and their ratio from 1:1 to 21:1.
// Text needs 4.5:1 (3:1 when large), controls and graphics 3:1.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"

namespace kv {

inline constexpr double kTextContrast = 4.5;
inline constexpr double kGraphicContrast = 3.0;

// 0 for black to 1 for white; `colour` is 0x00BBGGRR, never a system colour.
double relativeLuminance(Colour colour);
// (lighter + 0.05) / (darker + 0.05), whichever way round the two come.
double contrastRatio(Colour a, Colour b);

// The system colours a figure is measured with: Windows' standard scheme by
// default, or whatever the system shows when "Systemfarben" is on.
struct SystemPalette {
  Colour window = 0xFFFFFF;
  Colour windowText = 0x000000;
  Colour highlight = 0xD77800;  // 0, 120, 215
  Colour highlightText = 0xFFFFFF;
  Colour buttonFace = 0xF0F0F0;
  Colour buttonText = 0x000000;
  Colour grayText = 0x6D6D6D;
  Colour darkShadow = 0x000000;  // the keys' outline
};
// Windows' "Kontrast Schwarz": black ground, white text, yellow highlight.
SystemPalette highContrastBlack();

// One measured pair: what is drawn on what, the ratio, and the ratio it needs.
struct ContrastFigure {
  std::string scheme;  // Windows-1252
  std::string what;    // Windows-1252
  double ratio = 0;
  double needed = kTextContrast;
  bool met() const { return ratio + 1e-9 >= needed; }
};

// Every pair the program draws in its own colours, for each of the nine
// finger-colour schemes (measured with `system` for the parts in system
// colours), then the chart, the map of missed keys, the result's marks,
// and "Systemfarben" with `highContrast`. For each scheme and pair the
// weakest of its colours counts.
std::vector<ContrastFigure> contrastFigures(const SystemPalette& system, const SystemPalette& highContrast);

// "4,5:1" – one decimal, comma, rounded down so a figure never claims more.
std::string contrastText(double ratio);

}  // namespace kv
