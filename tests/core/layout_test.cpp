#include "session/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

// Every character `points` pixels wide, rows a fixed height: width(s) of a
// line is its length (with the space) times s.
class FixedFont : public TextMeasurer {
 public:
  explicit FixedFont(int rowHeight = 20) : rowHeight_(rowHeight) {}
  TextExtent measure(std::string_view text, int points) override {
    ++calls;
    if (text != " ") ++lineCalls;
    return {static_cast<int>(text.size()) * points, rowHeight_};
  }
  int calls = 0;
  int lineCalls = 0;

 private:
  int rowHeight_;
};

// 'W' and 'M' twice as wide as other characters.
class ProportionalFont : public TextMeasurer {
 public:
  TextExtent measure(std::string_view text, int points) override {
    seen.emplace_back(text, points);
    int units = 0;
    for (char c : text) units += (c == 'W' || c == 'M') ? 2 : 1;
    return {units * points, points * 2};
  }
  std::vector<std::pair<std::string, int>> seen;
};

LayoutMetrics metrics96() {
  LayoutMetrics m;
  m.lengths = densityLengths(96);
  m.frameW = 8;
  m.frameH = 30;
  m.edgeX = 2;
  m.edgeY = 2;
  m.gripW = 17;
  m.gripH = 17;
  m.fieldMarginLeft = 2;
  m.fieldMarginRight = 2;
  m.fieldFormatTop = 1;  // fieldOverheadY = 2·2 + 2·1 + 2 = 8
  m.fieldFrameW = 4;
  m.buttonWidth = 75;
  m.buttonHeight = 25;
  return m;
}

// One line of nine characters: with its space width(s) = 10·s, every row 20
// pixels high. For the forms other than Leuchttastei Wreq(s) = 76 + 10·s
// (8 + 2·7 + 2·16 + 22) and s0 = 52, the first s with 10·s + 8 + 4 + 68 > 595.
SizeRules rulesFor(ExerciseForm form, int rowHeight = 20,
                   const LayoutMetrics& metrics = metrics96()) {
  FixedFont font(rowHeight);
  return computeTextSizes(form, {"123456789"}, font, metrics);
}

// --- Density-scaled lengths ------------------------------------------------

TEST(DensityLengths, ScaleWithThePixelsPerInchAndTruncate) {
  const struct {
    int ppi;
    DensityLengths lengths;
  } rows[] = {
      {96, {4, 7, 15, 16}},
      {120, {5, 8, 18, 20}},   // 8.75 and 18.75 truncate
      {144, {6, 10, 22, 24}},  // 10.5 and 22.5 truncate
      {192, {8, 14, 30, 32}},
      {72, {3, 5, 11, 12}},
      {0, {4, 7, 15, 16}},  // no density reported: 96
      {-5, {4, 7, 15, 16}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ppi);
    EXPECT_EQ(densityLengths(row.ppi), row.lengths);
  }
}

// --- The widest line and the text-size table -------------------------------

TEST(LongestLine, StrictlyWiderWinsSoTheFirstOfEqualsStays) {
  const struct {
    std::vector<std::string> lines;
    int index;
  } rows[] = {
      {{}, 0},
      {{"abc"}, 0},
      {{"ab", "abcd", "abc"}, 1},
      {{"abcd", "wxyz", "abc"}, 0},
      {{"abc", "aWc", "aWWc"}, 2},
      {{"MM", "abcd", "WW"}, 0},  // all three four units wide
      {{"", "", "a"}, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.lines.size());
    ProportionalFont font;
    EXPECT_EQ(longestLineIndex(row.lines, font), row.index);
  }
}

TEST(LongestLine, IsMeasuredWithASpaceAppendedAtTenPoints) {
  ProportionalFont font;
  longestLineIndex({"ab", "c"}, font);
  ASSERT_EQ(font.seen.size(), 2u);
  EXPECT_EQ(font.seen[0], (std::pair<std::string, int>{"ab ", 10}));
  EXPECT_EQ(font.seen[1], (std::pair<std::string, int>{"c ", 10}));
}

