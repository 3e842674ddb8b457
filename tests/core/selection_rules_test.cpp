#include "ui/selection/selection_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/encoding.h"
#include "texts/archive_scan.h"

namespace kv {
namespace {

TEST(PaceGroup, RangesAndTextsPerForm) {
  struct Row {
    int form;
    const char* caption;
    const char* noLimit;
    const char* value;
    int minimum, maximum, step;
  };
  const Row rows[] = {
      {1, "Geschwindigkeit", "individuell", "Anschläge/Minute:", 30, 720, 5},
      {2, "Geschwindigkeit", "individuell", "Anschläge/Minute:", 30, 200, 5},
      {3, "Zeitbegrenzung", "ohne", "Zeitlimit in Minuten:", 1, 90, 1},
      {4, "Zeitbegrenzung", "ohne", "Zeitlimit in Minuten:", 1, 90, 1},
      {0, "Geschwindigkeit", "individuell", "Anschläge/Minute:", 30, 720, 5},
      {9, "Geschwindigkeit", "individuell", "Anschläge/Minute:", 30, 720, 5},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.form);
    const PaceGroup g = paceGroup(r.form);
    EXPECT_EQ(g.caption, w1252(r.caption));
    EXPECT_EQ(g.noLimit, w1252(r.noLimit));
    EXPECT_EQ(g.valueOption, w1252(r.value));
    EXPECT_EQ(g.minimum, r.minimum);
    EXPECT_EQ(g.maximum, r.maximum);
    EXPECT_EQ(g.step, r.step);
  }
}

TEST(NumberField, LeavingClampsIntoTheRange) {
  struct Row {
    const char* text;
    int minimum, maximum, expected;
  };
  const Row rows[] = {
      {"999", 1, 90, 90}, {"0", 1, 90, 1},     {"", 1, 90, 1},        {"45", 1, 90, 45},
      {"29", 30, 720, 30}, {"721", 30, 720, 720}, {"4a5", 1, 90, 45},
      // Digits beyond int32 saturate instead of wrapping to a small value.
      {"99999999999", 1, 90, 90},
      // A text whose last line is shorter than the first keeps the first bound.
      {"7", 3, 2, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(clampField(r.text, r.minimum, r.maximum), r.expected);
  }
  EXPECT_EQ(digitCount(720), 3);
  EXPECT_EQ(digitCount(90), 2);
  EXPECT_EQ(digitCount(9), 1);
  EXPECT_EQ(digitCount(32767), 5);
  EXPECT_EQ(digitCount(0), 1);
}

TEST(Correction, EnabledAndChosenPerForm) {
  struct Row {
    int form;
    bool valueChosen, allowed;
    bool enabled, withCorrection;
  };
  const Row rows[] = {
      {1, false, false, false, false}, {1, false, true, false, false},
      {1, true, false, true, false},   {1, true, true, true, true},
      {2, true, true, false, false},   {2, false, false, false, false},
      {3, false, true, true, true},    {3, true, false, true, false},
      {4, false, true, true, true},    {4, false, false, true, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.form << r.valueChosen << r.allowed);
    const CorrectionChoice c = correctionChoice(r.form, r.valueChosen, r.allowed);
    EXPECT_EQ(c.enabled, r.enabled);
    EXPECT_EQ(c.withCorrection, r.withCorrection);
  }
}

TEST(ChooseForm, SetUpRestoresAndAShownDialogResets) {
  struct Row {
    const char* name;
    int form;
    std::int32_t pace;
    bool allowed, shown;
    std::int32_t pace2;
    bool allowed2, valueChosen;
    int field;
    bool fieldEnabled;
  };
  const Row rows[] = {
      {"restored clocked speed", 1, 300, true, false, 300, true, true, 300, true},
      {"restored own pace", 1, 0, true, false, 0, true, false, 30, false},
      {"learner switches 1 -> 2 at 300", 2, 300, false, true, 0, false, false, 30, false},
      {"lit keys never allow correction", 2, 100, true, false, 100, false, true, 100, true},
      {"negative pace, speed form", 1, -5, false, false, 30, false, true, 30, true},
      {"negative pace, time form", 3, -5, true, false, 0, true, false, 1, false},
      {"limit restored", 4, 12, true, false, 12, true, true, 12, true},
      {"shown dialog drops a limit", 3, 12, true, true, 0, false, false, 1, false},
      {"a speed beyond form 2's range", 2, 500, false, false, 200, false, true, 200, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const FormChoice c = chooseForm(r.form, r.pace, r.allowed, r.shown);
    EXPECT_EQ(c.pace, r.pace2);
    EXPECT_EQ(c.correctionAllowed, r.allowed2);
    EXPECT_EQ(c.valueChosen, r.valueChosen);
    EXPECT_EQ(c.fieldValue, r.field);
    EXPECT_EQ(c.fieldEnabled, r.fieldEnabled);
  }
}

TEST(LineRangeRules, EndsHoldEachOther) {
  const LineRange fresh = wholeText(12);
  EXPECT_EQ(fresh, (LineRange{1, 12, 12}));
  EXPECT_EQ(wholeText(0), (LineRange{1, 1, 1}));

  struct Row {
    const char* name;
    bool first;
    std::int32_t value;
    LineRange expected;
  };
  const LineRange start{3, 8, 12};
  const Row rows[] = {
      {"first inside", true, 5, {5, 8, 12}},
      {"first beyond last", true, 10, {8, 8, 12}},
      {"first zero", true, 0, {1, 8, 12}},
      {"last inside", false, 10, {3, 10, 12}},
      {"last beyond text", false, 99, {3, 12, 12}},
      {"last before first", false, 1, {3, 3, 12}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.first ? withFirstLine(start, r.value) : withLastLine(start, r.value), r.expected);
  }
}

class ArchiveBox : public testing::Test {
 protected:
  std::vector<std::string> program{makeArchiveEntry("Beispiele", "C:\\kv\\klavento.exe")};
  std::vector<std::string> own{makeArchiveEntry("Grundkurs", "T:\\a.kv7"),
                               makeArchiveEntry("Aufbaukurs", "T:\\b.kv5")};
};

TEST_F(ArchiveBox, ItemsAndPathsWithProgramArchives) {
  const auto items = archiveBoxItems(program, own);
  ASSERT_EQ(items.size(), 6u);
  const char* captions[] = {"Klavento 7", "Beispiele", "Eigene Textarchive", "Grundkurs",
                            "Aufbaukurs", "Durchsuchen..."};
  const char* paths[] = {"", "C:\\kv\\klavento.exe", "", "T:\\a.kv7", "T:\\b.kv5", ""};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[static_cast<std::size_t>(i)].caption, captions[i]);
    EXPECT_EQ(archivePathOf(program, own, i), paths[i]);
  }
  EXPECT_EQ(archivePathOf(program, own, 6), "");
  EXPECT_EQ(archivePathOf(program, own, -1), "");
  EXPECT_TRUE(isHeadingItem(items, 0));
  EXPECT_TRUE(isHeadingItem(items, 2));
  EXPECT_FALSE(isHeadingItem(items, 1));
  EXPECT_FALSE(isHeadingItem(items, 5));
}

TEST_F(ArchiveBox, WithoutProgramArchivesTheOwnHeadingComesFirst) {
  const auto items = archiveBoxItems({}, own);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].caption, "Eigene Textarchive");
  EXPECT_EQ(items[1].caption, "Grundkurs");
  EXPECT_EQ(archivePathOf({}, own, 1), "T:\\a.kv7");
  EXPECT_EQ(archivePathOf({}, own, 2), "T:\\b.kv5");
  EXPECT_EQ(archivePathOf({}, own, 0), "");
  EXPECT_EQ(archivePathOf({}, own, 3), "");
  EXPECT_FALSE(isHeadingItem(items, 1));
}

