#include "texts/template_sheet.h"

#include "platform/encoding.h"

namespace kv {
namespace {

std::string escaped(const std::string& cp1252) {
  std::string out;
  for (const char c : cp1252ToUtf8(cp1252)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string templateSheetHtml(const std::string& archiveName, const std::vector<TemplateText>& texts) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n<title>Vorlagen – " +
      escaped(archiveName) +
      "</title>\n<style>\n"
      "@page { size: A4; margin: 2cm 1.5cm 2cm 2.5cm; }\n"
      "body { font-family: \"Courier New\", \"Liberation Mono\", monospace; font-size: 14pt; }\n"
      "section { page-break-after: always; break-after: page; }\n"
      "section:last-child { page-break-after: auto; break-after: auto; }\n"
      "h1 { font-size: 14pt; margin: 0 0 1.2em 0; }\n"
      "ol { margin: 0; padding-left: 3.5em; line-height: 1.6; }\n"
      "li { white-space: pre; }\n"
      "li::marker { color: #707070; }\n"
      "</style>\n</head>\n<body>\n";
  for (const TemplateText& t : texts) {
    html += "<section>\n<h1>" + escaped(t.title) + " – " + escaped(archiveName) + "</h1>\n<ol>\n";
    for (const std::string& line : t.lines) html += "<li>" + escaped(line) + "</li>\n";
    html += "</ol>\n</section>\n";
  }
  return html + "</body>\n</html>\n";
}

}  // namespace kv
