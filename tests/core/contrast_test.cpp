#include "core/contrast.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/palette.h"
#include "platform/encoding.h"
#include "tools/kvtool_contrast.h"

namespace kv {
namespace {

TEST(ContrastRatio, MatchesTheKnownPairsOfTheGuidelines) {
  EXPECT_DOUBLE_EQ(relativeLuminance(0x000000), 0.0);
  EXPECT_DOUBLE_EQ(relativeLuminance(0xFFFFFF), 1.0);
  // Red, green and blue weigh differently; the byte order is 0x00BBGGRR.
  EXPECT_NEAR(relativeLuminance(0x0000FF), 0.2126, 1e-4);
  EXPECT_NEAR(relativeLuminance(0x00FF00), 0.7152, 1e-4);
  EXPECT_NEAR(relativeLuminance(0xFF0000), 0.0722, 1e-4);

  EXPECT_DOUBLE_EQ(contrastRatio(0x000000, 0xFFFFFF), 21.0);
  EXPECT_DOUBLE_EQ(contrastRatio(0xFFFFFF, 0x000000), 21.0);
  EXPECT_DOUBLE_EQ(contrastRatio(0x123456, 0x123456), 1.0);
  // #777 on white just fails the text figure, #767676 just meets it.
  EXPECT_NEAR(contrastRatio(0x777777, 0xFFFFFF), 4.48, 0.005);
  EXPECT_NEAR(contrastRatio(0x767676, 0xFFFFFF), 4.54, 0.005);
  // Pure red on white, pure blue on white.
  EXPECT_NEAR(contrastRatio(0x0000FF, 0xFFFFFF), 4.0, 0.005);
  EXPECT_NEAR(contrastRatio(0xFF0000, 0xFFFFFF), 8.59, 0.005);
  // The low channel values take the linear part of the sRGB curve.
  EXPECT_NEAR(relativeLuminance(0x0A0A0A), 10.0 / 255.0 / 12.92, 1e-9);
}

TEST(ContrastRatio, TextRoundsDownSoAFigureNeverClaimsMore) {
  EXPECT_EQ(contrastText(21.0), "21,0:1");
  EXPECT_EQ(contrastText(4.48), "4,4:1");
  EXPECT_EQ(contrastText(4.5), "4,5:1");
  EXPECT_EQ(contrastText(2.999), "2,9:1");
}

TEST(HeatScale, GrowsDarkerWithEveryStepAndKeepsCaptionsReadable) {
  double last = 2.0;
  for (int k = 0; k <= 20; ++k) {
    const Colour c = palette::heatColour(palette::kHeatFullRate * k / 20.0);
    const double l = relativeLuminance(c);
    // Lightness alone orders the scale, which is what a learner who cannot
    // tell red from green still sees.
    EXPECT_LT(l, last) << "step " << k;
    last = l;
    EXPECT_GE(contrastRatio(palette::kKeyCaption, c), kTextContrast) << "step " << k;
  }
  EXPECT_EQ(palette::heatColour(-1.0), palette::heatColour(0.0));
  EXPECT_EQ(palette::heatColour(0.5), palette::heatColour(palette::kHeatFullRate));
  EXPECT_GE(contrastRatio(palette::heatColour(0), palette::heatColour(palette::kHeatFullRate)), kGraphicContrast);
}

TEST(ContrastFigures, HighContrastSystemColoursMeetEveryFigure) {
  for (const ContrastFigure& f : contrastFigures(SystemPalette{}, highContrastBlack())) {
    if (f.scheme.find("Kontrast Schwarz") == std::string::npos) continue;
    EXPECT_TRUE(f.met()) << cp1252ToUtf8(f.what) << ": " << f.ratio;
  }
}

TEST(ContrastFigures, NameTheSchemesThatFallShort) {
  int schemeRows = 0;
  bool someFallShort = false;
  for (const ContrastFigure& f : contrastFigures(SystemPalette{}, highContrastBlack())) {
    if (f.scheme.rfind("Farbschema ", 0) == 0) ++schemeRows;
    someFallShort = someFallShort || !f.met();
  }
  EXPECT_EQ(schemeRows, 4 * kSchemeCount);
  // Some schemes fall short today: scheme 6's white text on grey, scheme 3's keys on purple.
  EXPECT_TRUE(someFallShort);
}

// The accessibility notes carry the table as kvtool prints it; a change of a
// colour without a new table would leave them telling an old story.
TEST(ContrastFigures, TheNotesCarryTheTableKvtoolPrints) {
  std::ifstream in(KV_SOURCE_DIR "/docs/Barrierefreiheit.md", std::ios::binary);
  std::stringstream notes;
  notes << in.rdbuf();
  ASSERT_FALSE(notes.str().empty());
  std::ostringstream table;
  tool::writeContrastTable(table);
  EXPECT_NE(notes.str().find(table.str()), std::string::npos) << table.str();
}

}  // namespace
}  // namespace kv