TEST_F(ArchiveBox, Preselection) {
  struct Row {
    const char* name;
    bool withProgram;
    std::int32_t index;
    const char* caption;
    bool preferredFound;
    const char* preferred;
    const char* last;
    Preselection expected;
    const char* preferredAfter;
    const char* lastAfter;
  };
  const Row rows[] = {
      {"remembered item unchanged", true, 4, "Aufbaukurs", true, "T:\\a.kv7", "", {4, false},
       "T:\\a.kv7", ""},
      {"remembered caption no longer there", true, 4, "Weg", false, "", "", {1, true}, "", ""},
      {"preferred found, any case", true, 0, "", true, "t:\\A.KV7", "", {3, true}, "", ""},
      {"preferred not in box", true, 0, "", true, "T:\\x.kv7", "", {1, false}, "T:\\x.kv7", ""},
      {"last archive is ignored with program archives", true, 0, "", false, "", "T:\\b.kv5",
       {1, true}, "", "T:\\b.kv5"},
      {"last archive without program archives", false, 0, "", false, "", "T:\\b.kv5", {2, true},
       "", ""},
      {"last archive is the first own one", false, 0, "", false, "", "T:\\a.kv7", {1, true}, "",
       ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::vector<std::string> programs = r.withProgram ? program : std::vector<std::string>{};
    const auto items = archiveBoxItems(programs, own);
    ExerciseParameters p;
    p.archiveIndex = r.index;
    p.archiveCaption = r.caption;
    ArchiveScanState scan{r.last, r.preferred, r.preferredFound, {}};
    const Preselection got = preselectArchive(items, programs, p, scan);
    EXPECT_EQ(got.index, r.expected.index);
    EXPECT_EQ(got.makeCurrent, r.expected.makeCurrent);
    EXPECT_EQ(scan.preferredArchivePath, r.preferredAfter);
    EXPECT_EQ(scan.lastArchivePath, r.lastAfter);
  }
}

TEST(SkippedArchives, NoticeNamesEachFileWithItsReasonAndStaysShort) {
  const std::string folder = "C:\\Lehrer\\\xDC" "bungen\\";
  EXPECT_EQ(skippedArchivesNotice(folder, {}), "") << "nothing to tell, no box";

  std::vector<SkippedArchive> two = {
      {folder + "leer.kv7", SkippedArchive::Reason::NoTexts},
      {folder + "kaputt.kv7", SkippedArchive::Reason::Unreadable, ArchiveError::BodySize}};
  EXPECT_EQ(skippedArchivesNotice(folder, two),
            w1252("Diese Dateien im Ordner „") + folder +
                w1252("“ werden nicht als Textarchiv angeboten:\n"
                      "\nleer.kv7: Das Archiv enthält keine Texte."
                      "\nkaputt.kv7: ") +
                w1252(std::string(describeArchiveError(ArchiveError::BodySize))));

  std::vector<SkippedArchive> many;
  for (int i = 1; i <= 20; ++i) {
    many.push_back({folder + "a" + std::to_string(i) + ".kv7", SkippedArchive::Reason::Unreadable,
                    ArchiveError::TooShort});
  }
  const std::string notice = skippedArchivesNotice(folder, many);
  EXPECT_EQ(std::count(notice.begin(), notice.end(), '\n'), 1 + 12 + 1);
  EXPECT_NE(notice.find("a12.kv7"), std::string::npos);
  EXPECT_EQ(notice.find("a13.kv7"), std::string::npos);
  EXPECT_NE(notice.find(w1252("… und 8 weitere.")), std::string::npos);
}

TEST(StoreParameters, RecordFromTheControls) {
  ExerciseParameters p;
  p.textTitle = "bleibt";
  storeParameters({3, true, "12", true, 2, 7, 1, "3"}, p);
  EXPECT_EQ(p.form, 3);
  EXPECT_EQ(p.pace, 12);
  EXPECT_TRUE(p.correctionAllowed);
  EXPECT_EQ(p.selection.firstLine, 2);
  EXPECT_EQ(p.selection.lastLine, 7);
  EXPECT_EQ(p.selection.repeatMode, 1);
  EXPECT_EQ(p.selection.repetitions, 3);
  EXPECT_EQ(p.textTitle, "bleibt");

  // The number field keeps its text when the no-limit option is chosen; the
  // parameter must still say "no clock".
  storeParameters({1, false, "300", false, 1, 1, 0, "1"}, p);
  EXPECT_EQ(p.form, 1);
  EXPECT_EQ(p.pace, 0);
  EXPECT_FALSE(p.correctionAllowed);
}

TEST(ExerciseStartGate, AcceptedRangeUnknownOrCompatibilityLayer) {
  struct Row {
    const char* name;
    std::uint16_t kMajor, kMinor, uMajor, uMinor;
    bool compat, passes;
  };
  const Row rows[] = {
      {"Windows 7", 6, 1, 6, 1, false, true},
      {"both unknown", 0, 0, 0, 0, false, true},
      {"lowest", 5, 1, 5, 1, false, true},
      {"below lowest", 5, 0, 6, 1, false, false},
      {"highest", 10, 99, 10, 0, false, true},
      {"beyond highest", 6, 1, 10, 100, false, false},
      {"beyond, under a compatibility layer", 11, 0, 11, 0, true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EnvironmentInfo e;
    e.kernelMajor = r.kMajor;
    e.kernelMinor = r.kMinor;
    e.userMajor = r.uMajor;
    e.userMinor = r.uMinor;
    e.compatibilityLayer = r.compat;
    EXPECT_EQ(exerciseStartAllowed(e), r.passes);
  }
}

TEST(Preview, LineNumbersPadded) {
  EXPECT_EQ(previewLineNumber(1, 5), "01");
  EXPECT_EQ(previewLineNumber(12, 12), "12");
  EXPECT_EQ(previewLineNumber(7, 120), "007");
  EXPECT_EQ(previewLineNumber(1000, 1000), "1000");
}

Colour fakeSystem(int index) { return index == 5 ? 0xFFFFFF : 0x000080; }

TEST(ColourChooser, ContrastColour) {
  struct Row {
    Colour colour, expected;
  };
  const Row rows[] = {
      {0xFFFFFF, 0x000000}, {0x800000, 0xFFFFFF}, {0xC0C0C0, 0x000000},
      {0xAAAAAA, 0xFFFFFF},  // 170 is not above 170
      {0xABAAAA, 0xFFFFFF},  // mean 170.33 truncates to 170
      {0xACACAA, 0x000000},
      {SystemColour::Window, 0x000000},  // resolved first: white here
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << r.colour);
    EXPECT_EQ(contrastColour(r.colour, fakeSystem), r.expected);
  }
}

TEST(ColourChooser, TemplateMapping) {
  const ColourScheme scheme = defaultColourSchemes()[1];
  GlyphSystemColours sys;
  sys.buttonFace = 0x111111;
  sys.buttonShadow = 0x222222;
  sys.buttonHighlight = 0x333333;
  sys.darkShadow = 0x444444;
  sys.windowText = 0x555555;
  sys.window = 0x666666;
  struct Row {
    Colour from, to;
  };
  const Row rows[] = {
      {0xC0C0C0, 0x111111}, {0x808080, 0x222222}, {0xFFFFFF, 0x333333}, {0x000000, 0x444444},
      {0x800080, 0xFFFFFF},  // contrast of navy background
      {0xFF00FF, 0x555555}, {0xFF0000, 0x666666}, {0x00FF00, 0xFFFF00}, {0x0000FF, 0x00FF00},
      {0x00FFFF, 0x0000FF}, {0xFFFF00, 0x00FFFF}, {0x008080, 0x808080}, {0x800000, 0x800000},
      {0x008000, 0x808080}, {0x808000, 0x800000}, {0x000080, 0x00FF00}, {0x123456, 0x123456},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << r.from);
    EXPECT_EQ(mapTemplateColour(r.from, scheme, sys, fakeSystem), r.to);
  }
}

