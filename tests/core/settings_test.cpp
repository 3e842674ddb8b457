#include "core/settings.h"

#include <gtest/gtest.h>

#include <map>

namespace kv {
namespace {

TEST(ColourReconciliation, DefaultThumbMatchesNoSchemeSoCustomSlotGetsTheFingers) {
  ColourSchemeTable schemes = defaultColourSchemes();
  const FingerColours defaults;
  reconcileColours(defaults, schemes);
  const ColourScheme& custom = schemes[kCustomScheme];
  EXPECT_EQ(custom[kLittle], 0x00FF00u);
  EXPECT_EQ(custom[kRing], 0x0000FFu);
  EXPECT_EQ(custom[kMiddle], 0x00FFFFu);
  EXPECT_EQ(custom[kIndex], 0xFFFF00u);
  EXPECT_EQ(custom[kThumb], 0x008080u);
  // 0x808000 is scheme 0's background, so the custom background stays white.
  EXPECT_EQ(custom[kBackground], 0xFFFFFFu);
  // Nothing else changed.
  const ColourSchemeTable untouched = defaultColourSchemes();
  for (int i = 0; i < kSchemeCount; ++i) {
    if (i != kCustomScheme) {
      EXPECT_EQ(schemes[i], untouched[i]) << "scheme " << i;
    }
  }
}

TEST(ColourReconciliation, FingersAndBackgroundAreJudgedSeparately) {
  ColourSchemeTable schemes = defaultColourSchemes();
  FingerColours colours;
  // Scheme 3's fingers exactly, with a background no scheme has.
  colours.little = 0x00FFFF;
  colours.ring = 0xFFFF00;
  colours.middle = 0x00FF00;
  colours.index = 0x0000FF;
  colours.thumb = 0x808080;
  colours.background = 0x123456;
  reconcileColours(colours, schemes);
  EXPECT_EQ(schemes[kCustomScheme][kLittle], 0xFFFFFFu) << "fingers matched scheme 3";
  EXPECT_EQ(schemes[kCustomScheme][kBackground], 0x123456u);
}

TEST(ColourReconciliation, ColoursMatchingTheCustomSlotAreLeftAlone) {
  ColourSchemeTable schemes = defaultColourSchemes();
  FingerColours white;
  white.little = white.ring = white.middle = white.index = white.thumb = white.background = 0xFFFFFF;
  reconcileColours(white, schemes);
  EXPECT_EQ(schemes, defaultColourSchemes());
}

TEST(SelectScheme, TargetOneTakesTheFingersOtherwiseTheBackground) {
  const ColourSchemeTable schemes = defaultColourSchemes();
  FingerColours colours;
  colours.colourTarget = 1;
  selectScheme(colours, schemes, 2);
  EXPECT_EQ(colours.little, 0x0000FFu);
  EXPECT_EQ(colours.thumb, 0x808080u);
  EXPECT_EQ(colours.background, 0x808000u) << "background untouched";

  FingerColours background;
  background.colourTarget = 0;
  selectScheme(background, schemes, 8);
  EXPECT_EQ(background.background, 0x008000u);
  EXPECT_EQ(background.little, 0x00FF00u) << "fingers untouched";

  background.colourTarget = 3;  // any value but 1 means the background
  selectScheme(background, schemes, 3);
  EXPECT_EQ(background.background, 0x000000u);

  FingerColours before = background;
  selectScheme(background, schemes, 9);
  selectScheme(background, schemes, -1);
  EXPECT_EQ(background.background, before.background);
}

TEST(SelectScheme, CustomSlotCarriesReconciledColours) {
  ColourSchemeTable schemes = defaultColourSchemes();
  FingerColours policy;
  policy.little = 0x010203;
  reconcileColours(policy, schemes);
  FingerColours chosen;
  chosen.colourTarget = 1;
  selectScheme(chosen, schemes, kCustomScheme);
  EXPECT_EQ(chosen.little, 0x010203u);
  EXPECT_EQ(chosen.thumb, policy.thumb);
}

TEST(SystemColours, HighByteMarksTheIndex) {
  EXPECT_TRUE(isSystemColour(SystemColour::ButtonFace));
  EXPECT_EQ(systemColourIndex(SystemColour::ButtonFace), 15);
  EXPECT_EQ(systemColourIndex(SystemColour::Highlight), 13);
  EXPECT_FALSE(isSystemColour(0x00FFFFFF));
}

TEST(UiWords, AllThirtySevenAreWindows1252) {
  ASSERT_EQ(uiWords().size(), 37u);
  EXPECT_EQ(uiWord(0), "Laufschrift");
  EXPECT_EQ(uiWord(3), "Text von Vorlage");
  EXPECT_EQ(uiWord(6), "M\xE4rz");
  EXPECT_EQ(uiWord(15), "Dezember");
  EXPECT_EQ(uiWord(16), "\xDC" "bungsform");
  EXPECT_EQ(uiWord(22), "Auswertung nicht m\xF6glich");
  EXPECT_EQ(uiWord(24), "(bis Zeile , Spalte )");
  EXPECT_EQ(uiWord(29),
            "Hinweis: F\xFCr die Auswertung wurden nur die Zeilen  bis  (jede Zeile den Text  mal "
            "schreiben) des \xDC" "bungstextes als Vergleichstext ausgew\xE4hlt.");
  EXPECT_EQ(uiWord(35), "%s Anschl\xE4ge/Minute");
  EXPECT_EQ(uiWord(36), "%s Gesamtanschl\xE4ge");
  EXPECT_EQ(uiWord(37), "");
  EXPECT_EQ(uiWord(-1), "");
  for (const std::string& word : uiWords()) {
    EXPECT_FALSE(word.empty());
    for (char c : word) EXPECT_NE(c, '\xC3') << "UTF-8 leaked into " << word;
  }
}

TEST(UiWords, FormNamesFollowTheFormNumber) {
  EXPECT_EQ(formName(1), "Laufschrift");
  EXPECT_EQ(formName(2), "Leuchttastei");
  EXPECT_EQ(formName(4), "Text von Vorlage");
  EXPECT_EQ(formName(0), "");
  EXPECT_EQ(formName(5), "");
}

TEST(Defaults, RecordsStartAsDocumented) {
  const ExerciseParameters p;
  EXPECT_EQ(p.form, 1);
  EXPECT_EQ(p.pace, 0);
  EXPECT_FALSE(p.correctionAllowed);
  EXPECT_EQ(p.selection.firstLine, -1);
  EXPECT_EQ(p.selection.lastLine, -1);
  EXPECT_EQ(p.selection.repeatMode, 0);
  EXPECT_EQ(p.selection.repetitions, 1);
  const ResultOptions r;
  EXPECT_TRUE(r.showExerciseTime);
  EXPECT_TRUE(r.showKeystrokesPerMinute);
  const FontChoice f;
  EXPECT_EQ(f.proportionalName, "Arial");
  EXPECT_EQ(f.fixedName, "Courier New");
  EXPECT_EQ(f.dialogFontHeight, -15);
  const PolicySettings pol;
  EXPECT_TRUE(pol.maximiseMainWindow);
  EXPECT_TRUE(pol.webLinksEnabled);
  EXPECT_EQ(clipLearnerLine(std::string(60, 'x')).size(), 45u);
}

// A fake screen: "X" is a fixed share of the font's character height.
class FakeMeasurer : public FontMeasurer {
 public:
  FakeMeasurer(int dpi, double xShare) : dpi_(dpi), xShare_(xShare) {}
  int pixelsPerInchY() const override { return dpi_; }
  int heightOfX(const std::string& face, int height, bool bold) override {
    lastFace = face;
    lastBold = bold;
    ++calls;
    return static_cast<int>((height < 0 ? -height : height) * xShare_);
  }
  std::string lastFace;
  bool lastBold = false;
  int calls = 0;

