// The colours the program draws in, checked in this process: the on-screen
// keyboard in the system's colours, the chooser's "Systemfarben" and the
// chart's strokes that tell the forms apart without colour.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "history/history_views.h"
#include "keyboard/key_table.h"
#include "keyboard/keyboard_geometry.h"
#include "keyboard/keyboard_renderer_win.h"
#include "platform/win/modal.h"
#include "ui/history/history_window_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/shared/app_state.h"
#include "ui/shared/system_colours_win.h"
#include "ui/shared/window_font_win.h"

namespace kv {
namespace {

// The keyboard drawn in the system's colours: every key the window colour,
// outlined and captioned in window text, lit in the highlight; switched back,
// the finger colours return.
TEST(SystemColoursKeyboard, KeysInTheWindowColourLitInTheHighlight) {
  KeyTable table;
  win::KeyboardRenderer renderer(win::KeyboardLook{FingerColours{}, "Arial", true}, table);
  ASSERT_TRUE(renderer.layout(10, true));
  win::Canvas normal, lit;
  ASSERT_TRUE(normal.resize(renderer.width(), renderer.height()));
  ASSERT_TRUE(lit.resize(renderer.width(), renderer.height()));
  const auto draw = [&] {
    renderer.paint(normal.dc(), 0, 0);
    renderer.paint(lit.dc(), 0, 0, win::KeyboardRenderer::Image::Lit);
  };
  draw();
  const KeyboardGeometry geometry = keyboardGeometry(10);
  const COLORREF window = ::GetSysColor(COLOR_WINDOW);
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(normal.pixel(0, 0), window) << "the ground outside the frame";
  for (int row = 0; row < kKeyRows; ++row) {
    for (int k = 0; k < keysInRow(row); ++k) {
      SCOPED_TRACE(testing::Message() << "row " << row << " key " << k);
      const ImageRect r = keyboardKeyRect(geometry, row, k);
      // A point on the face that no caption, symbol or outline reaches.
      EXPECT_EQ(normal.pixel(r.right - 4, r.top + 3), window);
      EXPECT_EQ(lit.pixel(r.right - 4, r.top + 3), highlight);
    }
  }
  // The F key's caption in window text on the normal picture, in highlight
  // text on the lit one.
  const ImageRect f = keyboardKeyRect(geometry, 2, 4);
  int captionNormal = 0, captionLit = 0;
  for (int y = f.top + 2; y < f.bottom - 2; ++y) {
    for (int x = f.left + 2; x < f.right - 2; ++x) {
      captionNormal += normal.pixel(x, y) == ::GetSysColor(COLOR_WINDOWTEXT) ? 1 : 0;
      captionLit += lit.pixel(x, y) == ::GetSysColor(COLOR_HIGHLIGHTTEXT) ? 1 : 0;
    }
  }
  EXPECT_GT(captionNormal, 10);
  EXPECT_GT(captionLit, 10);
  // Its outline, on each side, in window text whether lit or not.
  const int midX = (f.left + f.right) / 2, midY = (f.top + f.bottom) / 2;
  for (const win::Canvas* image : {&normal, &lit}) {
    for (const POINT p : {POINT{f.left, midY}, POINT{f.right - 1, midY}, POINT{midX, f.top}, POINT{midX, f.bottom - 1}}) {
      EXPECT_EQ(image->pixel(p.x, p.y), ::GetSysColor(COLOR_WINDOWTEXT)) << p.x << "," << p.y;
    }
  }

  renderer.useSystemColours(false);
  ASSERT_TRUE(renderer.layout(10, true));
  draw();
  EXPECT_EQ(normal.pixel(f.right - 4, f.top + 3), win::colourRef(FingerColours{}.index));
  EXPECT_EQ(lit.pixel(f.right - 4, f.top + 3), win::kLitKeyColour);
}

// Never colour alone: each form's line has its own stroke. Drawn alone and
// dense enough to go without markers, Laufschrift's line is one unbroken
// run, Leuchttastei's dashes and Textvorgabe's dots are many.
TEST(NeverColourAlone, ChartLinesDifferByStroke) {
  ASSERT_TRUE(startGdiplus());
  appState() = AppState{};
  const auto runsOfLine = [](int form) {
    ChartData data;
    data.xCount = 200;
    data.xDates.assign(200, "2026-12-01");
    data.kpmTop = 100;
    for (int x = 0; x < 200; ++x) {
      ChartPoint p;
      p.x = x;
      p.keystrokesPerMinute = 50;
      data.series[static_cast<std::size_t>(form - 1)].push_back(p);
    }
    win::Canvas canvas;
    EXPECT_TRUE(canvas.resize(800, 500));
    const RECT area{0, 0, 800, 500};
    ::FillRect(canvas.dc(), &area, ::GetSysColorBrush(COLOR_WINDOW));
    drawChart(canvas.dc(), area, data, ChartScale::PerExercise,
              ChartLook{static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)), 96});
    // The line's own pixels are the only ones of colour: grid, axes and words
    // are grey. Its row is the one with most of them.
    const auto coloured = [](COLORREF c) {
      const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
      return std::max({r, g, b}) - std::min({r, g, b}) > 40;
    };
    int bestRow = -1, most = 0;
    for (int y = 40; y < 500; ++y) {
      int n = 0;
      for (int x = 0; x < 800; ++x) n += coloured(canvas.pixel(x, y)) ? 1 : 0;
      if (n > most) {
        most = n;
        bestRow = y;
      }
    }
    int runs = 0;
    bool in = false;
    for (int x = 0; x < 800; ++x) {
      const bool on = coloured(canvas.pixel(x, bestRow));
      runs += on && !in ? 1 : 0;
      in = on;
    }
    EXPECT_GT(most, 300) << "form " << form << ": no line drawn";
    return runs;
  };
  EXPECT_LE(runsOfLine(1), 2) << "Laufschrift's line is solid";
  EXPECT_GE(runsOfLine(2), 10) << "Leuchttastei's line is dashed";
  EXPECT_GE(runsOfLine(3), 20) << "Textvorgabe's line is dotted";
  EXPECT_GE(runsOfLine(4), 10) << "Text von Vorlage's line is dash-dotted";
  appState() = AppState{};
}

