#include "tools/kvtool_contrast.h"

#include <iostream>
#include <string>

#include "core/contrast.h"
#include "platform/encoding.h"

namespace kv::tool {

void writeContrastTable(std::ostream& out) {
  out << "| Farbschema | Was auf was | Kontrast | nötig | erfüllt |\n";
  out << "|---|---|---|---|---|\n";
  for (const ContrastFigure& f : contrastFigures(SystemPalette{}, highContrastBlack())) {
    out << "| " << cp1252ToUtf8(f.scheme) << " | " << cp1252ToUtf8(f.what) << " | " << contrastText(f.ratio)
        << " | " << contrastText(f.needed) << " | " << (f.met() ? "ja" : "**nein**") << " |\n";
  }
}

void addContrastCommand(CLI::App& app) {
  CLI::App* contrast = app.add_subcommand(
      "kontrast", "Die Kontrastwerte der Farben des Programms als Tabelle (WCAG 2, Markdown)");
  contrast->callback([] { writeContrastTable(std::cout); });
}

}  // namespace kv::tool