// Fixed pitch like the real fonts: a space is `points` wide, but a measured
// line comes out a few pixels off except at 250 points.
class RoundingFixedFont : public TextMeasurer {
 public:
  explicit RoundingFixedFont(int offAt250 = 0, int spaceHeightOff = 0)
      : offAt250_(offAt250), spaceHeightOff_(spaceHeightOff) {}
  TextExtent measure(std::string_view text, int points) override {
    if (text == " ") return {points, 2 * points + spaceHeightOff_};
    const int off = points == 250 ? offAt250_ : 3;
    return {static_cast<int>(text.size()) * points + off, 2 * points};
  }

 private:
  int offAt250_;
  int spaceHeightOff_;
};

TEST(TextSizeTable, FixedPitchWidthIsCharactersTimesTheSpaceWidth) {
  RoundingFixedFont font;
  const TextSizeTable table = measureTextSizes({"ab", "abcdefg", "abc"}, font);
  EXPECT_TRUE(table.fixedPitch);
  EXPECT_EQ(table.longestLineIndex, 1);
  for (int s = kMinTextSize; s <= kMaxTextSize; ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(table.width(s), 8 * s);  // seven characters and the space
    EXPECT_EQ(table.height(s), 2 * s);
  }
}

TEST(TextSizeTable, FixedPitchNeedsTheSpaceHeightToo) {
  RoundingFixedFont font(0, 1);
  const TextSizeTable table = measureTextSizes({"abcdefg"}, font);
  EXPECT_FALSE(table.fixedPitch);
  EXPECT_EQ(table.width(12), 8 * 12 + 3);
}

TEST(TextSizeTable, ProportionalFontIsMeasuredAtEverySize) {
  RoundingFixedFont font(1);  // the line is one pixel off at 250 points
  const TextSizeTable table = measureTextSizes({"abcdefg"}, font);
  EXPECT_FALSE(table.fixedPitch);
  EXPECT_EQ(table.width(8), 8 * 8 + 3);
  EXPECT_EQ(table.width(249), 8 * 249 + 3);
  EXPECT_EQ(table.width(250), 8 * 250 + 1);
  EXPECT_EQ(table.height(100), 200);
}

TEST(TextSizeTable, FixedPitchMeasuresNoLineBeyondTheProbes) {
  FixedFont font;
  measureTextSizes({"one", "three"}, font);
  // Two lines at 10 points and the widest once at 250.
  EXPECT_EQ(font.lineCalls, 3);
}

// --- Initial text size, minimum and required sizes --------------------------

TEST(InitialTextSize, FirstSizeWhoseWindowPassesTheCompactWidth) {
  const struct {
    int widthPerPoint;
    int s0;
  } rows[] = {
      {10, 52},  // 10·52 + 80 = 600 > 595, 10·51 + 80 = 590
      {1, 250},  // never wider: the largest size
      {200, 8},  // already wider at the smallest size
      {3, 172},  // 3·172 + 80 = 596; 3·171 + 80 = 593
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.widthPerPoint);
    TextSizeTable text;
    for (int s = kMinTextSize; s <= kMaxTextSize; ++s) {
      text.extents[static_cast<std::size_t>(s - kMinTextSize)] = {row.widthPerPoint * s, 20};
    }
    EXPECT_EQ(initialTextSize(ExerciseForm::FromPaper, text, {}, metrics96()), row.s0);
  }
}

TEST(InitialTextSize, LeuchttasteiTakesTheLargestSizeWhereTheKeyboardFits) {
  KeyboardSizeTable keyboard;
  keyboard.largestFittingTextSize = 14;
  EXPECT_EQ(initialTextSize(ExerciseForm::LitKeys, {}, keyboard, metrics96()), 14);
  // At 96 pixels per inch even the smallest keyboard (585) with 2 × 16 around
  // it is wider than 595: the smallest text size then.
  EXPECT_EQ(rulesFor(ExerciseForm::LitKeys).keyboard.largestFittingTextSize, 0);
  EXPECT_EQ(rulesFor(ExerciseForm::LitKeys).initialTextSize, 8);
}

