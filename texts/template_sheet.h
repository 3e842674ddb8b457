// A text as a paper template for "Text von Vorlage", in a form any browser
// prints: large fixed-pitch lines, numbered, the title and archive above,
// each text on a sheet of its own.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct TemplateText {
  std::string title;               // Windows-1252
  std::vector<std::string> lines;  // Windows-1252
};

// A complete HTML page (UTF-8) with one section per text.
std::string templateSheetHtml(const std::string& archiveName, const std::vector<TemplateText>& texts);

}  // namespace kv
