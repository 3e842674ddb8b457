#include "texts/template_sheet.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Each text on a sheet of its own, every line numbered by the list, and the
// characters of the text exactly as typed: markup characters escaped, umlauts
// in UTF-8, blanks kept.
TEST(TemplateSheet, OneNumberedSheetPerTextWithTheTextAsItIs) {
  const std::string html = templateSheetHtml(
      w1252("Übungen Klasse 8"),
      {{w1252("Brief an Oma"), {w1252("Liebe Oma, wie geht's?"), "a < b && c > d \"x\"", "  zwei Blanks"}},
       {"Zweiter Text", {"eins"}}});
  EXPECT_EQ(occurrences(html, "<section>"), 2u);
  EXPECT_EQ(occurrences(html, "<li>"), 4u);
  EXPECT_NE(html.find("<h1>Brief an Oma – \xC3\x9C" "bungen Klasse 8</h1>"), std::string::npos);
  EXPECT_NE(html.find("<li>a &lt; b &amp;&amp; c &gt; d &quot;x&quot;</li>"), std::string::npos);
  EXPECT_NE(html.find("<li>  zwei Blanks</li>"), std::string::npos);
  EXPECT_NE(html.find("white-space: pre"), std::string::npos);
  EXPECT_NE(html.find("page-break-after: always"), std::string::npos);
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
}

}  // namespace
}  // namespace kv