 private:
  int dpi_;
  double xShare_;
};

TEST(DialogFont, GrowsPointByPointUntilXIsFourteenPixels) {
  // 96 dpi, menu font -16 px (12 pt); X is 11/16 of the height: 11 px.
  FakeMeasurer measurer(96, 11.0 / 16.0);
  FontChoice fonts;
  computeDialogFont(MenuFont{"Segoe UI", -16}, measurer, fonts);
  EXPECT_EQ(fonts.dialogFontName, "Segoe UI");
  EXPECT_TRUE(fonts.dialogFontBold);
  EXPECT_TRUE(measurer.lastBold);
  // 15 pt = -20 px, X = 13.75 -> 13; 16 pt = -21 px -> 14.4 -> 14.
  EXPECT_EQ(fonts.dialogFontSize, 16);
  EXPECT_EQ(fonts.dialogFontHeight, -21);
  EXPECT_GE(measurer.heightOfX("Segoe UI", fonts.dialogFontHeight, true), kMinDialogXHeight);
}

TEST(DialogFont, LargeEnoughMenuFontIsKeptAsItIs) {
  FakeMeasurer measurer(120, 0.75);
  FontChoice fonts;
  computeDialogFont(MenuFont{"Tahoma", -20}, measurer, fonts);
  EXPECT_EQ(fonts.dialogFontHeight, -20);
  EXPECT_EQ(fonts.dialogFontSize, 12);  // 20 px at 120 dpi
  EXPECT_EQ(measurer.calls, 1);
}

TEST(DialogFont, FailedMetricsQueryKeepsTheDefaults) {
  FakeMeasurer measurer(96, 0.7);
  FontChoice fonts;
  computeDialogFont(std::nullopt, measurer, fonts);
  EXPECT_EQ(fonts.dialogFontName, "MS Sans Serif");
  EXPECT_EQ(fonts.dialogFontSize, 11);
  EXPECT_EQ(fonts.dialogFontHeight, -15);
  EXPECT_FALSE(fonts.dialogFontBold);
  EXPECT_EQ(measurer.calls, 0);
}

TEST(DialogFont, AFontThatNeverMeasuresUpDoesNotHang) {
  FakeMeasurer measurer(96, 0.0);
  FontChoice fonts;
  computeDialogFont(MenuFont{"Broken", -12}, measurer, fonts);
  EXPECT_EQ(fonts.dialogFontSize, 72);
  EXPECT_EQ(fonts.dialogFontName, "Broken");
}

TEST(DialogFont, FaceNameIsCutToThirtyTwoCharacters) {
  FakeMeasurer measurer(96, 1.0);
  FontChoice fonts;
  computeDialogFont(MenuFont{std::string(40, 'a'), -16}, measurer, fonts);
  EXPECT_EQ(fonts.dialogFontName.size(), 32u);
}

}  // namespace
}  // namespace kv
