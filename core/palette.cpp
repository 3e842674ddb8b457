#include "core/palette.h"

#include <algorithm>
#include <array>

namespace kv::palette {

Colour chartFormColour(int form) {
  switch (form) {
    case 1: return rgb(31, 119, 180);   // Laufschrift: blue
    case 2: return rgb(230, 120, 10);   // Leuchttastei: orange
    case 3: return rgb(44, 150, 44);    // Textvorgabe: green
    default: return rgb(148, 80, 189);  // Text von Vorlage: purple
  }
}

Colour heatColour(double missRate) {
  struct Stop {
    int r, g, b;
  };
  // Pale yellow, amber, dark orange: each step darker than the last.
  static constexpr std::array<Stop, 3> kStops = {{{255, 247, 188}, {254, 178, 76}, {217, 95, 14}}};
  const double t = std::clamp(missRate / kHeatFullRate, 0.0, 1.0);
  const std::size_t at = t < 0.5 ? 0 : 1;
  const double f = (t - 0.5 * static_cast<double>(at)) / 0.5;
  const Stop& a = kStops[at];
  const Stop& b = kStops[at + 1];
  const auto mix = [f](int from, int to) { return static_cast<int>(from + (to - from) * f + 0.5); };
  return rgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

Colour textColourOn(Colour background) {
  const int r = static_cast<int>(background & 0xFF);
  const int g = static_cast<int>((background >> 8) & 0xFF);
  const int b = static_cast<int>((background >> 16) & 0xFF);
  return (r + g + b) / 3 > 170 ? 0x000000 : 0xFFFFFF;
}

}  // namespace kv::palette