TEST(RequiredSize, WidthAndHeightPerForm) {
  // C = frameH 30 + overhead 8 + button 25 + m15 15 = 78, plus 3·m16 = 126.
  const KeyboardGeometry kb = keyboardGeometry(53);  // S at text size 60: one step per size
  const struct {
    ExerciseForm form;
    int width;
    int height;
  } rows[] = {
      {ExerciseForm::RunningText, 676, 126 + 3 * 20 + 8 + 24},
      {ExerciseForm::OnScreenText, 676, 126 + 7 * 20 + 8 + 24},
      {ExerciseForm::LitKeys, 8 + 32 + kb.imageWidth, 126 + kb.imageHeight + 20},
      {ExerciseForm::FromPaper, 676, 126 + 20},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.form));
    const SizeRules rules = rulesFor(row.form);
    EXPECT_EQ(rules.requiredWidth(60), row.width);
    EXPECT_EQ(rules.requiredHeight(60), row.height);
  }
}

TEST(RequiredSize, MinimumIsTheSizeOfTheInitialTextSize) {
  const struct {
    ExerciseForm form;
    int ppi;
    int heightCorrection;  // 2·m16 instead of 2·m4 + 24 for forms 1 and 3
  } rows[] = {
      {ExerciseForm::RunningText, 96, 0},  {ExerciseForm::OnScreenText, 96, 0},
      {ExerciseForm::RunningText, 120, 6}, {ExerciseForm::OnScreenText, 144, 12},
      {ExerciseForm::LitKeys, 120, 0},     {ExerciseForm::FromPaper, 144, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(row.form) << " at " << row.ppi);
    LayoutMetrics metrics = metrics96();
    metrics.lengths = densityLengths(row.ppi);
    const SizeRules rules = rulesFor(row.form, 20, metrics);
    EXPECT_EQ(rules.minWidth, rules.requiredWidth(rules.initialTextSize));
    EXPECT_EQ(rules.minHeight, rules.requiredHeight(rules.initialTextSize) + row.heightCorrection);
  }
}

TEST(RequiredSize, KeyboardTableFollowsTheTextWidth) {
  // A wide line: the keyboard must grow past one step per size to match it.
  FixedFont font;
  const SizeRules rules =
      computeTextSizes(ExerciseForm::LitKeys, {std::string(59, 'x')}, font, metrics96());
  for (int s : {8, 20, 100, 250}) {
    SCOPED_TRACE(s);
    const int wanted = rules.text.width(s) + 2 * 2 + 4 * 16;
    const KeyboardSize& kb = rules.keyboard.at(s);
    ASSERT_TRUE(kb.usable());
    EXPECT_GE(kb.width + 2 * 16, wanted);
  }
  EXPECT_EQ(rules.requiredWidth(100), 8 + 32 + rules.keyboard.at(100).width);
}

// --- Negotiation -------------------------------------------------------------

NegotiationInput readyIn(int mainWidth, int mainHeight) {
  NegotiationInput input;
  input.ready = true;
  input.mainClientWidth = mainWidth;
  input.mainClientHeight = mainHeight;
  return input;
}

