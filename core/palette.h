// The program's own colours beyond the finger-colour schemes: the lit key,
// the chart's lines and the scale of missed keys. They live here, away from
// any window, so that their contrast can be measured and printed.
#pragma once

#include "core/settings.h"

namespace kv::palette {

// 0x00BBGGRR from red, green and blue, as the settings store colours.
constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

inline constexpr Colour kLitKey = 0x800000;  // navy
inline constexpr Colour kKeyCaption = 0x000000;
inline constexpr Colour kLitKeyCaption = 0xFFFFFF;

// The running text and the template on the keyboard's background: black on a
// light background (mean of red, green and blue above 170), white otherwise.
Colour textColourOn(Colour background);

// The chart's line of exercise form 1-4 (anything else: form 4's).
Colour chartFormColour(int form);

// A key's share of missed strokes on the map of missed keys: a ramp from
// pale yellow through orange to a dark orange, rising in darkness as well as
// hue, so that it reads without telling red from green. A tenth missed is
// the darkest step; every step keeps the black captions readable.
inline constexpr double kHeatFullRate = 0.10;
Colour heatColour(double missRate);

// The untried keys of the map and the ground of the chart.
inline constexpr Colour kHeatUntried = 0xFFFFFF;
inline constexpr Colour kHeatGround = 0xF4F4F4;

}  // namespace kv::palette