TEST(ColourChooser, GlyphScale) {
  struct Row {
    int ppi, picture, factor;
  };
  const Row rows[] = {
      {96, 100, 1},  {120, 125, 1}, {144, 150, 1}, {168, 175, 1}, {192, 100, 2},
      {240, 125, 2}, {288, 150, 2}, {384, 100, 4}, {108, 100, 1},  // 112.5 % rounds to 112
      {119, 100, 1}, {72, 100, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ppi);
    const GlyphScale s = glyphScale(r.ppi);
    EXPECT_EQ(s.picturePercent, r.picture);
    EXPECT_EQ(s.factor, r.factor);
  }
}

TEST(ColourChooser, MatchingScheme) {
  ColourSchemeTable schemes = defaultColourSchemes();
  FingerColours colours;  // the defaults: thumb olive matches no built-in scheme
  colours.colourTarget = 1;
  EXPECT_EQ(matchingScheme(colours, schemes), std::nullopt);
  reconcileColours(colours, schemes);
  EXPECT_EQ(matchingScheme(colours, schemes), kCustomScheme);

  colours.colourTarget = 0;  // background teal is scheme 0's
  EXPECT_EQ(matchingScheme(colours, schemes), 0);
  colours.background = 0x008000;
  EXPECT_EQ(matchingScheme(colours, schemes), 8);
  colours.background = 0x123456;
  EXPECT_EQ(matchingScheme(colours, schemes), std::nullopt);
  colours.colourTarget = 3;  // any target but 1 judges the background
  colours.background = 0x000080;
  EXPECT_EQ(matchingScheme(colours, schemes), 6);
}

}  // namespace
}  // namespace kv