TEST(NegotiateSize, WidthSnapsToTheRequiredWidthOfATextSize) {
  // Text von Vorlage: Wreq(s) = 76 + 10·s, s0 = 52 (596 wide).
  const SizeRules rules = rulesFor(ExerciseForm::FromPaper);
  const struct {
    int proposed;
    int mainWidth;
    int maxWidth;
    int size;
    const char* why;
  } rows[] = {
      {596, 1200, 0, 52, "exactly Wreq(s0)"},
      {601, 1200, 0, 52, "a little beyond keeps s (half-way is 601)"},
      {602, 1200, 0, 53, "past half-way snaps to s + 1"},
      {605, 1200, 0, 53, "just short of Wreq(s + 1)"},
      {500, 1200, 0, 52, "never narrower than Wreq(s0)"},
      {0, 1200, 0, 52, "a collapsed proposal"},
      {1000, 1200, 0, 92, "Wreq(92) = 996"},
      {1002, 1200, 0, 93, "past half-way to 1006"},
      {1002, 1000, 0, 92, "s + 1 would not fit into the main window"},
      {5000, 1200, 0, 112, "no wider than the main window"},
      {900, 1200, 700, 62, "clamped to the maximum width first"},
      {700, 1200, 100, 52, "a maximum below the minimum loses"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    NegotiationInput input = readyIn(row.mainWidth, 900);
    input.maxWidth = row.maxWidth;
    const NegotiatedSize out = negotiateSize(rules, input, {0, 0, row.proposed, 300});
    EXPECT_TRUE(out.applied);
    EXPECT_EQ(out.textSize, row.size);
    EXPECT_EQ(out.window.width, 76 + 10 * row.size);
    EXPECT_EQ(out.minHeight, rules.requiredHeight(row.size));
  }
}

TEST(NegotiateSize, SizeTooTallForTheMainWindowIsNotTaken) {
  // Rows as high as the text size: Hreq(s) = 126 + s.
  struct GrowingRows : TextMeasurer {
    TextExtent measure(std::string_view text, int points) override {
      return {static_cast<int>(text.size()) * points, points};
    }
  } growing;
  const SizeRules rules =
      computeTextSizes(ExerciseForm::FromPaper, {"123456789"}, growing, metrics96());
  const NegotiatedSize out = negotiateSize(rules, readyIn(2000, 126 + 60), {0, 0, 1200, 150});
  EXPECT_EQ(out.textSize, 60);
  EXPECT_EQ(out.window.width, 676);
  EXPECT_EQ(out.window.height, 186);
}

TEST(NegotiateSize, HeightSnapsToWholeRows) {
  // Text von Vorlage with 20-pixel rows: Hreq(s) = 146, base 126.
  const SizeRules rules = rulesFor(ExerciseForm::FromPaper);
  const struct {
    int proposed;
    int maxHeight;
    int mainHeight;
    int height;
    const char* why;
  } rows[] = {
      {146, 0, 900, 146, "one row"},
      {155, 0, 900, 146, "nine pixels into the second row: the nearer is one"},
      {156, 0, 900, 166, "ten pixels in: the nearer is two"},
      {100, 0, 900, 146, "never below one row"},
      {895, 0, 900, 886, "38 rows, 9 pixels over"},
      {897, 0, 900, 886, "39 rows would pass the main window"},
      {2000, 0, 900, 886, "never beyond the main window"},
      {500, 290, 900, 286, "clamped to the maximum height first"},
      {400, 0, 100, 146, "the main window is too low even for one row"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    NegotiationInput input = readyIn(1200, row.mainHeight);
    input.maxHeight = row.maxHeight;
    const NegotiatedSize out = negotiateSize(rules, input, {0, 0, 596, row.proposed});
    EXPECT_EQ(out.window.height, row.height);
  }
}

TEST(NegotiateSize, WindowStaysInsideTheMainClientArea) {
  const SizeRules rules = rulesFor(ExerciseForm::FromPaper);
  const struct {
    Bounds proposed;
    int left, top;
  } rows[] = {
      {{100, 50, 596, 146}, 100, 50},
      {{700, 800, 596, 146}, 604, 754},  // right and bottom edges pulled back
      {{-40, -3, 596, 146}, 0, 0},
      {{-40, -3, 5000, 5000}, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.proposed.left);
    const NegotiatedSize out = negotiateSize(rules, readyIn(1200, 900), row.proposed);
    EXPECT_EQ(out.window.left, row.left);
    EXPECT_EQ(out.window.top, row.top);
    EXPECT_LE(out.window.left + out.window.width, 1200);
    EXPECT_LE(out.window.top + out.window.height, 900);
  }
}

TEST(NegotiateSize, IgnoredBeforePreparationAndWhileMaximisedOrMinimised) {
  const SizeRules rules = rulesFor(ExerciseForm::FromPaper);
  const Bounds proposed{-40, 5000, 123, 45};
  NegotiationInput notReady = readyIn(1200, 900);
  notReady.ready = false;
  NegotiationInput maximised = readyIn(1200, 900);
  maximised.maximised = true;
  NegotiationInput minimised = readyIn(1200, 900);
  minimised.minimised = true;
  for (NegotiationInput input : {notReady, maximised, minimised}) {
    input.textSize = 77;
    const NegotiatedSize out = negotiateSize(rules, input, proposed);
    EXPECT_FALSE(out.applied);
    EXPECT_EQ(out.window, proposed);
    EXPECT_EQ(out.textSize, 77);
  }
}

TEST(NegotiateSize, LargestInitialSizeHasNoLargerNeighbourToSnapTo) {
  // A one-character line never makes the window wide: s0 is 250.
  FixedFont font;
  const SizeRules rules = computeTextSizes(ExerciseForm::FromPaper, {"x"}, font, metrics96());
  ASSERT_EQ(rules.initialTextSize, 250);
  const NegotiatedSize out = negotiateSize(rules, readyIn(3000, 900), {0, 0, 2900, 200});
  EXPECT_EQ(out.textSize, 250);
  EXPECT_EQ(out.window.width, rules.requiredWidth(250));
}

TEST(NegotiateSize, RowsWithoutHeightKeepTheMinimumHeight) {
  const SizeRules rules = rulesFor(ExerciseForm::FromPaper, 0);
  const NegotiatedSize out = negotiateSize(rules, readyIn(1200, 900), {0, 0, 596, 400});
  EXPECT_EQ(out.window.height, rules.requiredHeight(52));
}

TEST(NegotiateSize, OnePixelRowsDoNotCreep) {
  const SizeRules rules = rulesFor(ExerciseForm::FromPaper, 1);
  const NegotiatedSize out = negotiateSize(rules, readyIn(1200, 900), {0, 0, 596, 400});
  EXPECT_EQ(out.window.height, 400);
}

TEST(NegotiateSize, LeuchttasteiSnapsToKeyboardWidths) {
  const SizeRules rules = rulesFor(ExerciseForm::LitKeys);
  // s0 = 8 with S 1; each size one step more: Wreq(s) = 40 + W(s - 7).
  const int w8 = 40 + keyboardImageWidth(1), w9 = 40 + keyboardImageWidth(2);
  const struct {
    int proposed;
    int size;
  } rows[] = {{w8, 8}, {w8 + (w9 - w8) / 2, 8}, {w8 + (w9 - w8) / 2 + 1, 9}, {300, 8}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.proposed);
    const NegotiatedSize out = negotiateSize(rules, readyIn(1600, 1200), {0, 0, row.proposed, 0});
    EXPECT_EQ(out.textSize, row.size);
    EXPECT_EQ(out.window.width, rules.requiredWidth(row.size));
    EXPECT_EQ(out.window.height, rules.requiredHeight(row.size));
  }
}

// --- Controls ----------------------------------------------------------------

// Each character `points` pixels wide, twice as high.
class HintFont : public TextMeasurer {
 public:
  TextExtent measure(std::string_view text, int points) override {
    sizes.push_back(points);
    return {static_cast<int>(text.size()) * points, 2 * points};
  }
  std::vector<int> sizes;
};

const std::string kPrompt = "\r" + std::string(50, 'h') + "\r\r>>>  Start  <<<";

ControlLayoutInput controlsIn(int textSize, std::string_view prompt = kPrompt) {
  ControlLayoutInput input;
  input.clientWidth = 800;
  input.clientHeight = 600;
  input.textSize = textSize;
  input.promptText = prompt;
  input.windowFontPoints = 11;
  input.promptWidth = 300;
  input.promptHeight = 90;
  return input;
}

TEST(LayoutControls, DisplayFieldAndEndButtonPerForm) {
  // Client 800 × 600, s = 20: width(20) = 200, row 20; button 75 × 25.
  const KeyboardGeometry kb = keyboardGeometry(13);  // text size 20
  const struct {
    ExerciseForm form;
    Bounds display;
    Bounds field;
  } rows[] = {
      {ExerciseForm::RunningText, {16, 16, 768, 72}, {298, 104, 204, 440}},
      {ExerciseForm::OnScreenText, {16, 16, 768, 152}, {298, 184, 204, 360}},
      {ExerciseForm::LitKeys,
       {16, 16, kb.imageWidth, kb.imageHeight},
       {298, 32 + kb.imageHeight, 204, 512 - kb.imageHeight}},
      {ExerciseForm::FromPaper, {16, 16, 768, 1}, {298, 32, 204, 511}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.form));
    const SizeRules rules = rulesFor(row.form);
    HintFont font;
    const ControlLayout out = layoutControls(rules, controlsIn(20), font);
    EXPECT_EQ(out.endButton, (Bounds{362, 560, 75, 25}));
    EXPECT_EQ(out.display, row.display);
    EXPECT_EQ(out.field, row.field);
    EXPECT_EQ(out.minWidth, rules.minWidth);
    EXPECT_EQ(out.sizeGrip, (Bounds{782, 582, 17, 17}));
  }
}

