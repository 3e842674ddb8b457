#include "core/settings.h"

#include <cstdlib>

#include "platform/encoding.h"

namespace kv {

ColourSchemeTable defaultColourSchemes() {
  return {{
      {0x00FF00, 0x0000FF, 0x00FFFF, 0xFFFF00, 0x808080, 0x808000},
      {0xFFFF00, 0x00FF00, 0x0000FF, 0x00FFFF, 0x808080, 0x800000},
      {0x0000FF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0x808080, 0x800080},
      {0x00FFFF, 0xFFFF00, 0x00FF00, 0x0000FF, 0x808080, 0x000000},
      {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
      {0x00FFFF, 0x0000FF, 0x00FF00, 0xFFFF00, 0x808080, 0x808080},
      {0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0x808080, 0x000080},
      {0xFFFF00, 0x00FFFF, 0x0000FF, 0x00FF00, 0x808080, 0x008080},
      {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0x808080, 0x008000},
  }};
}

void selectScheme(FingerColours& colours, const ColourSchemeTable& schemes, int index) {
  if (index < 0 || index >= kSchemeCount) return;
  const ColourScheme& s = schemes[static_cast<std::size_t>(index)];
  if (colours.colourTarget == 1) {
    colours.little = s[kLittle];
    colours.ring = s[kRing];
    colours.middle = s[kMiddle];
    colours.index = s[kIndex];
    colours.thumb = s[kThumb];
  } else {
    colours.background = s[kBackground];
  }
}

void reconcileColours(const FingerColours& colours, ColourSchemeTable& schemes) {
  const ColourScheme fingers = {colours.little, colours.ring, colours.middle,
                                colours.index, colours.thumb, 0};
  bool fingersFound = false;
  bool backgroundFound = false;
  for (const ColourScheme& s : schemes) {
    bool same = true;
    for (int i = kLittle; i <= kThumb; ++i) same = same && s[i] == fingers[i];
    fingersFound = fingersFound || same;
    backgroundFound = backgroundFound || s[kBackground] == colours.background;
  }
  ColourScheme& custom = schemes[kCustomScheme];
  if (!fingersFound) {
    for (int i = kLittle; i <= kThumb; ++i) custom[i] = fingers[i];
  }
  if (!backgroundFound) custom[kBackground] = colours.background;
}

std::string clipLearnerLine(std::string_view text) {
  return std::string(text.substr(0, kLearnerLineMax));
}

const std::array<std::string, kUiWordCount>& uiWords() {
  static const std::array<std::string, kUiWordCount> words = {
      w1252("Laufschrift"),
      w1252("Leuchttastei"),
      w1252("Textvorgabe auf Bildschirm"),
      w1252("Text von Vorlage"),
      w1252("Januar"),
      w1252("Februar"),
      w1252("März"),
      w1252("April"),
      w1252("Mai"),
      w1252("Juni"),
      w1252("Juli"),
      w1252("August"),
      w1252("September"),
      w1252("Oktober"),
      w1252("November"),
      w1252("Dezember"),
      w1252("Übungsform"),
      w1252("Übungstext"),
      w1252("Fehler"),
      w1252("Gesamtanschl."),
      w1252("(%s Fehlerprozent)"),
      w1252("Übungszeit"),
      w1252("Auswertung nicht möglich"),
      w1252("(mit Korrekturmöglichkeit)"),
      w1252("(bis Zeile , Spalte )"),
      w1252("Anschl./Min."),
      w1252("(Zeitlimit)"),
      w1252("(individuell)"),
      w1252("(getaktet)"),
      w1252("Hinweis: Für die Auswertung wurden nur die Zeilen  bis  (jede Zeile den Text  mal "
            "schreiben) des Übungstextes als Vergleichstext ausgewählt."),
      w1252("Eingabemedium"),
      w1252("Softwaretastatur"),
      w1252("Fehlerzahl"),
      w1252("Status einblenden mit Strg+T"),
      w1252("Status ausblenden mit Strg+T"),
      w1252("%s Anschläge/Minute"),
      w1252("%s Gesamtanschläge"),
  };
  return words;
}

const std::string& uiWord(int index) {
  static const std::string empty;
  if (index < 0 || index >= kUiWordCount) return empty;
  return uiWords()[static_cast<std::size_t>(index)];
}

std::string formName(int form) {
  if (form < 1 || form > 4) return {};
  return uiWord(form - 1);
}

namespace {

// Rounded a * b / c, as the system's MulDiv does for positive values.
int mulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  const long long product = static_cast<long long>(a) * b;
  const long long half = (c > 0 ? c : -c) / 2;
  return static_cast<int>((product >= 0 ? product + half : product - half) / c);
}

// A font whose "X" never reaches the minimum must not hang the program.
constexpr int kLargestDialogFontSize = 72;

}  // namespace

void computeDialogFont(const std::optional<MenuFont>& menuFont, FontMeasurer& measurer,
                       FontChoice& fonts) {
  if (!menuFont) return;
  const int dpi = measurer.pixelsPerInchY() > 0 ? measurer.pixelsPerInchY() : 96;
  std::string face = menuFont->faceName.substr(0, 32);
  int height = menuFont->height;
  int size = mulDiv(std::abs(height), 72, dpi);
  if (size < 1) size = 1;
  const bool bold = true;
  while (measurer.heightOfX(face, height, bold) < kMinDialogXHeight &&
         size < kLargestDialogFontSize) {
    ++size;
    height = -mulDiv(size, dpi, 72);
  }
  fonts.dialogFontName = std::move(face);
  fonts.dialogFontSize = size;
  fonts.dialogFontHeight = height;
  fonts.dialogFontBold = bold;
}

}  // namespace kv