// The choice in the chooser itself: "Systemfarben" holds until a scheme is
// picked, Escape changes nothing, and the finger colours stay as they were.
TEST(SystemColoursChoice, HoldsUntilASchemeIsPicked) {
  appState() = AppState{};
  updateDialogFont(appState().settings.fonts);
  reconcileColours(appState().settings.fingers, appState().settings.schemes);
  AppState& state = appState();
  state.settings.fingers.colourTarget = 1;
  const FingerColours before = state.settings.fingers;
  const auto open = [] {
    auto chooser = std::make_unique<ColourChooser>(POINT{400, 300});
    EXPECT_TRUE(chooser->createPopup(nullptr));
    win::processPendingMessages();
    return chooser;
  };
  {
    auto chooser = open();
    ::SendMessageW(::GetDlgItem(chooser->hwnd(), ColourChooser::kSystemColoursId), BM_CLICK, 0, 0);
    EXPECT_TRUE(chooser->finished());
    ::DestroyWindow(chooser->hwnd());
  }
  EXPECT_TRUE(state.settings.colourMode.systemColours);
  EXPECT_TRUE(systemColoursOn());
  EXPECT_EQ(state.settings.fingers.little, before.little) << "the schemes stay as they are";
  {
    // Opened again, it shows where the learner stands: on "Systemfarben".
    auto chooser = open();
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(chooser->hwnd(), ColourChooser::kSystemColoursId));
    ::SendMessageW(chooser->hwnd(), WM_COMMAND, IDCANCEL, 0);
    ::DestroyWindow(chooser->hwnd());
  }
  EXPECT_TRUE(state.settings.colourMode.systemColours) << "Escape changes nothing";
  {
    auto chooser = open();
    ::SendMessageW(::GetDlgItem(chooser->hwnd(), ColourChooser::kFirstButtonId + 1), BM_CLICK, 0, 0);
    ::DestroyWindow(chooser->hwnd());
  }
  EXPECT_FALSE(state.settings.colourMode.systemColours);
  EXPECT_FALSE(systemColoursOn()) << "Wine never reports high contrast";
  EXPECT_EQ(state.settings.fingers.little, 0xFFFF00u) << "the picked scheme";
  appState() = AppState{};
}

}  // namespace
}  // namespace kv