TEST(LayoutControls, AtTheRequiredSizeTheFieldShowsOneRow) {
  for (ExerciseForm form :
       {ExerciseForm::RunningText, ExerciseForm::OnScreenText, ExerciseForm::LitKeys}) {
    SCOPED_TRACE(static_cast<int>(form));
    const SizeRules rules = rulesFor(form, 23);
    for (int s : {8, 60, 250}) {
      SCOPED_TRACE(s);
      ControlLayoutInput input = controlsIn(s);
      input.clientWidth = rules.requiredWidth(s) - rules.metrics.frameW;
      input.clientHeight = rules.requiredHeight(s) - rules.metrics.frameH;
      HintFont font;
      const ControlLayout out = layoutControls(rules, input, font);
      EXPECT_EQ(out.field.height, rules.metrics.fieldOverheadY() + 23);
      EXPECT_GE(out.field.left, 0);
      EXPECT_LE(out.field.left + out.field.width, input.clientWidth);
    }
  }
}

TEST(LayoutControls, HintShrinksUntilItFitsButNotBelowSixPoints) {
  // The hint is 50 characters: it fits when 53 × points ≤ the field's
  // client width (field width - 4).
  const struct {
    int textSize;  // field width 10·s + 4
    int points;
    const char* why;
  } rows[] = {
      {70, 11, "583 fits into 700"},
      {58, 10, "583 does not fit into 580, 530 does"},
      {50, 9, "477 fits into 500, 530 does not"},
      {20, 6, "200 is too narrow even for 6 points"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    const SizeRules rules = rulesFor(ExerciseForm::FromPaper);
    HintFont font;
    const ControlLayout out = layoutControls(rules, controlsIn(row.textSize), font);
    EXPECT_EQ(out.promptPoints, row.points);
    EXPECT_GE(font.sizes.back(), kMinHintPoints);
    EXPECT_EQ(out.prompt.width, 54 * row.points - 5);
    EXPECT_EQ(out.prompt.height, 6 * 2 * row.points);
  }
}

TEST(LayoutControls, PromptSitsCentredInTheUpperPartOfTheField) {
  const SizeRules rules = rulesFor(ExerciseForm::RunningText);
  HintFont font;
  const ControlLayout out = layoutControls(rules, controlsIn(50), font);
  // Field 504 wide at 148, 104 + 440; the hint at 9 points: 481 × 108.
  ASSERT_EQ(out.field, (Bounds{148, 104, 504, 440}));
  EXPECT_EQ(out.prompt, (Bounds{148 + (504 - 481 + 5) / 2, 104 + (440 - 108) / 9 * 4, 481, 108}));
}

TEST(LayoutControls, PromptWithoutHintLineKeepsItsSizeAndIsCentred) {
  const SizeRules rules = rulesFor(ExerciseForm::RunningText);
  for (std::string_view prompt : {std::string_view(">>> Start <<<"),
                                  std::string_view("\rno double break\r>>>"),
                                  std::string_view("\r\r\r>>> empty hint")}) {
    SCOPED_TRACE(prompt);
    HintFont font;
    const ControlLayout out = layoutControls(rules, controlsIn(50, prompt), font);
    EXPECT_TRUE(font.sizes.empty());
    EXPECT_EQ(out.promptPoints, 11);
    EXPECT_EQ(out.prompt, (Bounds{148 + (504 - 300) / 2, 104 + (440 - 90) / 9 * 4, 300, 90}));
  }
}

TEST(LayoutControls, SmallClientAreaGivesNoNegativeSizes) {
  const SizeRules rules = rulesFor(ExerciseForm::OnScreenText);
  ControlLayoutInput input = controlsIn(20);
  input.clientWidth = 10;
  input.clientHeight = 40;
  HintFont font;
  const ControlLayout out = layoutControls(rules, input, font);
  EXPECT_EQ(out.display.width, 0);
  EXPECT_EQ(out.field.height, 0);
}

TEST(PromptHintLine, IsTheTextBetweenTheFirstBreakAndTheDoubleBreak) {
  const struct {
    std::string_view prompt;
    std::string_view hint;
  } rows[] = {
      {"\rHinweis: ziehen.\r\r>>>  Start mit Leertaste   <<<", "Hinweis: ziehen."},
      {"Vorweg\rHinweis\r\rStart", "Hinweis"},
      {"\rerste\rzweite\r\rStart", "erste\rzweite"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.prompt);
    EXPECT_EQ(promptHintLine(row.prompt), row.hint);
  }
}

TEST(SizeGrip, CornerSquareInsetByHalfTheEdge) {
  LayoutMetrics metrics = metrics96();
  metrics.edgeX = 3;
  metrics.edgeY = 4;
  const Bounds grip = sizeGripBounds(800, 600, metrics);
  EXPECT_EQ(grip, (Bounds{782, 581, 17, 17}));
  EXPECT_TRUE(hitsSizeGrip(grip, 782, 581));
  EXPECT_TRUE(hitsSizeGrip(grip, 798, 597));
  EXPECT_FALSE(hitsSizeGrip(grip, 781, 590));
  EXPECT_FALSE(hitsSizeGrip(grip, 790, 598));
}

// --- Initial size ------------------------------------------------------------

TEST(InitialWindowSize, ShareOfTheMaximisedMainWindowFollowsTheWidestLine) {
  const struct {
    int W, H;
    bool maximised;
    int length;
    Bounds bounds;
  } rows[] = {
      {1400, 1000, true, 40, {150, 50, 1100, 900}},  // 55/70 and 90 %
      {1400, 1000, true, 55, {150, 50, 1100, 900}},
      {1400, 1000, true, 63, {70, 50, 1260, 900}},
      {1400, 1000, true, 70, {0, 50, 1400, 900}},
      {1400, 1000, true, 120, {0, 50, 1400, 900}},
      {1000, 1001, true, 40, {107, 50, 785, 900}},  // 785.7 and 900.9 truncate
      {1400, 1000, false, 40, {0, 0, 1400, 1000}},
      {0, 0, true, 40, {0, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.W << "x" << row.H << " " << row.length);
    EXPECT_EQ(initialWindowSize(row.W, row.H, row.maximised, row.length), row.bounds);
  }
}

}  // namespace
}  // namespace kv
