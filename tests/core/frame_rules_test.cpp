#include "ui/frame/frame_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/encoding.h"
#include "texts/text_model.h"

namespace kv {
namespace {

TEST(StatusLayout, PanelWidthsFromTheMeasuredTexts) {
  // Seven pixels a character keeps the arithmetic easy to follow.
  const TextWidth width = [](std::string_view text) { return static_cast<int>(text.size()) * 7; };
  const StatusLayout layout = statusLayout(width);
  // w = 11 * 7 = 77; round(1.25 * 77) = round(96.25) = 96; m = round(1.1 * 19) = 21.
  EXPECT_EQ(layout.widths[0], 21 + 28 * 7);
  EXPECT_EQ(layout.widths[1], 21 + 77);
  EXPECT_EQ(layout.widths[2], 21 + static_cast<int>(w1252("9999 Anschläge/Minute").size()) * 7);
  EXPECT_EQ(layout.widths[3], 21 + static_cast<int>(w1252("99999 Gesamtanschläge").size()) * 7);
  EXPECT_EQ(layout.widths[4], 127);  // 1.3 * 98 = 127.4
  const auto edges = layout.rightEdges();
  EXPECT_EQ(edges[0], layout.widths[0]);
  EXPECT_EQ(edges[4], layout.widths[0] + layout.widths[1] + layout.widths[2] + layout.widths[3] +
                          layout.widths[4]);
}

TEST(StatusLayout, MarginRoundsHalvesToEven) {
  // w = 10: round(12.5) = 12 (even), m = round(2.2) = 2.
  const TextWidth ten = [](std::string_view text) {
    return text == "Timer aktiv" ? 10 : 0;
  };
  EXPECT_EQ(statusLayout(ten).widths[1], 12);
  // w = 30: round(37.5) = 38, m = round(8.8) = 9.
  const TextWidth thirty = [](std::string_view text) {
    return text == "Timer aktiv" ? 30 : 0;
  };
  EXPECT_EQ(statusLayout(thirty).widths[1], 39);
}

TEST(StatusLayout, LineHeightHasAFloorOfNineteen) {
  EXPECT_EQ(statusLineHeight(13), 19);
  EXPECT_EQ(statusLineHeight(15), 19);
  EXPECT_EQ(statusLineHeight(16), 19);
  EXPECT_EQ(statusLineHeight(17), 20);
  EXPECT_EQ(statusLineHeight(24), 27);
}

TEST(StatusTexts, ExactWording) {
  EXPECT_EQ(statusHintShown(), "Status ausblenden mit Strg+T");
  EXPECT_EQ(statusHintHidden(), "Status einblenden mit Strg+T");
  EXPECT_EQ(speedText("120"), w1252("120 Anschläge/Minute"));
  EXPECT_EQ(keystrokesText("0"), w1252("0 Gesamtanschläge"));
  EXPECT_EQ(closeQuestion(), "Klavento 7 wirklich beenden?");
}

TEST(ProgressBar, InsetAndShareOfTheInside) {
  const Rect panel{100, 2, 200, 22};
  // 96 ppi: extra vertical inset round(0.67) = 1.
  ProgressBarShape s = progressBarShape(panel, 2, 2, 96, 50, 100);
  EXPECT_EQ(s.frame, (Rect{102, 5, 198, 19}));
  EXPECT_EQ(s.fill, (Rect{103, 6, 150, 18}));  // half of 94 inside pixels
  // 192 ppi: round(1.34) = 1 still; 240 ppi: round(1.675) = 2.
  EXPECT_EQ(progressBarShape(panel, 2, 2, 240, 0, 100).frame.top, 6);
  EXPECT_EQ(progressBarShape(panel, 2, 2, 96, 0, 100).fill.width(), 0);
  EXPECT_EQ(progressBarShape(panel, 2, 2, 96, 100, 100).fill.width(), 94);
}

TEST(ProgressBar, NoDivisionByZeroAndNoOverflowingFill) {
  const Rect panel{0, 0, 50, 20};
  EXPECT_EQ(progressBarShape(panel, 2, 2, 96, 10, 0).fill.width(), 0);
  EXPECT_EQ(progressBarShape(panel, 2, 2, 96, 500, 100).fill.width(), 44)
      << "more typed than the template holds still ends at the frame";
  EXPECT_EQ(progressBarShape(panel, 2, 2, 96, -3, 100).fill.width(), 0);
  const Rect tiny{0, 0, 3, 20};
  EXPECT_GE(progressBarShape(tiny, 2, 2, 96, 1, 1).fill.width(), 0);
}

TEST(CommandLineFile, OnlyExistingKvwFilesAfterExpansion) {
  const std::set<std::string> files = {"C:\\Users\\lena\\Ergebnis.KVW", "C:\\a.kvw",
                                       "C:\\notiz.txt", "C:\\x.kvw\\datei",
                                       "C:\\Users\\lena\\Arbeit.KVK", "C:\\b.kvk"};
  const FileExists exists = [&](std::string_view p) { return files.count(std::string(p)) > 0; };
  const PathExpander expand = [](std::string_view p) -> std::optional<std::string> {
    std::string out(p);
    const std::string var = "%USERPROFILE%";
    if (const auto at = out.find(var); at != std::string::npos) {
      out.replace(at, var.size(), "C:\\Users\\lena");
    }
    // What the system hands back may carry its terminator.
    return out + std::string(1, '\0') + "junk";
  };
  const std::pair<const char*, std::optional<std::string>> table[] = {
      {"", std::nullopt},
      {"C:\\a.kvw", "C:\\a.kvw"},
      {"%USERPROFILE%\\Ergebnis.KVW", "C:\\Users\\lena\\Ergebnis.KVW"},
      {"C:\\notiz.txt", std::nullopt},
      {"C:\\fehlt.kvw", std::nullopt},
      {"C:\\x.kvw\\datei", std::nullopt},
  };
  for (const auto& [argument, expected] : table) {
    SCOPED_TRACE(argument);
    EXPECT_EQ(commandLineFile(argument, expand, exists), expected);
  }
  // A class test opens by its own ending; neither takes the other's file.
  EXPECT_EQ(commandLineClassTest("%USERPROFILE%\\Arbeit.KVK", expand, exists), "C:\\Users\\lena\\Arbeit.KVK");
  EXPECT_EQ(commandLineClassTest("C:\\a.kvw", expand, exists), std::nullopt);
  EXPECT_EQ(commandLineFile("C:\\b.kvk", expand, exists), std::nullopt);
}

TEST(ArchiveEntry, NamePaddedToSixtyFourThenPath) {
  const std::string path = "C:\\klavento.exe";
  const std::string entry = archiveEntry("  Beispieltexte ", path);
  ASSERT_EQ(entry.size(), 64u + path.size());
  EXPECT_EQ(entry.substr(0, 15), "Beispieltexte  ");
  EXPECT_EQ(entry.substr(64), path);
  const std::string longName(70, 'n');
  EXPECT_EQ(archiveEntry(longName, "p").substr(63), "np");
}

TEST(OpenCommand, EnabledOnlyWhereAFileCanReplaceTheView) {
  EXPECT_TRUE(openCommandEnabled(ChildKind::Selection, false, false));
  EXPECT_TRUE(openCommandEnabled(ChildKind::Result, true, false));
  EXPECT_FALSE(openCommandEnabled(ChildKind::Result, false, false));
  EXPECT_FALSE(openCommandEnabled(ChildKind::Exercise, false, false));
  EXPECT_FALSE(openCommandEnabled(ChildKind::None, false, false));
  EXPECT_FALSE(openCommandEnabled(ChildKind::Selection, false, true));
  EXPECT_FALSE(openCommandEnabled(ChildKind::Result, true, true));
}

TEST(SizeRules, MinimumClientFollowsTheChild) {
  EXPECT_EQ(minimumClientForChild({600, 400}, false, {300, 200}), (Size{600, 400}));
  EXPECT_EQ(minimumClientForChild({900, 700}, true, {300, 200}), (Size{300, 200}));
}

TEST(SizeRules, ChildMovesTowardsTopLeftToStayInside) {
  const Size client{800, 600};
  EXPECT_EQ(keepChildInside({10, 10, 410, 310}, client), (Rect{10, 10, 410, 310}));
  EXPECT_EQ(keepChildInside({500, 400, 900, 700}, client), (Rect{400, 300, 800, 600}));
  // Larger than the client: pinned at 0, the rest hangs over.
  EXPECT_EQ(keepChildInside({50, 20, 950, 320}, client), (Rect{0, 20, 900, 320}));
}

TEST(SizeRules, MainWindowGrowsForALargerChildUpToTheScreen) {
  const Size largest{1200, 900};
  GrowResult r = growForChild({700, 500}, {800, 600}, largest);
  EXPECT_EQ(r.client, (Size{800, 600}));
  EXPECT_EQ(r.child, (Size{700, 500}));
  r = growForChild({1000, 650}, {800, 600}, largest);
  EXPECT_EQ(r.client, (Size{1000, 650}));
  EXPECT_EQ(r.child, (Size{1000, 650}));
  r = growForChild({1500, 1000}, {800, 600}, largest);
  EXPECT_EQ(r.client, (Size{1200, 900}));
  EXPECT_EQ(r.child, (Size{1200, 900})) << "what cannot be shown whole is reduced";
}

}  // namespace
}  // namespace kv
