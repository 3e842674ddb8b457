#include "core/contrast.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "core/palette.h"
#include "platform/encoding.h"

namespace kv {
namespace {

double linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The weakest ratio of `on` against any of `grounds`.
double weakest(Colour on, std::initializer_list<Colour> grounds) {
  double least = 21.0;
  for (const Colour g : grounds) least = std::min(least, contrastRatio(on, g));
  return least;
}

}  // namespace

double relativeLuminance(Colour colour) {
  return 0.2126 * linear(static_cast<int>(colour & 0xFF)) + 0.7152 * linear(static_cast<int>((colour >> 8) & 0xFF)) +
         0.0722 * linear(static_cast<int>((colour >> 16) & 0xFF));
}

double contrastRatio(Colour a, Colour b) {
  const double la = relativeLuminance(a);
  const double lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

SystemPalette highContrastBlack() {
  SystemPalette p;
  p.window = 0x000000;
  p.windowText = 0xFFFFFF;
  p.highlight = 0x00FFFF;  // yellow
  p.highlightText = 0x000000;
  p.buttonFace = 0x000000;
  p.buttonText = 0xFFFFFF;
  p.grayText = palette::rgb(63, 242, 63);
  p.darkShadow = 0xFFFFFF;
  return p;
}

std::string contrastText(double ratio) {
  const long tenths = static_cast<long>(std::floor(ratio * 10.0 + 1e-9));
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + ":1";
}

std::vector<ContrastFigure> contrastFigures(const SystemPalette& system, const SystemPalette& highContrast) {
  std::vector<ContrastFigure> figures;
  const auto add = [&](std::string scheme, const char* what, double ratio, double needed) {
    figures.push_back({std::move(scheme), w1252(what), ratio, needed});
  };
  const ColourSchemeTable schemes = defaultColourSchemes();
  for (int k = 0; k < kSchemeCount; ++k) {
    const ColourScheme& s = schemes[static_cast<std::size_t>(k)];
    const Colour bg = s[kBackground];
    const std::string name =
        w1252("Farbschema ") + std::to_string(k + 1) + (k == kCustomScheme ? w1252(" (eigenes, anfangs weiß)") : "");
    add(name, "Übungstext auf dem Hintergrund", contrastRatio(palette::textColourOn(bg), bg), kTextContrast);
    add(name, "Tastenbeschriftung auf den Fingerfarben",
        weakest(palette::kKeyCaption, {s[kLittle], s[kRing], s[kMiddle], s[kIndex], s[kThumb]}), kTextContrast);
    add(name, "leuchtende Taste gegen die Fingerfarben",
        weakest(palette::kLitKey, {s[kLittle], s[kRing], s[kMiddle], s[kIndex], s[kThumb]}), kGraphicContrast);
    // A key stands out by its outline or by its colour, whichever is stronger.
    double keys = 21.0;
    for (const Colour finger : {s[kLittle], s[kRing], s[kMiddle], s[kIndex], s[kThumb]}) {
      keys = std::min(keys, std::max(contrastRatio(finger, bg), contrastRatio(system.darkShadow, bg)));
    }
    add(name, "Tasten (Umriss oder Farbe) gegen den Hintergrund", keys, kGraphicContrast);
  }

  const std::string common = w1252("alle Farbschemata");
  add(common, "Beschriftung der leuchtenden Taste", contrastRatio(palette::kLitKeyCaption, palette::kLitKey),
      kTextContrast);
  add(common, "getippter Text im Eingabefeld", contrastRatio(system.windowText, system.window), kTextContrast);
  add(common, "Ergebnis: Text und unterstrichene Fehler", contrastRatio(system.windowText, system.window),
      kTextContrast);
  static constexpr const char* kLines[] = {"Lernverlauf: Linie Laufschrift", "Lernverlauf: Linie Leuchttastei",
                                           "Lernverlauf: Linie Textvorgabe", "Lernverlauf: Linie Text von Vorlage"};
  for (int form = 1; form <= 4; ++form) {
    add(common, kLines[form - 1], contrastRatio(palette::chartFormColour(form), system.window), kGraphicContrast);
  }
  add(common, "verfehlte Tasten: Beschriftung auf der dunkelsten Stufe",
      contrastRatio(palette::kKeyCaption, palette::heatColour(palette::kHeatFullRate)), kTextContrast);
  add(common, "verfehlte Tasten: hellste gegen dunkelste Stufe",
      contrastRatio(palette::heatColour(0), palette::heatColour(palette::kHeatFullRate)), kGraphicContrast);

  for (const auto& [name, p] : {std::pair{w1252("Systemfarben (Windows-Standard)"), system},
                                std::pair{w1252("Systemfarben (Kontrast Schwarz)"), highContrast}}) {
    add(name, "Text auf dem Fenster (Übungstext, getippter Text, Ergebnis)", contrastRatio(p.windowText, p.window),
        kTextContrast);
    add(name, "hervorgehobener Text (nächstes Zeichen, leuchtende Taste, Fehler)",
        contrastRatio(p.highlightText, p.highlight), kTextContrast);
    add(name, "leuchtende Taste gegen die Tastatur", contrastRatio(p.highlight, p.window), kGraphicContrast);
    add(name, "Tastenumriss und Diagrammlinien", contrastRatio(p.windowText, p.window), kGraphicContrast);
    add(name, "Schaltflächentext", contrastRatio(p.buttonText, p.buttonFace), kTextContrast);
    add(name, "grauer Text (Hinweise)", contrastRatio(p.grayText, p.window), kTextContrast);
  }
  return figures;
}

}  // namespace kv
